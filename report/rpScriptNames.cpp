#include "report/rpScriptNames.h"

#include "report/rpBandOutput.h"
#include "report/rpBandView.h"
#include "report/rpFormat.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPageFormation.h"
#include "report/rpParser.h"
#include "report/rpView.h"

namespace {

enum Prop { pLeft, pTop, pWidth, pHeight, pFlags, pVisible, pFrameTyp, pFrameWidth, pFrameColor, pFillColor, pText,
            pFontName, pFontSize, pFontStyle, pFontColor, pAdjust, pCount };

const char* const kProps[pCount] = {"Left",       "Top",       "Width",      "Height",    "Flags",    "Visible",
                                    "FrameTyp",   "FrameWidth", "FrameColor", "FillColor", "Text",     "FontName",
                                    "FontSize",   "FontStyle", "FontColor",  "Adjust"};

// The runtime band a band view stands for on the current page.
TrpBand* runtimeBand(TrpView* view)
{
    if (!CurPage)
        return nullptr;
    for (TrpBand* first : CurPage->BandsByType)
        for (TrpBand* b = first; b; b = b->Next)
            if (b->View == view)
                return b;
    return nullptr;
}

int toInt(const QVariant& v)
{
    return rpRound(rpVarToFloat(v));
}

gfx::TColor toColor(const QVariant& v)
{
    if (v.typeId() == QMetaType::QString) {
        qint64 c = 0;
        if (TInterpretator::ColorByName(v.toString().trimmed(), c))
            return gfx::TColor(c);
    }
    return gfx::TColor(qint64(rpVarToFloat(v)));
}

} // namespace

