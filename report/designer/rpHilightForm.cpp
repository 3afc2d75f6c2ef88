#include "report/designer/rpHilightForm.h"

#include "platform/controls/FormFont.h"
#include "report/designer/rpDesignerDialogs.h"
#include "report/designer/rpDesignerForm.h"
#include "report/rpGlobals.h"
#include "report/rpMemoView.h"
#include "report/rpStrings.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TrpHilightForm::TrpHilightForm(QWidget* parent) : QDialog(parent)
{
    ctl::SetFormFont(this);
    setObjectName(QStringLiteral("TrpHilightForm"));
    setWindowTitle(rpLoadStr(53520));
    GroupBox3 = new QGroupBox(rpLoadStr(53521), this);
    Edit1 = new QLineEdit(GroupBox3);
    GroupBox1 = new QGroupBox(rpLoadStr(53522), this);
    CB1 = new QCheckBox(rpLoadStr(53524), GroupBox1);
    CB2 = new QCheckBox(rpLoadStr(53525), GroupBox1);
    CB3 = new QCheckBox(rpLoadStr(53526), GroupBox1);
    SpeedButton1 = new QPushButton(rpLoadStr(53523), GroupBox1);
    GroupBox2 = new QGroupBox(rpLoadStr(53527), this);
    RB1 = new QRadioButton(rpLoadStr(53529), GroupBox2);
    RB2 = new QRadioButton(rpLoadStr(53530), GroupBox2);
    SpeedButton2 = new QPushButton(rpLoadStr(53528), GroupBox2);

    (new QHBoxLayout(GroupBox3))->addWidget(Edit1);
    auto* font = new QVBoxLayout(GroupBox1);
    font->addWidget(CB1);
    font->addWidget(CB2);
    font->addWidget(CB3);
    font->addWidget(SpeedButton1);
    font->addStretch(1);
    auto* back = new QVBoxLayout(GroupBox2);
    back->addWidget(RB1);
    back->addWidget(RB2);
    back->addWidget(SpeedButton2);
    back->addStretch(1);
    auto* groups = new QHBoxLayout;
    groups->addWidget(GroupBox1, 1);
    groups->addWidget(GroupBox2, 1);
    QHBoxLayout* buttons = rpOkCancelRow(this, Button3, Button4, "Button3", "Button4");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox3);
    layout->addLayout(groups, 1);
    layout->addLayout(buttons);
    setMinimumWidth(320);

    connect(RB1, &QRadioButton::clicked, this, [this] { RBClick(); });
    connect(RB2, &QRadioButton::clicked, this, [this] { RBClick(); });
    connect(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SpeedButton2, &QPushButton::clicked, this, [this] { SpeedButton2Click(); });
}

void TrpHilightForm::showEvent(QShowEvent* event)
{
    FormActivate();
    QDialog::showEvent(event);
}

void TrpHilightForm::showColors()
{
    // The same swatches as the designer's font and fill colour buttons.
    SpeedButton1->setIcon(QIcon(QPixmap::fromImage(rpSwatchGlyph(QStringLiteral("A"), FontColor).copy(0, 0, 16, 16))));
    SpeedButton2->setIcon(QIcon(QPixmap::fromImage(rpSwatchGlyph(QStringLiteral("Bg"), FillColor).copy(0, 0, 16, 16))));
}

void TrpHilightForm::FormActivate()
{
    showColors();
    (FillColor != gfx::clNone ? RB2 : RB1)->setChecked(true);
    RBClick();
}

void TrpHilightForm::RBClick()
{
    SpeedButton2->setEnabled(RB2->isChecked());
    if (RB1->isChecked()) {
        FillColor = gfx::clNone;
        showColors();
    }
}

bool TrpHilightForm::chooseColor(gfx::TColor& color)
{
    const QColor start = color == gfx::clNone ? QColor(Qt::white) : gfx::ToQColor(color);
    QColorDialog dialog(start, this);
    if (ctl::ExecDialog(dialog) != Accepted)
        return false;
    color = gfx::FromQColor(dialog.currentColor());
    showColors();
    return true;
}

void TrpHilightForm::SpeedButton1Click()
{
    chooseColor(FontColor);
}

void TrpHilightForm::SpeedButton2Click()
{
    chooseColor(FillColor);
}

bool TrpHilightForm::EditHighlight(TrpMemoView* view, QWidget* parent)
{
    if (!view)
        return false;
    TrpHilightForm form(parent);
    form.Edit1->setText(view->HighlightStr);
    form.FontColor = view->HighlightFontColor;
    form.FillColor = view->HighlightFillColor;
    form.CB1->setChecked(view->HighlightFontStyle & 2);
    form.CB2->setChecked(view->HighlightFontStyle & 1);
    form.CB3->setChecked(view->HighlightFontStyle & 4);
    if (ctl::ExecDialog(form) != Accepted)
        return false;
    if (rpDesigner)
        rpDesigner->BeforeChange();
    view->HighlightStr = form.Edit1->text();
    view->HighlightFontColor = form.FontColor;
    view->HighlightFillColor = form.FillColor;
    view->HighlightFontStyle = quint16((view->HighlightFontStyle & ~7) | (form.CB1->isChecked() ? 2 : 0) | (form.CB2->isChecked() ? 1 : 0) |
                                       (form.CB3->isChecked() ? 4 : 0));
    return true;
}
