// The style tool bars, the inspector's rows and the position display of the designer window.
#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpDesignerPage.h"
#include "report/designer/rpColorSelector.h"
#include "report/designer/rpInspForm.h"
#include "report/rpBandView.h"
#include "report/rpCtrls.h"
#include "report/rpLineView.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpParser.h"
#include "report/rpPictureView.h"
#include "report/rpReport.h"

#include <QComboBox>
#include <QLabel>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPainter>
#include <cmath>

QImage rpSwatchGlyph(const QString& sign, gfx::TColor color)
{
    QImage g(32, 16, QImage::Format_RGB32);
    g.fill(qRgb(128, 128, 0));
    QPainter p(&g);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(9);
    f.setBold(true);
    p.setFont(f);
    for (int cell = 0; cell < 2; ++cell) {
        p.setPen(cell == 0 ? Qt::black : Qt::gray);
        p.drawText(QRect(cell * 16, 0, 16, 12), Qt::AlignCenter, sign);
        p.fillRect(cell * 16 + 1, 13, 14, 3, QColor(255, 0, 0));
    }
    p.end();
    const QRgb to = gfx::ToQColor(color).rgb();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            if (g.pixel(x, y) == qRgb(255, 0, 0))
                g.setPixel(x, y, to);
    if (color == gfx::clNone) {
        QPainter q(&g);
        q.setPen(QColor(gfx::ToQColor(gfx::clBtnFace)));
        q.drawLine(1, 13, 14, 13);
    }
    return g;
}

namespace {

QString positionValue(const TrpDesignerForm* d, int px)
{
    if (d->Units == ruPixels)
        return QString::number(px);
    return QString::number(d->PointsToUnits(px), 'f', 2);
}

} // namespace

void TrpDesignerForm::SetColorButton(TrpSpeedButton* b, gfx::TColor color)
{
    b->SetGlyph(rpSwatchGlyph(b == ClB1 ? QStringLiteral("Bg") : b == ClB3 ? QStringLiteral("Fc") : QStringLiteral("A"), color));
    b->SetNumGlyphs(2);
    b->setProperty("Color", qint64(color));
}

gfx::TColor TrpDesignerForm::ButtonColor(TrpSpeedButton* b) const
{
    const QImage g = b->Glyph();
    if (g.isNull() || g.pixel(1, 13) != g.pixel(2, 14))
        return gfx::clNone;
    return b->property("Color").isValid() ? gfx::TColor(b->property("Color").toLongLong()) : gfx::FromQColor(g.pixelColor(2, 14));
}

void TrpDesignerForm::ColorSelected(gfx::TColor color)
{
    if (!ColorButton)
        return;
    SelectorColor = color;
    SetColorButton(ColorButton, color);
    DoClick(ColorButton);
}

void TrpDesignerForm::GetFontList()
{
    const QSignalBlocker block(C2);
    C2->clear();
    const QStringList families = QFontDatabase::families();
    for (const QString& f : families)
        C2->addItem(f);
    if (families.contains(QStringLiteral("Arial")))
        LastStyle.FontName = QStringLiteral("Arial");
    else if (families.contains(QStringLiteral("Arial Cyr")))
        LastStyle.FontName = QStringLiteral("Arial Cyr");
    else
        LastStyle.FontName = families.value(0);
    LastStyle.FontSize = 10;
}

void TrpDesignerForm::SelectionChanged()
{
    busy_ = true;
    LinePanel->hide();
    ColorSelector->hide();
    EnableControls();
    TrpView* one = nullptr;
    if (SelectedCount == 1)
        for (TrpView* v : objects())
            if (v->Selected)
                one = v;
    if (one && one->Typ != gtBand) {
        FrB1->SetDown(one->FrameTyp & frTop);
        FrB2->SetDown(one->FrameTyp & frLeft);
        FrB3->SetDown(one->FrameTyp & frBottom);
        FrB4->SetDown(one->FrameTyp & frRight);
        E1->setText(QString::number(one->FrameWidth, 'g', 2));
        SetColorButton(ClB1, one->FillColor);
        SetColorButton(ClB3, one->FrameColor);
        if (auto* m = dynamic_cast<TrpMemoView*>(one)) {
            SetColorButton(ClB2, m->Font.Color());
            if (C2->currentText() != m->Font.Name())
                C2->setCurrentIndex(C2->findText(m->Font.Name()));
            if (C3->currentText() != QString::number(m->Font.Size()))
                C3->setEditText(QString::number(m->Font.Size()));
            const gfx::TFontStyles st = m->Font.Style();
            FnB1->SetDown(st & gfx::fsBold);
            FnB2->SetDown(st & gfx::fsItalic);
            FnB3->SetDown(st & gfx::fsUnderline);
            AlB4->SetDown(m->Adjust & adTurned);
            const int vert = (m->Adjust >> 3) & 3;
            (vert == 1 ? AlB5 : vert == 2 ? AlB7 : AlB6)->SetDown(true);
            static TrpTBButton* TrpDesignerForm::*horiz[] = {&TrpDesignerForm::AlB1, &TrpDesignerForm::AlB2,
                                                               &TrpDesignerForm::AlB3, &TrpDesignerForm::AlB8};
            (this->*horiz[m->Adjust & 3])->SetDown(true);
        }
    } else if (SelectedCount > 1) {
        for (TrpTBButton* b : {FrB1, FrB2, FrB3, FrB4})
            b->SetDown(false);
        SetColorButton(ClB1, gfx::clBlack);
        E1->setText(QStringLiteral("1"));
        C2->setCurrentIndex(-1);
        C3->setEditText(QString());
        for (TrpTBButton* b : {FnB1, FnB2, FnB3, AlB4, AlB5})
            b->SetDown(false);
        AlB1->SetDown(true);
    }
    busy_ = false;
    ShowPosition();
    ShowContent();
    DropFocus();
}

