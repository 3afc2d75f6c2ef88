// The journal's report designed inside its report window over a work folder's journal (velt-designer
// --journal): the designer offers the journal's data sets, its preview shows the journal's rows, and the
// template saved prints the same rows through the journal's print command.
#include "JournalFixture.h"
#include "ShownTexts.h"
#include "common/dialogscript.h"
#include "common/testutil.h"
#include "journal/Default_MP_Report.h"
#include "journal/JournalReportDesign.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/FormatSettings.h"
#include "report/designer/rpBandDialogs.h"
#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpFieldsForm.h"
#include "report/designer/rpInsertFieldsForm.h"
#include "report/rpBandView.h"
#include "report/rpCtrls.h"
#include "report/rpDataHelpers.h"
#include "report/designer/rpDock.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpPreviewForm.h"
#include "report/rpReport.h"
#include "report/rpStrings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using testutil::Activate;
using testutil::Focused;

TrpTBButton* toolButton(TrpDesignerForm& d, const QString& hint)
{
    for (TrpTBButton* b : d.Panel6->findChildren<TrpTBButton*>())
        if (b->toolTip() == hint)
            return b;
    ADD_FAILURE() << "no tool " << hint.toStdString();
    return nullptr;
}

} // namespace

TEST(JournalReportDesign, ATemplateDesignedOverTheJournalPrintsTheSameRowsAsThePrintCommand)
{
    rtl::setFormatSettings(rtl::TFormatSettings::russian());
    jtest::Journal j;
    qputenv("VELT_REGISTRY_FILE", j.dir.file("registry.ini").toLocal8Bit());
    const char* dates[] = {"2017.01.01 09:00:00", "2017.01.01 09:01:00", "2017.01.01 09:02:00"};
    for (int i = 0; i < 3; ++i) {
        const auto m = jtest::Measurement(2017, 1, 1, 9, i, 0, 8 + i, 0.1 * (i + 1), 0, uint32_t(i + 1));
        j.ctrl->NewMeasure(&m, 1);
    }
    // The designer opens the journal as a second program would: the journal lets it go first.
    j.query->Close();
    j.lookup->Close();
    j.conn->ReleaseFiles();
    ASSERT_TRUE(QDir(j.dir.path()).mkpath("REPORTS"));
    const QString templateFile = j.dir.file("REPORTS/" + TfmDefault_MP_Report::JournalTemplate);
    ctl::TScriptedMessageBoxPort boxes;

    rpDesignerStartup();
    QStringList designed;
    int shown = 0;
    {
        TJournalReportDesign design(j.dir.path());
        ASSERT_TRUE(design.Ok()) << design.Error.toStdString();
        EXPECT_EQ(design.TemplateFile(), templateFile);
        TrpReport* report = design.Report();
        report->FileName = templateFile;
        j.dialogs.Then<TrpDesignerForm>([&](TrpDesignerForm& d) {
            ++shown;
            // The band data-source list and the field picker offer the window's report data set.
            EXPECT_TRUE(rpDataSourceChoices().contains("rpDBDataSet1"));
            j.dialogs.Then<TrpFieldsForm>([&](TrpFieldsForm& f) {
                ++shown;
                EXPECT_EQ(f.ValCombo->currentText(), QStringLiteral("rpDBDataSet1"));
                testutil::ClickItem(f.ValList, "OBSL_FAM", Qt::NoModifier);
            });
            QString field;
            EXPECT_TRUE(TrpFieldsForm::Pick(&d, field));
            EXPECT_EQ(field, QStringLiteral("rpDBDataSet1.\"OBSL_FAM\""));
            Activate(d);
            j.dialogs.Then<TrpInsertFieldsForm>([&](TrpInsertFieldsForm& f) {
                ++shown;
                ASSERT_GE(f.DatasetCB->count(), 1);
                EXPECT_EQ(f.DatasetCB->itemText(0), QStringLiteral("ADOQuery"));
                for (const char* field : {"DATA_IZM", "PRIBOR", "IZM"})
                    testutil::ClickItem(f.FieldsL, field, Qt::ControlModifier);
                QTest::mouseClick(f.BandCB, Qt::LeftButton, {}, QPoint(8, f.BandCB->height() / 2));
                QTest::mouseClick(f.Button1, Qt::LeftButton);
            });
            QTest::mouseClick(toolButton(d, rpLoadStr(55305)), Qt::LeftButton);
            ASSERT_EQ(d.Page->Objects.size(), 8);
            auto* data = dynamic_cast<TrpBandView*>(d.Page->Objects[1]);
            ASSERT_NE(data, nullptr);
            EXPECT_EQ(data->FormatStr, QStringLiteral("rpDBDataSet1"));

            j.dialogs.Then<TrpPreviewForm>([&](TrpPreviewForm& p) {
                ++shown;
                designed = ShownTexts(*report);
                QTest::keyClick(Focused(p), Qt::Key_Escape);
            });
            Activate(d);
            QTest::keyClick(Focused(d), Qt::Key_P, Qt::ControlModifier);
            Activate(d);
            QTest::keyClick(Focused(d), Qt::Key_S, Qt::ControlModifier);
            QTest::mouseClick(d.ExitB, Qt::LeftButton);
        });
        design.Design();
    }
    rpDesignerShutdown();
    EXPECT_EQ(shown, 4);
    EXPECT_EQ(boxes.Count(), 0);
    ASSERT_TRUE(QFile::exists(templateFile));
    for (const char* date : dates)
        EXPECT_TRUE(designed.contains(QString::fromLatin1(date))) << designed.join('|').toStdString();

    // The journal's print command over the same journal.
    j.ctrl->ShowAll();
    QStringList printed;
    j.dialogs.Then<TfmDefault_MP_Report>([&](TfmDefault_MP_Report& w) {
        ++shown;
        printed = ShownTexts(*w.rpRep);
        w.bCancel->click();
    });
    j.ctrl->ShowJournalReport();
    EXPECT_EQ(shown, 5);
    EXPECT_EQ(printed.size(), 3 + 3 * 3) << printed.join('|').toStdString(); // headers, then each row's fields
    EXPECT_EQ(printed, designed);
}

