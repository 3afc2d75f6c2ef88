// RTF exporter.
#include "grid/DBGridExExportRTF.h"
#include "grid/ColumnEx.h"
#include "grid/DBGridEx.h"
#include "grid/DBGridExExportTitles.h"
#include "grid/GridError.h"
#include "grid/HeadTreeNode.h"
#include "platform/rtl/ScopeGuard.h"
#include <QIODevice>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>

namespace {
constexpr unsigned kLeft = 1, kTop = 2, kRight = 4, kBottom = 8, kAll = 15;

const char* alignWord(TAlignment a)
{
    switch (a) {
    case taRightJustify: return "\\qr";
    case taCenter: return "\\qc";
    default: return "\\ql";
    }
}

bool needsEscape(char ch)
{
    return ch == '\\' || ch == '{' || ch == '}' || static_cast<unsigned char>(ch) >= 0x80;
}

// Backslashes and braces are RTF's own syntax: in a text they must be escaped or the document breaks.
// Bytes above 127 go as \'hh in the declared code page: RTF is 7-bit text, and readers drop raw ones.
QByteArray escaped(QByteArray bytes)
{
    if (std::none_of(bytes.cbegin(), bytes.cend(), needsEscape))
        return bytes;
    static const char hex[] = "0123456789abcdef";
    QByteArray out;
    out.reserve(bytes.size() * 4);
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80) {
            out.append("\\'", 2);
            out.append(hex[b >> 4]);
            out.append(hex[b & 15]);
            continue;
        }
        if (needsEscape(ch))
            out.append('\\');
        out.append(ch);
    }
    return out;
}
} // namespace

bool TDBGridExExportAsRTF::TablesKnownBeforehand() const
{
    if (DBGridEx->OnGetCellParams || DBGridEx->OnGetFooterParams)
        return false;
    for (int i = 0; i < DBGridEx->Columns().Count(); ++i)
        if (DBGridEx->Columns()[i]->OnGetCellParams())
            return false;
    return true;
}

void TDBGridExExportAsRTF::ResetTables()
{
    colors_.clear();
    colorIndex_.clear();
    fonts_.clear();
    GetColorIndex(gfx::clBlack);
    GetColorIndex(gfx::clWhite);
    GetColorIndex(gfx::clBtnFace);
}

void TDBGridExExportAsRTF::ResetRepeats()
{
    rowShading_.clear();
    rowDefinition_.clear();
    fontPart_.clear();
    lastBackgroundIndex_ = -1;
}

void TDBGridExExportAsRTF::WriteTables(QIODevice& stream)
{
    SetStream(&stream);
    Put("{\\rtf0\\ansi\\ansicpg");
    PutInt(CodePage());
    PutL("");
    Put("{\\colortbl");
    for (gfx::TColor c : colors_) {
        Put("\\red");
        PutInt(gfx::GetRValue(c));
        Put("\\green");
        PutInt(gfx::GetGValue(c));
        Put("\\blue");
        PutInt(gfx::GetBValue(c));
        Put(";");
    }
    PutL("}");
    Put("{\\fonttbl");
    for (int i = 0; i < fonts_.size(); ++i) {
        Put("\\f");
        PutInt(i);
        // The font's character set says the code page once more, for readers that go by the font.
        Put(CodePage() == 1251 ? "\\fnil\\fcharset204 " : "\\fnil ");
        Put(escaped(Encode(fonts_[i])));
        Put(";");
    }
    PutL("}");
    Flush();
}

void TDBGridExExportAsRTF::ExportToStream(QIODevice& stream, bool exportAll)
{
    // Nothing selected writes nothing at all, not even a header without its closing brace.
    if (!exportAll && DBGridEx->Selection().SelectionType() == gstNon)
        return;
    const rtl::TScopeGuard cleanup([this] {
        colors_.clear();
        colorIndex_.clear();
        fonts_.clear();
    });
    ResetTables();
    ResetRepeats();
    if (TablesKnownBeforehand()) {
        // Without per-record hooks every record uses the colours and fonts of the first one: a walk over
        // the titles, one record and the footers, its output dropped, fills the tables, and the body then
        // goes straight to the stream after them.
        ExportWalk(nullptr, exportAll, 1);
        ResetRepeats();
        const qsizetype colors = qsizetype(colors_.size()), fonts = fonts_.size();
        WriteTables(stream);
        ExportWalk(&stream, exportAll);
        if (qsizetype(colors_.size()) != colors || fonts_.size() != fonts)
            throw EInvalidGridOperation(QStringLiteral("RTF tables changed while the body was written"));
        return;
    }
    // The body waits in a temporary file while the tables it needs are collected: a large export then
    // costs no memory of its size.
    QTemporaryFile body;
    if (!body.open())
        throw EInvalidGridOperation(QStringLiteral("Cannot create a temporary file. %1").arg(body.errorString()));
    ExportWalk(&body, exportAll);
    WriteTables(stream);
    body.seek(0);
    QByteArray chunk;
    while (!(chunk = body.read(1 << 20)).isEmpty())
        if (stream.write(chunk) != chunk.size())
            throw EInvalidGridOperation(QStringLiteral("Stream write error"));
}

