// Grid export: exact bytes of every format over a small fixture, the walk over the selection kinds,
// footers, the multi-level title, and outside readers (Python's csv and HTML parser, unrtf, xlrd) that
// accept what is written.
#include "GridIOFixture.h"
#include "grid/DBGridExClipboard.h"
#include "grid/DBGridExExportGRIDBIF.h"
#include "grid/DBGridExExportHTML.h"
#include "grid/DBGridExExportRTF.h"
#include "grid/DBGridExExportText.h"
#include "grid/DBGridExExportXLS.h"
#include "grid/DBGridExImportText.h"
#include "common/testutil.h"
#include <gtest/gtest.h>

using namespace gridio;

namespace {

const std::vector<std::vector<QVariant>> kRows = {{1, QStringLiteral("a\"b")}, {2, QStringLiteral("<&>")}};
const QByteArray kName = QByteArray("\xC8\xEC\xFF");  // "Имя" in cp1251

const QByteArray kHtmlFont = "<FONT STYLE=\"font-family: Arial; font-size: 10pt; color: #000000\">";

QByteArray htmlCell(int width, const char* align, const QByteArray& text)
{
    return "  <TD WIDTH=" + QByteArray::number(width) + " ALIGN=\"" + align + "\" BGCOLOR=#FFFFFF>" + kHtmlFont + text
           + "</FONT></TD>\r\n";
}

const QByteArray kBorders = "\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n\\clbrdrb\\brdrs\\brdrcf0\r\n"
                            "\\clbrdrr\\brdrs\\brdrcf0\r\n";

QByteArray rtfRow(int shade, const QByteArray& cells)
{
    const QByteArray s = QByteArray::number(shade);
    return "\\trowd\\trgaph40\r\n" + kBorders + "\\clshdng10000\\clcfpat" + s + "\\cellx600\r\n" + kBorders
           + "\\clshdng10000\\clcfpat" + s + "\\cellx2100\r\n{\\trrh0\r\n" + cells + "\\pard\\intbl\\row}\r\n";
}

QByteArray rtfCell(const char* align, const QByteArray& style, int bg, const QByteArray& text)
{
    return QByteArray("\\pard\\intbl{") + align + "\\sb24\\sa24\\fs20" + style + "\\f0\\cf0\\cb" + QByteArray::number(bg)
           + " " + text + "\\cell}\r\n";
}

} // namespace

