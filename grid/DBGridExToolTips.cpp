// TCustomDBGridEx: the cell tool tips. A title or data cell whose text does not fit shows the whole text
// over the cell, at once and in the cell's font.
#include "grid/ColumnEx.h"
#include "grid/DBGridEx.h"
#include "grid/HeadTreeNode.h"
#include "grid/ToolTipsWindow.h"
#include "platform/data/Field.h"
#include "platform/rtl/ScopeGuard.h"
#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>

namespace {
// The text stands this far in from the cell's left edge, as the cells draw it.
constexpr int kTextMargin = 2;

// Where the drawn text starts, as the cell writers place it.
int textStart(const QRect& cell, int width, int textWidth, TAlignment a)
{
    switch (a) {
    case taRightJustify: return cell.left() + width - textWidth - 3;
    case taCenter: return cell.left() + width / 2 - textWidth / 2;
    default: return cell.left();
    }
}
} // namespace

int TCustomDBGridEx::CMHintsShowPause(const QPoint& pos, int pause)
{
    const TGridCoord cell = MouseCoord(pos.x(), pos.y());
    const int dc = RawToDataColumn(cell.X);
    if (cell.X < 0 || cell.Y < 0 || dc < 0 || dc >= columns_->Count())
        return pause;
    TColumnEx* column = columns_->Items(dc);
    const int dr = cell.Y - titleOffset_;
    if (has(options_, dgTitles) && cell.Y == 0)
        return column->Title().ToolTips() && column->Title().Hint().isEmpty() ? 0 : pause;
    if (dr >= 0 && dr < dataLink_.RecordCount() && linkActive() && column->ToolTips())
        return 0;
    return pause;
}

bool TCustomDBGridEx::CMHintShow(THintInfo& info)
{
    if (!isVisible() || !isEnabled())
        return false;
    const TGridCoord cell = MouseCoord(info.CursorPos.x(), info.CursorPos.y());
    const int dc = RawToDataColumn(cell.X);
    if (cell.X < 0 || cell.Y < 0 || dc < 0 || dc >= columns_->Count())
        return false;
    TColumnEx* column = columns_->Items(dc);
    const QRect cellRect = CellRect(cell.X, cell.Y);
    const bool title = has(options_, dgTitles) && cell.Y == 0;
    const int dr = cell.Y - titleOffset_;
    if (title && !column->Title().Hint().isEmpty()) {
        info.HintStr = column->Title().Hint();
        info.CursorRect = cellRect;
        info.HintPos = viewport()->mapToGlobal(cellRect.bottomLeft());
        info.HintData = nullptr;
        info.HintMaxWidth = 0;
        return true;
    }
    if (title ? !column->Title().ToolTips()
              : !(dr >= 0 && dr < dataLink_.RecordCount() && linkActive() && column->ToolTips()))
        return false;
    if (info.Buttons != Qt::NoButton || (info.Modifiers & Qt::ControlModifier))
        return false;

    gfx::TFont font;
    QString text;
    TAlignment alignment = taLeftJustify;
    bool wrap = false, neverFits = false;
    QRect rect = cellRect;
    int width = rect.width();
    if (title) {
        TColumnTitleEx& t = column->Title();
        font.Assign(t.GetFont());
        alignment = t.Alignment();
        const int marking = t.GetSortMarkingWidth();
        if (marking > 2)
            width -= marking - 2;
        if (THeadTreeNode* leaf = useMultiTitle_ ? TitleLeaf(dc) : nullptr) {
            text = leaf->Text;
            rect.setTop(std::max(rect.top(), rect.bottom() + 1 - leaf->Height));
            wrap = true;
        } else {
            text = t.Caption();
            wrap = titleHeight_ != 0 || titleLines_ != 0;
        }
    } else {
        const int saved = dataLink_.ActiveRecord();
        dataLink_.SetActiveRecord(dr);
        const rtl::TScopeGuard activeBack([&] { dataLink_.SetActiveRecord(saved); });
        const TColumnExType type = column->GetColumnType();
        if (type == ctCheckboxes || type == ctKeyPickList) {
            TField* f = column->Field();
            const int index = type == ctCheckboxes ? int(column->GetCheckboxState())
                                                   : int(column->KeyList().indexOf(f ? f->AsString() : QString()));
            text = index >= 0 && index < column->PickList().size() ? column->PickList()[index] : QString();
            neverFits = true;
        } else {
            alignment = column->Alignment();
            if (column->Field())
                text = column->DisplayText();
        }
        if (column->AlwaysShowEditButton())
            width -= column->EditButtonsWidth();
        wrap = column->WordWrap() && multiLineRows_;
        font.Assign(column->Font());
        gfx::TColor background = column->Color();
        GetCellParams(column, font, background, 0);
    }
    if (text.isEmpty())
        return false;
    int height = rect.height();
    if (title && column->Title().Orientation() == tohVertical)
        std::swap(width, height);

    const QFontMetrics fm(font.ToQFont());
    const int room = width - 2 - kTextMargin;
    const QRect measured = wrap ? fm.boundingRect(QRect(0, 0, std::max(1, room), 1 << 20), Qt::TextWordWrap, text)
                                : QRect(0, 0, fm.horizontalAdvance(text), fm.height());
    bool fits = !neverFits && measured.width() <= room && measured.height() <= height;
    if (fits && alignment == taCenter && measured.width() >= width - 2)
        fits = false;
    if (fits)
        return false;

    if (!hintFont_)
        hintFont_ = std::make_unique<gfx::TFont>();
    hintFont_->Assign(font);
    QPoint pos(textStart(rect, width, measured.width(), alignment), rect.top());
    if (layoutDirection() == Qt::RightToLeft)
        pos.setX(rect.right() - (pos.x() - rect.left()));
    info.HintStr = text;
    info.CursorRect = cellRect;
    info.HintPos = viewport()->mapToGlobal(pos);
    info.HintData = hintFont_.get();
    info.HintMaxWidth = wrap ? cellRect.width() - 4 : 0;
    return true;
}