int TDBGridExExportAsRTF::GetColorIndex(gfx::TColor color)
{
    const gfx::TColor rgb = gfx::ColorToRGB(color) & 0xFFFFFF;
    auto it = colorIndex_.constFind(rgb);
    if (it != colorIndex_.constEnd())
        return *it;
    colors_.push_back(rgb);
    colorIndex_.insert(rgb, int(colors_.size()) - 1);
    return int(colors_.size()) - 1;
}

int TDBGridExExportAsRTF::GetFontIndex(const QString& name)
{
    int i = int(fonts_.indexOf(name));
    if (i < 0) {
        fonts_.append(name);
        i = int(fonts_.size()) - 1;
    }
    return i;
}

void TDBGridExExportAsRTF::WriteCellBorder(bool left, bool top, bool right, bool bottom)
{
    const struct { bool on; const char* word; } sides[] = {
        {left, "\\clbrdrl"}, {top, "\\clbrdrt"}, {bottom, "\\clbrdrb"}, {right, "\\clbrdrr"}};
    for (const auto& s : sides) {
        if (!s.on)
            continue;
        Put(s.word);
        Put("\\brdrs");
        PutL("\\brdrcf0");
    }
}

void TDBGridExExportAsRTF::PutText(const gfx::TFont& font, const QString& text, gfx::TColor background)
{
    if (fontPart_.isEmpty() || font.Size() != fontSize_ || font.Style() != fontStyle_ || font.Color() != fontColor_
        || font.Name() != fontName_) {
        fontName_ = font.Name();
        fontSize_ = font.Size();
        fontStyle_ = font.Style();
        fontColor_ = font.Color();
        fontPart_ = "\\fs" + QByteArray::number(fontSize_ * 2);
        if (fontStyle_ & gfx::fsBold) fontPart_ += "\\b";
        if (fontStyle_ & gfx::fsItalic) fontPart_ += "\\i";
        if (fontStyle_ & gfx::fsStrikeOut) fontPart_ += "\\strike";
        if (fontStyle_ & gfx::fsUnderline) fontPart_ += "\\ul";
        fontPart_ += "\\f" + QByteArray::number(GetFontIndex(fontName_)) + "\\cf"
                     + QByteArray::number(GetColorIndex(fontColor_)) + "\\cb";
    }
    if (lastBackgroundIndex_ < 0 || background != lastBackground_) {
        lastBackground_ = background;
        lastBackgroundIndex_ = GetColorIndex(background);
    }
    Put(fontPart_);
    PutInt(lastBackgroundIndex_);
    Put(" ");
    Put(escaped(Encode(text)));
}

void TDBGridExExportAsRTF::WriteSuffix()
{
    Put("}");
}

void TDBGridExExportAsRTF::putRow(const std::vector<gfx::TColor>& shading, const std::vector<unsigned>& borders,
                                  const std::function<void()>& cells)
{
    if (rowDefinition_.isEmpty() || shading != rowShading_ || borders != rowBorders_) {
        rowShading_ = shading;
        rowBorders_ = borders;
        std::string saved;
        saved.swap(out());
        Put("\\trowd");
        PutL("\\trgaph40");
        const double ppi = DBGridEx->logicalDpiX() > 0 ? DBGridEx->logicalDpiX() : 96;
        qint64 right = 0;
        for (size_t c = 0; c < shading.size(); ++c) {
            const unsigned b = borders[c];
            WriteCellBorder(b & kLeft, b & kTop, b & kRight, b & kBottom);
            right += qint64(std::nearbyint(ExpCols[qsizetype(c)]->Width() / ppi * 1440.0));
            Put("\\clshdng10000\\clcfpat");
            PutInt(GetColorIndex(shading[c]));
            Put("\\cellx");
            PutInt(right);
            PutL("");
        }
        PutL("{\\trrh0");
        rowDefinition_ = QByteArray(out().data(), qsizetype(out().size()));
        out().swap(saved);
    }
    Put(rowDefinition_);
    cells();
    PutL("\\pard\\intbl\\row}");
}

