// The workbook layer: a template opened, its first sheet's cells set, saved, and read back by libfreexl.
#include "common/testutil.h"
#include "platform/xls/CompoundFile.h"
#include "platform/xls/FreexlReader.h"
#include "platform/xls/XlsApplication.h"
#include "platform/xls/XlsWorkbook.h"
#include "tools/xls-pattern/WorkbookBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using xls::XlsWorkbook;
using xlsbuild::WorkbookBuilder;
using xlstest::ReadWithFreexl;

namespace {

struct Template {
    testutil::TempDir dir;
    QString path = dir.file("pattern.xls");
    int title = 0, column = 0, framed = 0;

    // Two sheets; the first with a formatted title, a number, a formatted empty cell and a formatted column.
    Template()
    {
        WorkbookBuilder b;
        title = b.AddXf(b.AddFont(QStringLiteral("Arial"), 240, true));
        column = b.AddXf(0, WorkbookBuilder::Left);
        framed = b.AddXf(0, WorkbookBuilder::Centre);
        const int first = b.AddSheet(QStringLiteral("Отчёт"));
        const int second = b.AddSheet(QStringLiteral("Справка"));
        b.Column(first, 1, 1, 20 * 256, column);
        b.Text(first, 0, 0, QStringLiteral("Шаблон"), title);
        b.Number(first, 1, 1, 42, column);
        b.Blank(first, 2, 2, framed);
        b.Text(second, 0, 0, QStringLiteral("не трогать"));
        b.Number(second, 3, 2, 2.5);
        EXPECT_TRUE(b.Write(path));
    }
};

} // namespace

TEST(XlsWorkbook, FilledTemplateReadsBackCellByCellAndKeepsFormats)
{
    Template t;
    XlsWorkbook book;
    QString error;
    ASSERT_TRUE(book.Load(t.path, &error)) << error.toStdString();
    ASSERT_EQ(book.SheetCount(), 2);
    EXPECT_EQ(book.SheetName(0), QStringLiteral("Отчёт"));
    EXPECT_EQ(book.Value(0, 0).toString(), QStringLiteral("Шаблон"));

    EXPECT_TRUE(book.SetText(0, 0, QStringLiteral("Заголовок")));       // over a text: its format stays
    EXPECT_TRUE(book.SetText(2, 2, QStringLiteral("в рамке")));         // over a formatted blank
    EXPECT_TRUE(book.SetNumber(4, 1, 17));                               // new, in the formatted column
    EXPECT_TRUE(book.SetText(40, 0, QStringLiteral("Latin text")));      // a later row block
    EXPECT_TRUE(book.SetNumber(1, 1, -0.125));                           // over a number
    EXPECT_TRUE(book.SetText(5, 0, QStringLiteral("Заголовок")));       // a repeated text shares its entry
    EXPECT_TRUE(book.SetText(300, 20, QStringLiteral("угол")));
    const QString out = t.dir.file("ConsReport.xls");
    ASSERT_TRUE(book.Save(out, &error)) << error.toStdString();

    const auto read = ReadWithFreexl(out);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.sheets, (QStringList{QStringLiteral("Отчёт"), QStringLiteral("Справка")}));
    const std::map<std::pair<int, int>, QVariant> expected = {
        {{0, 0}, QStringLiteral("Заголовок")}, {{1, 1}, -0.125},         {{2, 2}, QStringLiteral("в рамке")},
        {{4, 1}, 17.0},                         {{5, 0}, QStringLiteral("Заголовок")},
        {{40, 0}, QStringLiteral("Latin text")}, {{300, 20}, QStringLiteral("угол")}};
    EXPECT_EQ(read.cells, expected);
    const auto second = ReadWithFreexl(out, 1);
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.cells, (std::map<std::pair<int, int>, QVariant>{{{0, 0}, QStringLiteral("не трогать")}, {{3, 2}, 2.5}}));

    XlsWorkbook again;
    ASSERT_TRUE(again.Load(out, &error)) << error.toStdString();
    EXPECT_EQ(again.CellFormat(0, 0), t.title);
    EXPECT_EQ(again.CellFormat(2, 2), t.framed);
    EXPECT_EQ(again.CellFormat(4, 1), t.column);
    EXPECT_EQ(again.CellFormat(40, 0), XlsWorkbook::kDefaultXf);
    EXPECT_EQ(again.Value(4, 1).toDouble(), 17.0);
}

