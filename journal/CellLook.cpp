#include "journal/CellLook.h"

#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/DrawTextFlags.h"
#include "platform/rtl/FormatFloat.h"

namespace {

QString threeDecimals(double v)
{
    static const rtl::TFormatSettings english = rtl::TFormatSettings::english();  // made once, not a cell
    return rtl::FormatFloat(QStringLiteral("0.000"), v, english);
}

QString fourDigits(int v)
{
    return v < 0 ? QStringLiteral("-") + QString::number(-qint64(v)).rightJustified(3, QLatin1Char('0'))
                 : QString::number(v).rightJustified(4, QLatin1Char('0'));
}

} // namespace

QString EventText(int32_t code)
{
    switch (code) {
    case -2147483647: return QStringLiteral(" \\пропадание питания");
    case -2147483646: return QStringLiteral(" \\включение зажигания");
    case -2147483645: return QStringLiteral(" \\подключение датчика к коробке блокиратора");
    case -2147483644: return QStringLiteral(" \\отключение датчика от коробки блокиратора");
    case -2147483643: return QStringLiteral(" \\индикация максимального количества прерванных выдохов");
    case -2147483642: return QStringLiteral(" \\был отказ от выдоха");
    default: return QStringLiteral(" \\unknow");
    }
}

QString StateMark(const QString& stat)
{
    if (stat == QLatin1String("0"))
        return QString();
    if (stat == QLatin1String("1"))
        return QStringLiteral("(!)");
    if (stat == QLatin1String("2"))
        return QStringLiteral("(!!!)");
    if (stat == QLatin1String("3"))
        return QStringLiteral("(+)");
    return QStringLiteral("(?)");
}

QString DefaultEventText(int32_t code, bool capital)
{
    const char* text = nullptr;
    switch (code) {
    case -2147483647: text = capital ? " Пропадание питания" : " пропадание питания"; break;
    case -2147483646: text = capital ? " Включение зажигания" : " включение зажигания"; break;
    case -2147483645: text = capital ? " Подключение датчика к коробке блокиратора" : " подключение датчика к коробке блокиратора"; break;
    case -2147483644: text = capital ? " Отключение датчика от коробки блокиратора" : " отключение датчика от коробки блокиратора"; break;
    case -2147483643:
        text = capital ? " Индикация максимального количества прерванных выдохов"
                       : " индикация максимального количества прерванных выдохов";
        break;
    case -2147483642: text = capital ? " Был отказ от выдоха" : " был отказ от выдоха"; break;
    default: text = " unknow"; break;
    }
    return QString::fromUtf8(text);
}

TCellLook DefaultCellLook(const TCellRow& row, int dataCol, bool selected)
{
    TCellLook look;
    if (row.IsNull("DATA_IZM")) {
        look.Blank = true;
        look.Brush = look.Font = gfx::clWhite;
        return look;
    }
    const bool event = row.Text("PAGE_FOOT") == QLatin1String("1");
    look.Brush = selected ? gfx::RGB(128, 128, 128) : event ? gfx::RGB(255, 255, 0) : gfx::RGB(255, 255, 255);
    look.Font = selected ? gfx::clWhite : gfx::clBlack;
    auto left = [&](const QString& s) { look.Pieces.push_back({s, false}); };
    auto right = [&](const QString& s) { look.Pieces.push_back({s, true}); };
    const QString dash = QStringLiteral("---");
    switch (dataCol) {
    case 0: left(row.Text("DATA_IZM")); break;
    case 1:
        left(event ? dash
                   : row.Text("OBSL_FAM") + QLatin1Char(' ') + row.Text("OBSL_NAME") + QLatin1Char(' ') +
                         row.Text("OBSL_PAT"));
        break;
    case 2:
        right(event ? dash : threeDecimals(row.Number("IZM")));
        if (row.Text("STAT") == QLatin1String("1"))
            left(QStringLiteral("(!)"));
        break;
    case 3: right(fourDigits(row.Integer("PRIBOR"))); break;
    case 4: left(event ? dash : QString::number(row.Integer("NUM_VIDOH"))); break;
    case 5:
        if (event)
            left(DefaultEventText(row.Integer("NUM_VIDOH"), false));
        break;
    default: break;
    }
    return look;
}

