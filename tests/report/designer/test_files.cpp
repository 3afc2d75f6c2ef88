// The file commands of the designer: new, new from a template, open, save, save as in its three forms,
// preview, and the question about unsaved changes.
#include "designerfixture.h"
#include "designerdialogs.h"
#include "report/rpCtrls.h"

#include "common/testutil.h"
#include "platform/controls/MessageBox.h"
#include "report/designer/rpDesigner.h"
#include "report/designer/rpTemplForm.h"
#include "report/rpPrepare.h"
#include "report/rpPreviewForm.h"

#include <QDir>
#include <QTest>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace destest;

namespace {

class FileTest : public DesignerTest {
protected:
    ~FileTest() override { rpTemplateDir.clear(); }

    // What another session saved: a page with one text view.
    QString OtherReport(const QString& fileName, const QString& text)
    {
        TrpReport other;
        other.Pages->Add();
        auto* m = new TrpMemoView;
        m->SetBounds(10, 10, 100, 20);
        m->Memo = QStringList{text};
        m->Name = QStringLiteral("Memo1");
        other.Pages->Pages(0)->Objects.append(m);
        const QString path = dir.filePath(fileName);
        other.SaveToFile(path);
        CurReport = report.get();
        return path;
    }
    QString FirstText() const { return page->Objects.isEmpty() ? QString() : page->Objects[0]->Memo.join('\n'); }
    QString Untitled() const { return QStringLiteral("Untitled"); }

    DialogScript guard{DialogScript::FailUnscripted};
    ctl::TScriptedMessageBoxPort boxes;
};

} // namespace

TEST_F(FileTest, NewWithoutChangesAsksNothingAndLeavesOneEmptyPortraitA4Page)
{
    EXPECT_EQ(form->CurDocName, Untitled()) << "a report never saved";
    Memo(10, 10, 50, 20, "old");
    report->Pages->Add()->ChangePaper(9, 0, 0, 1);
    form->SetCurPage(1);
    form->FirstInstance = true; // whichever designer of this test program came first
    form->FileBtn1->OnClick();
    EXPECT_EQ(boxes.Count(), 0);
    ASSERT_EQ(report->Pages->Count(), 1);
    page = form->Page;
    EXPECT_EQ(page, report->Pages->Pages(0));
    EXPECT_TRUE(page->Objects.isEmpty());
    EXPECT_EQ(page->pgSize, 9);
    EXPECT_EQ(page->pgOr, 0);
    EXPECT_EQ(form->CurDocName, Untitled());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Designer - Untitled"));
    EXPECT_EQ(form->Tab1->count(), 1);
}

