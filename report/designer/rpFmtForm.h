#pragma once
// The display format editor of a text view: the 32-bit format code (category, format, decimal digits,
// fraction symbol) and the custom format text.
#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

class TrpFmtForm : public QDialog {
public:
    explicit TrpFmtForm(QWidget* parent = nullptr);

    // Fills the controls from Format (on showing).
    void FormActivate();
    void ComboBox1Click();
    void ComboBox2Click();
    void Edit3Change();
    void SplEditChange();
    // Panel2 for a custom format, else Panel1 for numbers.
    void ShowPanels();
    // False (with a message) when the decimal digits are not a whole number from 0 to 255.
    bool DecimalsValid();
    void done(int result) override;

    // The editor on a format code and text; true when accepted (both then hold the new values).
    static bool Edit(qint32& format, QString& formatStr, QWidget* parent = nullptr);

    QGroupBox* GroupBox2;
    QComboBox* ComboBox1;
    QComboBox* ComboBox2;
    QWidget* Panel1;
    QLabel* Label5;
    QLabel* Label6;
    QLineEdit* SplEdit;
    QPushButton* Button1;
    QPushButton* Button2;
    QWidget* Panel2;
    QLineEdit* Edit1;
    QLabel* Label1;
    QLineEdit* Edit3;

    // The code being edited; bits 28..31 are kept as they come.
    qint32 Format = 0;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setBits(int shift, int value);
    void listFormats();
    bool busy_ = false;
};