TEST(GridExport, ExactBytesOfEveryFormat)
{
    const QByteArray html =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n<HTML>\r\n<HEAD>\r\n"
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">\r\n<TITLE>\r\nGrid1\r\n</TITLE>\r\n"
        "</HEAD>\r\n<BODY>\r\n<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=2 BGCOLOR=#D4D0C8>\r\n\r\n"
        "<TR>\r\n  <TD WIDTH=40 ALIGN=\"LEFT\">" + kHtmlFont + "<B>N</B></FONT></TD>\r\n"
        "  <TD WIDTH=100 ALIGN=\"LEFT\">" + kHtmlFont + "<B>" + kName + "</B></FONT></TD>\r\n</TR>\r\n"
        "<TR>\r\n" + htmlCell(40, "RIGHT", "1") + htmlCell(100, "LEFT", "a&quot;b") + "</TR>\r\n"
        "<TR>\r\n" + htmlCell(40, "RIGHT", "2") + htmlCell(100, "LEFT", "&lt;&amp;&gt;") + "</TR>\r\n"
        "</TABLE>\r\n</BODY>\r\n</HTML>\r\n";
    const QByteArray rtf =
        "{\\rtf0\\ansi\\ansicpg1251\r\n{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;\\red212\\green208\\blue200;}\r\n"
        "{\\fonttbl\\f0\\fnil\\fcharset204 Arial;}\r\n"
        + rtfRow(2, rtfCell("\\ql", "\\b", 2, "N") + rtfCell("\\ql", "\\b", 2, "\\'c8\\'ec\\'ff"))
        + rtfRow(1, rtfCell("\\qr", "", 1, "1") + rtfCell("\\ql", "", 1, "a\"b"))
        + rtfRow(1, rtfCell("\\qr", "", 1, "2") + rtfCell("\\ql", "", 1, "<&>")) + "}";
    const QByteArray xls = QByteArray::fromHex("090808000000100000000000" "42000200e304"
                                               "040209000000000000000100" "4e"
                                               "04020b000000010000000300" "c8ecff"
                                               "7e020a000100000000000600" "0000"
                                               "04020b000100010000000300" "612262"
                                               "7e020a000200000000000a00" "0000"
                                               "04020b000200010000000300" "3c263e"
                                               "0a000000");
    const QByteArray gridbif = QByteArray("GRIDBIF\x01\x02\0\0\0\x01\0\x01\0", 16)
                               + QByteArray("\x03\x01\0\0\0\x05\x03\0\0\0a\"b", 13)
                               + QByteArray("\x03\x02\0\0\0\x05\x03\0\0\0<&>", 13) + QByteArray("\0", 1);
    const struct {
        const char* name;
        TDBGridExExportClass cls;
        QByteArray bytes;
    } cases[] = {
        {"text", &TDBGridExExportAsText::Create, "N\t" + kName + "\r\n1\ta\"b\r\n2\t<&>"},
        {"csv", &TDBGridExExportAsCSV::Create, "\"N\";\"" + kName + "\"\r\n\"1\";\"a\"\"b\"\r\n\"2\";\"<&>\""},
        {"html", &TDBGridExExportAsHTML::Create, html},
        {"rtf", &TDBGridExExportAsRTF::Create, rtf},
        {"xls", &TDBGridExExportAsXLS::Create, xls},
        {"gridbif", &TDBGridExExportAsGRIDBIF::Create, gridbif},
    };
    for (const auto& c : cases) {
        IOGrid g(kRows);
        EXPECT_EQ(g.exportAll(c.cls), c.bytes) << c.name;
    }
}

// RTF fills its colour and font tables before the body when no hook can change a record's look, and
// collects them while the body waits aside otherwise: both give the same document, and a colour that a
// hook gives only to a later record still reaches the table.
TEST(GridExport, RtfTablesWithAndWithoutCellHooks)
{
    const struct {
        const char* name;
        std::vector<std::vector<QVariant>> rows;
        bool titles;
    } cases[] = {{"two records", kRows, true}, {"no records", {}, true}, {"no titles", kRows, false}};
    for (const auto& c : cases) {
        IOGrid plain(c.rows), hooked(c.rows);
        for (IOGrid* g : {&plain, &hooked})
            if (!c.titles)
                g->grid.SetOptions(g->grid.Options() & ~bit(dgTitles));
        hooked.grid.OnGetCellParams = [](TCustomDBGridEx*, TColumnEx*, gfx::TFont&, gfx::TColor&, TGridDrawState) {};
        EXPECT_EQ(plain.exportAll(&TDBGridExExportAsRTF::Create), hooked.exportAll(&TDBGridExExportAsRTF::Create)) << c.name;
    }
    IOGrid g(kRows);
    g.grid.OnGetCellParams = [&](TCustomDBGridEx*, TColumnEx*, gfx::TFont&, gfx::TColor& background, TGridDrawState) {
        if (g.ds.RecNo() == 2)
            background = gfx::TColor(0x0000FF);
    };
    const QByteArray rtf = g.exportAll(&TDBGridExExportAsRTF::Create);
    EXPECT_TRUE(rtf.startsWith("{\\rtf0\\ansi\\ansicpg1251\r\n{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;"
                               "\\red212\\green208\\blue200;\\red255\\green0\\blue0;}")) << rtf.left(200).toStdString();
    EXPECT_TRUE(rtf.contains("\\clcfpat3\\cellx600")) << "the second record's row is shaded with the hook's colour";
}