TEST_F(FileTest, TheQuestionAboutChangesDecidesWhetherNewGoesOn)
{
    struct Case {
        const char* what;
        int answer;
        bool chooseFile; // Save as is offered a file
        bool cleared;
        bool saved;
    } cases[] = {
        {"cancel", ctl::IDCANCEL, false, false, false},
        {"no", ctl::IDNO, false, true, false},
        {"yes, then Save as cancelled", ctl::IDYES, false, false, false},
        {"yes, then Save as done", ctl::IDYES, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        form->FileModified = false;
        form->New();
        page = form->Page;
        Memo(10, 10, 50, 20, "work");
        form->FileModified = true;
        const QString file = dir.filePath(QStringLiteral("work.rpf"));
        QFile::remove(file);
        boxes.Clear();
        boxes.Answer(c.answer);
        {
            DialogScript script;
            if (c.answer == ctl::IDYES) {
                if (c.chooseFile)
                    script.File(file, 1);
                else
                    script.CancelFile();
            }
            form->New();
        }
        ASSERT_EQ(boxes.Count(), 1);
        const auto asked = boxes.AskedSoFar()[0];
        EXPECT_EQ(asked.text, QStringLiteral("Save changes to Untitled?"));
        EXPECT_EQ(asked.caption, QStringLiteral("Confirm"));
        EXPECT_EQ(asked.buttons(), ctl::MB_YESNOCANCEL);
        EXPECT_EQ(asked.icon(), ctl::MB_ICONQUESTION);
        page = form->Page;
        EXPECT_EQ(page->Objects.isEmpty(), c.cleared);
        EXPECT_EQ(form->FileModified, !c.cleared);
        EXPECT_EQ(QFile::exists(file), c.saved);
        EXPECT_EQ(form->CurDocName, Untitled());
    }
}

TEST_F(FileTest, NewOnAModifiedNamedReportSavesItUnderItsNameThenClears)
{
    const QString file = dir.filePath(QStringLiteral("named.rpf"));
    form->SetCurDocName(file);
    Memo(10, 10, 50, 20, "kept");
    form->FileModified = true;
    boxes.Answer(ctl::IDYES);
    form->New();
    EXPECT_EQ(boxes.AskedSoFar()[0].text, QStringLiteral("Save changes to named.rpf?"));
    EXPECT_TRUE(form->Page->Objects.isEmpty());
    TrpReport back;
    ASSERT_TRUE(back.LoadFromFile(file));
    ASSERT_EQ(back.Pages->Pages(0)->Objects.size(), 1);
    EXPECT_EQ(back.Pages->Pages(0)->Objects[0]->Memo, QStringList{"kept"});
    CurReport = report.get();
}

TEST_F(FileTest, OpenAsksForAFormReadsItAndStartsClean)
{
    const QString file = OtherReport("other.rpf", "from file");
    Memo(10, 10, 50, 20, "mine");
    Select({objects()[0]});
    form->DeleteObjects();
    ASSERT_EQ(form->UndoBufferLength, 1);
    form->FileModified = true;
    boxes.Answer(ctl::IDNO);
    {
        DialogScript script;
        script.File(file);
        form->FileBtn2->OnClick();
        ASSERT_EQ(script.FileAsked.size(), 1);
        EXPECT_FALSE(script.FileAsked[0].Save);
        EXPECT_EQ(script.FileAsked[0].Filters, QStringList{"Report form (*.rpf)"});
    }
    page = form->Page;
    EXPECT_EQ(FirstText(), QStringLiteral("from file"));
    EXPECT_EQ(form->CurDocName, file);
    EXPECT_FALSE(form->FileModified);
    EXPECT_EQ(form->UndoBufferLength, 0);
}

TEST_F(FileTest, OpenOfAFileThatCannotBeReadKeepsTheReportOrDropsTheName)
{
    Memo(10, 10, 50, 20, "mine");
    form->SetCurDocName(dir.filePath("mine.rpf"));
    {
        // Not there: an error, and the report and its name stay.
        DialogScript script;
        script.File(dir.filePath("missing.rpf"));
        form->Open();
    }
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(FirstText(), QStringLiteral("mine"));
    EXPECT_EQ(form->CurDocName, dir.filePath("mine.rpf"));
    {
        // Damaged: the engine reports it and leaves an empty page, which Save must not write over the file.
        const QString damaged = dir.filePath("damaged.rpf");
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a report form");
        f.close();
        DialogScript script;
        script.File(damaged);
        form->Open();
    }
    EXPECT_EQ(boxes.Count(), 2);
    EXPECT_EQ(form->CurDocName, Untitled());
    {
        // The XML form is an export: it is said so plainly, and the report stays as it is.
        form->SetCurDocName(dir.filePath("mine.rpf"));
        const QString exported = dir.filePath("mine.rp3");
        report->SaveToRP3File(exported);
        DialogScript script;
        script.File(exported);
        form->Open();
        ASSERT_EQ(boxes.Count(), 3);
        EXPECT_TRUE(boxes.AskedSoFar()[2].text.contains(QStringLiteral("XML report form (.rp3)")));
        EXPECT_EQ(form->CurDocName, dir.filePath("mine.rpf"));
        form->SetCurDocName(Untitled());
    }
    DialogScript script;
    script.CancelFile();
    form->Save();
    EXPECT_EQ(script.FileAsked.size(), 1);
    EXPECT_EQ(testutil::readFile(dir.filePath("damaged.rpf")), QByteArray("not a report form"));
}

TEST_F(FileTest, SaveAsWritesTheFormOrTheXmlFormUnderTheChosenNameAndClearsTheMark)
{
    Memo(10, 10, 50, 20, "text");
    form->FileModified = true;
    {
        DialogScript script;
        script.File(dir.filePath("made.txt"), 1);
        form->SaveAs();
        ASSERT_EQ(script.FileAsked.size(), 1);
        const ctl::TFileQuestion& asked = script.FileAsked[0];
        EXPECT_TRUE(asked.Save);
        EXPECT_EQ(asked.FileName, Untitled());
        EXPECT_EQ(asked.FilterIndex, 1);
        EXPECT_EQ(asked.Filters, (QStringList{"Report form (*.rpf)", "XML report form (*.rp3)",
                                                     "Report template (*.rpt)"}));
    }
    EXPECT_TRUE(QFile::exists(dir.filePath("made.rpf")));
    EXPECT_EQ(form->CurDocName, dir.filePath("made.rpf"));
    EXPECT_TRUE(form->DialogAccepted);
    EXPECT_FALSE(form->FileModified);

    form->FileModified = true;
    {
        DialogScript script;
        script.File(dir.filePath("made.rpf"), 2);
        form->SaveAs();
    }
    const QString xml = dir.filePath("made.rp3");
    ASSERT_TRUE(QFile::exists(xml));
    const QByteArray written = testutil::readFile(xml);
    EXPECT_TRUE(written.startsWith("<?xml")) << written.left(40).toStdString();
    EXPECT_EQ(form->CurDocName, xml);
    EXPECT_FALSE(form->FileModified);

    // Save on the XML form asks for a name instead of writing the binary form into it.
    form->FileModified = true;
    {
        DialogScript script;
        script.CancelFile();
        form->FileBtn3->OnClick();
        EXPECT_EQ(script.FileAsked.size(), 1);
    }
    EXPECT_FALSE(form->DialogAccepted);
    EXPECT_TRUE(form->FileModified);
    EXPECT_EQ(testutil::readFile(xml), written);
}

TEST_F(FileTest, SaveThatCannotWriteReportsItAndKeepsTheMark)
{
    form->SetCurDocName(dir.filePath("no/such/folder/r.rpf"));
    form->FileModified = true;
    form->Save();
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_FALSE(form->DialogAccepted);
    EXPECT_TRUE(form->FileModified);
}

TEST_F(FileTest, ATemplateGoesToTheTemplatesFolderAndMakesNewReports)
{
    rpTemplateDir = dir.filePath("templates");
    ASSERT_TRUE(QDir().mkpath(rpTemplateDir));
    QImage icon(16, 16, QImage::Format_RGB32);
    icon.fill(Qt::red);
    const QString bmp = dir.filePath("icon.bmp");
    ASSERT_TRUE(icon.save(bmp));
    Memo(10, 10, 50, 20, "from template");
    form->SetCurDocName(dir.filePath("doc.rpf"));
    form->FileModified = true;
    {
        DialogScript script;
        script.File(dir.filePath("elsewhere/Journal.rpf"), 3);
        script.Then([&](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("New report template"));
            QTest::keyClicks(Child<QPlainTextEdit>(d, "Memo1"), "Daily journal");
            // A file that is no picture is refused with an error.
            testutil::writeFile(dir.filePath("notes.bmp"), "not a picture");
            script.File(dir.filePath("notes.bmp"));
            ClickOn(Child<QPushButton>(d, "Button1"));
            EXPECT_EQ(boxes.Count(), 1);
            EXPECT_TRUE(Child<QLabel>(d, "Image1")->pixmap().isNull());
            script.File(bmp);
            ClickOn(Child<QPushButton>(d, "Button1"));
            EXPECT_FALSE(Child<QLabel>(d, "Image1")->pixmap().isNull());
            ClickOn(Child<QPushButton>(d, "Button2"));
        });
        form->SaveAs();
        EXPECT_EQ(script.FileAsked[1].Filters, QStringList{"Bitmap file (*.bmp)"});
        EXPECT_EQ(boxes.Count(), 1);
    }
    EXPECT_TRUE(form->DialogAccepted);
    EXPECT_TRUE(QFile::exists(rpTemplateDir + "/Journal.rpt"));
    EXPECT_FALSE(QFile::exists(dir.filePath("elsewhere/Journal.rpt")));
    EXPECT_EQ(form->CurDocName, dir.filePath("doc.rpf")) << "a template does not rename the document";

    // New from a template: the list shows the folder's templates with their description and picture.
    form->New();
    page = form->Page;
    ASSERT_TRUE(page->Objects.isEmpty());
    DialogScript script;
    script.Then([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("New report"));
        auto* list = Child<QListWidget>(d, "LB1");
        auto* ok = Child<QPushButton>(d, "Button1");
        ASSERT_EQ(list->count(), 1);
        EXPECT_FALSE(ok->isEnabled());
        ClickItem(list, "Journal");
        EXPECT_TRUE(ok->isEnabled());
        EXPECT_EQ(Child<QPlainTextEdit>(d, "Memo1")->toPlainText(), QStringLiteral("Daily journal"));
        EXPECT_EQ(Child<QLabel>(d, "Image1")->pixmap().toImage().pixelColor(8, 8), QColor(Qt::red));
        ExpectLaidOutCleanly(&d, "template-choose");
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                           list->visualItemRect(list->item(0)).center());
    });
    form->NewFromTemplate();
    page = form->Page;
    EXPECT_EQ(FirstText(), QStringLiteral("from template"));
    EXPECT_EQ(form->CurDocName, Untitled());
}