TEST(XlsWorkbook, StringTableAcrossManyRecords)
{
    // Enough texts to split the string table over continuation records, in the middle of texts of both
    // character widths.
    Template t;
    XlsWorkbook book;
    ASSERT_TRUE(book.Load(t.path));
    QStringList texts;
    for (int i = 0; i < 3000; ++i)
        texts << (i % 3 ? QStringLiteral("Запись номер %1 журнала измерений").arg(i) : QStringLiteral("plain %1").arg(i));
    for (int i = 0; i < texts.size(); ++i)
        ASSERT_TRUE(book.SetText(10 + i, 3, texts[i]));
    const QString out = t.dir.file("many.xls");
    ASSERT_TRUE(book.Save(out));
    const auto read = ReadWithFreexl(out);
    ASSERT_TRUE(read.ok);
    XlsWorkbook again;
    ASSERT_TRUE(again.Load(out));
    for (int i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(read.at(10 + i, 3).toString(), texts[i]) << "row " << 10 + i;
        ASSERT_EQ(again.Value(10 + i, 3).toString(), texts[i]) << "row " << 10 + i;
    }
    EXPECT_EQ(read.at(0, 0).toString(), QStringLiteral("Шаблон"));

    // Texts longer than a record; libfreexl misreads these, so only our reader checks them.
    const QStringList longTexts = {QString(10000, QChar(0x0416)), QString(20000, QLatin1Char('x'))};
    ASSERT_TRUE(book.SetText(5000, 0, longTexts[0]));
    ASSERT_TRUE(book.SetText(5001, 0, longTexts[1]));
    ASSERT_TRUE(book.Save(out));
    ASSERT_TRUE(again.Load(out));
    EXPECT_EQ(again.Value(5000, 0).toString(), longTexts[0]);
    EXPECT_EQ(again.Value(5001, 0).toString(), longTexts[1]);
    EXPECT_EQ(again.Value(3009, 3).toString(), texts[2999]);
}

TEST(XlsWorkbook, EmptyTextEmptiesTheCellButKeepsItsFormat)
{
    Template t;
    XlsWorkbook book;
    ASSERT_TRUE(book.Load(t.path));
    EXPECT_TRUE(book.SetText(0, 0, QString()));
    EXPECT_TRUE(book.SetText(7, 7, QString()));  // nothing there: nothing made
    EXPECT_FALSE(book.Value(0, 0).isValid());
    EXPECT_EQ(book.CellFormat(0, 0), t.title);
    EXPECT_EQ(book.CellFormat(7, 7), -1);
    const QString out = t.dir.file("empty.xls");
    ASSERT_TRUE(book.Save(out));
    const auto read = ReadWithFreexl(out);
    ASSERT_TRUE(read.ok);
    EXPECT_FALSE(read.at(0, 0).isValid());
}

TEST(XlsWorkbook, UnreadableTemplatesAreRefusedWithAReason)
{
    testutil::TempDir dir;
    const QString garbage = dir.file("garbage.xls");
    testutil::writeFile(garbage, QByteArray(3000, 'z'));
    std::string why;
    const QString noWorkbook = dir.file("noworkbook.xls");
    ASSERT_TRUE(xls::WriteCompoundFile(noWorkbook.toStdString(), {{"Other", {1, 2, 3}}}, why));

    WorkbookBuilder b;
    b.AddSheet(QStringLiteral("S"));
    xls::Bytes stream = b.Stream();
    const QString older = dir.file("older.xls");
    xls::Bytes old = stream;
    xls::set16(old, 4, 0x0500);  // BOF of an older format
    ASSERT_TRUE(xls::WriteCompoundFile(older.toStdString(), {{"Workbook", old}}, why));
    const QString cut = dir.file("cut.xls");
    ASSERT_TRUE(xls::WriteCompoundFile(cut.toStdString(), {{"Workbook", xls::Bytes(stream.begin(), stream.end() - 3)}}, why));
    const QString noSheetEnd = dir.file("nosheetend.xls");
    ASSERT_TRUE(xls::WriteCompoundFile(noSheetEnd.toStdString(), {{"Workbook", xls::Bytes(stream.begin(), stream.end() - 4)}}, why));

    for (const QString& path : {dir.file("missing.xls"), garbage, noWorkbook, older, cut, noSheetEnd}) {
        XlsWorkbook book;
        QString error;
        EXPECT_FALSE(book.Load(path, &error)) << path.toStdString();
        EXPECT_FALSE(error.isEmpty()) << path.toStdString();
        EXPECT_FALSE(book.SetText(0, 0, QStringLiteral("x")));
        EXPECT_FALSE(book.Save(dir.file("out.xls")));
    }
    EXPECT_FALSE(QFile::exists(dir.file("out.xls")));
}