TEST(JournalReportDesign, SaysWhyAWorkFolderGivesNoJournalAndFindsEachVariantsTemplate)
{
    testutil::TempDir empty;
    struct Case {
        QString workDir;
        QByteArray ini;
        const char* error;
    } cases[] = {
        {empty.file("missing"), {}, "no work folder"},
        {empty.path(), {}, "no journal in"},
        {empty.path(), "[Methods]\r\nAppType=medic\r\n", "AppType=medic"},
    };
    for (const Case& c : cases) {
        if (!c.ini.isEmpty())
            testutil::writeFile(empty.file("VELT.ini"), c.ini);
        TJournalReportDesign design(c.workDir);
        EXPECT_FALSE(design.Ok()) << c.error;
        EXPECT_TRUE(design.Error.contains(QString::fromLatin1(c.error))) << design.Error.toStdString();
        EXPECT_EQ(design.Report(), nullptr);
    }
    EXPECT_FALSE(QDir(empty.path()).exists("DATABASE")) << "a folder without a journal is left as it was";

    // "default": its own template, and the journal's data set with the table's fields.
    jtest::DefaultJournal j;
    testutil::writeFile(j.dir.file("VELT.ini"), "[Methods]\r\nAppType=default\r\n");
    j.query->Close();
    j.lookup->Close();
    j.conn->ReleaseFiles();
    TJournalReportDesign design(j.dir.path());
    ASSERT_TRUE(design.Ok()) << design.Error.toStdString();
    EXPECT_EQ(design.TemplateFile(), j.dir.file("REPORTS/Report.rpf"));
    QStringList sets;
    rpGetDataSets(design.Report()->Owner, sets);
    ASSERT_EQ(sets.value(0), QStringLiteral("ADOQuery"));
    CurReport = design.Report();
    QStringList fields;
    rpGetFieldNames(rpGetDataSet(sets[0]), fields);
    CurReport = nullptr;
    EXPECT_TRUE(fields.contains("PAGE_FOOT")) << fields.join(',').toStdString();
}
