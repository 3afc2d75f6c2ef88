// TCustomDBGridEx: the in-place incremental search.
#include "grid/DBGridEx.h"
#include "grid/GridGlyphs.h"
#include "grid/GridSettings.h"
#include "platform/controls/InplaceEdit.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/ScopeGuard.h"
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QPainter>

namespace {
constexpr int SearchTimerId = 2;

bool sameKey(QKeyCombination combo, int key, TShiftState shift)
{
    const TShiftState mods = shift & (ssShift | ssCtrl | ssAlt);
    return TCustomGrid::VirtualKeyOf(combo.key()) == key && TCustomGrid::ShiftOf(combo.keyboardModifiers()) == mods;
}
} // namespace

void TCustomDBGridEx::StartInplaceSearch(const QString& ss, int timeOut, TInpsDirectionEx direction)
{
    if (!linkActive())
        return;
    const int i = SelectedIndex();
    TColumnEx* column = i >= 0 && i < columns_->Count() ? columns_->Items(i) : nullptr;
    const QString old = inplaceSearchText_;
    QString n = old + ss;
    bool found = false;
    if (!n.isEmpty() && column) {
        TDataSet* ds = dataLink_.DataSet();
        const QString wanted = n.toUpper();
        const int len = int(n.size());
        // A match is the record's own text up to the length typed, in its own letter case.
        auto matches = [&] {
            const QString d = column->DisplayText();
            if (d.size() < len || d.left(len).toUpper() != wanted)
                return false;
            n = d.left(len);
            return true;
        };
        TField* field = column->GetField();
        // Searching from the first record on a plain text column the data set's own Locate answers when
        // the kept texts are stale (a record changed): the texts are taken again only when it cannot.
        const bool plain = field && field->DataType() == ftString && field->FieldKind() == fkData && !field->OnGetText
                           && column->GetColumnType() == ctCommon;
        if (direction == inpsFromFirstEx && matches()) {
            found = true;
        } else if (direction == inpsFromFirstEx && plain && !searchIndex_.Holds(ds, column)
                   && locateFromFirst(ds, field, n, matches)) {
            found = true;
        } else {
            // The records' texts come from the search index, without moving the cursor through each
            // record: the data set moves once, to the match, and hears no scroll for the records passed over.
            ds->DisableControls();
            const int saved = ds->ActiveRow();
            const rtl::TScopeGuard enable([&] { enableControlsWhileSearching(ds); });
            rtl::TScopeGuard failed([&] { ds->SetActiveRow(saved); });
            ds->CheckBrowseMode();
            const int current = ds->CurrentRow();
            const int step = direction == inpsToPriorEx ? -1 : 1;
            const int row = searchIndex_.Find(ds, column, wanted, direction == inpsFromFirstEx ? 0 : current + step,
                                              step, [&](int r) {
                                                  ds->SetActiveRow(r);
                                                  return matches();
                                              });
            found = row >= 0;
            ds->SetActiveRow(saved);
            if (found && row != current) {
                SaveBookmark();
                ds->MoveBy(row - current);
            }
            failed.Dismiss();
        }
    }
    HideEditor();
    inplaceSearching_ = true;
    inplaceSearchText_ = found ? n : old;
    InvalidateRow(Row());
    inplaceSearchTimeOut_ = timeOut;
    StartInplaceSearchTimer();
}

void TCustomDBGridEx::enableControlsWhileSearching(TDataSet* ds)
{
    inplaceSearchingInProcess_ = true;
    ds->EnableControls();
    inplaceSearchingInProcess_ = false;
}

bool TCustomDBGridEx::locateFromFirst(TDataSet* ds, TField* field, const QString& text, const std::function<bool()>& matches)
{
    const QByteArray before = ds->GetBookmark();
    ds->DisableControls();
    bool found = false;
    const rtl::TScopeGuard enable([&] { enableControlsWhileSearching(ds); });
    ds->CheckBrowseMode();
    SaveBookmark();
    found = ds->Locate(field->FieldName(), text, TLocateOptions(loCaseInsensitive) | loPartialKey) && matches();
    if (!found && ds->GetBookmark() != before)
        ds->GotoBookmark(before);
    return found;
}

void TCustomDBGridEx::StopInplaceSearch()
{
    StopInplaceSearchTimer();
    if (!inplaceSearching_)
        return;
    inplaceSearching_ = false;
    inplaceSearchText_.clear();
    InvalidateRow(Row());
    if (has(options_, dgAlwaysShowEditor) && CanEditShow())
        ShowEditor();
}