namespace {
const std::vector<std::vector<QVariant>> kFive = {{1, QStringLiteral("a")}, {2, QStringLiteral("b")},
                                                  {3, QStringLiteral("c")}, {4, QStringLiteral("d")},
                                                  {5, QStringLiteral("e")}};

void selectRows(IOGrid& g, std::initializer_list<int> recNos)
{
    for (int n : recNos) {
        g.ds.SetRecNo(n);
        g.grid.SelectedRows().SetCurrentRowSelected(true);
    }
}

TBookmark bookmarkOf(IOGrid& g, int recNo)
{
    g.ds.SetRecNo(recNo);
    return g.ds.GetBookmark();
}
} // namespace

// What each selection kind exports, in which order, and that the grid keeps its current record.
TEST(GridExport, WalkFollowsTheSelection)
{
    for (TDBGridExExportClass cls : {&TDBGridExExportAsText::Create, &TDBGridExExportAsCSV::Create,
                                     &TDBGridExExportAsHTML::Create, &TDBGridExExportAsRTF::Create,
                                     &TDBGridExExportAsXLS::Create, &TDBGridExExportAsGRIDBIF::Create}) {
        IOGrid g(kFive);
        EXPECT_TRUE(g.exportAll(cls, false).isEmpty()) << "nothing selected writes nothing at all";
    }
    {
        IOGrid g(kFive);
        selectRows(g, {4, 2});
        g.ds.SetRecNo(3);
        EXPECT_EQ(g.exportAll(&TDBGridExExportAsText::Create, false), "N\t" + kName + "\r\n2\tb\r\n4\td");
        EXPECT_EQ(g.ds.RecNo(), 3);
    }
    {
        IOGrid g(kFive);
        g.grid.Selection().Rect().Select(1, bookmarkOf(g, 2), false);
        g.grid.Selection().Rect().Select(1, bookmarkOf(g, 3), true);
        EXPECT_EQ(g.exportAll(&TDBGridExExportAsText::Create, false), kName + "\r\nb\r\nc");
    }
    {
        // A bottom row that is never reached (it was deleted): the walk stops at the end of the data.
        IOGrid g(kFive);
        const TBookmark bottom = bookmarkOf(g, 5);
        g.grid.Selection().Rect().Select(0, bookmarkOf(g, 3), false);
        g.grid.Selection().Rect().Select(1, bottom, true);
        g.ds.SetRecNo(5);
        g.ds.Delete();
        g.grid.Selection().Rect().Select(1, bottom, true);
        EXPECT_EQ(g.exportAll(&TDBGridExExportAsText::Create, false), "N\t" + kName + "\r\n3\tc\r\n4\td");
    }
    {
        IOGrid g({{1, QStringLiteral("a")}, {2, QStringLiteral("b")}});
        g.grid.Selection().Columns().Select(g.grid.Columns()[1], false);
        EXPECT_EQ(g.exportAll(&TDBGridExExportAsCSV::Create, false), "\"" + kName + "\"\r\n\"a\"\r\n\"b\"");
        g.grid.SetOptions(g.grid.Options() & ~bit(dgTitles));
        DBGridExImpExpCsvSeparator = ',';
        EXPECT_EQ(g.exportAll(&TDBGridExExportAsCSV::Create, false), "\"a\"\r\n\"b\"");
        DBGridExImpExpCsvSeparator = ';';
    }
}

