// The workbook layer: a template opened, its first sheet's cells set, saved, and read back by libfreexl.
#include "common/testutil.h"
#include "platform/xls/CompoundFile.h"
#include "platform/xls/FreexlReader.h"
#include "platform/xls/XlsApplication.h"
#include "platform/xls/XlsWorkbook.h"
#include "tools/xls-pattern/WorkbookBuilder.h"

#include <QDir>
#include <QFile>

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
    EXPECT_FALSE(book.SetNumber(XlsWorkbook::kMaxRows, 0, 1));
    EXPECT_FALSE(book.SetNumber(0, XlsWorkbook::kMaxCols, 1));
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
