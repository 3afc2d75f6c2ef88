#include "tools/xls-pattern/WorkbookBuilder.h"

#include "platform/xls/CompoundFile.h"
#include "platform/xls/SharedStrings.h"

#include <algorithm>

namespace xlsbuild {
using namespace xls;

namespace {

Bytes font(const QString& name, int height, bool bold)
{
    Bytes b;
    put16(b, uint16_t(height));
    put16(b, 0);                    // not italic, not struck out
    put16(b, 0x7FFF);               // automatic colour
    put16(b, bold ? 700 : 400);
    put16(b, 0);                    // no super- or subscript
    put8(b, 0);                     // not underlined
    put8(b, 0);                     // family
    put8(b, 0xCC);                  // Cyrillic character set
    put8(b, 0);
    putShortString(b, name);
    return b;
}

Bytes xf(int fontIndex, int align, bool style)
{
    Bytes b;
    put16(b, uint16_t(fontIndex));
    put16(b, 0);                                 // general number format
    put16(b, style ? 0xFFF5 : 0x0001);           // locked; a style has no parent, a cell the Normal style
    put8(b, uint8_t(align | (2 << 4)));          // bottom-aligned
    put8(b, 0);
    put8(b, 0);
    put8(b, style ? 0 : (align ? 0x18 : 0x08));  // which attributes a cell format sets itself
    put32(b, 0);                                 // no borders
    put32(b, 0);
    put16(b, 0x20C0);                            // pattern colours: window text on window background
    return b;
}

Bytes words(std::initializer_list<uint16_t> list)
{
    Bytes b;
    for (uint16_t w : list)
        put16(b, w);
    return b;
}

} // namespace

WorkbookBuilder::WorkbookBuilder()
{
    for (int i = 0; i < 4; ++i)  // index 4 does not exist in this format: the next font added is 5
        fonts_.push_back(font(QStringLiteral("Arial"), 200, false));
    xfs_.push_back(xf(0, 0, true));
    for (int i = 1; i < 15; ++i) {
        Bytes s = xf(0, 0, true);
        s[9] = 0xF4;  // the outline styles set nothing
        xfs_.push_back(s);
    }
    xfs_.push_back(xf(0, 0, false));  // 15: the default cell format
}

int WorkbookBuilder::AddFont(const QString& name, int height, bool bold)
{
    fonts_.push_back(font(name, height, bold));
    return int(fonts_.size());  // after index 4, which is skipped
}

int WorkbookBuilder::AddXf(int fontIndex, Align align)
{
    xfs_.push_back(xf(fontIndex, align, false));
    return int(xfs_.size()) - 1;
}

int WorkbookBuilder::AddSheet(const QString& name)
{
    sheets_.push_back(Sheet{name, {}, {}});
    return int(sheets_.size()) - 1;
}

void WorkbookBuilder::Column(int sheet, int first, int last, int width, int xfIndex)
{
    sheets_[size_t(sheet)].columns.push_back(words({uint16_t(first), uint16_t(last), uint16_t(width), uint16_t(xfIndex), 0, 0}));
}

void WorkbookBuilder::Text(int sheet, int row, int col, const QString& text, int xfIndex)
{
    Bytes d = CellHead(uint32_t(row), uint16_t(col), uint16_t(xfIndex));
    put32(d, uint32_t(texts_.size()));
    texts_.push_back(text);
    sheets_[size_t(sheet)].cells[uint32_t(row) << 8 | uint32_t(col)] = {rt::LABELSST, d};
}

void WorkbookBuilder::Number(int sheet, int row, int col, double value, int xfIndex)
{
    Bytes d = CellHead(uint32_t(row), uint16_t(col), uint16_t(xfIndex));
    putDouble(d, value);
    sheets_[size_t(sheet)].cells[uint32_t(row) << 8 | uint32_t(col)] = {rt::NUMBER, d};
}

void WorkbookBuilder::Blank(int sheet, int row, int col, int xfIndex)
{
    sheets_[size_t(sheet)].cells[uint32_t(row) << 8 | uint32_t(col)] = {rt::BLANK, CellHead(uint32_t(row), uint16_t(col), uint16_t(xfIndex))};
}

Bytes WorkbookBuilder::Stream() const
{
    Bytes out;
    const Bytes bof = words({kBiff8, kBofGlobals, 0x0DBB, 0x07CC, 0, 0, 6, 0});
    WriteRecord(out, rt::BOF, bof);
    WriteRecord(out, 0x00E1, words({1200}));                 // interface header: UTF-16
    WriteRecord(out, 0x00C1, words({0}));                    // MMS
    WriteRecord(out, 0x00E2, {});                            // interface end
    WriteRecord(out, rt::CODEPAGE, words({1200}));
    WriteRecord(out, 0x0161, words({0}));                    // DSF: one stream
    Bytes tabs;
    for (size_t i = 0; i < sheets_.size(); ++i)
        put16(tabs, uint16_t(i + 1));
    WriteRecord(out, 0x013D, tabs);                          // TABID
    WriteRecord(out, 0x0019, words({0}));                    // WINDOWPROTECT
    WriteRecord(out, 0x0012, words({0}));                    // PROTECT
    WriteRecord(out, 0x0013, words({0}));                    // PASSWORD
    WriteRecord(out, rt::WINDOW1, words({0x0168, 0x001E, 0x4000, 0x2000, 0x0038, 0, 0, 1, 0x0258}));
    WriteRecord(out, 0x0040, words({0}));                    // BACKUP
    WriteRecord(out, 0x008D, words({0}));                    // HIDEOBJ
    WriteRecord(out, 0x0022, words({0}));                    // DATEMODE: 1900
    WriteRecord(out, 0x000E, words({1}));                    // PRECISION: full
    WriteRecord(out, 0x00DA, words({0}));                    // BOOKBOOL
    for (const Bytes& f : fonts_)
        WriteRecord(out, rt::FONT, f);
    for (const Bytes& x : xfs_)
        WriteRecord(out, rt::XF, x);
    Bytes style;
    put16(style, 0x8000);  // built-in style on format 0
    put8(style, 0);        // Normal
    put8(style, 0xFF);
    WriteRecord(out, rt::STYLE, style);
    WriteRecord(out, 0x0160, words({1}));                    // USESELFS
    std::vector<size_t> sheetPointers;
    for (const Sheet& s : sheets_) {
        Bytes b;
        put32(b, 0);
        put8(b, 0);  // visible
        put8(b, 0);  // worksheet
        putShortString(b, s.name);
        sheetPointers.push_back(out.size() + 4);
        WriteRecord(out, rt::BOUNDSHEET, b);
    }
    WriteRecord(out, 0x008C, words({7, 7}));                 // COUNTRY
    SharedStrings sst;
    for (const QString& t : texts_) {
        sst.Add(t);
        sst.AddReferences(1);
    }
    sst.Write(out);
    WriteRecord(out, rt::EOF_, {});

    for (size_t i = 0; i < sheets_.size(); ++i) {
        set32(out, sheetPointers[i], uint32_t(out.size()));
        const Sheet& s = sheets_[i];
        WriteRecord(out, rt::BOF, words({kBiff8, kBofWorksheet, 0x0DBB, 0x07CC, 0, 0, 6, 0}));
        WriteRecord(out, 0x000D, words({1}));                // CALCMODE: automatic
        WriteRecord(out, 0x000C, words({100}));              // CALCCOUNT
        WriteRecord(out, 0x000F, words({1}));                // REFMODE: A1
        WriteRecord(out, 0x0011, words({0}));                // ITERATION
        WriteRecord(out, 0x0082, words({1}));                // GRIDSET
        WriteRecord(out, 0x0080, words({0, 0, 0, 0}));       // GUTS
        WriteRecord(out, rt::DEFAULTROWHEIGHT, words({0, 0x00FF}));
        WriteRecord(out, 0x0081, words({0x04C1}));           // WSBOOL
        WriteRecord(out, rt::DEFCOLWIDTH, words({8}));
        for (const Bytes& c : s.columns)
            WriteRecord(out, rt::COLINFO, c);
        uint32_t rowMin = UINT32_MAX, rowEnd = 0;
        uint16_t colMin = UINT16_MAX, colEnd = 0;
        for (const auto& [k, cell] : s.cells) {
            rowMin = std::min(rowMin, k >> 8);
            rowEnd = std::max(rowEnd, (k >> 8) + 1);
            colMin = std::min<uint16_t>(colMin, uint16_t(k & 0xFF));
            colEnd = std::max<uint16_t>(colEnd, uint16_t((k & 0xFF) + 1));
        }
        Bytes dim;
        put32(dim, s.cells.empty() ? 0 : rowMin);
        put32(dim, rowEnd);
        put16(dim, s.cells.empty() ? 0 : colMin);
        put16(dim, colEnd);
        put16(dim, 0);
        WriteRecord(out, rt::DIMENSIONS, dim);
        for (const auto& [k, cell] : s.cells)
            WriteRecord(out, cell.first, cell.second);
        WriteRecord(out, rt::WINDOW2, words({uint16_t(i == 0 ? 0x06B6 : 0x02B6), 0, 0, 0x40, 0, 0, 0, 0, 0}));
        WriteRecord(out, rt::EOF_, {});
    }
    return out;
}

bool WorkbookBuilder::Write(const QString& path, QString* error) const
{
    std::string why;
    if (WriteCompoundFile(path.toStdString(), {CompoundStream{"Workbook", Stream()}}, why))
        return true;
    if (error)
        *error = QString::fromStdString(why);
    return false;
}

} // namespace xlsbuild
