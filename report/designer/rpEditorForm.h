#pragma once
// The memo and script editor of a report view: the lines it prints (with bracketed expressions) above
// its script, with pickers that insert a variable or a data set field at the caret.
#include "report/designer/rpInspForm.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QWidget;

class TrpEditorForm : public TPropEditor {
public:
    explicit TrpEditorForm(QWidget* parent = nullptr);

    // Cancel without showing when there is no view.
    int ShowEditor() override;
    // The editor on view; true when accepted (its memo and script then hold the edited texts).
    static bool Edit(TrpView* view, QWidget* parent = nullptr);

    void FormShow();
    void CB1Click();
    void CB2Click();
    void CB3Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void done(int result) override;

    QWidget* Panel2;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;
    QWidget* ScriptPanel;
    QLabel* Label2;
    QPlainTextEdit* M2;
    QWidget* MemoPanel;
    QPlainTextEdit* M1;
    QLabel* Label1;
    QWidget* Panel5;
    QCheckBox* CB1;
    QCheckBox* CB2;
    QCheckBox* CB3;
    QSplitter* Splitter;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void insertReference(const QString& text);
    // The memo that had the focus last (M1 or M2): the pickers insert there.
    QPlainTextEdit* active_ = nullptr;
};

// The lines of an editor's text (no last empty line for a text that ends a line) and back.
QStringList rpEditorLines(const QString& text);
