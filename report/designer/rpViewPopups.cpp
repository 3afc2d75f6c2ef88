#include "report/designer/rpViewPopups.h"

#include "report/designer/rpFmtForm.h"

#include "platform/controls/DialogPort.h"
#include "report/rpBandView.h"
#include "report/rpGlobals.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPictureView.h"
#include "report/rpStrings.h"

#include <QFontDialog>
#include <QMenu>

namespace {

// The font dialog on a copy of a font; false when cancelled.
bool fontDialog(QWidget* parent, gfx::TFont& font)
{
    QFontDialog dialog(parent);
    dialog.setCurrentFont(font.ToQFont());
    if (ctl::ExecDialog(dialog) != QDialog::Accepted)
        return false;
    const QFont chosen = dialog.selectedFont();
    font.SetName(chosen.family());
    if (chosen.pointSize() > 0)
        font.SetSize(chosen.pointSize());
    gfx::TFontStyles style = 0;
    if (chosen.bold())
        style |= gfx::fsBold;
    if (chosen.italic())
        style |= gfx::fsItalic;
    if (chosen.underline())
        style |= gfx::fsUnderline;
    if (chosen.strikeOut())
        style |= gfx::fsStrikeOut;
    font.SetStyle(style);
    return true;
}

QWidget* designerWindow()
{
    return dynamic_cast<QWidget*>(rpDesigner);
}

QList<TrpView*> selectedViews()
{
    QList<TrpView*> views;
    if (rpDesigner && rpDesigner->Page)
        for (TrpView* v : rpDesigner->Page->Objects)
            if (v->Selected)
                views.append(v);
    return views;
}

enum TargetKind { OnSelection, OnOwnBand };

// A check item for one bit of Flags, checked when the owner has it.
QAction* flagItem(QMenu* popup, TrpView* owner, int text, quint16 bit, bool redraw, TargetKind target = OnSelection)
{
    QAction* item = popup->addAction(rpLoadStr(text));
    item->setCheckable(true);
    item->setChecked(owner->Flags & bit);
    QObject::connect(item, &QAction::triggered, popup, [owner, bit, redraw, target](bool checked) {
        if (!rpDesigner)
            return;
        rpDesigner->BeforeChange();
        const QList<TrpView*> views = target == OnOwnBand ? QList<TrpView*>{owner} : selectedViews();
        for (TrpView* v : views)
            v->Flags = quint16((v->Flags & ~bit) | (checked ? bit : 0));
        if (redraw)
            rpDesigner->AfterChange();
    });
    return item;
}

void defineViewPopup(TrpView* view, QMenu* popup)
{
    popup->addSeparator();
    flagItem(popup, view, 55190, 1, true);
}

void variableFormat(TrpMemoView* owner)
{
    if (!rpDesigner)
        return;
    rpDesigner->BeforeChange();
    qint32 format = owner->Format;
    QString formatStr = owner->FormatStr;
    if (!TrpFmtForm::Edit(format, formatStr, designerWindow()))
        return;
    for (TrpView* v : selectedViews()) {
        v->Format = format;
        v->FormatStr = formatStr;
    }
}

void chooseFont(TrpMemoView* owner)
{
    if (!rpDesigner)
        return;
    rpDesigner->BeforeChange();
    gfx::TFont font = owner->Font;
    if (fontDialog(designerWindow(), font)) {
        // Only what the user changed goes to every view; the rest keeps each view's own value.
        const gfx::TFont was = owner->Font;
        for (TrpView* v : selectedViews()) {
            auto* m = dynamic_cast<TrpMemoView*>(v);
            if (!m)
                continue;
            if (font.Name() != was.Name())
                m->Font.SetName(font.Name());
            if (font.Size() != was.Size())
                m->Font.SetSize(font.Size());
            if (font.Color() != was.Color())
                m->Font.SetColor(font.Color());
            if (font.Style() != was.Style())
                m->Font.SetStyle(font.Style());
            if (font.Charset() != was.Charset())
                m->Font.SetCharset(font.Charset());
        }
    }
    rpDesigner->AfterChange();
}

void defineMemoPopup(TrpMemoView* memo, QMenu* popup)
{
    QObject::connect(popup->addAction(rpLoadStr(55191)), &QAction::triggered, popup, [memo] { variableFormat(memo); });
    QObject::connect(popup->addAction(rpLoadStr(55334)), &QAction::triggered, popup, [memo] { chooseFont(memo); });
    defineViewPopup(memo, popup);
    flagItem(popup, memo, 55192, 2, true);
    if (const QString extra = rpLoadStr(55193); !extra.isEmpty()) {
        QAction* item = flagItem(popup, memo, 55193, 4, true);
        item->setEnabled(memo->Flags & 2);
        item->setChecked(item->isEnabled() && (memo->Flags & 4));
    }
    flagItem(popup, memo, 55335, 8, true);
}

void definePicturePopup(TrpPictureView* picture, QMenu* popup)
{
    defineViewPopup(picture, popup);
    flagItem(popup, picture, 55197, 2, true);
    QAction* aspect = flagItem(popup, picture, 55198, 4, true);
    aspect->setEnabled(picture->Flags & 1);
    aspect->setChecked(aspect->isEnabled() && (picture->Flags & 4));
}

constexpr unsigned types(std::initializer_list<int> list)
{
    unsigned set = 0;
    for (int t : list)
        set |= 1u << t;
    return set;
}

constexpr unsigned range(int from, int to)
{
    unsigned set = 0;
    for (int t = from; t <= to; ++t)
        set |= 1u << t;
    return set;
}

// Which band types get which item.
struct TrpBandItem {
    int Text;
    quint16 Bit;
    unsigned BandTypes;
    TargetKind Target;
};
constexpr TrpBandItem bandItems[] = {
    {55190, 1, types({0, 1, 2, 16, 17, 18}) | range(4, 12), OnSelection},
    {55194, 2, types({0, 1, 5, 6, 8, 9, 11, 12, 16}), OnSelection},
    {55195, 4, types({5, 8}), OnSelection},
    {55196, 8, types({0, 1, 16, 17}) | range(4, 12), OnSelection},
    {55230, 16, types({2, 3}), OnOwnBand},
    {55231, 32, types({3}), OnOwnBand},
    {55232, 64, types({4, 7, 10, 16, 18}), OnOwnBand},
};

void defineBandPopup(TrpBandView* band, QMenu* popup)
{
    const unsigned type = 1u << band->GetBandType();
    for (const TrpBandItem& item : bandItems) {
        if (!(item.BandTypes & type))
            continue;
        if (item.Text == 55190)
            popup->addSeparator();
        flagItem(popup, band, item.Text, item.Bit, false, item.Target);
    }
}

} // namespace

void rpDefinePopupMenu(TrpView* view, QMenu* popup)
{
    if (auto* band = dynamic_cast<TrpBandView*>(view))
        defineBandPopup(band, popup);
    else if (auto* memo = dynamic_cast<TrpMemoView*>(view))
        defineMemoPopup(memo, popup);
    else if (auto* picture = dynamic_cast<TrpPictureView*>(view))
        definePicturePopup(picture, popup);
    else
        defineViewPopup(view, popup);
}
