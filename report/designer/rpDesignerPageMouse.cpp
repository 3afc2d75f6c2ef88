// Mouse editing on the design surface: inserting, drawing lines, selecting, moving and resizing.
#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpDesignerPage.h"
#include "report/rpBandView.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpReport.h"
#include "report/rpSubReportView.h"

#include <QCursor>
#include <cmath>

namespace {

bool near(int px, int py, int hx, int hy, int t)
{
    return px >= hx - t && px <= hx + t + 1 && py >= hy - t && py <= hy + t + 1;
}

bool isSizeCursor(TrpDesignCursor c)
{
    return c == dcSizeNWSE || c == dcSizeNESW || c == dcSizeNS || c == dcSizeWE;
}

} // namespace

void TrpDesignerPage::startRectangle(int x, int y)
{
    OldRect = gfx::Rect(x, y, x, y);
    FDesigner->Unselect();
    RightBottom = -1;
    GroupFrame = false;
    ReferenceView = nullptr;
    FirstMove = false;
}

void TrpDesignerPage::MDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    if (skip_) {
        skip_ = false;
        return;
    }
    if (!FDesigner->Page)
        return;
    if (button == Qt::RightButton && RFlag)
        ShowOutline(false);
    RFlag = false;
    ShowMarks(false);
    Pressed = true;
    if (button == Qt::LeftButton && ((shift & Qt::ControlModifier) || cursor_ == dcCross)) {
        RFlag = true;
        if (cursor_ == dcCross) {
            ShowOutline(false);
            RoundCoord(x, y);
            OldRect1 = OldRect;
        }
        startRectangle(x, y);
        return;
    }
    if (button == Qt::LeftButton && cursor_ == dcPencil) {
        if (FDesigner->GridAlign && !FindNearestEdge(x, y)) {
            const int g = FDesigner->GridSize;
            x = rpRound(double(x) / g) * g;
            y = rpRound(double(y) / g) * g;
        }
        startRectangle(x, y);
        LastX = x;
        LastY = y;
        return;
    }
    if (cursor_ == dcDefault) {
        QList<TrpView*>& objs = objects();
        int found = -1;
        for (int i = int(objs.size()) - 1; i >= 0; --i)
            if (objs[i]->GetClipRgn(rtNormal).contains(QPoint(x, y))) {
                found = i;
                break;
            }
        bool notify = true;
        if (found >= 0) {
            TrpView* v = objs[found];
            if (shift & Qt::ShiftModifier) {
                v->Selected = !v->Selected;
                SelectedCount += v->Selected ? 1 : -1;
            } else if (!v->Selected) {
                FDesigner->Unselect();
                v->Selected = true;
                SelectedCount = 1;
            } else {
                notify = false;
            }
            if (SelectedCount == 0)
                ReferenceView = nullptr;
            else if (SelectedCount == 1)
                ReferenceView = v->Selected ? v : singleSelected();
            else if (ReferenceView && !ReferenceView->Selected)
                ReferenceView = nullptr;
        } else {
            FDesigner->Unselect();
            ReferenceView = nullptr;
            if (button == Qt::LeftButton) {
                RFlag = true;
                OldRect = gfx::Rect(x, y, x, y);
                FirstMove = false;
                return;
            }
        }
        GetMultipleSelected();
        if (notify)
            FDesigner->SelectionChanged();
    }
    if (SelectedCount == 0) {
        RightBottom = -1;
        GroupFrame = false;
    }
    LastX = x;
    LastY = y;
    DFlag = false;
    FirstMove = true;
    FirstBandMove = true;
    if (button == Qt::LeftButton || button == Qt::MiddleButton) {
        if (FDesigner->ShapeMode == smFrame)
            ShowShapes(true);
    } else if (button == Qt::RightButton) {
        ShowMarks(true);
        Pressed = false;
        FirstMove = false;
        FDesigner->ShowPopup(mapToGlobal(QPoint(x, y)));
    }
}

void TrpDesignerPage::dragAlongBand(Qt::KeyboardModifiers shift, int dx, int dy)
{
    if (!FirstBandMove || SelectedCount != 1 || (dx == 0 && dy == 0) || (shift & Qt::AltModifier))
        return;
    TrpView* band = singleSelected();
    FirstBandMove = false;
    if (!band || band->Typ != gtBand)
        return;
    for (TrpView* v : objects())
        if (v->Typ != gtBand && v->x >= band->x && v->y >= band->y && v->x + v->dx <= band->x + band->dx &&
            v->y + v->dy <= band->y + band->dy) {
            v->Selected = true;
            ++SelectedCount;
        }
    FDesigner->SelectionChanged();
    GetMultipleSelected();
}