int TInterpretator::PropertyIndex(const QString& name)
{
    for (int i = 0; i < pCount; ++i)
        if (name.compare(QLatin1String(kProps[i]), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool TInterpretator::ColorByName(const QString& name, qint64& color)
{
    static const struct {
        const char* name;
        gfx::TColor color;
    } colors[] = {{"clWhite", gfx::clWhite},   {"clBlack", gfx::clBlack},   {"clMaroon", gfx::clMaroon},
                  {"clGreen", gfx::clGreen},   {"clOlive", gfx::clOlive},   {"clNavy", gfx::clNavy},
                  {"clPurple", gfx::clPurple}, {"clTeal", gfx::clTeal},     {"clGray", gfx::clGray},
                  {"clSilver", gfx::clSilver}, {"clRed", gfx::clRed},       {"clLime", gfx::clLime},
                  {"clYellow", gfx::clYellow}, {"clBlue", gfx::clBlue},     {"clFuchsia", gfx::clFuchsia},
                  {"clAqua", gfx::clAqua},     {"clTransparent", gfx::clNone}};
    for (const auto& c : colors)
        if (name.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            color = c.color;
            return true;
        }
    return false;
}

// "Object.Property" on the current page's runtime objects, or a bare property of the current view.
bool TInterpretator::Property(const QString& name, TrpView*& view, int& index) const
{
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    if (dot > 0) {
        index = PropertyIndex(name.mid(dot + 1));
        view = index >= 0 && CurPage ? CurPage->FindRTObject(name.left(dot)) : nullptr;
    } else {
        index = PropertyIndex(name);
        view = CurView;
    }
    if (!view || index < 0)
        return false;
    // Font and alignment belong to text objects only.
    return index < pFontName || dynamic_cast<TrpMemoView*>(view);
}

void TInterpretator::GetValue(const QString& name, QVariant& value)
{
    if (rpTheVariables().Find(name, value))
        return;
    if (name.compare(QLatin1String("FREESPACE"), Qt::CaseInsensitive) == 0) {
        value = CurPage ? QString::number(CurPage->BottomLimitY - CurPage->CurrentY) : QStringLiteral("0");
        return;
    }
    TrpView* v = nullptr;
    int index = -1;
    if (Property(name, v, index)) {
        TrpBand* band = v->Typ == gtBand && index <= pVisible ? runtimeBand(v) : nullptr;
        auto* memo = dynamic_cast<TrpMemoView*>(v);
        switch (index) {
        case pLeft: value = band ? band->x : v->x; break;
        case pTop: value = band ? band->y : v->y; break;
        case pWidth: value = band ? band->dx : v->dx; break;
        case pHeight: value = band ? band->dy : v->dy; break;
        case pFlags: value = int(band ? band->Flags : v->Flags); break;
        case pVisible: value = int(band ? band->Visible : v->Visible); break;
        case pFrameTyp: value = int(v->FrameTyp); break;
        case pFrameWidth: value = v->FrameWidth; break;
        case pFrameColor: value = qint64(v->FrameColor); break;
        case pFillColor: value = qint64(v->FillColor); break;
        case pText: value = v->Memo.join(QStringLiteral("\r\n")); break;
        case pFontName: value = memo->Font.Name(); break;
        case pFontSize: value = memo->Font.Size(); break;
        case pFontStyle: value = int(rpStyleToCode(memo->Font.Style())); break;
        case pFontColor: value = qint64(memo->Font.Color()); break;
        case pAdjust: value = int(memo->Adjust); break;
        }
        return;
    }
    qint64 color = 0;
    if (ColorByName(name, color)) {
        value = color;
        return;
    }
    OuterGetValue(name, value);
}

void TInterpretator::SetValue(const QString& name, const QVariant& value)
{
    TrpView* v = nullptr;
    int index = -1;
    if (!Property(name, v, index)) {
        rpTheVariables().SetVariable(name, value);
        return;
    }
    TrpBand* band = v->Typ == gtBand && index <= pVisible ? runtimeBand(v) : nullptr;
    auto* memo = dynamic_cast<TrpMemoView*>(v);
    switch (index) {
    case pLeft: (band ? band->x : v->x) = toInt(value); break;
    case pTop: (band ? band->y : v->y) = toInt(value); break;
    case pWidth: (band ? band->dx : v->dx) = toInt(value); break;
    case pHeight: (band ? band->dy : v->dy) = toInt(value); break;
    case pFlags: (band ? band->Flags : v->Flags) = quint16(toInt(value)); break;
    case pVisible: (band ? band->Visible : v->Visible) = toInt(value) != 0; break;
    case pFrameTyp: v->FrameTyp = quint16(toInt(value)); break;
    case pFrameWidth: v->FrameWidth = rpVarToFloat(value); break;
    case pFrameColor: v->FrameColor = toColor(value); break;
    case pFillColor: v->FillColor = toColor(value); break;
    case pText: v->Memo = rpVarToStr(value).split(QStringLiteral("\r\n")); break;
    case pFontName: memo->Font.SetName(rpVarToStr(value)); break;
    case pFontSize: memo->Font.SetSize(toInt(value)); break;
    case pFontStyle: memo->Font.SetStyle(rpCodeToStyle(quint16(toInt(value)))); break;
    case pFontColor: memo->Font.SetColor(toColor(value)); break;
    case pAdjust: memo->Adjust = toInt(value); break;
    }
}

void TInterpretator::DoFunction(const QString& name, const QVariant& p1, const QVariant& p2, const QVariant& p3,
                                QString& value)
{
    const bool newPage = name == QLatin1String("NEWPAGE");
    if (newPage || name == QLatin1String("NEWCOLUMN")) {
        if (auto* band = dynamic_cast<TrpRunBand*>(CurBand))
            (newPage ? band->NewPageRequested : band->NewColumnRequested) = true;
        value = QStringLiteral("0");
        return;
    }
    OuterFunction(name, p1, p2, p3, value);
}

TInterpretator& rpTheInterpretator()
{
    static TInterpretator interpretator(&rpTheParser());
    rpTheVariables();
    if (!rpInterpretator)
        rpInterpretator = &interpretator;
    return interpretator;
}
