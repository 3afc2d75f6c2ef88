// Commands of the designer on the views of the current page: the private clipboard, the order of the
// views, fitting to the grid, the alignment palette, the keyboard and the selection status.
#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpEditorForm.h"
#include "report/designer/rpEvForm.h"
#include "report/designer/rpHilightForm.h"
#include "report/designer/rpDesignerPage.h"
#include "report/designer/rpInspForm.h"
#include "report/rpBandView.h"
#include "report/rpCtrls.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpReport.h"
#include "report/rpSubReportView.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace {

bool isBand(const TrpView* v)
{
    return v->Typ == gtBand;
}

int bandTypeOf(const TrpView* v)
{
    return v->FrameTyp & 0xFF;
}

// Band types that may stand more than once on a page.
bool repeatable(int bandType)
{
    return (bandType >= btMasterHeader && bandType <= btSubDetailFooter) || bandType == btGroupHeader ||
           bandType == btGroupFooter;
}

} // namespace

// ---- selection ----------------------------------------------------------------------------------------

void TrpDesignerForm::Unselect()
{
    if (Page)
        for (TrpView* v : objects())
            v->Selected = false;
    SelectedCount = 0;
}

void TrpDesignerForm::SelectAll()
{
    SelectedCount = 0;
    if (Page)
        for (TrpView* v : objects()) {
            v->Selected = true;
            ++SelectedCount;
        }
}

void TrpDesignerForm::ResetSelection()
{
    Unselect();
    ReferenceView = nullptr;
    PageSurface->GetMultipleSelected();
    EnableControls();
    ShowPosition();
}

int TrpDesignerForm::TopSelectedIndex() const
{
    if (!Page)
        return -1;
    const QList<TrpView*>& objs = objects();
    for (int i = int(objs.size()) - 1; i >= 0; --i)
        if (objs[i]->Selected)
            return i;
    return int(objs.size()) - 1;
}

TrpSelectionStatus TrpDesignerForm::SelStatus() const
{
    TrpSelectionStatus s = 0;
    if (SelectedCount == 1 && Page) {
        for (const TrpView* v : objects())
            if (v->Selected) {
                s = isBand(v) ? ssBand : dynamic_cast<const TrpMemoView*>(v) ? ssMemo : ssOther;
                break;
            }
    } else if (SelectedCount > 1) {
        s = ssMultiple;
    }
    if (!PasteList.isEmpty())
        s |= ssClipboardFull;
    return s;
}

bool TrpDesignerForm::RectTypEnabled() const
{
    return SelStatus() & (ssMemo | ssOther | ssMultiple);
}

bool TrpDesignerForm::FontTypEnabled() const
{
    return SelStatus() & (ssMemo | ssMultiple);
}

bool TrpDesignerForm::ZEnabled() const
{
    return SelStatus() & (ssBand | ssMemo | ssOther | ssMultiple);
}

bool TrpDesignerForm::PasteEnabled() const
{
    return SelStatus() & ssClipboardFull;
}

bool TrpDesignerForm::EditEnabled() const
{
    return SelStatus() & (ssBand | ssMemo | ssOther);
}

void TrpDesignerForm::EnableControls()
{
    auto set = [this](std::initializer_list<QObject*> controls, bool on) {
        for (QObject* c : controls)
            setEnabled(c, on);
    };
    set({FrB1, FrB2, FrB3, FrB4, FrB5, FrB6, ClB1, ClB3, E1, SB1, SB2, StB1}, RectTypEnabled());
    set({ClB2, C2, C3, FnB1, FnB2, FnB3, AlB1, AlB2, AlB3, AlB4, AlB5, AlB6, AlB7, AlB8, HlB1}, FontTypEnabled());
    set({ZB1, ZB2, N32, N33, GB3}, ZEnabled());
    set({CutB, N11, N2}, CutEnabled());
    set({CopyB, N12, N1}, CopyEnabled());
    set({PstB, N13, N3}, PasteEnabled());
    set({N27, N5}, DelEnabled());
    set({N36, N6}, EditEnabled());
    InspForm->EnableItem(6, EditEnabled());
    if (!C2->isEnabled()) {
        C2->setCurrentIndex(-1);
        C3->setEditText(QString());
    }
    RepaintPositionBox();
}

QRegion TrpDesignerForm::BuildSelectionRegion() const
{
    QRegion r;
    if (Page)
        for (TrpView* v : objects())
            if (v->Selected)
                r += v->GetClipRgn(rtExtended);
    return r;
}

