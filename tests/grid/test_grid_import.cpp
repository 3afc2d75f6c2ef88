// Grid import: tab-separated text and GRIDBIF into a data set, by the selection or from the current cell,
// in overwrite and insert modes; the Yes/No/All question on a value that cannot be stored; damaged input
// refused before any value is written; export-import round trips.
#include "GridIOFixture.h"
#include "grid/DBGridExExportGRIDBIF.h"
#include "grid/DBGridExExportText.h"
#include "grid/DBGridExImportGRIDBIF.h"
#include "grid/DBGridExImportText.h"
#include "grid/GridError.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/CodePage.h"
#include <gtest/gtest.h>

using namespace gridio;

namespace {
const std::vector<std::vector<QVariant>> kThree = {
    {1, QStringLiteral("a"), 0.5}, {2, QStringLiteral("b"), 1.5}, {3, QStringLiteral("c"), QVariant()}};

QString importError(IOGrid& g, TDBGridExImportClass cls, const QByteArray& bytes)
{
    try {
        g.import(cls, bytes);
    } catch (const EInvalidGridOperation& e) {
        return e.Message();
    }
    return {};
}
} // namespace

// From the current record and column on; rows beyond the data are appended when appending is allowed.
TEST(GridImport, TextPlacesCellsFromTheCurrentCell)
{
    const struct {
        const char* name;
        QByteArray text;
        int recNo;
        int col;
        bool append;
        QStringList rows;
    } cases[] = {
        {"overwrite and append", "9\tx\t2,5\r\n8\ty\t3", 2, 0, true, {"1|a|0.5", "9|x|2.5", "8|y|3"}},
        {"no append", "9\tx\r\n8\ty\r\n7\tz", 2, 0, false, {"1|a|0.5", "9|x|1.5", "8|y|null"}},
        {"empty cells and extra cells", "\t\tq\tr\r\n", 1, 1, true, {"1||null", "2|b|1.5", "3|c|null"}},
        {"trailing line end adds nothing", "x\r\n", 3, 1, true, {"1|a|0.5", "2|b|1.5", "3|x|null"}},
    };
    for (const auto& c : cases) {
        IOGrid g(kThree, true);
        if (!c.append)
            g.grid.SetAllowedOperations(g.grid.AllowedOperations() & ~bit(alopAppendEx));
        g.ds.SetRecNo(c.recNo);
        g.grid.SetSelectedIndex(c.col);
        g.import(&TDBGridExImportAsText::Create, c.text);
        EXPECT_EQ(g.rows(), c.rows) << c.name;
        EXPECT_EQ(g.ds.State(), dsBrowse) << c.name;
    }
}

TEST(GridImport, TextByTheSelectionAndInInsertMode)
{
    {
        IOGrid g(kThree, true);
        g.ds.SetRecNo(1);
        g.grid.SelectedRows().SetCurrentRowSelected(true);
        g.ds.SetRecNo(3);
        g.grid.SelectedRows().SetCurrentRowSelected(true);
        g.import(&TDBGridExImportAsText::Create, "7\tp\r\n8\tq");
        EXPECT_EQ(g.rows(), (QStringList{"7|p|0.5", "2|b|1.5", "8|q|null"}));
    }
    {
        // Load-to-all starts at the first record whatever is current; the row left over is appended.
        IOGrid g(kThree, true);
        g.ds.SetRecNo(3);
        g.import(&TDBGridExImportAsText::Create, "5\r\n6\r\n7\r\n8", true);
        EXPECT_EQ(g.rows(), (QStringList{"5|a|0.5", "6|b|1.5", "7|c|null", "8|null|null"}));
    }
    {
        // A data set that is inserting takes the rows as new records.
        IOGrid g(kThree, true);
        g.ds.SetRecNo(2);
        g.grid.SetSelectedIndex(0);
        g.ds.Insert();
        g.import(&TDBGridExImportAsText::Create, "10\tn\r\n11\to");
        EXPECT_EQ(g.ds.RecordCount(), 5);
        EXPECT_TRUE(g.rows().contains("10|n|null"));
        EXPECT_TRUE(g.rows().contains("11|o|null"));
    }
}

