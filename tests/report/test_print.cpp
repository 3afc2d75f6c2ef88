// Printing prepared pages through the printer wrapper into a PDF, read back by pdftotext: page lists,
// copies, another paper inside one job, and nothing printed without pages; where the file goes, and
// what the user is told when it, or a printer, cannot take the job.
#include "test_build_support.h"

#include "common/testutil.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/ScopeGuard.h"
#include "report/rpEMFPages.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpPrepare.h"
#include "report/rpPreview.h"
#include "report/rpPrintOutput.h"
#include "report/rpPrinter.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>
#include <unistd.h>
#include <vector>

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
        out = dir.filePath("out.pdf");
        // One record per page.
        f.AddRows(5);
        f.Band(btMasterData, 100, 20, "rpQ", bfStartNewPage);
        f.Memo(40, 100, 400, 20, QString::fromUtf8("Запись [N]"));
    }

    // Prints into out.pdf as if the print dialog had chosen it.
    QStringList print(const QString& pages, int copies)
    {
        QFile::remove(out);
        Prn().OutputFile = out;
        rpPrintPreparedReport(f.report.get(), pages, copies);
        return QFile::exists(out) ? pdfPages(out) : QStringList{"(no file)"};
    }

    QTemporaryDir dir;
    QString out;
    ReportFixture f;
    ctl::TScriptedMessageBoxPort boxes;
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
    const QString info = runTool("pdfinfo", {"-f", "1", "-l", "3", out});
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
    Prn().OutputFile = out;
    preview.Print();
    EXPECT_EQ(pdfPages(out), records({1, 2, 3, 4, 5}));
    EXPECT_EQ(preview.AllPages(), 5);
    EXPECT_EQ(f.PageCount(), 0);
}

TEST_F(PrintTest, PrintingWithTheProgressWindowAndCancel)
{
    ASSERT_TRUE(f.Prepare());
    f.report->ShowProgress = true;
    EXPECT_EQ(print("1-2", 1), records({1, 2}));
    EXPECT_FALSE(f.report->Cancelled);

    // Cancelled after the first page: the job is aborted, and no half-written file is left or told.
    f.report->ShowProgress = false;
    f.report->OnProgress = [&](int) { f.report->Cancelled = true; };
    boxes.Clear();
    EXPECT_EQ(print("", 1), QStringList{"(no file)"});
    EXPECT_FALSE(f.report->Cancelled);
    EXPECT_EQ(boxes.Count(), 0);
}

// The "Default printer" with no file chosen writes the report's name in the documents folder and tells
// the full path; an existing file is replaced only when the user says so; a file the print dialog chose
// is written unasked, for that one job.
TEST_F(PrintTest, DefaultPrinterWritesTheReportsFileInTheDocumentsFolderAndSaysWhere)
{
    testutil::TempHome home;
    ASSERT_TRUE(QDir().mkpath(home.documents()));
    ASSERT_TRUE(f.Prepare());
    f.report->Title = QString::fromUtf8("Журнал измерений");
    const QString file = home.documents() + QString::fromUtf8("/Журнал измерений.pdf");

    EXPECT_TRUE(rpPrintPreparedReport(f.report.get(), "1-2", 1));
    EXPECT_EQ(pdfPages(file), records({1, 2}));
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, QString::fromUtf8("Отчёт сохранён в файл\n") + file);
    EXPECT_EQ(boxes.AskedSoFar()[0].icon(), ctl::MB_ICONINFORMATION);

    const QString replace = QString::fromUtf8("Файл\n%1\nуже существует. Заменить его?").arg(file);
    boxes.Clear();
    boxes.Answer(ctl::IDNO);
    EXPECT_FALSE(rpPrintPreparedReport(f.report.get(), "3", 1));
    ASSERT_EQ(boxes.Count(), 1); // asked, and nothing said to be printed
    EXPECT_EQ(boxes.AskedSoFar()[0].text, replace);
    EXPECT_EQ(boxes.AskedSoFar()[0].buttons(), ctl::MB_YESNO);
    EXPECT_EQ(pdfPages(file), records({1, 2}));
    boxes.Clear();
    boxes.Answer(ctl::IDYES);
    EXPECT_TRUE(rpPrintPreparedReport(f.report.get(), "3", 1));
    EXPECT_EQ(pdfPages(file), records({3}));
    EXPECT_EQ(boxes.Count(), 2);

    boxes.Clear();
    EXPECT_EQ(print("4", 1), records({4}));
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, QString::fromUtf8("Отчёт сохранён в файл\n") + out);
    boxes.Clear();
    boxes.Answer(ctl::IDNO);
    EXPECT_FALSE(rpPrintPreparedReport(f.report.get(), "5", 1));
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, replace);
    EXPECT_EQ(pdfPages(out), records({4}));

    // A report without a title goes by its file's name.
    f.report->Title.clear();
    f.report->FileName = "/work/REPORTS/AktDefault_MP.rpf";
    EXPECT_EQ(rpProposedPrintFile(*f.report), home.documents() + "/AktDefault_MP.pdf");
}

