#pragma once
// The two template dialogs of the file commands: choosing a template (".rpt" of the templates folder) for
// a new report, and describing a template about to be saved (comment and icon picture).
#include "platform/graphics/Bitmap.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class TrpReport;

// The templates folder with its separator ("" for the current folder).
QString rpTemplatesFolder();
// The TemplateDir of the designer: empty for the current folder.
extern QString rpTemplateDir;

class TrpTemplForm : public QDialog {
public:
    // report reads the descriptions and pictures of the templates.
    TrpTemplForm(TrpReport* report, QWidget* parent = nullptr);

    void FillList();
    void LB1Click();
    void LB1DblClick();

    QGroupBox* GroupBox1;
    QPlainTextEdit* Memo1;
    QLabel* Image1;
    QPushButton* Button1;
    QPushButton* Button2;
    QListWidget* LB1;
    // The chosen template's file, set when the dialog closes with OK.
    QString TemplName;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    TrpReport* report_;
};

class TrpTemplNewForm : public QDialog {
public:
    explicit TrpTemplNewForm(QWidget* parent = nullptr);

    void Button1Click();
    QStringList Description() const;

    QGroupBox* GroupBox2;
    QWidget* Panel1;
    QLabel* Image1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPlainTextEdit* Memo1;
    QLabel* Label1;
    // The icon picture (empty until a file is chosen).
    gfx::TBitmap Picture;

protected:
    void showEvent(QShowEvent* event) override;
};