// A CR without LF is refused with the format's message before any value is written.
TEST(GridImport, DamagedTextIsRefusedWhole)
{
    IOGrid g(kThree, true);
    g.grid.SetSelectedIndex(0);
    EXPECT_EQ(importError(g, &TDBGridExImportAsText::Create, "9\tx\r\n8\ry"),
              QStringLiteral("TDBGridExImportAsText.CheckState: Invalid text format"));
    EXPECT_EQ(g.rows(), (QStringList{"1|a|0.5", "2|b|1.5", "3|c|null"}));
    EXPECT_EQ(importError(g, &TDBGridExImportAsText::Create, "9\r"),
              QStringLiteral("TDBGridExImportAsText.CheckState: Invalid text format"));
}

// A value the field refuses asks Yes (go on), No (stop, the record in hand keeps nothing) or All (no more
// questions), through the message-box port.
TEST(GridImport, ValueErrorsAskYesNoAll)
{
    const QByteArray text = "x\tp\r\ny\tq\r\nz\tr";
    {
        ctl::TScriptedMessageBoxPort port;
        port.Answer(ctl::IDYES);
        port.Answer(ctl::IDALL);
        IOGrid g(kThree, true);
        g.grid.SetSelectedIndex(0);
        g.import(&TDBGridExImportAsText::Create, text);
        ASSERT_EQ(port.Count(), 2);
        const auto asked = port.AskedSoFar();
        EXPECT_TRUE(asked[0].text.startsWith(QStringLiteral("Error during insert value:\n")));
        EXPECT_TRUE(asked[0].text.endsWith(QStringLiteral("\n\nIgnore error?")));
        EXPECT_EQ(asked[0].caption, QStringLiteral("Error"));
        EXPECT_EQ(asked[0].buttons(), ctl::MB_YESNOALL);
        EXPECT_EQ(g.rows(), (QStringList{"1|p|0.5", "2|q|1.5", "3|r|null"}));
    }
    {
        ctl::TScriptedMessageBoxPort port;
        port.Answer(ctl::IDYES);
        port.Answer(ctl::IDNO);
        IOGrid g(kThree, true);
        g.grid.SetSelectedIndex(0);
        EXPECT_NO_THROW(g.import(&TDBGridExImportAsText::Create, text));
        EXPECT_EQ(port.Count(), 2);
        EXPECT_EQ(g.rows(), (QStringList{"1|p|0.5", "2|b|1.5", "3|c|null"}));
        EXPECT_EQ(g.ds.State(), dsBrowse);
    }
}

// A text longer than its field is asked about as other value errors are, naming the input's row and
// column; Yes leaves the field as it was rather than storing the text cut, No stops the import. A text
// that fits once its trailing blanks go is stored without a question.
TEST(GridImport, ATextLongerThanItsFieldIsAskedAboutNotCut)
{
    const QString fits = QString(40, QLatin1Char('x')), tooLong = QString::fromUtf8("Ж").repeated(41);
    const QByteArray text = "7\t" + fits.toLatin1() + "  \r\n8\t" + rtl::toCp1251(tooLong) + "\r\n9\tz";
    auto gridbifString = [](const QString& s) {
        const QByteArray b = rtl::toCp1251(s);
        const quint32 n = quint32(b.size());
        return QByteArray("\x05", 1) + char(n & 0xFF) + char(n >> 8) + QByteArray(2, '\0') + b;
    };
    auto gridbifInt = [](char v) { return QByteArray("\x03", 1) + v + QByteArray(3, '\0'); };
    const QByteArray gridbif = QByteArray("GRIDBIF\x01\x02\0\0\0\x01\0\x01\0", 16) + gridbifInt(7)
                               + gridbifString(fits + QStringLiteral("  ")) + gridbifInt(8) + gridbifString(tooLong)
                               + gridbifInt(9) + gridbifString(QStringLiteral("z")) + QByteArray(1, '\0');
    const QString kept = QStringLiteral("7|") + fits + QStringLiteral("|0.5");
    const struct {
        const char* name;
        TDBGridExImportClass cls;
        QByteArray bytes;
    } formats[] = {{"text", &TDBGridExImportAsText::Create, text}, {"gridbif", &TDBGridExImportAsGRIDBIF::Create, gridbif}};
    for (const auto& f : formats) {
        for (const int answer : {ctl::IDYES, ctl::IDNO}) {
            ctl::TScriptedMessageBoxPort port;
            port.Answer(answer);
            IOGrid g(kThree, true);
            g.grid.SetSelectedIndex(0);
            g.import(f.cls, f.bytes);
            ASSERT_EQ(port.Count(), 1) << f.name;
            const QString asked = port.AskedSoFar()[0].text;
            EXPECT_TRUE(asked.startsWith(QStringLiteral("Error during insert value:\nRow 2, column 2: a value of 41 characters "
                                                        "is longer than field NAME (40 characters)")))
                << f.name << ": " << asked.toStdString();
            const QStringList rows = answer == ctl::IDYES ? QStringList{kept, "8|b|1.5", "9|z|null"}
                                                          : QStringList{kept, "2|b|1.5", "3|c|null"};
            EXPECT_EQ(g.rows(), rows) << f.name << (answer == ctl::IDYES ? " yes" : " no");
        }
    }
}