TEST_F(FileTest, AnEmptyTemplatesFolderOffersNothingToChoose)
{
    rpTemplateDir = dir.filePath("none");
    ASSERT_TRUE(QDir().mkpath(rpTemplateDir));
    Memo(10, 10, 50, 20, "mine");
    // Unsaved changes are asked about before a template replaces them.
    form->FileModified = true;
    boxes.Answer(ctl::IDCANCEL);
    form->NewFromTemplate();
    EXPECT_EQ(boxes.Count(), 1);
    form->FileModified = false;
    DialogScript script;
    script.Then([&](QDialog& d) {
        EXPECT_EQ(Child<QListWidget>(d, "LB1")->count(), 0);
        auto* ok = Child<QPushButton>(d, "Button1");
        EXPECT_FALSE(ok->isEnabled());
        d.accept(); // Enter: the dialog stays until a template is chosen
        EXPECT_TRUE(d.isVisible());
    });
    form->NewFromTemplate();
    EXPECT_EQ(FirstText(), QStringLiteral("mine"));
}

TEST_F(FileTest, TheTemplateDescriptionDialogIsLaidOutCleanly)
{
    TrpTemplNewForm d(form.get());
    ExpectLaidOutCleanly(&d, "template-new");
}

TEST_F(FileTest, PreviewShowsTheBuiltReportModallyAndReturnsToDesigning)
{
    Band(btReportTitle, 20, 40);
    Memo(20, 30, 200, 20, "Title");
    report->ModalPreview = false;
    report->ShowProgress = false;
    QString shown;
    QWidget* inspector = form->InspectorWindow();
    ASSERT_NE(inspector, nullptr);
    inspector->show();
    bool inspectorDuring = true;
    // The preview window is closed once it runs its modal loop.
    DialogScript script;
    script.Then<TrpPreviewForm>([&](TrpPreviewForm* w) {
        shown = w->windowTitle();
        inspectorDuring = inspector->isVisible();
        w->close();
    });
    form->FileBtn4->OnClick();
    EXPECT_EQ(shown, QStringLiteral("Preview"));
    EXPECT_FALSE(inspectorDuring) << "the inspector keeps out of the preview's way";
    EXPECT_TRUE(inspector->isVisible());
    inspector->hide();
    EXPECT_FALSE(report->ModalPreview);
    EXPECT_EQ(DocMode, dmDesigning);
    EXPECT_EQ(form->Page, report->Pages->Pages(0));
}

