#pragma once
// The highlight editor of a text view: the condition, and the font style, font colour and background
// colour used while the condition holds (clNone is a transparent background).
#include "platform/graphics/Color.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TrpMemoView;

class TrpHilightForm : public QDialog {
public:
    explicit TrpHilightForm(QWidget* parent = nullptr);

    // Shows the colours on their buttons and the background choice (on showing).
    void FormActivate();
    // SpeedButton2 only with "Other" checked; "Transparent" drops the background colour.
    void RBClick();
    void SpeedButton1Click();
    void SpeedButton2Click();

    // The editor on view's highlight; on OK one undo step and the values go back into the view.
    static bool EditHighlight(TrpMemoView* view, QWidget* parent = nullptr);

    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QGroupBox* GroupBox3;
    QCheckBox* CB1;
    QCheckBox* CB2;
    QCheckBox* CB3;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* SpeedButton1;
    QPushButton* SpeedButton2;
    QRadioButton* RB1;
    QRadioButton* RB2;
    QLineEdit* Edit1;

    gfx::TColor FontColor = gfx::clBlack;
    gfx::TColor FillColor = gfx::clNone;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showColors();
    // A colour dialog from color; false when cancelled.
    bool chooseColor(gfx::TColor& color);
};