void TCustomDBGridEx::showHint(const THintInfo& info)
{
    if (!toolTip_)
        toolTip_ = std::make_unique<TToolTipsWindow>(this);
    QRect r = toolTip_->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData ? *info.HintData : Font());
    r.moveTopLeft(info.HintPos);
    toolTip_->ActivateHint(r, info.HintStr);
    hintRect_ = info.CursorRect;
}

void TCustomDBGridEx::hideHint()
{
    if (toolTip_)
        toolTip_->hide();
    hintRect_ = QRect();
}

TToolTipsWindow* TCustomDBGridEx::ToolTipWindow() const
{
    return toolTip_ && toolTip_->isVisible() ? toolTip_.get() : nullptr;
}

void TCustomDBGridEx::trackHint(const QMouseEvent& e)
{
    const QPoint pos = e.position().toPoint();
    if (hintRect_.contains(pos) && e.buttons() == Qt::NoButton && !(e.modifiers() & Qt::ControlModifier))
        return;
    hideHint();
    if (CMHintsShowPause(pos, -1) != 0)
        return;
    THintInfo info;
    info.CursorPos = pos;
    info.Buttons = e.buttons();
    info.Modifiers = e.modifiers();
    if (CMHintShow(info))
        showHint(info);
}

bool TCustomDBGridEx::viewportEvent(QEvent* e)
{
    switch (e->type()) {
    case QEvent::ToolTip: {
        THintInfo info;
        info.CursorPos = static_cast<QHelpEvent*>(e)->pos();
        info.Buttons = QApplication::mouseButtons();
        info.Modifiers = QApplication::keyboardModifiers();
        if (CMHintShow(info))
            showHint(info);
        return true;
    }
    case QEvent::MouseMove:
        trackHint(*static_cast<QMouseEvent*>(e));
        break;
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
        hideHint();
        break;
    default:
        break;
    }
    return TCustomGrid::viewportEvent(e);
}
