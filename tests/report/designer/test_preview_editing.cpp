// Prepared pages edited in the engine's preview window with the designer registered: Ctrl+E, a double
// click and the pop-up menu open a designer on the page, whose Close keeps the edits and whose window
// asks before it drops them; Insert adds a page and Delete removes one; nothing of it where the report
// keeps its pages fixed. Keys and clicks go to the shown windows.
#include "test_build_support.h"

#include "common/dialogscript.h"
#include "common/testutil.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/FormatSettings.h"
#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpDesignerPage.h"
#include "report/rpCtrls.h"
#include "report/rpEMFPages.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpPreview.h"
#include "report/rpPreviewForm.h"
#include "report/rpPrinter.h"

#include <QAction>
#include <QMenu>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using buildtest::ReportFixture;
using testutil::Activate;
using testutil::Focused;

namespace {

class PreviewEditingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rtl::setFormatSettings(rtl::TFormatSettings::russian());
        f.AddRows(3);
        f.Band(btMasterData, 100, 60, "rpQ", bfStartNewPage);
        f.Memo(40, 100, 400, 20, QString::fromUtf8("Запись [N]"));
        f.Memo(40, 130, 400, 20, QString::fromUtf8("итог"));
        ASSERT_TRUE(f.Prepare());
        f.report->ModalPreview = false;
        f.report->FileName = dir.filePath("form.rpf");
        rpRegisterDesigner(&registered);
    }
    void TearDown() override
    {
        delete preview.data();
        rpRegisterDesigner(previous);
    }
    void open()
    {
        preview = new TrpPreviewForm;
        preview->resize(900, 700);
        preview->Show_Modal(f.report.get());
        Activate(*preview);
    }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        Activate(*preview);
        QTest::keyClick(Focused(*preview), k, mods);
    }
    TrpPageView& view() { return *preview->PreviewPanel; }
    // Each page's texts joined by "|".
    QStringList pages()
    {
        QStringList out;
        TrpEMFPages& p = *view().Pages;
        for (int i = 0; i < p.Count(); ++i) {
            QStringList texts;
            p.ObjectsToPage(i);
            for (TrpView* v : p.Pages(i).Page->Objects)
                texts << v->Memo.join('\n');
            p.Pages(i).Page.reset();
            out << texts.join('|');
        }
        return out;
    }
    // A click on the page where the view lies, then Delete: the view goes.
    static void deleteView(TrpDesignerForm& d, const QString& text)
    {
        TrpView* found = nullptr;
        for (TrpView* v : d.Page->Objects)
            if (v->Memo.join('\n') == text)
                found = v;
        ASSERT_NE(found, nullptr) << text.toStdString();
        Activate(d);
        const QPoint at(found->x + found->dx / 2, found->y + found->dy / 2);
        QTest::mouseMove(d.PageSurface, at);
        QTest::mouseClick(d.PageSurface, Qt::LeftButton, Qt::NoModifier, at);
        QTest::keyClick(Focused(d), Qt::Key_Delete);
        EXPECT_EQ(d.Page->Objects.indexOf(found), -1);
    }
    // The visible item of the shown pop-up menu with this text.
    static QAction* menuItem(QMenu*& menu, const QString& text)
    {
        EXPECT_TRUE(testutil::PumpUntil([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); },
                                        30000));
        if (!menu)
            return nullptr;
        for (QAction* a : menu->actions())
            if (a->isVisible() && a->text() == text)
                return a;
        return nullptr;
    }

    QTemporaryDir dir;
    // The designers keep their settings in a registry of the test's own.
    const bool registry = qputenv("VELT_REGISTRY_FILE", dir.filePath("registry.ini").toLocal8Bit());
    ReportFixture f;
    TrpDesignerBase* previous = rpDesigner;
    TrpDesignerForm registered;
    QPointer<TrpPreviewForm> preview;
    ctl::TScriptedMessageBoxPort boxes;
    testutil::DialogScript dialogs;
    const QString one = QString::fromUtf8("Запись 1|итог"), two = QString::fromUtf8("Запись 2|итог"),
                  three = QString::fromUtf8("Запись 3|итог");
};

} // namespace

