// Printing prepared pages through the printer wrapper into a PDF, read back by pdftotext: page lists,
// copies, another paper inside one job, and nothing printed without pages.
#include "test_build_support.h"

#include "platform/rtl/FormatSettings.h"
#include "report/rpEMFPages.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpPrepare.h"
#include "report/rpPreview.h"
#include "report/rpPrinter.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using buildtest::ReportFixture;

namespace {

QString runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of each page of a PDF.
QStringList pdfPages(const QString& file)
{
    QStringList pages = runTool("pdftotext", {"-layout", file, "-"}).split('\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    for (QString& p : pages)
        p = p.simplified();
    return pages;
}

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rtl::setFormatSettings(rtl::TFormatSettings::russian());
        ASSERT_TRUE(Prn().IsDefault()) << "tests print through the default printer into a PDF";
        rpPdfOutputFile = dir.filePath("out.pdf");
        // One record per page.
        f.AddRows(5);
        f.Band(btMasterData, 100, 20, "rpQ", bfStartNewPage);
        f.Memo(40, 100, 400, 20, QString::fromUtf8("Запись [N]"));
    }
    void TearDown() override { rpPdfOutputFile.clear(); }

    QStringList print(const QString& pages, int copies)
    {
        QFile::remove(rpPdfOutputFile);
        rpPrintPreparedReport(f.report.get(), pages, copies);
        return QFile::exists(rpPdfOutputFile) ? pdfPages(rpPdfOutputFile) : QStringList{"(no file)"};
    }

    QTemporaryDir dir;
    ReportFixture f;
};

QStringList records(std::initializer_list<int> numbers)
{
    QStringList l;
    for (int n : numbers)
        l << QString::fromUtf8("Запись %1").arg(n);
    return l;
}

TEST_F(PrintTest, PageListsAndCopiesChooseThePrintedPages)
{
    ASSERT_TRUE(f.Prepare());
    ASSERT_EQ(f.PageCount(), 5);
    EXPECT_EQ(print("", 1), records({1, 2, 3, 4, 5}));
    EXPECT_EQ(print("2", 1), records({2}));
    EXPECT_EQ(print("1,3-5", 1), records({1, 3, 4, 5}));
    EXPECT_EQ(print(" 5 , 1 ", 1), records({1, 5}));        // page order, not list order
    EXPECT_EQ(print("5-3,2", 1), records({2}));              // a backward range adds nothing
    EXPECT_EQ(print("1-2", 2), records({1, 1, 2, 2}));       // copies of a page together
    EXPECT_EQ(print("4", 0), records({4}));                  // no copies count as one
    EXPECT_EQ(print("9", 1), QStringList{"(no file)"});      // nothing selected: no job
    EXPECT_EQ(print("5-3", 1), QStringList{"(no file)"});    // a list naming no page is not "all"
    EXPECT_EQ(print("0", 1), QStringList{"(no file)"});
}

TEST_F(PrintTest, PageListTextIsReadLikeThePrintDialogWritesIt)
{
    EXPECT_EQ(rpParsePageNumbers(""), QList<int>());
    EXPECT_EQ(rpParsePageNumbers("1, 3-5"), (QList<int>{1, 3, 4, 5}));
    EXPECT_EQ(rpParsePageNumbers("5-3"), QList<int>());
    EXPECT_EQ(rpParsePageNumbers("2-2,7"), (QList<int>{2, 7}));
}

TEST_F(PrintTest, WithoutPreparedPagesNothingIsPrinted)
{
    EXPECT_EQ(f.PageCount(), 0);
    EXPECT_EQ(print("", 1), QStringList{"(no file)"});
}

TEST_F(PrintTest, AnotherPaperStaysInTheSameJob)
{
    // A second design page in landscape: its output starts a page of its own paper.
    TrpPage* second = f.report->Pages->Add();
    second->ChangePaper(9, 0, 0, 1);
    auto* band = new TrpBandView;
    band->SetBandType(btReportTitle);
    band->SetBounds(0, 0, 700, 20);
    second->Objects.append(band);
    auto* memo = new TrpMemoView;
    memo->SetBounds(40, 0, 400, 20);
    memo->Memo = QStringList{"Landscape"};
    second->Objects.append(memo);
    ASSERT_TRUE(f.Prepare());
    ASSERT_EQ(f.PageCount(), 6);
    EXPECT_EQ(print("4-6", 1), (records({4, 5}) << "Landscape"));
    const QString info = runTool("pdfinfo", {"-f", "1", "-l", "3", rpPdfOutputFile});
    const QRegularExpression size("Page +(\\d) size: +([\\d.]+) x ([\\d.]+)");
    QList<bool> landscape;
    for (auto it = size.globalMatch(info); it.hasNext();) {
        const auto m = it.next();
        landscape << (m.captured(2).toDouble() > m.captured(3).toDouble());
    }
    EXPECT_EQ(landscape, (QList<bool>{false, false, true}));
}

TEST_F(PrintTest, PreviewPrintsTheShownPagesAndKeepsShowingThem)
{
    ASSERT_TRUE(f.Prepare());
    TrpPreview preview;
    preview.resize(400, 300);
    preview.Connect(f.report.get());
    QFile::remove(rpPdfOutputFile);
    preview.Print();
    EXPECT_EQ(pdfPages(rpPdfOutputFile), records({1, 2, 3, 4, 5}));
    EXPECT_EQ(preview.AllPages(), 5);
    EXPECT_EQ(f.PageCount(), 0);
}

TEST_F(PrintTest, PrintingWithTheProgressWindowAndCancel)
{
    ASSERT_TRUE(f.Prepare());
    f.report->ShowProgress = true;
    EXPECT_EQ(print("1-2", 1), records({1, 2}));
    EXPECT_FALSE(f.report->Cancelled);

    // Cancelled after the first page: the job is aborted, no document is finished.
    f.report->ShowProgress = false;
    f.report->OnProgress = [&](int) { f.report->Cancelled = true; };
    QFile::remove(rpPdfOutputFile);
    rpPrintPreparedReport(f.report.get(), "", 1);
    EXPECT_FALSE(f.report->Cancelled);
    EXPECT_TRUE(pdfPages(rpPdfOutputFile).size() <= 1);
}

} // namespace
