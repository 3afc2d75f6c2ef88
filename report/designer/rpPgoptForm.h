#pragma once
// The page options dialog: paper and orientation, margins, columns and printing on the previous page.
// Lengths are shown in whole millimetres.
#include "platform/graphics/Geometry.h"

#include <QDialog>
#include <QList>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;
class TrpPage;

// What the dialog sets on a page (lengths in design pixels, paper in tenths of a millimetre).
struct TrpPageSettings {
    bool PrintToPrevPage = false;
    bool UseMargins = true;
    int Orientation = 0;
    int PaperCode = 9;
    int Width = 0;
    int Height = 0;
    gfx::TRect Margins;
    int ColGap = 0;
    int ColCount = 1;
};

class TrpPgoptForm : public QDialog {
public:
    explicit TrpPgoptForm(QWidget* parent = nullptr);

    void Load(const TrpPage& page);
    // Reads every field; false (with the offending field reported and focused) when one is not a whole
    // number. Nothing is read into settings then.
    bool Read(TrpPageSettings& settings);

    void ComB1Click();
    void CB5Click();
    void RB1Click();
    void SB1Click();
    void SB2Click();

    QTabWidget* PageControl1;
    QGroupBox *GroupBox1, *GroupBox2, *GroupBox3, *GroupBox4, *GroupBox5;
    QRadioButton *RB1, *RB2;
    QLabel *imgPortrait, *imgLandScape;
    QComboBox* ComB1;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8;
    QLineEdit *E1, *E2, *E3, *E4, *E5, *E6, *E7, *Edit1;
    QCheckBox *CB1, *CB5;
    QToolButton *SB1, *SB2;
    QPushButton *Button1, *Button2;
    TrpPageSettings Settings; // what OK read

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
};