TEST(XlsWorkbook, PlacesOutsideTheSheetAndFailedSavesLeaveNothing)
{
    Template t;
    XlsWorkbook book;
    ASSERT_TRUE(book.Load(t.path));
    EXPECT_FALSE(book.SetText(-1, 0, QStringLiteral("x")));
    EXPECT_FALSE(book.SetNumber(xls::kMaxRows, 0, 1));
    EXPECT_FALSE(book.SetNumber(0, xls::kMaxCols, 1));
    QString error;
    EXPECT_FALSE(book.Save(t.dir.file("no/such/folder/out.xls"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(QDir(t.dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("pattern.xls")});
}

TEST(XlsApplication, FirstAndActiveWorkbooks)
{
    Template t;
    xls::XlsApplication app;
    EXPECT_EQ(app.Workbook(1), nullptr);
    EXPECT_EQ(app.ActiveWorkbook(), nullptr);
    EXPECT_FALSE(app.Open(t.dir.file("missing.xls")));
    EXPECT_EQ(app.Count(), 0);
    ASSERT_TRUE(app.Open(t.path));
    ASSERT_TRUE(app.Open(t.path));
    EXPECT_EQ(app.ActiveWorkbook(), app.Workbook(2));
    xls::XlsWorkbook* second = app.Workbook(2);
    EXPECT_TRUE(app.Close(1));
    EXPECT_EQ(app.Workbook(1), second);
    EXPECT_FALSE(app.Close(2));
}

namespace {

std::vector<xls::Record> savedRecords(const QString& path)
{
    std::vector<xls::CompoundStream> streams;
    std::vector<xls::Record> records;
    std::string why;
    EXPECT_TRUE(xls::ReadCompoundFile(path.toStdString(), streams, why)) << why;
    for (const auto& s : streams)
        if (s.path == "Workbook")
            EXPECT_TRUE(xls::ReadRecords(s.data, records));
    return records;
}

} // namespace

TEST(XlsWorkbook, OtherSheetsMoveWithTheirRowIndex)
{
    // A second sheet with a row index (absolute stream offsets): when the string table grows, the sheet
    // moves and its offsets must move with it.
    testutil::TempDir dir;
    WorkbookBuilder b;
    b.AddSheet(QStringLiteral("Первый"));
    const int second = b.AddSheet(QStringLiteral("Второй"));
    b.Number(second, 0, 0, 1);
    std::vector<xls::Record> records;
    ASSERT_TRUE(xls::ReadRecords(b.Stream(), records));
    size_t secondBof = 0;
    for (const auto& r : records)
        if (r.type == xls::rt::BOF)
            secondBof = r.offset;  // the last BOF
    xls::Bytes index(16, 0);
    xls::put32(index, uint32_t(secondBof + 1000));  // a cell block 1000 bytes into the sheet
    xls::Bytes stream;
    for (const auto& r : records) {
        xls::WriteRecord(stream, r.type, r.data);
        if (r.type == xls::rt::BOF && r.offset == secondBof)
            xls::WriteRecord(stream, xls::rt::INDEX, index);
    }
    std::string why;
    const QString path = dir.file("indexed.xls");
    ASSERT_TRUE(xls::WriteCompoundFile(path.toStdString(), {{"Workbook", stream}}, why));

    XlsWorkbook book;
    QString error;
    ASSERT_TRUE(book.Load(path, &error)) << error.toStdString();
    for (int i = 0; i < 200; ++i)
        book.SetText(i, 0, QStringLiteral("строка %1").arg(i));
    const QString out = dir.file("out.xls");
    ASSERT_TRUE(book.Save(out));

    size_t newBof = 0;
    uint32_t pointer = 0, indexed = 0;
    int bofs = 0;
    for (const auto& r : savedRecords(out)) {
        if (r.type == xls::rt::BOUNDSHEET)
            pointer = xls::get32(r.data, 0);
        if (r.type == xls::rt::BOF && ++bofs == 3)
            newBof = r.offset;
        if (r.type == xls::rt::INDEX && bofs == 3)
            indexed = xls::get32(r.data, 16);
    }
    EXPECT_EQ(pointer, newBof);
    EXPECT_GT(newBof, secondBof);
    EXPECT_EQ(indexed, newBof + 1000);
    const auto read = ReadWithFreexl(out, 1);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.at(0, 0), QVariant(1.0));
}

TEST(XlsWorkbook, SpoiltWorkbookStreamsAreRefusedOrReadNeverCrash)
{
    // Every byte of a small template's stream in turn set to values that break lengths, types, counts,
    // offsets and places.
    WorkbookBuilder b;
    const int s = b.AddSheet(QStringLiteral("S"));
    b.Text(s, 0, 0, QStringLiteral("текст"));
    b.Number(s, 1, 1, 2);
    b.Blank(s, 2, 2, 15);
    const xls::Bytes good = b.Stream();
    // Many small files: in memory where the machine has a memory file system.
    QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/velt-xls-XXXXXX") : QString());
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("spoilt.xls"));
    std::string why;
    int refused = 0;
    for (size_t at = 0; at < good.size(); ++at) {
        for (uint8_t value : {uint8_t(0xFF), uint8_t(good[at] + 1)}) {
            xls::Bytes spoilt = good;
            spoilt[at] = value;
            ASSERT_TRUE(xls::WriteCompoundFile(path.toStdString(), {{"Workbook", spoilt}}, why));
            XlsWorkbook book;
            if (!book.Load(path)) {
                ++refused;
                continue;
            }
            book.SetText(0, 0, QStringLiteral("x"));
            book.SetNumber(3, 3, 1);
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c)
                    (void)book.Value(r, c);
            if (at % 5 == 0)
                book.Save(dir.filePath(QStringLiteral("resaved.xls")));
        }
    }
    EXPECT_GT(refused, 0);
}
