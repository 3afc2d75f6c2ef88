// The engine's own preview window, its find dialog, print dialog and tool-bar buttons: finding text and
// F3, saving and opening prepared reports, deleting pages, hidden buttons, printing a page list with
// copies, the printer given back on cancel, copies never below one, and the buttons' states and groups.
#include "test_build_support.h"

#include "common/dialogscript.h"
#include "common/testutil.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/FormatSettings.h"
#include "report/rpCtrls.h"
#include "report/rpEMFPages.h"
#include "report/rpGlobals.h"
#include "report/rpPrepare.h"
#include "report/rpPreview.h"
#include "report/rpPreviewForm.h"
#include "report/rpPrintForm.h"
#include "report/rpPrintOutput.h"
#include "report/rpPrinter.h"
#include "reportfixture.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QProcess>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using buildtest::ReportFixture;

namespace {

class PreviewFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rtl::setFormatSettings(rtl::TFormatSettings::russian());
        ASSERT_TRUE(Prn().IsDefault());
        ASSERT_TRUE(QDir().mkpath(home.documents()));
        f.AddRows(4);
        f.Band(btMasterData, 100, 60, "rpQ", bfStartNewPage);
        f.Memo(40, 100, 400, 20, QString::fromUtf8("Запись [N]"));
        f.Memo(40, 130, 400, 20, QString::fromUtf8("итог"));
        ASSERT_TRUE(f.Prepare());
        f.report->ModalPreview = false;
    }
    void open()
    {
        form = new TrpPreviewForm;
        form->Show_Modal(f.report.get());
    }
    void TearDown() override
    {
        delete form.data();
    }
    TrpPageView& view() { return *form->PreviewPanel; }

    QTemporaryDir dir;
    testutil::TempHome home; // the "Default printer" writes into its documents folder
    ReportFixture f;
    QPointer<TrpPreviewForm> form;
    ctl::TScriptedMessageBoxPort boxes;
    testutil::DialogScript dialogs;
};

QStringList pdfPages(const QString& file)
{
    QProcess p;
    p.start("pdftotext", {"-layout", file, "-"});
    p.waitForFinished(30000);
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split('\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    for (QString& s : pages)
        s = s.simplified();
    return pages;
}

TEST_F(PreviewFormTest, FindTextAndF3GoFromMatchToMatchAndStopAfterTheLast)
{
    open();
    ASSERT_EQ(view().PageCount(), 4);
    form->FindStr = QString::fromUtf8("ЗАПИСЬ"); // not case-sensitive: the text is upper-cased
    EXPECT_TRUE(form->FindText());
    EXPECT_EQ(view().CurrentPage, 1);
    for (int page = 2; page <= 4; ++page) {
        EXPECT_TRUE(form->FormKeyDown(Qt::Key_F3, {}));
        EXPECT_EQ(view().CurrentPage, page);
    }
    const int scroll = view().VScrollBar->value();
    EXPECT_FALSE(form->FindText()); // past the last page: nothing, the view stays
    EXPECT_EQ(view().CurrentPage, 4);
    EXPECT_EQ(view().VScrollBar->value(), scroll);

    // Through the dialog: case-sensitive, from the first page.
    dialogs.Then<TrpPreviewSearchForm>([](TrpPreviewSearchForm* s) {
        testutil::ClickOn(s->CB1);
        testutil::ClickOn(s->RB1);
        testutil::Type(s->Edit1, QString::fromUtf8("Запись 3"));
        QTest::keyClick(s->Edit1, Qt::Key_Return);
    });
    form->FindBtnClick();
    EXPECT_EQ(view().CurrentPage, 3);
    EXPECT_EQ(form->FindInEMF(2).first().Text, QString::fromUtf8("Запись 3"));
    form->CaseSensitive = true;
    form->FindStr = QString::fromUtf8("ЗАПИСЬ");
    form->SearchPage = 0;
    form->RecordIndex = 0;
    EXPECT_FALSE(form->FindText());
}

// A designer registered with the engine, as the program registers its own: pages may then be added and
// deleted in a preview; it edits none.
class RegisteredDesigner : public TrpDesignerBase {
public:
    RegisteredDesigner() : previous_(rpDesigner) { rpRegisterDesigner(this); }
    ~RegisteredDesigner() override { rpRegisterDesigner(previous_); }
    void RegisterObject(const QImage&, const QString&, int) override {}
    void RegisterTool(const QString&, const QImage&, const std::function<void()>&) override {}
    void ShowModal() override {}

private:
    TrpDesignerBase* previous_;
};

TEST_F(PreviewFormTest, SavingTheReportAlwaysWritesRppAndOpeningReadsItBack)
{
    RegisteredDesigner designer;
    open();
    form->SaveToFile(dir.filePath("copy.txt"));
    EXPECT_FALSE(QFile::exists(dir.filePath("copy.txt")));
    ASSERT_TRUE(QFile::exists(dir.filePath("copy.rpp")));
    EXPECT_EQ(view().PageCount(), 4); // the view has its pages back
    ctl::TScriptedMessageBoxPort boxes;
    boxes.Answer(ctl::IDYES);
    view().CurrentPage = 2;
    form->DelPageBtnClick();
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, QString("Remove this page?"));
    EXPECT_EQ(boxes.AskedSoFar()[0].caption, QString("Confirm"));
    EXPECT_EQ(view().PageCount(), 3);
    form->LoadFromFile(dir.filePath("copy.rpp"));
    EXPECT_EQ(view().PageCount(), 4);
    EXPECT_EQ(view().CurrentPage, 1);
}

