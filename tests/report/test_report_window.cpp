// The report as a report window drives it: a template loaded from a file, built with the window's
// handlers, shown in the window's preview control, built again and printed with a page list and copies.
#include "test_build_support.h"

#include "platform/controls/MessageBox.h"
#include "platform/rtl/FormatSettings.h"
#include "report/rpEMFPages.h"
#include "report/rpInterpretator.h"
#include "report/rpPage.h"
#include "report/rpPageFormation.h"
#include "report/rpParser.h"
#include "report/rpPictureView.h"
#include "report/rpPrepare.h"
#include "report/rpPreview.h"
#include "report/rpPrinter.h"
#include "report/rpScriptNames.h"
#include "reportfixture.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QVBoxLayout>

using buildtest::ReportFixture;

namespace {

QStringList pdfPages(const QString& file)
{
    QProcess p;
    p.start("pdftotext", {"-layout", file, "-"});
    if (!p.waitForFinished(30000))
        return {};
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split('\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    for (QString& page : pages)
        page = page.simplified();
    return pages;
}

class ReportWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rtl::setFormatSettings(rtl::TFormatSettings::russian());
        ASSERT_TRUE(Prn().IsDefault()) << "tests print through the default printer into a PDF";
        // The template: one record per page, a variable the window answers and a picture it fills.
        f.AddRows(3);
        f.Band(btMasterData, 100, 40, "rpQ", bfStartNewPage);
        f.Memo(40, 100, 400, 20, QString::fromUtf8("Запись [N] [Operator]"));
        auto* picture = new TrpPictureView;
        picture->SetBounds(500, 100, 40, 40);
        picture->Name = "Photo";
        f.page->Objects.append(picture);
        templateFile = dir.filePath("Report.rpf");
        f.report->SaveToFile(templateFile);

        // The window: its report component on the same owner, bound to its preview.
        report = std::make_unique<TrpReport>(f.owner.get(), QStringLiteral("rpRep"));
        window.resize(600, 400);
        auto* layout = new QVBoxLayout(&window);
        preview = new TrpPreview(&window);
        layout->addWidget(preview);
        report->Preview = preview;
        report->ModifyPrepared = false;
        report->OnGetValue = [](const QString& name, QVariant& value) {
            if (name == "Operator")
                value = QString::fromUtf8("Петров");
        };
        report->OnEnterRect = [this](QStringList&, TrpView* view) {
            if (view->Typ == gtPicture)
                ++pictures;
        };
        window.show();
        QApplication::processEvents();
    }
    void TearDown() override { CurReport = MasterReport = nullptr; }

    QTemporaryDir dir;
    ReportFixture f;
    QString templateFile;
    std::unique_ptr<TrpReport> report;
    QWidget window;
    TrpPreview* preview = nullptr;
    int pictures = 0;
};

TEST_F(ReportWindowTest, LoadShowThenBuildAgainAndPrintAPageList)
{
    ASSERT_TRUE(report->LoadFromFile(templateFile));
    report->ShowReport();
    EXPECT_EQ(preview->AllPages(), 3);
    EXPECT_EQ(report->EMFPages->Count(), 0); // the pages are in the preview
    EXPECT_EQ(pictures, 3);

    // The print button builds again and prints from the report's own pages; the preview keeps its.
    ASSERT_TRUE(report->PrepareReport());
    EXPECT_EQ(report->EMFPages->Count(), 3);
    const QString out = dir.filePath("out.pdf");
    Prn().OutputFile = out;
    {
        ctl::TScriptedMessageBoxPort boxes;
        EXPECT_TRUE(report->PrintPreparedReport("2-3", 2));
        EXPECT_EQ(boxes.Count(), 1); // where the file went
    }
    const QString two = QString::fromUtf8("Запись 2 Петров"), three = QString::fromUtf8("Запись 3 Петров");
    EXPECT_EQ(pdfPages(out), (QStringList{two, two, three, three}));
    EXPECT_EQ(preview->AllPages(), 3);

    // Showing prepared pages alone does not build.
    pictures = 0;
    report->ShowPreparedReport();
    EXPECT_EQ(preview->AllPages(), 3);
    EXPECT_EQ(report->EMFPages->Count(), 0);
    EXPECT_EQ(pictures, 0);
}

TEST_F(ReportWindowTest, FailedBuildIsFalseAndShowsItsErrorWithNoPages)
{
    f.Memo(40, 120, 100, 20, "[ 'x' * 2 ]");
    f.report->SaveToFile(templateFile);
    ASSERT_TRUE(report->LoadFromFile(templateFile));
    EXPECT_FALSE(report->PrepareReport());

    rptest::RecordingBoxes boxes;
    report->ShowReport();
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith("An error occured during calculating"));
    EXPECT_EQ(preview->AllPages(), 0);
    EXPECT_EQ(report->EMFPages->Count(), 0);
}

TEST(EngineStartUp, FirstReportMadeSetsUpTheParserAndScriptsForItsBuild)
{
    // As the program starts: no parser, script interpreter or script variables yet.
    rpParser = nullptr;
    rpInterpretator = nullptr;
    rpVariables = nullptr;
    ReportFixture f;
    TrpParserBase* parser = rpParser;
    TrpInterpretatorBase* interpretator = rpInterpretator;
    TrpScriptVariablesBase* variables = rpVariables;
    EXPECT_EQ(parser, &rpTheParser());
    EXPECT_EQ(interpretator, &rpTheInterpretator());
    EXPECT_EQ(variables, &rpTheVariables());

    // Its first build runs scripts, script variables and expressions.
    rtl::setFormatSettings(rtl::TFormatSettings::russian());
    f.AddRows(3);
    f.Band(btReportTitle, 0, 20)->Script = QStringList{"s := 0"};
    f.Band(btMasterData, 100, 20, "rpQ", 0)->Script = QStringList{"s := s + [N]"};
    f.Memo(0, 100, 200, 20, "[N * 2]/[s]")->Script = QStringList{"Visible := [N] <> 2"};
    ASSERT_TRUE(f.report->PrepareReport());
    EXPECT_EQ(f.TextList(0), (QStringList{"2/1", "6/6"}));
    EXPECT_TRUE(ScriptErrors.isEmpty());
    rpTheVariables().Clear();
}

} // namespace