// Footer sums and counts over records with a null, in the text, spreadsheet and HTML forms.
TEST(GridExport, FootersSumAndCount)
{
    IOGrid g({{1, QStringLiteral("a"), 0.25}, {QVariant(), QStringLiteral("b"), QVariant()}, {2, QStringLiteral("c"), 1.5}},
             true);
    g.grid.SetFooterRowCount(2);
    for (int i = 0; i < 3; ++i) {
        g.grid.Columns()[i]->Footers().Add()->SetValueType(i == 1 ? fvtStaticText : fvtSum);
        g.grid.Columns()[i]->Footers().Add()->SetValueType(fvtCount);
    }
    g.grid.Columns()[1]->Footers().Items(0)->SetValue(QStringLiteral("Total"));
    g.grid.Columns()[0]->Footers().Items(1)->SetFieldName(QStringLiteral("NO_SUCH_FIELD"));
    g.grid.SetOptions(g.grid.Options() & ~bit(dgTitles));
    const QByteArray text = g.exportAll(&TDBGridExExportAsText::Create);
    EXPECT_EQ(QString::fromLatin1(text).toStdString(), QByteArray("1\ta\t0,25\r\n\tb\t\r\n2\tc\t1,5\r\n3\tTotal\t1,75\r\n\t3\t3").toStdString());

    const QByteArray xls = g.exportAll(&TDBGridExExportAsXLS::Create);
    // The sum footer of ID is a NUMBER record holding 3.0 on row 3.
    const QByteArray number = QByteArray::fromHex("03020e00030000000000") + QByteArray::fromHex("0000000000000840");
    EXPECT_TRUE(xls.contains(number));
    // A null integer stays an empty cell rather than a zero.
    EXPECT_TRUE(xls.contains(QByteArray::fromHex("040208000100000000000000")));

    const QByteArray html = g.exportAll(&TDBGridExExportAsHTML::Create);
    EXPECT_TRUE(html.contains(">1,75</FONT>"));
    EXPECT_TRUE(html.contains(">Total</FONT>"));
    EXPECT_TRUE(html.contains(">&nbsp;</FONT>"));
}

// Captions "Group|A", "Group|B", "C": HTML spans the group over two columns and C over two levels; RTF
// writes every position as its own cell and leaves out the borders inside a block.
TEST(GridExport, MultiLevelTitleSpans)
{
    IOGrid g({{1, QStringLiteral("a"), 0.5}}, true);
    g.grid.Columns()[0]->Title().SetCaption(QStringLiteral("Group|A"));
    g.grid.Columns()[1]->Title().SetCaption(QStringLiteral("Group|B"));
    g.grid.Columns()[2]->Title().SetCaption(QStringLiteral("C"));
    g.grid.SetUseMultiTitle(true);
    const QByteArray font = "<FONT STYLE=\"font-family: Arial; font-size: 10pt; color: #000000\"><B>";
    const QByteArray html = g.exportAll(&TDBGridExExportAsHTML::Create);
    const QByteArray titles = "<TR>\r\n  <TD ALIGN=\"CENTER\" COLSPAN = \"2\">" + font + "Group</B></FONT></TD>\r\n"
                              "  <TD ALIGN=\"CENTER\" ROWSPAN = \"2\">" + font + "C</B></FONT></TD>\r\n</TR>\r\n"
                              "<TR>\r\n  <TD WIDTH=40 ALIGN=\"CENTER\">" + font + "A</B></FONT></TD>\r\n"
                              "  <TD WIDTH=100 ALIGN=\"CENTER\">" + font + "B</B></FONT></TD>\r\n</TR>\r\n";
    EXPECT_TRUE(html.contains(titles)) << html.toStdString();

    const QByteArray rtf = g.exportAll(&TDBGridExExportAsRTF::Create);
    auto side = [](const char* s) { return QByteArray("\\clbrdr") + s + "\\brdrs\\brdrcf0\r\n"; };
    auto cellx = [](int x) { return "\\clshdng10000\\clcfpat2\\cellx" + QByteArray::number(x) + "\r\n"; };
    const QByteArray upper = "\\trowd\\trgaph40\r\n" + side("l") + side("t") + side("b") + cellx(600) + side("t")
                             + side("b") + side("r") + cellx(2100) + side("l") + side("t") + side("r") + cellx(3000);
    const QByteArray lower = "\\trowd\\trgaph40\r\n" + side("l") + side("t") + side("b") + side("r") + cellx(600)
                             + side("l") + side("t") + side("b") + side("r") + cellx(2100) + side("l") + side("b")
                             + side("r") + cellx(3000);
    EXPECT_TRUE(rtf.contains(upper));
    EXPECT_TRUE(rtf.contains(lower));
    EXPECT_TRUE(rtf.contains("{\\qc\\sb24\\sa24\\fs20\\b\\f0\\cf0\\cb2 Group\\cell}\r\n"
                             "\\pard\\intbl{\\qc\\sb24\\sa24\\fs20\\b\\f0\\cf0\\cb2 \\cell}\r\n"
                             "\\pard\\intbl{\\qc\\sb24\\sa24\\fs20\\b\\f0\\cf0\\cb2 C\\cell}"));
}