void TrpDesignerPage::hoverCursor(int x, int y)
{
    TrpDesignCursor c = dcDefault;
    if (SelectedCount == 1 && !FDesigner->LineToolDown()) {
        if (const TrpView* v = singleSelected()) {
            const int r = v->x + v->dx, b = v->y + v->dy, mx = v->x + v->dx / 2, my = v->y + v->dy / 2;
            if (near(x, y, v->x, v->y, 2) || near(x, y, r, b, 2))
                c = dcSizeNWSE;
            else if (near(x, y, r, v->y, 2) || near(x, y, v->x, b, 2))
                c = dcSizeNESW;
            else if (near(x, y, mx, v->y, 2) || near(x, y, mx, b, 2))
                c = dcSizeNS;
            else if (near(x, y, v->x, my, 2) || near(x, y, r, my, 2))
                c = dcSizeWE;
        }
    } else if (SelectedCount > 1) {
        const QList<TrpView*>& objs = objects();
        if (RightBottom >= 0 && RightBottom < objs.size()) {
            const TrpView* v = objs[RightBottom];
            if (near(x, y, v->x + v->dx, v->y + v->dy, 2))
                c = dcSizeNWSE;
        }
        if (c == dcDefault) {
            for (TrpView* a : objs) {
                if (!a->Selected || a->Typ == gtBand || x < a->x || x > a->x + a->dx || y < a->y || y > a->y + a->dy)
                    continue;
                for (TrpView* b : objs) {
                    if (b == a || !b->Selected || b->Typ == gtBand || b->y > a->y + a->dy || b->y + b->dy < a->y)
                        continue;
                    int edge;
                    if (b->x + b->dx == a->x && x >= a->x && x <= a->x + 2) {
                        edge = a->x;
                        leftObject_ = b;
                        rightObject_ = a;
                    } else if (b->x == a->x + a->dx && x >= b->x - 2 && x <= b->x) {
                        edge = b->x;
                        leftObject_ = a;
                        rightObject_ = b;
                    } else {
                        continue;
                    }
                    c = dcHSplit;
                    splitterLine_ = gfx::Rect(edge, a->y, edge, a->y + a->dy);
                    splitterStartX_ = edge;
                    break;
                }
                if (c == dcHSplit)
                    break;
            }
        }
    }
    SetDesignCursor(c);
}

void TrpDesignerPage::applyChange(const std::function<void()>& change)
{
    if (FDesigner->ShapeMode == smFrame) {
        change();
        requestRepaint(rect());
        return;
    }
    QRegion region = selectionArea();
    change();
    region += selectionArea();
    Draw(10000, &region);
}

void TrpDesignerPage::groupResize(int dx, int dy)
{
    OldRect.Right += dx;
    OldRect.Bottom += dy;
    const double kx = OldRect1.Width() != 0 ? double(OldRect.Width()) / OldRect1.Width() : 1.0;
    const double ky = OldRect1.Height() != 0 ? double(OldRect.Height()) / OldRect1.Height() : 1.0;
    for (auto it = groupSaved_.cbegin(); it != groupSaved_.cend(); ++it) {
        TrpView* v = it.key();
        const gfx::TRect& s = it.value(); // Left, Top = x0, y0; Right, Bottom = dx0, dy0
        const double a = (s.Left - LeftTop.X) * kx, b = s.Right * kx;
        v->x = rpRound(a) + LeftTop.X;
        v->dx = rpRound(a + b) - rpRound(a);
        const double c = (s.Top - LeftTop.Y) * ky, d = s.Bottom * ky;
        v->y = rpRound(c) + LeftTop.Y;
        v->dy = rpRound(c + d) - rpRound(c);
    }
}

