#pragma once
// The designer options dialog: grid, units, how moved objects are drawn, and a few preferences.
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QTabWidget;

class TrpDesOptionsForm : public QDialog {
public:
    explicit TrpDesOptionsForm(QWidget* parent = nullptr);

    QTabWidget* PageControl1;
    QGroupBox *GroupBox1, *GroupBox2, *GroupBox3, *GroupBox4, *GroupBox5;
    QCheckBox *CB1, *CB2, *CB3, *CB4, *CB5;
    QRadioButton *RB1, *RB2, *RB3, *RB4, *RB5, *RB6, *RB7, *RB8;
    QPushButton* Button1;
    QPushButton* Button2;
};