TEST_F(PrintTest, ADocumentsFolderThatCannotBeWrittenIsToldAndNothingIsPrinted)
{
    ASSERT_TRUE(f.Prepare());
    f.report->Title = QString::fromUtf8("Акт обследования");
    struct Case {
        const char* what;
        std::function<void(const QString& documents)> make;
        const char* problem; // %1: the documents folder
    };
    std::vector<Case> cases = {
        {"missing", [](const QString&) {}, "Папка %1 не существует."},
        // Not even the superuser writes there.
        {"system folder", [](const QString& d) { QFile::link("/proc/1", d); }, "В папку %1 нельзя записывать."},
    };
    if (::geteuid() != 0)
        cases.push_back({"read-only", [](const QString& d) {
                             QDir().mkpath(d);
                             QFile::setPermissions(d, QFile::ReadOwner | QFile::ExeOwner);
                         }, "В папку %1 нельзя записывать."});
    for (const Case& c : cases) {
        testutil::TempHome home;
        c.make(home.documents());
        const QString file = home.documents() + QString::fromUtf8("/Акт обследования.pdf");
        boxes.Clear();
        EXPECT_FALSE(rpPrintPreparedReport(f.report.get(), "", 1)) << c.what;
        ASSERT_EQ(boxes.Count(), 1) << c.what;
        const auto told = boxes.AskedSoFar()[0];
        EXPECT_EQ(told.text, QString::fromUtf8("Отчёт нельзя сохранить в файл\n%1\n\n%2")
                                 .arg(file, QString::fromUtf8(c.problem).arg(home.documents())))
            << c.what;
        EXPECT_EQ(told.icon(), ctl::MB_ICONERROR) << c.what;
        EXPECT_FALSE(QFileInfo::exists(file)) << c.what;
        if (!QFileInfo(home.documents()).isSymLink())
            QFile::setPermissions(home.documents(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST_F(PrintTest, AChosenFileOrAPrinterThatCannotTakeTheJobIsTold)
{
    ASSERT_TRUE(f.Prepare());
    // The folder of the file chosen in the dialog went away before the job began.
    const QString gone = dir.filePath("gone/out.pdf");
    Prn().OutputFile = gone;
    EXPECT_FALSE(rpPrintPreparedReport(f.report.get(), "", 1));
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, QString::fromUtf8("Отчёт не сохранён в файл\n%1\n\nПапка %2 не существует.")
                                               .arg(gone, dir.filePath("gone")));

    // A printer of the print service that refuses the job: a PDF printer writing where nothing can be
    // written stands in for it.
    QPrinter refusing(QPrinter::HighResolution);
    refusing.setOutputFormat(QPrinter::PdfFormat);
    const rtl::TScopeGuard restore([] { Prn().SetPrinter(nullptr, {}, -1); });
    Prn().SetPrinter(&refusing, {"Office"}, 0);
    refusing.setOutputFileName("/proc/1/velt.pdf");
    boxes.Clear();
    EXPECT_FALSE(rpPrintPreparedReport(f.report.get(), "", 1));
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, QString::fromUtf8("Принтер «Office» не принял задание. Отчёт не напечатан."));
    EXPECT_EQ(boxes.AskedSoFar()[0].icon(), ctl::MB_ICONERROR);
}

} // namespace