TCellLook Default_MP_CellLook(const TCellRow& row, int dataCol, bool selected,
                              const std::function<double(int, const QString&)>& norma)
{
    TCellLook look;
    if (row.IsNull("DATA_IZM")) {
        look.Blank = true;
        look.Brush = look.Font = gfx::clWhite;
        return look;
    }
    const QString dateText = row.Text("DATA_IZM");
    const int kind = row.Integer("TYPERECORD");
    const double izm = row.Number("IZM");

    if (kind == 0 || kind == 1) {
        const bool exceeded = izm > (norma ? norma(row.Integer("PRIBOR"), dateText) : 0.0);
        if (!exceeded)
            look.Brush = selected ? gfx::RGB(128, 128, 128) : gfx::RGB(255, 255, 255);
        else
            look.Brush = selected ? gfx::RGB(128, 0, 0) : gfx::RGB(255, 154, 138);
        look.Font = selected ? gfx::clWhite : gfx::clBlack;
    } else if (kind == 2) {
        look.Brush = selected ? gfx::RGB(128, 128, 0) : gfx::RGB(255, 255, 0);
        look.Font = selected ? gfx::clWhite : gfx::clBlack;
    } else if (kind == 3) {
        look.Brush = selected ? gfx::RGB(0, 128, 0) : gfx::RGB(0, 255, 0);
        look.Font = selected ? gfx::clWhite : gfx::clBlack;
    } else {
        look.Brush = selected ? gfx::RGB(128, 128, 128) : gfx::RGB(192, 192, 192);
        look.Font = selected ? gfx::RGB(192, 192, 192) : gfx::clBlack;
    }

    auto left = [&](const QString& s) { look.Pieces.push_back({s, false}); };
    auto right = [&](const QString& s) { look.Pieces.push_back({s, true}); };
    auto text = [&](const char* name) { return row.Text(name); };

    if (kind == 2) {
        if (dataCol == 0)
            left(dateText);
        else if (dataCol == 1)
            left(EventText(row.Integer("NUM_VIDOH")));
        else if (dataCol == 4)
            right(fourDigits(row.Integer("PRIBOR")));
        else
            right(QStringLiteral("---"));
        return look;
    }
    if (kind == 3) {
        if (dataCol == 0)
            left(dateText);
        else if (dataCol == 1)
            left(QStringLiteral("system"));
        else
            right(QStringLiteral("---"));
        return look;
    }
    switch (dataCol) {
    case 0: left(dateText); break;
    case 1: left(text("OBSL_FAM") + QLatin1Char(' ') + text("OBSL_NAME") + QLatin1Char(' ') + text("OBSL_PAT")); break;
    case 2:
        right(threeDecimals(izm));
        left(StateMark(text("STAT")));
        break;
    case 3: right(threeDecimals(row.Number("IZM_AIR"))); break;
    case 4: right(fourDigits(row.Integer("PRIBOR"))); break;
    case 5: left(QString::number(row.Integer("NUM_VIDOH"))); break;
    case 6: left(text("MEAS_PLACE")); break;
    case 7: left(text("OBSL_NAUTO")); break;
    case 8: left(text("INSP_FAM") + QLatin1Char(' ') + text("INSP_NAME") + QLatin1Char(' ') + text("INSP_PAT")); break;
    case 9: left(text("INSP_DEPR")); break;
    case 10: left(text("INSP_NUMB")); break;
    default: break;
    }
    return look;
}

void PaintCellLook(gfx::TCanvas& canvas, const gfx::TRect& rect, const TCellLook& look)
{
    canvas.Brush().SetColor(look.Brush);
    canvas.Pen().SetColor(look.Brush);
    canvas.Font().SetColor(look.Font);
    // The whole cell in the row's colour: an outline in the same colour would only cost pixels drawn one by one.
    canvas.FillRect(rect);
    // Texts stay inside their cell: a value anchored 30 pixels from the right of a narrower column would
    // otherwise be written over the cell to its left, which is already painted.
    for (const TCellLook::Piece& p : look.Pieces)
        canvas.ExtTextOut(p.Right ? rect.Right - 30 : rect.Left + 2, rect.Top + 2, gfx::ETO_CLIPPED, &rect, p.Text);
}

bool TDataSetRow::IsNull(const char* column) const
{
    TField* f = Data.FindField(QLatin1StringView(column));
    return !f || f->IsNull();
}

QString TDataSetRow::Text(const char* column) const
{
    TField* f = Data.FindField(QLatin1StringView(column));
    return f ? f->AsString() : QString();
}

int32_t TDataSetRow::Integer(const char* column) const
{
    TField* f = Data.FindField(QLatin1StringView(column));
    return f ? f->AsInteger() : 0;
}

double TDataSetRow::Number(const char* column) const
{
    TField* f = Data.FindField(QLatin1StringView(column));
    return f ? f->AsFloat() : 0.0;
}