void TrpDesignerForm::redrawSelection(const QRegion& region)
{
    PageSurface->Draw(TopSelectedIndex(), &region);
}

void TrpDesignerForm::GetDefaultSize(int& w, int& h) const
{
    w = GridSize == 18 ? 108 : 96;
    h = 18;
    if (LastStyle.FontSize == 12 || LastStyle.FontSize == 13)
        h = 20;
    else if (LastStyle.FontSize >= 14 && LastStyle.FontSize <= 16)
        h = 24;
}

// ---- clipboard ----------------------------------------------------------------------------------------

void TrpDesignerForm::CopyToClipboard()
{
    rpClearPasteList();
    for (TrpView* v : objects())
        if (v->Selected) {
            PasteList.append(rpCreateObject(v->Typ, v->ClassName()).release());
            PasteList.last()->Assign(*v);
        }
}

void TrpDesignerForm::CutToClipboard()
{
    CopyToClipboard();
    QList<TrpView*>& objs = objects();
    for (int i = int(objs.size()) - 1; i >= 0; --i)
        if (objs[i]->Selected)
            delete objs.takeAt(i);
    SelectedCount = 0;
}

void TrpDesignerForm::CopyBClick()
{
    if (!Page)
        return;
    CopyToClipboard();
    EnableControls();
}

void TrpDesignerForm::CutBClick()
{
    if (!Page)
        return;
    AddUndoAction(acDelete);
    CutToClipboard();
    ReferenceView = nullptr;
    SetPageTitles();
    ResetSelection();
    RedrawPage();
}

void TrpDesignerForm::PstBClick()
{
    if (!Page)
        return;
    Unselect();
    int minX = 32767, minY = 32767;
    for (const TrpView* c : PasteList) {
        minX = std::min(minX, c->x);
        minY = std::min(minY, c->y);
    }
    const int g = GridSize;
    const int sx = ScrollBox1->horizontalScrollBar()->value() / g * g;
    const int sy = ScrollBox1->verticalScrollBar()->value() / g * g;
    for (TrpView* c : PasteList) {
        if (isBand(c) && !repeatable(bandTypeOf(c)) && rpCheckBand(bandTypeOf(c)))
            continue;
        c->x = c->x - minX + sx;
        c->y = c->y - minY + sy;
        ++SelectedCount;
        std::unique_ptr<TrpView> v = rpCreateObject(c->Typ, c->ClassName());
        v->Assign(*c);
        v->Selected = true;
        if (Report() && Report()->FindObject(v->Name))
            v->CreateUniqueName();
        objects().append(v.release());
    }
    SelectionChanged();
    SendBandsToBack();
    PageSurface->GetMultipleSelected();
    SetPageTitles();
    RedrawPage();
    AddUndoAction(acInsert);
}

void TrpDesignerForm::SelAllBClick()
{
    if (!Page)
        return;
    PageSurface->ShowMarks(false);
    SelectAll();
    PageSurface->GetMultipleSelected();
    PageSurface->ShowMarks(true);
    SelectionChanged();
}

// ---- order --------------------------------------------------------------------------------------------

void TrpDesignerForm::ZB1Click()
{
    if (!Page)
        return;
    AddUndoAction(acZOrder);
    QList<TrpView*>& objs = objects();
    const int n = int(objs.size());
    for (int step = 0, i = 0; step < n; ++step) {
        if (objs[i]->Selected)
            objs.append(objs.takeAt(i));
        else
            ++i;
    }
    SendBandsToBack();
    PageSurface->GetMultipleSelected();
    RedrawPage();
}

void TrpDesignerForm::ZB2Click()
{
    if (!Page)
        return;
    AddUndoAction(acZOrder);
    QList<TrpView*>& objs = objects();
    const int n = int(objs.size());
    for (int step = 0, i = n - 1; step < n; ++step) {
        if (objs[i]->Selected)
            objs.prepend(objs.takeAt(i));
        else
            --i;
    }
    SendBandsToBack();
    PageSurface->GetMultipleSelected();
    RedrawPage();
}