TEST_F(PreviewFormTest, DeletingIsRefusedOnOnePageAndWherePreparedPagesAreFixed)
{
    ctl::TScriptedMessageBoxPort boxes;
    // Without a designer pages are not edited, whatever the report allows.
    open();
    EXPECT_TRUE(form->FormKeyDown(Qt::Key_Delete, {}));
    EXPECT_EQ(view().PageCount(), 4);
    delete form.data();
    ASSERT_TRUE(f.Prepare());
    RegisteredDesigner designer;
    f.report->ModifyPrepared = false;
    open();
    EXPECT_TRUE(form->FormKeyDown(Qt::Key_Delete, {}));
    EXPECT_EQ(view().PageCount(), 4);
    delete form.data();
    ASSERT_TRUE(f.Prepare());
    f.report->ModifyPrepared = true;
    open();
    for (int i = 0; i < 3; ++i) {
        boxes.Answer(ctl::IDYES);
        form->DelPageBtnClick();
    }
    EXPECT_EQ(view().PageCount(), 1);
    form->DelPageBtnClick();
    EXPECT_EQ(view().PageCount(), 1);
    EXPECT_EQ(boxes.Count(), 3);
}

TEST_F(PreviewFormTest, WithoutPreviewButtonsTheToolBarIsEmptyButTheKeysWork)
{
    f.report->PreviewButtons = 0;
    open();
    for (QWidget* b : std::initializer_list<QWidget*>{form->ZoomBtn, form->LoadBtn, form->SaveBtn, form->PrintBtn,
                                                      form->FindBtn, form->HelpBtn, form->ExitBtn})
        EXPECT_TRUE(b->isHidden());
    EXPECT_TRUE(form->ZoomSeparator->isHidden());
    EXPECT_TRUE(form->FormKeyDown(Qt::Key_PageDown, Qt::ControlModifier));
    EXPECT_EQ(view().CurrentPage, 2);
    EXPECT_TRUE(form->FormKeyDown(Qt::Key_End, Qt::ControlModifier));
    EXPECT_EQ(view().CurrentPage, 4);
    EXPECT_FALSE(form->FormKeyDown(Qt::Key_A, {}));
}

