// The designer window: its instances, captions, menus with the buttons' glyphs, and its tool windows.
#include "designerfixture.h"

#include "report/designer/rpDock.h"
#include "report/rpCtrls.h"

#include <QAction>
#include <QMenu>

using namespace destest;

namespace {

QImage toolGlyph()
{
    QImage g(16, 16, QImage::Format_RGB32);
    g.fill(Qt::darkBlue);
    return g;
}

class WindowTest : public DesignerTest {};

} // namespace

TEST_F(WindowTest, OnlyTheFirstDesignerMayAddPagesAndNamesItsFile)
{
    form->FirstInstance = true; // whichever designer of this test program came first
    form->SetCurDocName(QStringLiteral("/tmp/REPORTS/Report.rpf"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Designer - Report.rpf"));
    TrpDesignerForm second;
    EXPECT_FALSE(second.FirstInstance);
    EXPECT_FALSE(second.PgB1->isEnabled());
    EXPECT_FALSE(second.N30->isEnabled());
    second.SetCurDocName(QStringLiteral("/tmp/REPORTS/Report.rpf"));
    EXPECT_EQ(second.windowTitle(), QStringLiteral("Designer"));
    CurReport = report.get();
}

TEST_F(WindowTest, MenuItemsShowTheirButtonsGlyphs)
{
    EXPECT_FALSE(form->N46->icon().isNull());
    EXPECT_EQ(form->N46->property("GlyphButton").value<QObject*>(), form->UndoB);
    EXPECT_EQ(form->N41->property("GlyphButton").value<QObject*>(), form->PgB1);
    EXPECT_TRUE(form->N27->icon().isNull()) << "Delete has no button";
    rpRegisterDesigner(form.get());
    rpRegisterTool({QStringLiteral("Later tool"), toolGlyph(), [] {}});
    rpRegisterDesigner(nullptr);
    EXPECT_FALSE(form->MastMenu->actions().last()->icon().isNull());
}

TEST_F(WindowTest, UndoCommandsFollowTheHistory)
{
    TrpView* m = Memo(10, 10, 20, 20);
    EXPECT_FALSE(form->UndoB->isEnabled());
    Select({m});
    form->BeforeChange();
    m->x = 50;
    form->AfterChange();
    EXPECT_TRUE(form->UndoB->isEnabled());
    EXPECT_TRUE(form->N46->isEnabled());
    EXPECT_TRUE(form->Modified);
    form->N46->trigger();
    EXPECT_EQ(objects()[0]->x, 10);
    EXPECT_TRUE(form->RedoB->isEnabled());
    form->RedoB->OnClick();
    EXPECT_EQ(objects()[0]->x, 50);
    // Showing the designer again starts a clean history.
    form->FormShow();
    EXPECT_FALSE(form->RedoB->isEnabled());
    EXPECT_FALSE(form->UndoB->isEnabled());
    EXPECT_FALSE(form->Modified);
}

TEST_F(WindowTest, FloatingToolWindowsStayOnTopOnlyWhileTheProgramIsActive)
{
    form->show();
    form->Panel5->FloatTo(100, 100);
    QWidget* window = form->Panel5->GetFloatWindow();
    ASSERT_NE(window, nullptr);
    form->ApplicationActivated(false);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    form->ApplicationActivated(true);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    // The tool bars' places survive hiding and showing the designer.
    form->FormHide();
    form->Panel5->DockTo(form->rpDock4, 0, 0);
    form->FormShow();
    EXPECT_TRUE(form->Panel5->IsFloat);
    form->hide();
}
