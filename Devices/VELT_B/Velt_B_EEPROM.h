#pragma once
// The memory download window of the request-and-answer drivers: progress, the instrument, and the two buttons
// the driver waits for ("Получить от прибора"/"Загрузить", then "Передать"; "Отмена").
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <atomic>

class TfmVelt_B_EEPROM : public QDialog {
    Q_OBJECT
public:
    // go: where the buttons put 1 (go) or -1 (cancel); closing the window counts as cancel.
    explicit TfmVelt_B_EEPROM(std::atomic<int>* go);

    QGroupBox* GroupBox1;
    QLabel *Label1, *lbCountRec, *Label2, *lbFullRec, *Label7, *lbState;
    QWidget* Panel1;
    QPushButton *bActions, *bCancel;
    QCheckBox* cbAfterSend;
    QGroupBox* GroupBox2;
    QLabel *Label8, *lbCOMport, *Label3, *lbNamePribor, *Label4, *lbSerialNum, *Label5, *lbDatePover, *Label6,
        *lbAllLifeZapis;

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    std::atomic<int>* go_;
};

// The interlock's window: the same window under its own name.
class TfmVelt_B_ALKOZAMOK_EEPROM : public TfmVelt_B_EEPROM {
    Q_OBJECT
public:
    using TfmVelt_B_EEPROM::TfmVelt_B_EEPROM;
};