void TrpDesignerPage::resizeOne(int mx, int my)
{
    TrpView* v = singleSelected();
    if (!v)
        return;
    if (Handle == 0) {
        const int r = v->x + v->dx, midX = v->x + v->dx / 2, midY = v->y + v->dy / 2;
        switch (cursor_) {
        case dcSizeNWSE: Handle = near(LastX, LastY, v->x, v->y, 3) ? 1 : 2; break;
        case dcSizeNESW: Handle = near(LastX, LastY, r, v->y, 3) ? 3 : 4; break;
        case dcSizeWE: Handle = near(LastX, LastY, v->x, midY, 3) ? 5 : 6; break;
        case dcSizeNS: Handle = near(LastX, LastY, midX, v->y, 3) ? 7 : 8; break;
        default: return;
        }
    }
    switch (Handle) {
    case 1: v->x += mx; v->dx -= mx; v->y += my; v->dy -= my; break;
    case 2: v->dx += mx; v->dy += my; break;
    case 3: v->y += my; v->dx += mx; v->dy -= my; break;
    case 4: v->x += mx; v->dx -= mx; v->dy += my; break;
    case 5: v->x += mx; v->dx -= mx; break;
    case 6: v->dx += mx; break;
    case 7: v->y += my; v->dy -= my; break;
    case 8: v->dy += my; break;
    }
}

void TrpDesignerPage::MMove(Qt::KeyboardModifiers shift, int x, int y)
{
    if (!FDesigner->Page)
        return;
    DFlag = true;
    if (FirstMove && Pressed && !RFlag) {
        int dx = x - LastX, dy = y - LastY;
        if ((dx != 0 || dy != 0) && GridStep(dx, dy)) {
            FirstMove = false;
            // The objects a band drags along belong to the same undo step as the band.
            if (cursor_ == dcDefault && Mode == mdSelect)
                dragAlongBand(shift, dx, dy);
            FDesigner->AddUndoAction(acEdit);
        }
    }
    if (!Pressed) {
        if (FDesigner->LineToolDown()) {
            Mode = mdSelect;
            SetDesignCursor(dcPencil);
        } else if (FDesigner->ArrowToolDown()) {
            Mode = mdSelect;
            if (cursor_ == dcCross || cursor_ == dcPencil)
                SetDesignCursor(dcDefault);
        } else {
            Mode = mdInsert;
            if (cursor_ != dcCross) {
                int sx = x, sy = y;
                RoundCoord(sx, sy);
                int w = width(), h = 40;
                if (!FDesigner->BandToolDown())
                    FDesigner->GetDefaultSize(w, h);
                OldRect = gfx::Rect(sx, sy, sx + w, sy + h);
                ShowOutline(true);
                SetDesignCursor(dcCross);
            }
        }
    }
    if (Mode == mdInsert && !Pressed) {
        ShowOutline(false);
        RoundCoord(x, y);
        gfx::OffsetRect(OldRect, x - OldRect.Left, y - OldRect.Top);
        ShowOutline(true);
        PositionOnly = true;
        FDesigner->RepaintPositionBox();
        PositionOnly = false;
        return;
    }
    if (!Pressed) {
        if (Mode == mdSelect && !FDesigner->LineToolDown())
            hoverCursor(x, y);
        return;
    }
    if (cursor_ == dcPencil) {
        int dx = x - LastX, dy = y - LastY;
        if (!GridStep(dx, dy))
            return;
        ShowLine(false);
        OldRect.Right += dx;
        OldRect.Bottom += dy;
        ShowLine(true);
        LastX += dx;
        LastY += dy;
        return;
    }
    if (RFlag) {
        ShowOutline(false);
        if (cursor_ == dcCross)
            RoundCoord(x, y);
        OldRect = gfx::Rect(OldRect.Left, OldRect.Top, x, y);
        ShowOutline(true);
        if (cursor_ == dcCross) {
            PositionOnly = true;
            FDesigner->RepaintPositionBox();
            PositionOnly = false;
        }
        return;
    }
    if (Mode != mdSelect)
        return;
    int dx = x - LastX, dy = y - LastY;
    if (GroupFrame && cursor_ == dcHSplit) {
        dy = 0;
        if (!GridStep(dx, dy))
            return;
        ShowSplitter(false);
        gfx::OffsetRect(splitterLine_, dx, 0);
        ShowSplitter(true);
        LastX += dx;
        return;
    }
    if (GroupFrame && isSizeCursor(cursor_)) {
        if (!GridStep(dx, dy))
            return;
        applyChange([&] { groupResize(dx, dy); });
    } else if (cursor_ == dcDefault && SelectedCount > 0) {
        if (!GridStep(dx, dy))
            return;
        dragAlongBand(shift, dx, dy);
        FirstBandMove = false;
        auto move = [&] {
            for (TrpView* v : objects())
                if (v->Selected) {
                    v->x += dx;
                    v->y += dy;
                }
        };
        if (FDesigner->ShapeMode == smAll) {
            // The moved objects look the same: their picture moves instead of being painted again.
            if (!layerActive_)
                buildDragLayer();
            const QRect before = layerBounds_.translated(layerOffset_);
            move();
            layerOffset_ += QPoint(dx, dy);
            requestRepaint(QRegion(before) + QRegion(layerBounds_.translated(layerOffset_)));
        } else {
            applyChange(move);
        }
    } else if (SelectedCount == 1 && isSizeCursor(cursor_)) {
        if (!GridStep(dx, dy))
            return;
        applyChange([&] { resizeOne(dx, dy); });
    } else {
        return;
    }
    LastX += dx;
    LastY += dy;
    FDesigner->RepaintPositionBox();
}

