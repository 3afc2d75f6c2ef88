// HTML exporter.
#include "grid/DBGridExExportHTML.h"
#include "grid/ColumnEx.h"
#include "grid/DBGridEx.h"
#include "grid/DBGridExExportTitles.h"
#include "grid/HeadTreeNode.h"

namespace {
// The grid has no flat-look switch of its own for 3D controls: it always draws them three-dimensional.
constexpr bool kCtl3D = true;

const char* const kStyleOpen[] = {"<B>", "<I>", "<U>", "<STRIKE>"};
const char* const kStyleClose[] = {"</B>", "</I>", "</U>", "</STRIKE>"};
const unsigned kStyles[] = {gfx::fsBold, gfx::fsItalic, gfx::fsUnderline, gfx::fsStrikeOut};
} // namespace

const char* TDBGridExExportAsHTML::GetAlignment(TAlignment alignment)
{
    switch (alignment) {
    case taRightJustify: return "RIGHT";
    case taCenter: return "CENTER";
    default: return "LEFT";
    }
}

QByteArray TDBGridExExportAsHTML::GetColor(gfx::TColor color)
{
    const gfx::TColor rgb = color == gfx::clNone ? gfx::clBlack : gfx::ColorToRGB(color);
    const int v = (gfx::GetRValue(rgb) << 16) | (gfx::GetGValue(rgb) << 8) | gfx::GetBValue(rgb);
    return QByteArray::number(v, 16).rightJustified(6, '0').toUpper();
}

const QByteArray& TDBGridExExportAsHTML::colorText(gfx::TColor color)
{
    if (lastColorText_.isEmpty() || color != lastColor_) {
        lastColor_ = color;
        lastColorText_ = GetColor(color);
    }
    return lastColorText_;
}

void TDBGridExExportAsHTML::PutText(const gfx::TFont& font, const QString& text)
{
    const FontKey key{font.Name(), font.Size(), font.Style(), font.Color()};
    if (fontOpen_.isEmpty() || !(key == fontKey_)) {
        fontKey_ = key;
        fontOpen_ = "<FONT STYLE=\"font-family: " + Encode(key.Name) + "; font-size: " + QByteArray::number(key.Size)
                    + "pt; color: #" + GetColor(key.Color) + "\">";
        fontClose_.clear();
        for (int i = 0; i < 4; ++i)
            if (key.Style & kStyles[i]) {
                fontOpen_ += kStyleOpen[i];
                fontClose_ += kStyleClose[i];
            }
        fontClose_ += "</FONT>";
    }
    Put(fontOpen_);
    // Entities end with their semicolon: without it a ';' that follows in the text joins the entity and
    // is lost to the reader.
    if (text.isEmpty()) {
        Put("&nbsp;");
    } else {
        QByteArray bytes = Encode(text);
        bool special = false;
        for (char c : bytes)
            if (c == '&' || c == '<' || c == '>' || c == '"') {
                special = true;
                break;
            }
        if (special)
            bytes.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace("\"", "&quot;");
        Put(bytes);
    }
    Put(fontClose_);
}