namespace {
QByteArray python(const QString& script, const QByteArray& input)
{
    int code = -1;
    const QByteArray out = runTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script}, input, &code);
    EXPECT_EQ(code, 0) << "python3 failed";
    return out;
}

// The texts of an HTML document's table cells, joined by '|' (the document in UTF-8).
QString htmlCells(const QByteArray& utf8)
{
    return QString::fromUtf8(python(QStringLiteral(
        "import sys\nfrom html.parser import HTMLParser\n"
        "class P(HTMLParser):\n"
        "  def __init__(s): super().__init__(); s.cells=[]; s.t=None\n"
        "  def handle_starttag(s,tag,a):\n"
        "    if tag=='td': s.t=''\n"
        "  def handle_endtag(s,tag):\n"
        "    if tag=='td' and s.t is not None: s.cells.append(s.t.strip()); s.t=None\n"
        "  def handle_data(s,d):\n"
        "    if s.t is not None: s.t+=d\n"
        "p=P(); p.feed(sys.stdin.buffer.read().decode('utf-8')); print('|'.join(p.cells))"), utf8)).trimmed();
}

} // namespace

// Readers we did not write read every file without being told its code page: the spreadsheet declares it
// in its CODEPAGE record, RTF in \ansicpg and its fonts' character set, HTML in its META element. xlrd
// reads the spreadsheet records, unrtf the RTF, libxml2's HTML parser the HTML (and finds its markup
// well formed, entities closed). CSV has no place to declare one: Python's csv module reads it in the
// ANSI code page, for the separator and quoting. A backslash or brace in a cell does not break the RTF.
TEST(GridExport, OutsideReadersAcceptTheFiles)
{
    const std::vector<std::vector<QVariant>> rows = {{7, QString::fromUtf8("Иванов Пётр \"П\"; x"), 0.5},
                                                     {-3, QStringLiteral("a\\b{c}<&>"), 1234.25}};
    IOGrid g(rows, true);
    const QString cells = QString::fromUtf8("N|Имя|Value|7|Иванов Пётр \"П\"; x|0,5|-3|a\\b{c}<&>|1234,25");

    const QByteArray csv = python(QStringLiteral(
        "import csv,sys\n"
        "for r in csv.reader(sys.stdin.buffer.read().decode('cp1251').split('\\r\\n'), delimiter=';'): print('|'.join(r))"),
        g.exportAll(&TDBGridExExportAsCSV::Create));
    EXPECT_EQ(QString::fromUtf8(csv), QString::fromUtf8("N|Имя|Value\n7|Иванов Пётр \"П\"; x|0,5\n-3|a\\b{c}<&>|1234,25\n"));

    const QByteArray html = g.exportAll(&TDBGridExExportAsHTML::Create);
    QByteArray complaints;
    const QByteArray reencoded = runTool(
        QStringLiteral("/usr/bin/xmllint"), {QStringLiteral("--html"), QStringLiteral("--encode"), QStringLiteral("utf-8"), QStringLiteral("-")},
        html, nullptr, &complaints);
    EXPECT_EQ(complaints.toStdString(), "") << "libxml2 finds the markup well formed";
    ASSERT_FALSE(reencoded.isEmpty()) << "xmllint (libxml2-utils) is not installed";
    EXPECT_EQ(htmlCells(reencoded), cells) << "libxml2 decodes by the declared charset";

    int code = -1;
    const QByteArray rtfHtml = runTool(QStringLiteral("/usr/bin/unrtf"), {QStringLiteral("--html"), QStringLiteral("--nopict")},
                                       g.exportAll(&TDBGridExExportAsRTF::Create), &code);
    ASSERT_FALSE(rtfHtml.isNull()) << "unrtf is not installed";
    EXPECT_EQ(code, 0);
    EXPECT_EQ(htmlCells(rtfHtml), cells) << "unrtf's reading of the RTF";

    const QByteArray xls = python(QStringLiteral(
        "import sys,xlrd\n"
        "b=xlrd.open_workbook(file_contents=sys.stdin.buffer.read(), logfile=open('/dev/null','w'))\n"
        "s=b.sheet_by_index(0)\n"
        "print(b.encoding)\n"
        "for r in range(s.nrows): print('|'.join(repr(s.cell_value(r,c)) for c in range(s.ncols)))"),
        g.exportAll(&TDBGridExExportAsXLS::Create));
    EXPECT_EQ(QString::fromUtf8(xls),
              QString::fromUtf8("cp1251\n'N'|'Имя'|'Value'\n7.0|'Иванов Пётр \"П\"; x'|0.5\n-3.0|'a\\\\b{c}<&>'|1234.25\n"));
}