TEST_F(PreviewFormTest, PrintTakesTheDialogsPagesAndCopiesAndCancelPrintsNothing)
{
    open();
    // The "Default printer" writes the report's own name (an unsaved report's) in the documents folder.
    const QString file = home.documents() + "/Untitled.pdf";
    dialogs.Then<TrpPrintForm>([](TrpPrintForm* p) { testutil::ClickOn(p->CancelButton); });
    form->PrintBtnClick();
    EXPECT_FALSE(QFile::exists(file));
    dialogs.Then<TrpPrintForm>([](TrpPrintForm* p) {
        testutil::ClickOn(p->RB3);
        testutil::Type(p->E2, "2-3");
        testutil::ClickOn(p->rpSpeedButton1);
        testutil::ClickOn(p->OkButton);
    });
    form->PrintBtnClick();
    const QString two = QString::fromUtf8("Запись 2 итог"), three = QString::fromUtf8("Запись 3 итог");
    EXPECT_EQ(pdfPages(file), (QStringList{two, two, three, three}));
    EXPECT_EQ(view().PageCount(), 4);
    // "Current page" prints the page the view stands on.
    dialogs.Then<TrpPrintForm>([](TrpPrintForm* p) {
        testutil::ClickOn(p->RB2);
        testutil::ClickOn(p->OkButton);
    });
    view().CurrentPage = 4;
    boxes.Answer(ctl::IDYES); // to replace the file printed before
    form->PrintBtnClick();
    EXPECT_EQ(pdfPages(file), QStringList{QString::fromUtf8("Запись 4 итог")});
    EXPECT_EQ(boxes.Count(), 3); // told twice, asked once
}

TEST(PrintForm, CancelGivesTheOldPrinterBackAndCopiesStayAboveZero)
{
    // Two printers of the print service (PDF printers standing in), then the default one.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    TrpPrinter& prn = Prn();
    prn.SetPrinter(&printer, {"Office", "Hall"}, 0);
    {
        TrpPrintForm form;
        EXPECT_EQ(form.CB1->count(), 3);
        form.CB1->setCurrentIndex(1);
        form.CB1Click();
        EXPECT_EQ(prn.PrinterIndex, 1); // chosen at once
        form.reject();
        EXPECT_EQ(prn.PrinterIndex, 0);
    }
    {
        TrpPrintForm form;
        form.CB1->setCurrentIndex(1);
        form.CB1Click();
        form.done(1);
        EXPECT_EQ(prn.PrinterIndex, 1); // kept on OK
        EXPECT_EQ(form.E1->text(), QString("1"));
        form.rpSpeedButton2Click();
        EXPECT_EQ(form.Copies(), 1);
        form.rpSpeedButton1Click();
        form.rpSpeedButton1Click();
        EXPECT_EQ(form.Copies(), 3);
        form.E1->setText("abc");
        EXPECT_EQ(form.Copies(), 1);
        EXPECT_EQ(form.PageList(7), QString());
        form.RB2->setChecked(true);
        EXPECT_EQ(form.PageList(7), QString("7"));
        // A click into the page list selects it.
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(form.E2, &press);
        EXPECT_TRUE(form.RB3->isChecked());
        form.E2->setText("1,3,5-12");
        EXPECT_EQ(form.PageList(7), QString("1,3,5-12"));
    }
    prn.SetPrinter(nullptr, {}, -1);
    EXPECT_TRUE(prn.IsDefault());
}

QImage render(QWidget& w)
{
    QImage image(w.size(), QImage::Format_RGB32);
    image.fill(Qt::red);
    w.render(&image);
    return image;
}

