#pragma once
// The act window of "default": the person examined and the instrument's data of one record, or the
// description of an interlock event. Its buttons call the controller, which keeps the act and writes it.
#include "journal/DataForm.h"

#include "journal/ActWindowBase.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TfmDefault_ActWindow : public TActWindowBase {
    Q_OBJECT
public:
    TfmDefault_ActWindow();

    // Fills the controls from the act: a measurement, or an event (PAGE_FOOT '1').
    void ShowAct(const TDataForm& act);
    // The act with the three edits and the operator taken into it.
    TDataForm ActFromControls(const TDataForm& act) const;
    // The event's description as the act shows it: a line break after every 43 characters.
    static QString EventLabel(int32_t code);
    // The surnames typed into the simulation group: the person examined and the inspector.
    QString SimulatedSurname() const;
    QString SimulatedInspector() const;

    // The simulation group's button.
    std::function<void()> OnSimulate;

private:
    QLabel* lb_lbOPER;
    QLabel* lbOPER;
    QLabel* imSavePhoto;
    QPushButton* bFixPhoto;
    QPushButton* bNewPhoto;
    QGroupBox* GroupBox3;
    QLabel* Label8;
    QLabel* Label9;
    QLabel* Label10;
    QLineEdit* eOBSL_FAM;
    QLineEdit* eOBSL_NAME;
    QLineEdit* eOBSL_PAT;
    QGroupBox* gbDannie_s_Pribora;
    QLabel* Label31;
    QLabel* lbDATA_IZM;
    QLabel* lbPRIBOR;
    QLabel* lbIZM;
    QLabel* lbSTAT;
    QLabel* lbnumber_zapis;
    QPushButton* bWaitNewIzm;
    QPushButton* bPrintAkt;
    QPushButton* bSave;
    QPushButton* bCancel;
    QGroupBox* GroupBox1;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QPushButton* Button1;
};