void TDBGridExExportAsRTF::putCell(TAlignment alignment, const gfx::TFont& font, const QString& text,
                                   gfx::TColor background)
{
    const char* spacing = DBGridEx->Flat() ? "12" : "24";
    Put("\\pard\\intbl{");
    Put(alignWord(alignment));
    Put("\\sb");
    Put(spacing);
    Put("\\sa");
    Put(spacing);
    PutText(font, text, background);
    PutL("\\cell}");
}

void TDBGridExExportAsRTF::WriteTitle(const TColumnsExList& columns)
{
    const size_t n = size_t(columns.size());
    if (!DBGridEx->UseMultiTitle()) {
        std::vector<gfx::TColor> shading(n);
        for (size_t c = 0; c < n; ++c)
            shading[c] = columns[qsizetype(c)]->Title().Color();
        putRow(shading, std::vector<unsigned>(n, kAll), [&] {
            for (TColumnEx* column : columns)
                putCell(column->Title().Alignment(), column->Title().Font(), column->Title().Caption(),
                        column->Title().Color());
        });
        return;
    }
    const TDBGridExExportTitles titles(DBGridEx, columns);
    for (int level = titles.LevelCount() - 1; level >= 0; --level) {
        std::vector<gfx::TColor> shading(n);
        std::vector<unsigned> borders(n, kAll);
        for (size_t c = 0; c < n; ++c) {
            shading[c] = level > 0 ? DBGridEx->FixedColor() : columns[qsizetype(c)]->Title().Color();
            const TDBGridExExportTitles::Cell& cell = titles.At(level, int(c));
            if (cell.Block < 0)
                continue;
            const TDBGridExExportTitles::Block& b = titles.BlockOf(cell.Block);
            borders[c] = (int(c) == b.FirstCol ? kLeft : 0) | (int(c) == b.LastCol ? kRight : 0)
                         | (level == b.TopLevel ? kTop : 0) | (level == b.BottomLevel ? kBottom : 0);
        }
        putRow(shading, borders, [&] {
            for (size_t c = 0; c < n; ++c) {
                const TDBGridExExportTitles::Cell& cell = titles.At(level, int(c));
                const QString text = cell.Node ? cell.Node->Text : QString();
                const gfx::TFont& font = level > 0 ? DBGridEx->TitleFont() : columns[qsizetype(c)]->Title().Font();
                putCell(taCenter, font, text, shading[c]);
            }
        });
    }
}

void TDBGridExExportAsRTF::WriteRecord(const TColumnsExList& columns)
{
    const size_t n = size_t(columns.size());
    std::vector<gfx::TColor> shading(n);
    gfx::TFont font;
    for (size_t c = 0; c < n; ++c) {
        TColumnEx* column = columns[qsizetype(c)];
        shading[c] = column->Color();
        if (DBGridEx->OnGetCellParams) {
            font.Assign(column->Font());
            DBGridEx->OnGetCellParams(DBGridEx, column, font, shading[c], 0);
        }
    }
    putRow(shading, std::vector<unsigned>(n, kAll), [&] { TDBGridExExport::WriteRecord(columns); });
}

void TDBGridExExportAsRTF::WriteDataCell(TColumnEx*, TColCellParamsEx& params)
{
    putCell(params.Alignment, *params.Font, params.Text, params.Background);
}

void TDBGridExExportAsRTF::WriteFooter(const TColumnsExList& columns, int footerNo)
{
    const size_t n = size_t(columns.size());
    std::vector<gfx::TColor> shading(n);
    gfx::TFont font;
    for (size_t c = 0; c < n; ++c) {
        TAlignment alignment;
        QString text;
        FooterCellParams(footerNo, int(c), font, shading[c], alignment, text);
    }
    putRow(shading, std::vector<unsigned>(n, kAll), [&] { TDBGridExExport::WriteFooter(columns, footerNo); });
}

void TDBGridExExportAsRTF::WriteFooterCell(int, int, TColumnEx*, gfx::TFont& font, gfx::TColor background,
                                           TAlignment alignment, const QString& text)
{
    putCell(alignment, font, text, background);
}