void TrpDesignerForm::DoClick(QWidget* sender)
{
    if (busy_ || !Page || !sender)
        return;
    const int tag = sender->property("Tag").toInt();
    AddUndoAction(acEdit);
    PageSurface->ShowMarks(false);
    QRegion region = BuildSelectionRegion();
    auto down = [sender] {
        auto* b = dynamic_cast<TrpSpeedButton*>(sender);
        return b && b->Down();
    };
    for (TrpView* v : objects()) {
        if (!v->Selected || (v->Typ == gtBand && tag != 16))
            continue;
        if (auto* m = dynamic_cast<TrpMemoView*>(v)) {
            switch (tag) {
            case 7:
                if (C2->currentIndex() != 0 && !C2->currentText().isEmpty()) {
                    m->Font.SetName(C2->currentText());
                    LastStyle.FontName = C2->currentText();
                }
                break;
            case 8: {
                bool ok = false;
                const int size = C3->currentText().toInt(&ok);
                if (ok && size > 0) {
                    m->Font.SetSize(size);
                    LastStyle.FontSize = size;
                }
                break;
            }
            case 9: case 10: case 18: {
                const gfx::TFontStyles bit = tag == 9 ? gfx::fsBold : tag == 10 ? gfx::fsItalic : gfx::fsUnderline;
                m->Font.SetStyle(down() ? (m->Font.Style() | bit) : (m->Font.Style() & ~bit));
                LastStyle.FontStyle = rpStyleToCode(m->Font.Style());
                break;
            }
            case 11: case 12: case 13:
                m->Adjust = (m->Adjust & ~3) | (tag - 11);
                LastStyle.Adjust = m->Adjust;
                break;
            case 22:
                m->Adjust = (m->Adjust & ~3) | 3;
                LastStyle.Adjust = m->Adjust;
                break;
            case 14:
                m->Adjust = AlB4->Down() ? (m->Adjust | adTurned) : (m->Adjust & ~adTurned);
                LastStyle.Adjust = m->Adjust;
                break;
            case 15:
                m->Adjust = (m->Adjust & ~(3 << 3)) | ((AlB5->Down() ? 1 : AlB7->Down() ? 2 : 0) << 3);
                LastStyle.Adjust = m->Adjust;
                break;
            case 17:
                m->Font.SetColor(SelectorColor);
                LastStyle.FontColor = SelectorColor;
                break;
            }
        }
        switch (tag) {
        case 1: case 2: case 3: case 4: {
            static const quint16 bits[] = {frTop, frLeft, frBottom, frRight};
            const quint16 bit = bits[tag - 1];
            v->FrameTyp = down() ? (v->FrameTyp | bit) : (v->FrameTyp & ~bit);
            LastStyle.FrameTyp = v->FrameTyp;
            break;
        }
        case 5:
            v->FillColor = SelectorColor;
            LastStyle.FillColor = SelectorColor;
            break;
        case 6: {
            QString text = E1->text();
            text.replace(QLatin1Char(','), QLatin1Char('.'));
            bool ok = false;
            const double w = text.toDouble(&ok);
            if (ok && w > 0) {
                v->FrameWidth = w;
                (v->Typ == gtLine ? LastStyle.LineWidth : LastStyle.FrameWidth) = w;
            }
            break;
        }
        case 19:
            v->FrameColor = SelectorColor;
            LastStyle.FrameColor = SelectorColor;
            break;
        case 20:
            v->FrameTyp |= frAll;
            LastStyle.FrameTyp = frAll;
            break;
        case 21:
            v->FrameTyp &= ~frAll;
            LastStyle.FrameTyp = 0;
            break;
        case 25: case 26: case 27: case 28: case 29: case 30:
            v->FrameStyle = quint16(tag - 25);
            break;
        }
    }
    region += BuildSelectionRegion();
    redrawSelection(region);
    if (tag == 20 || tag == 21)
        SelectionChanged();
    DropFocus();
}

