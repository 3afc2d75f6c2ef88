#pragma once
// The report options dialog: the printer the report prints on and whether it asks for one, and two-pass
// building.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;

class TrpDocOptForm : public QDialog {
public:
    explicit TrpDocOptForm(QWidget* parent = nullptr);

    QGroupBox* GroupBox1;
    QComboBox* ComB1;
    QGroupBox* GroupBox2;
    QCheckBox* CB1;
    QCheckBox* CB2;
    QPushButton* Button1;
    QPushButton* Button2;

protected:
    void showEvent(QShowEvent* event) override;
};