void TrpDesignerForm::SendBandsToBack()
{
    if (!Page)
        return;
    QList<TrpView*>& objs = objects();
    const int n = int(objs.size());
    int bands = 0;
    for (int step = 0, i = n - 1; step < n && i >= 0; ++step) {
        if (isBand(objs[i])) {
            objs.prepend(objs.takeAt(i));
            ++bands;
        } else {
            --i;
        }
    }
    for (int i = 0; i < bands; ++i)
        if (bandTypeOf(objs[i]) == btOverlay) {
            objs.prepend(objs.takeAt(i));
            break;
        }
    for (int step = 0, j = 0; step < n && j < n; ++step) {
        const int t = isBand(objs[j]) ? bandTypeOf(objs[j]) : -1;
        if (t >= btCrossHeader && t <= btCrossFooter)
            objs.move(j, bands - 1);
        else
            ++j;
    }
}

bool TrpDesignerForm::rpCheckBand(int bandType) const
{
    if (Page)
        for (const TrpView* v : objects())
            if (isBand(v) && bandTypeOf(v) == bandType)
                return true;
    return false;
}

int TrpDesignerForm::FirstFreeBandType() const
{
    for (int t = btReportTitle; t <= btCrossFooter; ++t)
        if (!rpCheckBand(t))
            return t;
    return btMasterData;
}

void TrpDesignerForm::GB3Click()
{
    if (!Page)
        return;
    AddUndoAction(acEdit);
    const int g = GridSize;
    auto fit = [g](int v) { return rpRound(double(v) / g) * g; };
    for (TrpView* v : objects())
        if (v->Selected) {
            v->x = fit(v->x);
            v->y = fit(v->y);
            v->dx = fit(v->dx);
            v->dy = fit(v->dy);
            if (v->dx == 0)
                v->dx = g;
            if (v->dy == 0)
                v->dy = g;
        }
    RedrawPage();
    ShowPosition();
    PageSurface->GetMultipleSelected();
}

void TrpDesignerForm::SpinFrameWidth(int delta)
{
    bool ok = false;
    QString text = E1->text();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    double w = text.toDouble(&ok);
    if (!ok)
        w = 1;
    w += delta;
    if (w <= 0)
        w = 1;
    E1->setText(QString::number(w, 'g', 2));
    DoClick(E1);
}

// ---- moving, deleting, editors ------------------------------------------------------------------------

void TrpDesignerForm::MoveObjects(int dx, int dy, bool resize)
{
    AddUndoAction(acEdit);
    QRegion region = BuildSelectionRegion();
    PageSurface->ShowMarks(false);
    for (TrpView* v : objects())
        if (v->Selected) {
            if (resize) {
                v->dx += dx;
                v->dy += dy;
            } else {
                v->x += dx;
                v->y += dy;
            }
        }
    ShowPosition();
    PageSurface->GetMultipleSelected();
    region += BuildSelectionRegion();
    redrawSelection(region);
}

void TrpDesignerForm::DeleteObjects()
{
    if (!Page || !DelEnabled())
        return;
    AddUndoAction(acDelete);
    const QRegion region = BuildSelectionRegion();
    PageSurface->ShowMarks(false);
    QList<TrpView*>& objs = objects();
    for (int i = int(objs.size()) - 1; i >= 0; --i)
        if (objs[i]->Selected)
            delete objs.takeAt(i);
    SetPageTitles();
    ResetSelection();
    ReferenceView = nullptr;
    PageSurface->Draw(10000, &region);
}

void TrpDesignerForm::ShowEditor()
{
    if (!Page || SelectedCount < 1)
        return;
    const int top = TopSelectedIndex();
    if (top < 0)
        return;
    TrpView* v = objects()[top];
    if (v->Typ == gtMemo) {
        ShowMemoEditor();
        return;
    }
    if (auto* sub = dynamic_cast<TrpSubReportView*>(v))
        SetCurPage(sub->SubPage);
    else
        ShowObjectEditor(v);
    ShowContent();
    ShowPosition();
    DropFocus();
}

void TrpDesignerForm::ShowMemoEditor()
{
    const int top = Page ? TopSelectedIndex() : -1;
    if (top < 0)
        return;
    if (TrpEditorForm::Edit(objects()[top], this)) {
        MemoEdited();
    } else {
        ShowContent();
        ShowPosition();
    }
    DropFocus();
}

void TrpDesignerForm::MemoEdited()
{
    PageSurface->ShowMarks(false);
    PageSurface->Draw(TopSelectedIndex());
    ShowContent();
    ShowPosition();
}