void TrpDesignerForm::FillInspFields()
{
    for (QString& s : InspValues)
        s.clear();
    InspObject = nullptr;
    InspNothingSelected = SelectedCount == 0;
    InspForm->CurView = nullptr;
    InspForm->Busy = InspNothingSelected;
    if (!Page || SelectedCount == 0)
        return;
    QList<TrpView*> sel;
    for (TrpView* v : objects())
        if (v->Selected)
            sel.append(v);
    if (sel.isEmpty())
        return;
    if (sel.size() == 1) {
        InspObject = sel.first();
        InspForm->CurView = InspObject;
        InspValues[0] = InspObject->Name;
    }
    auto same = [&sel](auto get) {
        for (TrpView* v : sel)
            if (get(v) != get(sel.first()))
                return false;
        return true;
    };
    const std::function<int(TrpView*)> getters[] = {[](TrpView* v) { return v->x; }, [](TrpView* v) { return v->y; },
                                                    [](TrpView* v) { return v->dx; }, [](TrpView* v) { return v->dy; }};
    for (int i = 0; i < 4; ++i)
        if (same(getters[i]))
            InspValues[1 + i] = positionValue(this, getters[i](sel.first()));
    if (same([](TrpView* v) { return v->Visible; }))
        InspValues[5] = sel.first()->Visible ? QStringLiteral("1") : QStringLiteral("0");
}

void TrpDesignerForm::OnModify(int row, const QString& value)
{
    if (!Page || row < 0 || row > 5)
        return;
    AddUndoAction(acEdit);
    if (row == 0) {
        if (InspObject && SelectedCount == 1) {
            if (TrpView* other = Report() ? Report()->FindObject(value) : nullptr; other && other != InspObject)
                InspValues[0] = InspObject->Name;
            else if (!value.isEmpty())
                InspObject->Name = value;
            SetPageTitles();
        }
    } else {
        QVariant result;
        try {
            TrpParserBase* parser = rpParser ? rpParser : &rpTheParser();
            result = parser->Calc(value);
        } catch (const std::exception&) {
            result = QVariant();
        }
        bool ok = false;
        const double number = result.toString().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (ok && row <= 4) {
            const int px = UnitsToPoints(number);
            const int limit = (row == 1 || row == 3) ? Page->PrnInfo.Pgw : Page->PrnInfo.Pgh;
            if (px > 0 && px < limit)
                for (TrpView* v : objects())
                    if (v->Selected)
                        (row == 1 ? v->x : row == 2 ? v->y : row == 3 ? v->dx : v->dy) = px;
        } else if (ok && row == 5) {
            for (TrpView* v : objects())
                if (v->Selected)
                    v->Visible = int(number) > 0;
        }
    }
    FillInspFields();
    RedrawPage();
    InspForm->PaintBox1->update();
    RepaintPositionBox();
}

void TrpDesignerForm::ShowPosition()
{
    FillInspFields();
    InspForm->ItemsChanged();
    RepaintPositionBox();
}

QString TrpDesignerForm::ContentText() const
{
    if (SelectedCount != 1 || !Page)
        return QString();
    for (TrpView* v : objects())
        if (v->Selected) {
            if (v->Typ == gtBand)
                return v->Name + QStringLiteral(": ") + rpBandName(v->FrameTyp & 0xFF);
            if (!v->Memo.isEmpty())
                return v->Name + QStringLiteral(": ") + v->Memo.first();
            return v->Name;
        }
    return QString();
}

void TrpDesignerForm::ShowContent()
{
    StatusContent->setText(ContentText());
}

void TrpDesignerForm::PositionParts(QString& position, QString& size, QString& scale) const
{
    position.clear();
    size.clear();
    scale.clear();
    if (!Page)
        return;
    const QString sep = Units == ruPixels ? QStringLiteral(";") : QStringLiteral("; ");
    auto show = [&](int x, int y, int w, int h) {
        position = positionValue(this, x) + sep + positionValue(this, y);
        size = positionValue(this, w) + sep + positionValue(this, h);
    };
    if (PositionOnly) {
        gfx::TRect r = OldRect;
        TrpDesignerPage::NormalizeRect(r);
        show(r.Left, r.Top, r.Width(), r.Height());
        return;
    }
    if (SelectedCount == 1) {
        for (TrpView* v : objects())
            if (v->Selected) {
                show(v->x, v->y, v->dx, v->dy);
                if (auto* p = dynamic_cast<TrpPictureView*>(v); p && !p->Picture.Empty() && p->Picture.Width() > 0 &&
                                                                p->Picture.Height() > 0)
                    scale = QStringLiteral("% ") + QString::number(v->dx * 100 / p->Picture.Width()) + QStringLiteral(",") +
                            QString::number(v->dy * 100 / p->Picture.Height());
            }
    } else if (GroupFrame && OldRect1.Width() > 0 && OldRect1.Height() > 0) {
        scale = QStringLiteral("% ") + QString::number(rpRound(OldRect.Width() * 100.0 / OldRect1.Width())) +
                QStringLiteral(",") + QString::number(rpRound(OldRect.Height() * 100.0 / OldRect1.Height()));
    }
}