TEST_F(FileTest, PreviewOfACompositeReportDoesNothing)
{
    TrpCompositeReport composite;
    composite.Reports.append(report.get());
    CurReport = &composite;
    form->FormShow();
    EXPECT_FALSE(form->FileBtn4->isEnabled());
    DialogScript script;
    form->Preview();
    EXPECT_EQ(script.Shown, QStringList());
    CurReport = report.get();
    form->FormShow();
}

TEST_F(FileTest, TheDesignerComponentsTemplatesFolderHoldsWhateverTheCurrentFolder)
{
    const QString templates = dir.filePath("templates");
    ASSERT_TRUE(QDir().mkpath(templates));
    Memo(10, 10, 50, 20, "from template");
    report->SaveTemplate(templates + "/Journal.rpt", {}, nullptr);
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QDir::tempPath()));
    TrpDesigner component;
    component.TemplateDir = templates;
    component.Loaded();
    form->New();
    DialogScript script;
    script.Then([&](QDialog& d) {
        auto* list = Child<QListWidget>(d, "LB1");
        ASSERT_EQ(list->count(), 1);
        ClickItem(list, "Journal");
        ClickOn(Child<QPushButton>(d, "Button1"));
    });
    form->NewFromTemplate();
    page = form->Page;
    EXPECT_EQ(FirstText(), QStringLiteral("from template"));
    // A relative folder lies beside the program.
    component.TemplateDir = QStringLiteral("REPORTS\\templates");
    component.Loaded();
    EXPECT_EQ(rpTemplateDir, QCoreApplication::applicationDirPath() + "/REPORTS/templates");
    component.TemplateDir.clear();
    component.Loaded();
    EXPECT_TRUE(rpTemplateDir.isEmpty());
    QDir::setCurrent(before);
}
