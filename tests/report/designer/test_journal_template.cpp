// A journal template made from nothing with the designer's commands only, saved, then built by the
// engine over the journal's rows and printed to PDF, read back with pdftotext.
#include "designerdialogs.h"
#include "report/rpCtrls.h"

#include "platform/controls/MessageBox.h"
#include "platform/data/Field.h"
#include "platform/data/MemDataSet.h"
#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpDesignerPage.h"
#include "report/rpBandView.h"
#include "report/rpComponents.h"
#include "report/rpDBDataSet.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpParser.h"
#include "report/rpPrepare.h"
#include "report/rpPrinter.h"
#include "report/rpReport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

using namespace destest;

namespace {

// The journal's report window as the engine finds it: the journal's rows and the report data set over them.
struct JournalWindow {
    JournalWindow()
    {
        query.AddFieldDef("ID", ftInteger);
        query.AddFieldDef("DATA_IZM", ftString, 19);
        query.AddFieldDef("OBSL_FAM", ftString, 20);
        query.AddFieldDef("IZM", ftFloat);
        query.Open();
        query.FieldByName("DATA_IZM")->SetDisplayLabel(QString::fromUtf8("Дата"));
        query.FieldByName("OBSL_FAM")->SetDisplayLabel(QString::fromUtf8("Фамилия"));
        query.FieldByName("IZM")->SetDisplayLabel(QString::fromUtf8("Результат"));
        rpDBDataSet1.SetDataSet(&query);
        owner.Add("Query", &query);
        owner.Add("rpDBDataSet1", &rpDBDataSet1);
    }
    TrpOwner owner{QStringLiteral("fmDefault_Report"), TrpOwner::Form, false};
    TMemDataSet query;
    TrpDBDataSet rpDBDataSet1;
};

void drag(TrpDesignerPage* s, int x0, int y0, int x1, int y1)
{
    s->MMove(Qt::NoModifier, x0, y0);
    s->MDown(Qt::LeftButton, Qt::NoModifier, x0, y0);
    s->MMove(Qt::NoModifier, x1, y1);
    s->MUp(Qt::LeftButton, Qt::NoModifier, x1, y1);
}

QString pdfText(const QString& file)
{
    QProcess p;
    p.start("pdftotext", {"-layout", file, "-"});
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

TEST(JournalTemplate, MadeWithTheDesignersCommandsPrintsTheJournal)
{
    QTemporaryDir dir;
    qputenv("VELT_REGISTRY_FILE", dir.filePath("registry.ini").toLocal8Bit());
    rpTheParser();
    ASSERT_TRUE(Prn().IsDefault()) << "printing goes into a PDF";
    DialogScript guard{DialogScript::FailUnscripted};
    ctl::TScriptedMessageBoxPort boxes;
    const QString file = dir.filePath("journal.rpf");
    {
        JournalWindow window;
        TrpReport report(&window.owner, QStringLiteral("rpRep"));
        CurReport = &report;
        TrpDesignerForm form;
        form.FormShow();
        form.EditAfterInsert = false;
        form.FileBtn1->OnClick();

        // The journal's fields with their headers, on a page header and a master data band.
        {
            DialogScript script;
            script.Then([](QDialog& d) {
                auto* sets = Child<QComboBox>(d, "DatasetCB");
                ASSERT_EQ(sets->currentText(), QStringLiteral("Query"));
                auto* list = Child<QListWidget>(d, "FieldsL");
                for (const char* f : {"DATA_IZM", "OBSL_FAM", "IZM"})
                    ClickItem(list, f, Qt::ControlModifier);
                ClickOn(Child<QCheckBox>(d, "BandCB"));
                ClickOn(Child<QPushButton>(d, "Button1"));
            });
            form.InsFieldsClick();
        }
        TrpPage* page = form.Page;
        ASSERT_EQ(page->Objects.size(), 8);
        EXPECT_EQ(page->Objects[1]->FormatStr, QStringLiteral("rpDBDataSet1"));

        // A page footer with the page number, drawn with the band and text tools.
        {
            DialogScript script;
            ChooseBandType(script, btPageFooter);
            form.ObjectButtonDown(form.OB3, false);
            drag(form.PageSurface, 0, 900, 100, 930);
        }
        form.ObjectButtonDown(form.OB2, false);
        drag(form.PageSurface, 300, 904, 500, 924);
        // The text the memo editor would store.
        page->Objects.last()->Memo = QStringList{QString::fromUtf8("Страница [PAGE#]")};
        EXPECT_TRUE(form.FileModified);

        DialogScript script;
        script.File(dir.filePath("journal"), 1);
        form.N20->trigger();
        EXPECT_TRUE(form.DialogAccepted);
        EXPECT_EQ(form.CurDocName, file);
        form.FormHide();
    }

    JournalWindow window;
    window.query.AppendRecord({1, "2026.12.01 10:15:00", QString::fromUtf8("Иванов"), 0.0});
    window.query.AppendRecord({2, "2026.12.02 11:30:00", QString::fromUtf8("Петров"), 0.35});
    TrpReport report(&window.owner, QStringLiteral("rpRep"));
    report.ShowProgress = false;
    ASSERT_TRUE(report.LoadFromFile(file));
    ASSERT_TRUE(report.PrepareReport());
    Prn().OutputFile = dir.filePath("journal.pdf");
    {
        ctl::TScriptedMessageBoxPort boxes; // told where the file went
        rpPrintPreparedReport(&report, QString(), 1);
    }
    const QString text = pdfText(dir.filePath("journal.pdf"));
    CurReport = MasterReport = nullptr;
    for (const char* expected : {"Дата", "Фамилия", "Результат", "2026.12.01 10:15:00", "Иванов", "Петров",
                                 "2026.12.02 11:30:00", "Страница 1"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << " in:\n" << text.toStdString();
    EXPECT_EQ(boxes.Count(), 0);
}
