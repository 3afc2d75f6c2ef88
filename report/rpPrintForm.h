#pragma once
// The engine's own print dialog: the printer (chosen in the engine's printer wrapper at once and given
// back on cancel), copies and the page range.
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TrpSpeedButton;

class TrpPrintForm : public QDialog {
public:
    explicit TrpPrintForm(QWidget* parent = nullptr);
    ~TrpPrintForm() override;

    void FormCreate();
    void CB1Click();
    void PropButtonClick();
    void E2Click();
    void RB3Click();
    void rpSpeedButton1Click();
    void rpSpeedButton2Click();
    void done(int result) override;

    // The copies field read as a number, at least 1.
    int Copies() const;
    // The page list as the engine prints it: "" for all pages, the current page's number, or the text.
    QString PageList(int currentPage) const;

    QComboBox* CB1;
    QPushButton* PropButton;
    QLineEdit* E1;
    TrpSpeedButton* rpSpeedButton1;
    TrpSpeedButton* rpSpeedButton2;
    QRadioButton* RB1;
    QRadioButton* RB2;
    QRadioButton* RB3;
    QLineEdit* E2;
    QLabel* HintLabel;
    QPushButton* OkButton;
    QPushButton* CancelButton;

    // The printer index current when the dialog opened.
    int OldIndex = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
