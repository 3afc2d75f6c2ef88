#pragma once
// The act window of "default_mp": shows one act record and gives back what the operator typed. Its
// buttons call the controller, which keeps the act and writes it.
#include "journal/DataForm_MP.h"

#include "journal/ActWindowBase.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TVideoPhotoPanel;
class critsection_t;
namespace gfx { class TJPEGImage; }

class TfmDefault_MP_ActWindow : public TActWindowBase {
    Q_OBJECT
public:
    // photoLock: the controller's, for the photo panel.
    explicit TfmDefault_MP_ActWindow(critsection_t& photoLock);

    // Fills the controls from the act; the edits are enabled by the instrument model.
    void ShowAct(const TDataForm_MP& act);
    // The act with the ten edits and the operator taken into it.
    TDataForm_MP ActFromControls(const TDataForm_MP& act) const;
    // The still photo, or the no-photo picture for none.
    void ShowPhoto(const gfx::TJPEGImage* photo);
    // The photo panel: still photo, live video and the photo buttons.
    TVideoPhotoPanel& VideoPanel() { return *pnVideoFix; }

private:
    QGroupBox* gbDannie_s_Pribora;
    QLabel* Label31;
    QLabel* lbDATA_IZM;
    QLabel* lbPRIBOR;
    QLabel* lbIZM;
    QLabel* lbIZM_AIR;
    QLabel* lbSTAT;
    QLabel* lbnumber_zapis;
    QPushButton* bWaitNewIzm;
    QGroupBox* GroupBox3;
    QLabel* Label8;
    QLineEdit* eOBSL_FAM;
    QLineEdit* eOBSL_NAME;
    QLineEdit* eOBSL_PAT;
    QLineEdit* eMEAS_PLACE;
    QLineEdit* eOBSL_NAUTO;
    QGroupBox* GroupBox2;
    QLineEdit* eINSP_FAM;
    QLineEdit* eINSP_NAME;
    QLineEdit* eINSP_PAT;
    QLineEdit* eINSP_DEPR;
    QLineEdit* eINSP_NUMB;
    QLabel* lbOPER;
    TVideoPhotoPanel* pnVideoFix;
    QLabel* imSavePhoto;
    QPushButton* bPrintAkt;
    QPushButton* bSave;
    QPushButton* bCancel;
};