TEST_F(PreviewEditingTest, CtrlEEditsTheCurrentPageAndTheDesignersCloseKeepsTheEdits)
{
    TrpPage* design = f.report->Pages->Pages(0);
    const QList<TrpView*> designObjects = design->Objects;
    open();
    key(Qt::Key_PageDown, Qt::ControlModifier);
    ASSERT_EQ(view().CurrentPage, 2);
    int shown = 0;
    dialogs.Then<TrpDesignerForm>(
        [&](TrpDesignerForm& d) {
            ++shown;
            EXPECT_NE(&d, &registered);
            EXPECT_EQ(rpDesigner, &d);
            // A page of its own: no pages added, no bands.
            EXPECT_EQ(d.Tab1->count(), 1);
            EXPECT_FALSE(d.PgB1->isEnabled());
            EXPECT_FALSE(d.OB3->isEnabled());
            QStringList texts;
            for (TrpView* v : d.Page->Objects)
                texts << v->Memo.join('\n');
            EXPECT_EQ(texts.join('|'), two);
            deleteView(d, QString::fromUtf8("итог"));
            QTest::mouseClick(d.ExitB, Qt::LeftButton);
        });
    key(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_EQ(pages(), (QStringList{one, QString::fromUtf8("Запись 2"), three}));
    EXPECT_EQ(view().CurrentPage, 1);
    // The design is the report's again, as it was; saving the page could not have replaced it.
    EXPECT_EQ(rpDesigner, &registered);
    ASSERT_EQ(f.report->Pages->Count(), 1);
    EXPECT_EQ(f.report->Pages->Pages(0), design);
    EXPECT_EQ(design->Objects, designObjects);
    EXPECT_EQ(f.report->FileName, dir.filePath("form.rpf"));
    // The edit is in the page's stored form: it survives the prepared report's file.
    preview->SaveToFile(dir.filePath("pages.rpp"));
    preview->LoadFromFile(dir.filePath("pages.rpp"));
    EXPECT_EQ(pages(), (QStringList{one, QString::fromUtf8("Запись 2"), three}));
}

TEST_F(PreviewEditingTest, DoubleClickAndMenuOpenTheEditorWhoseWindowAsksBeforeDroppingTheEdits)
{
    open();
    const gfx::TRect first = view().PageRect(0);
    const QPoint onFirst(first.Left + first.Width() / 2 + view().OffsetX, first.Top + 40 + view().OffsetY);
    // Closing the window with an edit: No drops it.
    boxes.Answer(ctl::IDNO);
    dialogs.Then<TrpDesignerForm>([&](TrpDesignerForm& d) {
        deleteView(d, QString::fromUtf8("Запись 1"));
        d.close();
    });
    QTest::mouseDClick(view().PBox, Qt::LeftButton, Qt::NoModifier, onFirst);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, QStringLiteral("Save changes to Page1?"));
    EXPECT_EQ(pages(), (QStringList{one, two, three}));

    // From the pop-up menu, on page 3: Yes keeps it.
    key(Qt::Key_End, Qt::ControlModifier);
    ASSERT_EQ(view().CurrentPage, 3);
    QTest::mouseClick(view().PBox, Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
    QMenu* menu = nullptr;
    QAction* edit = menuItem(menu, QStringLiteral("Edit page"));
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->isEnabled());
    boxes.Answer(ctl::IDYES);
    dialogs.Then<TrpDesignerForm>([&](TrpDesignerForm& d) {
        deleteView(d, QString::fromUtf8("итог"));
        d.close();
    });
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(edit).center());
    EXPECT_EQ(boxes.Count(), 2);
    EXPECT_EQ(pages(), (QStringList{one, two, QString::fromUtf8("Запись 3")}));
}

