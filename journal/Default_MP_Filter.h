#pragma once
// The filter dialog of the "default_mp" journal: edits a copy of the controller's filter record.
#include "journal/Filter.h"

#include <QDialog>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TfmDefault_MP_Filter : public QDialog {
    Q_OBJECT
public:
    explicit TfmDefault_MP_Filter(QWidget* owner = nullptr);

    // Keeps a copy of the record and sets the controls from it.
    void Load(const TFilter& filter);
    // The copy as the last "ок" left it.
    TFilter Store() const { return Filter; }

    void bOKClick();
    void bCancelClick();
    void cbfDate_activeClick();
    void rbTodayClick();
    void rbDateClick();
    void rbDateFiltrClick();
    void cbfFam_activeClick();
    void cbfPribor_activeClick();
    void cbfMinMax_activeClick();

    QCheckBox* cbfDate_active;
    QRadioButton* rbToday;
    QRadioButton* rbDate;
    QRadioButton* rbDateFiltr;
    QLabel* lDate1;
    QLabel* lDate2;
    QDateEdit* cbDateMin;
    QDateEdit* cbDateMax;
    QCheckBox* cbfFam_active;
    QLineEdit* efFam;
    QCheckBox* cbfPribor_active;
    QLineEdit* efPribor;
    QCheckBox* cbfMinMax_active;
    QLabel* Label1;
    QLineEdit* efMin;
    QLabel* Label2;
    QLineEdit* efMax;
    QLabel* Label3;
    QPushButton* bOK;
    QPushButton* bCancel;

private:
    TFilter Filter;
};
