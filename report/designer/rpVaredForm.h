#pragma once
// The list editor of the report variables: categories and variable names as plain text (a line starting
// with a blank is a variable of the category above it).
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TrpReport;

class TrpVaredForm : public QDialog {
public:
    TrpVaredForm(TrpReport* report, QWidget* parent = nullptr);

    // Shows the report's variables text.
    void FormActivate();
    // The edited lines.
    QStringList Lines() const;

    QPushButton* Button4;
    QPushButton* Button5;
    QPlainTextEdit* Memo1;
    QLabel* Label1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TrpReport* report_;
};