void TCustomDBGridEx::StartInplaceSearchTimer()
{
    if (inplaceSearchTimerActive_)
        StopInplaceSearchTimer();
    if (inplaceSearchTimeOut_ >= 0) {
        SetTimer(SearchTimerId, inplaceSearchTimeOut_);
        inplaceSearchTimerActive_ = true;
    }
}

void TCustomDBGridEx::StopInplaceSearchTimer()
{
    KillTimer(SearchTimerId);
    inplaceSearchTimerActive_ = false;
}

void TCustomDBGridEx::RecreateInplaceSearchIndicator()
{
    const gfx::TColor c = DBGridExSettings().InplaceSearchColor;
    const QColor back = c == gfx::clTeal ? QColor(0, 127, 127) : gfx::ToQColor(c);
    const QImage& arrow = gridglyphs::IndicatorGlyphs()[gridglyphs::ArrowOnDark];
    QImage img(arrow.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(back);
    QPainter p(&img);
    p.drawImage(0, 0, arrow);
    p.end();
    if (indicatorGlyphs_.size() == 7)
        indicatorGlyphs_.pop_back();
    indicatorGlyphs_.push_back(img);
}

bool TCustomDBGridEx::handleSearchKey(int key, TShiftState shift)
{
    const TDBGridExUnitSettings& s = DBGridExSettings();
    if (!inplaceSearching_) {
        if (has(optionsEx_, dghIncSearch) && sameKey(s.InplaceSearchKey, key, shift)) {
            StartInplaceSearch(QString(), -1, inpsFromFirstEx);
            return true;
        }
        return false;
    }
    const TShiftState mods = shift & (ssShift | ssCtrl | ssAlt);
    if (mods == 0 && (key == vk::Return || key == vk::Escape || key == vk::F2)) {
        StopInplaceSearch();
        return true;
    }
    if (mods == 0 && key == vk::Back) {
        inplaceSearchText_.chop(1);
        InvalidateRow(Row());
        StartInplaceSearchTimer();
        return true;
    }
    if (sameKey(s.InplaceSearchNextKey, key, shift) || sameKey(s.InplaceSearchPriorKey, key, shift)) {
        StartInplaceSearch(QString(), inplaceSearchTimeOut_,
                           sameKey(s.InplaceSearchNextKey, key, shift) ? inpsToNextEx : inpsToPriorEx);
        return true;
    }
    if ((mods == ssCtrl && key == 'V') || (mods == ssShift && key == vk::Insert)) {
        StartInplaceSearch(QApplication::clipboard()->text(), inplaceSearchTimeOut_, inpsFromFirstEx);
        return true;
    }
    return false;
}

bool TCustomDBGridEx::startSearchByTyping(QChar ch)
{
    if (ch.unicode() < 32)
        return false;
    if (inplaceSearching_) {
        StartInplaceSearch(QString(ch), inplaceSearchTimeOut_, inpsFromFirstEx);
        return true;
    }
    const int i = SelectedIndex();
    TColumnEx* column = i >= 0 && i < columns_->Count() ? columns_->Items(i) : nullptr;
    const bool editable = column && has(options_, dgEditing) && column->CanModify(false);
    const bool editorShown = InplaceEditor() && InplaceEditor()->isVisible();
    if ((has(optionsEx_, dghIncSearch) && !editable)
        || (has(optionsEx_, dghPreferIncSearch) && !has(options_, dgAlwaysShowEditor) && !editorShown)) {
        StartInplaceSearch(QString(ch), DBGridExSettings().InplaceSearchTimeOut, inpsFromFirstEx);
        return true;
    }
    return false;
}

void TCustomDBGridEx::drawSearchMatch(const gfx::TRect& textRect, int dx, int dy, const QString& text, TAlignment a)
{
    const QString match = text.left(inplaceSearchText_.size());
    if (match.isEmpty())
        return;
    const QFontMetrics fm(canvas_.Font().ToQFont());
    int x = textRect.Left + dx;
    if (a == taRightJustify)
        x = textRect.Right - dx - fm.horizontalAdvance(text);
    else if (a == taCenter)
        x = textRect.Left + (textRect.Width() - fm.horizontalAdvance(text)) / 2;
    const TDBGridExUnitSettings& s = DBGridExSettings();
    canvas_.Brush().SetColor(s.InplaceSearchColor);
    canvas_.Font().SetColor(s.InplaceSearchTextColor);
    canvas_.FillRect(gfx::TRect(x, textRect.Top + dy, x + fm.horizontalAdvance(match), textRect.Top + dy + fm.height()));
    canvas_.TextOut(x, textRect.Top + dy, match);
}