void TrpDesignerPage::insertObject()
{
    Mode = mdSelect;
    ShowOutline(false);
    if (OldRect.Width() == 0 && OldRect.Height() == 0)
        OldRect = OldRect1;
    NormalizeRect(OldRect);
    RFlag = false;
    TrpReport* report = FDesigner->Report();
    const int tag = FDesigner->InsertToolTag();
    TrpView* v = nullptr;
    if (tag == gtBand) {
        int bandType = FDesigner->FirstFreeBandType();
        if (FDesigner->ChooseBandType(bandType)) {
            auto* band = new TrpBandView;
            band->SetBandType(bandType);
            band->BaseName = rpBandBaseName(bandType);
            v = band;
        }
    } else if (tag == gtSubReport) {
        auto* sub = new TrpSubReportView;
        sub->SubPage = report->Pages->Count();
        report->Pages->Add();
        v = sub;
    } else if (tag >= 0 && tag < gtAddIn) {
        v = rpCreateObject(tag, QString()).release();
    } else if (tag >= gtAddIn && tag - gtAddIn < rpAddIns().size()) {
        v = rpCreateObject(gtAddIn, rpAddIns()[tag - gtAddIn].ClassName).release();
    }
    if (v) {
        objects().append(v);
        v->CreateUniqueName();
        if (OldRect.Width() == 0 || OldRect.Height() == 0) {
            int w = 40, h = 40;
            if (v->Typ == gtMemo)
                FDesigner->GetDefaultSize(w, h);
            OldRect.Right = OldRect.Left + w;
            OldRect.Bottom = OldRect.Top + h;
        }
        FDesigner->Unselect();
        v->SetBounds(OldRect.Left, OldRect.Top, OldRect.Width(), OldRect.Height());
        if (auto* band = dynamic_cast<TrpBandView*>(v); band && band->IsCross() && v->dx > width() - 10)
            v->dx = 40;
        v->FrameWidth = LastStyle.FrameWidth;
        v->FrameColor = LastStyle.FrameColor;
        v->FillColor = LastStyle.FillColor;
        v->Selected = true;
        if (v->Typ != gtBand)
            v->FrameTyp = LastStyle.FrameTyp;
        if (auto* memo = dynamic_cast<TrpMemoView*>(v)) {
            if (!LastStyle.FontName.isEmpty())
                memo->Font.SetName(LastStyle.FontName);
            memo->Font.SetSize(LastStyle.FontSize);
            memo->Font.SetColor(LastStyle.FontColor);
            memo->Font.SetStyle(rpCodeToStyle(LastStyle.FontStyle));
            memo->Adjust = LastStyle.Adjust;
        }
        SelectedCount = 1;
        ReferenceView = v;
        FDesigner->SendBandsToBack();
        GetMultipleSelected();
        if (v->Typ == gtBand) {
            Draw(10000);
        } else {
            const QRegion area = v->GetClipRgn(rtExtended);
            Draw(10000, &area);
        }
        FDesigner->SelectionChanged();
        FDesigner->AddUndoAction(acInsert);
        if (FDesigner->EditAfterInsert)
            FDesigner->ShowEditor();
    }
    if (!StickyInsert) {
        FDesigner->PressArrowTool();
        SetDesignCursor(dcDefault);
    } else {
        ShowOutline(true);
    }
}