TEST_F(PreviewEditingTest, InsertAddsAnEmptyPageBeforeTheCurrentOneAndDeleteAsksAndRemovesIt)
{
    open();
    // With a control of the window in the focus the window still has the keys first: Space is its zoom
    // menu, not a press of the page button.
    key(Qt::Key_Tab);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_NE(QApplication::focusWidget(), preview.data());
    key(Qt::Key_PageDown, Qt::ControlModifier);
    key(Qt::Key_Space);
    QMenu* menu = nullptr;
    EXPECT_NE(menuItem(menu, QStringLiteral("&Whole page")), nullptr);
    EXPECT_EQ(view().CurrentPage, 2);
    menu->close();
    key(Qt::Key_PageUp, Qt::ControlModifier);
    key(Qt::Key_PageDown, Qt::ControlModifier);
    key(Qt::Key_Insert);
    EXPECT_EQ(pages(), (QStringList{one, QString(), two, three}));
    key(Qt::Key_PageDown, Qt::ControlModifier); // the view stands on the first page again
    ASSERT_EQ(view().CurrentPage, 2);
    boxes.Answer(ctl::IDNO);
    key(Qt::Key_Delete);
    EXPECT_EQ(view().PageCount(), 4);
    boxes.Answer(ctl::IDYES);
    key(Qt::Key_Delete);
    ASSERT_EQ(boxes.Count(), 2);
    EXPECT_EQ(boxes.AskedSoFar()[1].text, QStringLiteral("Remove this page?"));
    EXPECT_EQ(pages(), (QStringList{one, two, three}));
}

TEST_F(PreviewEditingTest, FixedPreparedPagesAreNeitherEditedAddedNorDeleted)
{
    f.report->ModifyPrepared = false;
    open();
    // A designer that opened all the same is counted (and closed by the script).
    key(Qt::Key_E, Qt::ControlModifier);
    key(Qt::Key_Insert);
    key(Qt::Key_Delete);
    QTest::mouseDClick(view().PBox, Qt::LeftButton, Qt::NoModifier, QPoint(view().PBox->width() / 2, 60));
    EXPECT_EQ(pages(), (QStringList{one, two, three}));
    EXPECT_EQ(boxes.Count(), 0);
    // The menu shows its edit items (a designer is registered), all disabled.
    QTest::mouseClick(view().PBox, Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
    QMenu* menu = nullptr;
    for (const char* text : {"Edit page", "Add page", "Delete page"}) {
        QAction* item = menuItem(menu, QString::fromLatin1(text));
        ASSERT_NE(item, nullptr) << text;
        EXPECT_FALSE(item->isEnabled()) << text;
    }
    menu->close();
    // Without a designer the edit items are not offered at all.
    rpRegisterDesigner(nullptr);
    QTest::mouseClick(view().PBox, Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(menuItem(menu, QStringLiteral("Edit page")), nullptr);
    menu->close();
    EXPECT_EQ(dialogs.Shown, QStringList());
}

TEST_F(PreviewEditingTest, APageEditedFromThePreviewOfTheReportBeingDesignedLeavesItsDesignerAsItWas)
{
    CurReport = f.report.get();
    registered.FirstInstance = true; // the program's designer, the one that previews
    registered.FormShow();
    registered.show();
    Activate(registered);
    TrpPage* design = registered.Page;
    ASSERT_EQ(design, f.report->Pages->Pages(0));
    int shown = 0;
    dialogs.Then<TrpPreviewForm>(
        [&](TrpPreviewForm& p) {
            ++shown;
            dialogs.Then<TrpDesignerForm>(
                [&](TrpDesignerForm& d) {
                    ++shown;
                    EXPECT_NE(&d, &registered);
                    deleteView(d, QString::fromUtf8("итог"));
                    QTest::mouseClick(d.ExitB, Qt::LeftButton);
                });
            Activate(p);
            QTest::keyClick(Focused(p), Qt::Key_E, Qt::ControlModifier);
            preview = &p;
            EXPECT_EQ(pages(), (QStringList{QString::fromUtf8("Запись 1"), two, three}));
            preview = nullptr;
            QTest::keyClick(Focused(p), Qt::Key_Escape);
        });
    QTest::keyClick(Focused(registered), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(rpDesigner, &registered);
    EXPECT_EQ(registered.Page, design);
    EXPECT_EQ(design->Objects.size(), 3);
    EXPECT_TRUE(registered.isVisible());
    registered.hide();
    registered.FormHide();
}