void TDBGridExExportAsHTML::WritePrefix()
{
    widths_.clear();
    PutL("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">");
    PutL("<HTML>");
    PutL("<HEAD>");
    // Readers take the character set from here; without it they guess, and a wrong guess also swallows
    // markup that follows a letter.
    Put("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=");
    Put(CodePage() == 65001 ? "utf-8" : "windows-1251");
    PutL("\">");
    PutL("<TITLE>");
    PutL(Encode(DBGridEx->objectName()));
    PutL("</TITLE>");
    PutL("</HEAD>");
    PutL("<BODY>");
    const TDBGridOptions o = DBGridEx->Options();
    const char* border = !has(o, dgColLines) && !has(o, dgRowLines) ? "BORDER=0 CELLSPACING=0 CELLPADDING="
                         : kCtl3D                                   ? "BORDER=1 CELLSPACING=0 CELLPADDING="
                                                                    : "BORDER=0 CELLSPACING=1 CELLPADDING=";
    Put("<TABLE ");
    Put(border);
    Put(DBGridEx->Flat() ? "1" : "2");
    Put(" BGCOLOR=#");
    Put(GetColor(DBGridEx->FixedColor()));
    Put(">\r\n");
    PutL("");
}

void TDBGridExExportAsHTML::WriteSuffix()
{
    PutL("</TABLE>");
    PutL("</BODY>");
    PutL("</HTML>");
}

int TDBGridExExportAsHTML::widthOf(TColumnEx* column)
{
    for (const auto& [c, w] : widths_)
        if (c == column)
            return w;
    widths_.emplace_back(column, column->Width());
    return widths_.back().second;
}

void TDBGridExExportAsHTML::putCellStart(TColumnEx* column, TAlignment alignment, gfx::TColor background)
{
    Put("  <TD WIDTH=");
    PutInt(widthOf(column));
    Put(" ALIGN=\"");
    Put(GetAlignment(alignment));
    Put("\" BGCOLOR=#");
    Put(colorText(background));
    Put(">");
}

void TDBGridExExportAsHTML::WriteTitle(const TColumnsExList& columns)
{
    if (columns.isEmpty())
        return;
    if (!DBGridEx->UseMultiTitle()) {
        PutL("<TR>");
        for (TColumnEx* column : columns) {
            Put("  <TD WIDTH=");
            PutInt(widthOf(column));
            Put(" ALIGN=\"");
            Put(GetAlignment(column->Title().Alignment()));
            Put("\">");
            PutText(column->Title().Font(), column->Title().Caption());
            PutL("</TD>");
        }
        PutL("</TR>");
        return;
    }
    const TDBGridExExportTitles titles(DBGridEx, columns);
    for (int level = titles.LevelCount() - 1; level >= 0; --level) {
        PutL("<TR>");
        for (int c = 0; c < columns.size(); ++c) {
            const TDBGridExExportTitles::Cell& cell = titles.At(level, c);
            if (!cell.Node)
                continue;
            if (level > 0) {
                Put("  <TD ALIGN=\"CENTER\"");
            } else {
                Put("  <TD WIDTH=");
                PutInt(widthOf(columns[c]));
                Put(" ALIGN=\"CENTER\"");
            }
            if (cell.ColSpan > 1) {
                Put(" COLSPAN = \"");
                PutInt(cell.ColSpan);
                Put("\"");
            }
            if (cell.RowSpan > 1) {
                Put(" ROWSPAN = \"");
                PutInt(cell.RowSpan);
                Put("\"");
            }
            Put(">");
            PutText(level > 0 ? DBGridEx->TitleFont() : columns[c]->Title().Font(), cell.Node->Text);
            PutL("</TD>");
        }
        PutL("</TR>");
    }
}

void TDBGridExExportAsHTML::WriteRecord(const TColumnsExList& columns)
{
    PutL("<TR>");
    TDBGridExExport::WriteRecord(columns);
    PutL("</TR>");
}

void TDBGridExExportAsHTML::WriteDataCell(TColumnEx* column, TColCellParamsEx& params)
{
    putCellStart(column, params.Alignment, params.Background);
    PutText(*params.Font, params.Text);
    PutL("</TD>");
}

void TDBGridExExportAsHTML::WriteFooter(const TColumnsExList& columns, int footerNo)
{
    PutL("<TR>");
    TDBGridExExport::WriteFooter(columns, footerNo);
    PutL("</TR>");
}

void TDBGridExExportAsHTML::WriteFooterCell(int, int row, TColumnEx* column, gfx::TFont& font,
                                            gfx::TColor background, TAlignment, const QString& text)
{
    putCellStart(column, column->UsedFooter(row).Alignment(), background);
    PutText(font, text);
    PutL("</TD>");
}