void TrpDesignerForm::HlB1Click()
{
    const int top = Page ? TopSelectedIndex() : -1;
    if (top >= 0)
        TrpHilightForm::EditHighlight(dynamic_cast<TrpMemoView*>(objects()[top]), this);
}

void TrpDesignerForm::VariablesListClick()
{
    if (Report() && ShowEvEditor(Report(), this)) {
        Modified = true;
        FileModified = true;
    }
}

// ---- keyboard -----------------------------------------------------------------------------------------

bool TrpDesignerForm::FormKeyDown(int key, Qt::KeyboardModifiers shift)
{
    const bool ctrl = shift & Qt::ControlModifier;
    const bool shiftKey = shift & Qt::ShiftModifier;
    const bool alt = shift & Qt::AltModifier;
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && C3->hasFocus()) {
        // The typed size becomes the box's choice: the box would otherwise choose it itself when it loses
        // the focus, and apply it a second time.
        if (const int i = C3->findText(C3->currentText()); i >= 0) {
            const QSignalBlocker block(C3);
            C3->setCurrentIndex(i);
        }
        DoClick(C3);
        return true;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && E1->hasFocus()) {
        DoClick(E1);
        return true;
    }
    if (!Page)
        return false;
    if (key == Qt::Key_Delete && !shiftKey && DelEnabled()) {
        DeleteObjects();
        return true;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && EditEnabled()) {
        if (ctrl)
            ShowMemoEditor();
        else
            ShowEditor();
        return true;
    }
    if (ctrl && key >= Qt::Key_1 && key <= Qt::Key_9) {
        if (DelEnabled()) {
            E1->setText(QString::number(key - Qt::Key_0));
            DoClick(E1);
        }
        return true;
    }
    if (ctrl && key == Qt::Key_F) {
        if (DelEnabled())
            DoClick(FrB5);
        return true;
    }
    if (ctrl && key == Qt::Key_D) {
        if (DelEnabled())
            DoClick(FrB6);
        return true;
    }
    if (ctrl && key == Qt::Key_G) {
        SetGridShow(!GridShow);
        return true;
    }
    if (ctrl && key == Qt::Key_B) {
        SetGridAlign(!GridAlign);
        return true;
    }
    if (key == Qt::Key_Insert && ctrl) {
        if (CopyEnabled())
            CopyBClick();
        return true;
    }
    if (key == Qt::Key_Insert && shiftKey) {
        if (PasteEnabled())
            PstBClick();
        return true;
    }
    if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
        QScrollBar* bar = ScrollBox1->verticalScrollBar();
        bar->setValue(bar->value() + (key == Qt::Key_PageUp ? -200 : 200));
        return true;
    }
    int dx = 0, dy = 0;
    switch (key) {
    case Qt::Key_Up: dy = -1; break;
    case Qt::Key_Down: dy = 1; break;
    case Qt::Key_Left: dx = -1; break;
    case Qt::Key_Right: dx = 1; break;
    default: return false;
    }
    if (SelectedCount < 1)
        return true;
    if (ctrl) {
        MoveObjects(dx, dy, false);
        return true;
    }
    if (shiftKey) {
        MoveObjects(dx, dy, true);
        return true;
    }
    if (SelectedCount != 1)
        return true;
    TrpView* s = objects()[TopSelectedIndex()];
    // The nearest unselected object in the arrow's direction.
    const bool horizontal = dx != 0;
    const bool forward = dx > 0 || dy > 0;
    const int sl = horizontal ? s->x : s->y, st = horizontal ? s->y : s->x;
    const int sr = sl + (horizontal ? s->dx : s->dy), sb = st + (horizontal ? s->dy : s->dx);
    TrpView* best = nullptr;
    int bestD = 10000;
    for (TrpView* c : objects()) {
        if (c->Selected || isBand(c))
            continue;
        const int cl = horizontal ? c->x : c->y, ct = horizontal ? c->y : c->x;
        const int cr = cl + (horizontal ? c->dx : c->dy), cb = ct + (horizontal ? c->dy : c->dx);
        int d;
        if (cb < st)
            d = st - cb;
        else if (ct > sb)
            d = ct - sb;
        else if (ct > st || cb < sb)
            d = ct - st;
        else
            d = 0;
        if ((forward && cl <= sl) || (!forward && sr <= cr))
            continue;
        if (forward)
            d += cl < sr ? cl - sl : cl - sr;
        else
            d += sl < cr ? sr - cr : sl - cr;
        if (d < bestD) {
            bestD = d;
            best = c;
        }
    }
    if (!best)
        return true;
    if (!alt) {
        PageSurface->ShowMarks(false);
        Unselect();
        best->Selected = true;
        SelectedCount = 1;
        ReferenceView = best;
        PageSurface->GetMultipleSelected();
        PageSurface->ShowMarks(true);
    } else {
        AddUndoAction(acEdit);
        if (dx > 0 && best->x >= s->x + s->dx)
            s->x = best->x - s->dx;
        else if (dy > 0 && s->y + s->dy < best->y)
            s->y = best->y - s->dy;
        else if (dx < 0 && s->x >= best->x + best->dx)
            s->x = best->x + best->dx;
        else if (dy < 0 && best->y + best->dy <= s->y)
            s->y = best->y + best->dy;
        RedrawPage();
    }
    SelectionChanged();
    return true;
}