void TrpDesignerPage::insertLine()
{
    ShowLine(false);
    TrpView* v = rpCreateObject(gtLine, QString()).release();
    objects().append(v);
    v->CreateUniqueName();
    const int x1 = OldRect.Left, y1 = OldRect.Top, x2 = OldRect.Right, y2 = OldRect.Bottom;
    v->SetBounds(x1, y1, x2 - x1, y2 - y1);
    const bool horizontal = std::abs(v->dx) > std::abs(v->dy);
    if (v->dx < 0) {
        v->dx = -v->dx;
        if (horizontal)
            v->x = x2;
    }
    if (v->dy < 0) {
        v->dy = -v->dy;
        if (!horizontal)
            v->y = y2;
    }
    FDesigner->Unselect();
    v->Selected = true;
    v->FrameWidth = LastStyle.LineWidth;
    v->FrameColor = LastStyle.FrameColor;
    SelectedCount = 1;
    ReferenceView = v;
    GetMultipleSelected();
    const QRegion area = v->GetClipRgn(rtExtended);
    Draw(10000, &area);
    FDesigner->SelectionChanged();
    FDesigner->AddUndoAction(acInsert);
}

void TrpDesignerPage::MUp(Qt::MouseButton button, Qt::KeyboardModifiers, int, int)
{
    if (!FDesigner->Page)
        return;
    const bool wasPressed = Pressed;
    if (button != Qt::LeftButton) {
        // Only the left button edits; a middle drag just ends.
        if (button == Qt::MiddleButton && wasPressed) {
            Pressed = false;
            dropDragLayer();
            ShowShapes(false);
            Draw(topSelectedIndex());
        }
        return;
    }
    Pressed = false;
    if (FDesigner->ShapeMode == smFrame)
        ShowShapes(false);
    if (layerActive_) {
        dropDragLayer();
        if (!DFlag || SelectedCount == 0)
            Draw(10000);
    }
    if (!wasPressed) {
        DFlag = false;
        return;
    }
    if (cursor_ == dcCross) {
        insertObject();
    } else if (cursor_ == dcPencil) {
        insertLine();
    } else if (RFlag) {
        ShowOutline(false);
        RFlag = false;
        NormalizeRect(OldRect);
        for (TrpView* v : objects())
            if (v->Typ != gtBand && v->x <= OldRect.Right && v->x + v->dx >= OldRect.Left && v->y <= OldRect.Bottom &&
                v->y + v->dy >= OldRect.Top) {
                v->Selected = true;
                ++SelectedCount;
            }
        GetMultipleSelected();
        FDesigner->SelectionChanged();
        ShowMarks(true);
    } else if (GroupFrame && cursor_ == dcHSplit) {
        ShowSplitter(false);
        const int d = splitterLine_.Left - splitterStartX_;
        if (leftObject_ && rightObject_ && leftObject_->dx + d > 0 && rightObject_->dx - d > 0) {
            leftObject_->dx += d;
            rightObject_->x += d;
            rightObject_->dx -= d;
        }
        GetMultipleSelected();
        Draw(topSelectedIndex());
    } else if (GroupFrame && isSizeCursor(cursor_)) {
        Draw(topSelectedIndex());
    } else if (!DFlag) {
        ShowMarks(true);
    } else if (SelectedCount == 1) {
        TrpView* v = singleSelected();
        NormalizeCoord(v);
        if (Handle != 0)
            v->Resized();
        Draw(topSelectedIndex());
        FDesigner->ShowPosition();
    } else if (SelectedCount > 1) {
        Draw(topSelectedIndex());
        GetMultipleSelected();
        FDesigner->ShowPosition();
    } else {
        ShowMarks(true);
    }
    DFlag = false;
    Handle = 0;
}

void TrpDesignerPage::DClick()
{
    Pressed = false;
    if (SelectedCount == 0) {
        skip_ = true;
        FDesigner->PageOptions();
    } else if (SelectedCount == 1) {
        skip_ = true;
        FDesigner->ShowEditor();
    }
}

// "Master data" gives "MasterData".
QString rpBandBaseName(int bandType)
{
    QString name = rpBandName(bandType);
    const int space = name.indexOf(QLatin1Char(' '));
    if (space >= 0) {
        name.remove(space, 1);
        if (space < name.size())
            name[space] = name[space].toUpper();
    }
    return name;
}