// A handler that fails half-way through an export, a copy or an import leaves the data set's controls on,
// the current record where it was and no row half changed; the next export is whole again.
TEST(GridExport, AFailureHalfWayLeavesTheGridAsItWas)
{
    const std::vector<std::vector<QVariant>> rows = {{1, QStringLiteral("a")}, {2, QStringLiteral("b")},
                                                     {3, QStringLiteral("c")}};
    IOGrid clean(rows);
    const QByteArray rtf = clean.exportAll(&TDBGridExExportAsRTF::Create);
    const QByteArray text = clean.exportAll(&TDBGridExExportAsText::Create);
    const struct {
        const char* name;
        std::function<void(IOGrid&)> run;
    } cases[] = {
        {"text export", [](IOGrid& g) { g.exportAll(&TDBGridExExportAsText::Create); }},
        {"RTF export", [](IOGrid& g) { g.exportAll(&TDBGridExExportAsRTF::Create); }},
        {"copy", [](IOGrid& g) { DBGridEx_DoCopyAction(&g.grid, true); }},
        {"import", [](IOGrid& g) { g.import(&TDBGridExImportAsText::Create, "7\tx\r\n8\ty\r\n9\tz"); }},
    };
    for (const auto& c : cases) {
        IOGrid g(rows);
        g.grid.SetAllowedOperations(g.grid.AllowedOperations() & ~bit(alopAppendEx));
        g.ds.FieldByName("NAME")->OnGetText = [](TField* f, QString& t, bool) {
            if (f->AsString() == QLatin1String("b"))
                throw std::runtime_error("no text");
            t = f->AsString();
        };
        g.ds.BeforePost = [](TDataSet* ds) {
            if (ds->FieldByName("ID")->AsInteger() == 8)
                throw std::runtime_error("refused");
        };
        g.ds.SetRecNo(1);
        EXPECT_THROW(c.run(g), std::runtime_error) << c.name;
        EXPECT_FALSE(g.ds.ControlsDisabled()) << c.name;
        EXPECT_EQ(g.ds.State(), dsBrowse) << c.name;
        g.ds.FieldByName("NAME")->OnGetText = nullptr;
        if (c.name == std::string("import")) {
            // The first row went in; the refused one keeps its values.
            EXPECT_EQ(g.rows(), QStringList({"7|x|null", "2|b|null", "3|c|null"}));
            continue;
        }
        EXPECT_EQ(g.ds.RecNo(), 1) << c.name;
        EXPECT_EQ(g.exportAll(&TDBGridExExportAsRTF::Create), rtf) << c.name;
        EXPECT_EQ(g.exportAll(&TDBGridExExportAsText::Create), text) << c.name;
    }
}