bool TrpDesignerForm::PreviewKey(QKeyEvent* event)
{
    QWidget* focus = QApplication::focusWidget();
    const auto* combo = qobject_cast<QComboBox*>(focus);
    if (qobject_cast<QLineEdit*>(focus) || (combo && combo->isEditable())) {
        switch (event->key()) {
        case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_Home:
        case Qt::Key_End: case Qt::Key_Delete: case Qt::Key_Backspace: case Qt::Key_Insert:
            return false;
        default: break;
        }
    }
    return FormKeyDown(event->key(), event->modifiers());
}

bool TrpDesignerForm::eventFilter(QObject* watched, QEvent* event)
{
    // A key not taken here passes on to its parents, each seen here again: FormKeyDown changes nothing for
    // the keys it leaves.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this && PreviewKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TrpDesignerForm::keyPressEvent(QKeyEvent* event)
{
    // The designer is a window, not a question: Escape does not close it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TrpDesignerForm::DropFocus()
{
    if (isVisible())
        setFocus(Qt::OtherFocusReason);
}

void TrpDesignerForm::done(int result)
{
    if (isVisible() && !AskToSave())
        return;
    QDialog::done(result);
}

// ---- alignment palette --------------------------------------------------------------------------------

void TrpDesignerForm::AlignClick(int n)
{
    static const int needs[10] = {2, 2, 1, 3, 2, 2, 2, 1, 3, 2};
    if (!Page || n < 1 || n > 10 || SelectedCount < needs[n - 1])
        return;
    BeforeChange();
    QList<TrpView*> sel;
    for (TrpView* v : objects())
        if (v->Selected)
            sel.append(v);
    const TrpView* ref = ReferenceView && ReferenceView->Selected ? ReferenceView : sel.last();
    const bool vertical = n >= 6;
    auto pos = [vertical](TrpView* v) -> int& { return vertical ? v->y : v->x; };
    auto len = [vertical](const TrpView* v) { return vertical ? v->dy : v->dx; };
    const int rpos = vertical ? ref->y : ref->x, rlen = len(ref);
    switch (n) {
    case 1: case 6:
        for (TrpView* v : sel)
            pos(v) = rpos;
        break;
    case 2: case 7:
        for (TrpView* v : sel)
            pos(v) = rpos + rlen / 2 - len(v) / 2;
        break;
    case 5: case 10:
        for (TrpView* v : sel)
            pos(v) = rpos + rlen - len(v);
        break;
    case 3: case 8: {
        int lo = pos(sel.first()), hi = pos(sel.first()) + len(sel.first());
        for (TrpView* v : sel) {
            lo = std::min(lo, pos(v));
            hi = std::max(hi, pos(v) + len(v));
        }
        const int extent = vertical ? Page->PrnInfo.Pgh : Page->PrnInfo.Pgw;
        const int shift = lo + ((hi - lo) - extent) / 2;
        for (TrpView* v : sel)
            pos(v) -= shift;
        break;
    }
    case 4: case 9: {
        // By position, equal positions in page order.
        std::stable_sort(sel.begin(), sel.end(), [&pos](TrpView* a, TrpView* b) { return pos(a) < pos(b); });
        const int count = int(sel.size());
        const int step = (pos(sel.last()) - pos(sel.first())) / (count - 1);
        for (int i = 1; i <= count - 2; ++i)
            pos(sel[i]) = pos(sel[i - 1]) + step;
        break;
    }
    }
    PageSurface->GetMultipleSelected();
    RedrawPage();
    ShowPosition();
}