TEST(ToolBarButtons, SettersClampAndStatesPaintByTheRules)
{
    QWidget bar;
    auto* b = new TrpTBButton(&bar);
    EXPECT_TRUE(b->Flat());
    EXPECT_EQ(b->size(), QSize(22, 22));
    b->SetNumGlyphs(5);
    EXPECT_EQ(b->NumGlyphs(), 4);
    b->SetNumGlyphs(1);
    b->SetMargin(-2);
    EXPECT_EQ(b->Margin(), -1);
    b->SetMargin(3);
    EXPECT_EQ(b->Margin(), 3);

    QImage glyph(4, 4, QImage::Format_RGB32);
    glyph.fill(qRgb(200, 100, 50));
    glyph.setPixel(0, 0, qRgb(128, 128, 0)); // the transparent colour
    b->SetGlyph(glyph);
    // Enabled and away from the mouse: the grey picture; disabled: the embossed one, grey or not.
    render(*b);
    EXPECT_EQ(b->PaintedState(), fbsInactive);
    const int grey = (200 * 77 + 100 * 150 + 50 * 29) >> 8;
    const QImage inactive = rpInactiveImage(glyph, qRgb(128, 128, 0), qRgb(192, 192, 192));
    EXPECT_EQ(inactive.pixel(1, 1), qRgb(grey, grey, grey));
    EXPECT_EQ(inactive.pixel(0, 0), qRgb(192, 192, 192));
    b->setEnabled(false);
    render(*b);
    EXPECT_EQ(b->PaintedState(), fbsDisabled);
    const QImage embossed = rpEmbossedImage(glyph, qRgb(128, 128, 0), qRgb(192, 192, 192), qRgb(255, 255, 255),
                                            qRgb(128, 128, 128));
    EXPECT_EQ(embossed.pixel(1, 1), qRgb(128, 128, 128));
    EXPECT_EQ(embossed.pixel(0, 0), qRgb(192, 192, 192));
    b->setEnabled(true);
    b->SetInactiveGrayed(false);
    render(*b);
    EXPECT_EQ(b->PaintedState(), fbsUp);
}

void click(QWidget* w, QPoint release)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(w, &press);
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(release), QPointF(release), Qt::LeftButton, Qt::NoButton, {});
    QApplication::sendEvent(w, &up);
}

TEST(ToolBarButtons, ButtonsOfAGroupGoDownOneAtATime)
{
    QWidget bar;
    auto* a = new TrpSpeedButton(&bar);
    auto* b = new TrpSpeedButton(&bar);
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    int clicks = 0;
    a->OnClick = [&] { ++clicks; };
    click(a, {5, 5});
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(clicks, 1);
    click(b, {5, 5});
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    click(b, {50, 50}); // released outside: no toggle, no click
    EXPECT_TRUE(b->Down());
    click(b, {5, 5}); // the last one down stays down without AllowAllUp
    EXPECT_TRUE(b->Down());
    b->SetAllowAllUp(true);
    EXPECT_TRUE(a->AllowAllUp()); // the group shares it
    click(b, {5, 5});
    EXPECT_FALSE(b->Down());
    auto* lone = new TrpSpeedButton(&bar);
    lone->SetDown(true); // outside a group a button never stays down
    EXPECT_FALSE(lone->Down());
}

TEST(ToolBarButtons, SeparatorInAColumnLiesAcrossIt)
{
    for (int align : {int(Qt::AlignLeft), int(Qt::AlignTop)}) {
        QWidget dock;
        dock.setProperty("rpAlign", align);
        auto* bar = new QWidget(&dock);
        auto* s = new TrpTBSeparator(bar);
        s->resize(24, 24);
        const bool column = align == Qt::AlignLeft;
        EXPECT_EQ(rpToolBarControlAlign(s), column ? Qt::AlignTop : Qt::AlignLeft);
        const QImage image = render(*s);
        // The etched line: across the column at mid-height, or down the row at mid-width.
        const QPoint a = column ? QPoint(5, 11) : QPoint(11, 5), b = column ? QPoint(18, 11) : QPoint(11, 18);
        EXPECT_EQ(image.pixel(a), image.pixel(b));
        EXPECT_NE(image.pixel(a), image.pixel(5, 5));
        EXPECT_EQ(image.pixel(column ? QPoint(11, 5) : QPoint(5, 11)), image.pixel(5, 5));
    }
}

} // namespace