TEST(GridImport, GridbifValuesByPosition)
{
    const QByteArray header = QByteArray("GRIDBIF\x01\x03\0\0\0\x01\0\x01\0\x01\0", 18);
    const struct {
        const char* name;
        QByteArray values;
        QStringList rows;
    } cases[] = {
        {"values", QByteArray("\x03\x09\0\0\0\x05\x01\0\0\0z\x04\0\0\0\0\0\0\x04\x40\0", 21), {"9|z|2.5", "2|b|1.5", "3|c|null"}},
        {"null clears, unassigned and unknown tags leave", QByteArray("\x02\x01\x07\0", 4), {"null|a|0.5", "2|b|1.5", "3|c|null"}},
    };
    for (const auto& c : cases) {
        IOGrid g(kThree, true);
        g.grid.SetSelectedIndex(0);
        g.import(&TDBGridExImportAsGRIDBIF::Create, header + c.values);
        EXPECT_EQ(g.rows(), c.rows) << c.name;
    }
}

// A wrong signature, a short header, a cut value or a missing end tag: refused before any value is written.
TEST(GridImport, DamagedGridbifIsRefusedWhole)
{
    IOGrid source(kThree, true);
    const QByteArray good = source.exportAll(&TDBGridExExportAsGRIDBIF::Create);
    const QByteArray damaged[] = {"GRIDBIX" + good.mid(7), good.left(11), good.left(good.size() - 3),
                                  good.left(good.size() - 1), QByteArray("GRIDBIF\x01\0\0\0\0\x03\x01\0\0\0\0", 17)};
    for (const QByteArray& bytes : damaged) {
        IOGrid g({{5, QStringLiteral("e"), 2.0}}, true);
        g.grid.SetSelectedIndex(0);
        EXPECT_EQ(importError(g, &TDBGridExImportAsGRIDBIF::Create, bytes),
                  QStringLiteral("TDBGridExImportAsGRIDBIF.ReadPrefix: Invalid GRIDBIF format"));
        EXPECT_EQ(g.rows(), (QStringList{"5|e|2"}));
    }
}

// Exporting all and importing into an empty data set restores the values by position.
TEST(GridImport, ExportImportRoundTrip)
{
    const std::vector<std::vector<QVariant>> rows = {{1, QString::fromUtf8("Иванов"), 0.125},
                                                     {QVariant(), QStringLiteral("x\"y"), -2.5},
                                                     {3000000000LL, QString(), QVariant()}};
    for (TDBGridExExportClass ex : {&TDBGridExExportAsGRIDBIF::Create, &TDBGridExExportAsText::Create}) {
        IOGrid source(rows, true);
        source.grid.SetOptions(source.grid.Options() & ~bit(dgTitles));
        const QByteArray bytes = source.exportAll(ex);
        IOGrid target({}, true);
        target.grid.SetSelectedIndex(0);
        target.import(ex == &TDBGridExExportAsGRIDBIF::Create ? &TDBGridExImportAsGRIDBIF::Create
                                                              : &TDBGridExImportAsText::Create,
                      bytes);
        QStringList expected = source.rows();
        if (ex == &TDBGridExExportAsText::Create)
            expected.replaceInStrings(QStringLiteral("null"), QString());
        QStringList got = target.rows();
        if (ex == &TDBGridExExportAsText::Create)
            got.replaceInStrings(QStringLiteral("null"), QString());
        EXPECT_EQ(got, expected);
    }
}
