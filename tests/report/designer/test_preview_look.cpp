// The engine's preview window beside the designer: its find dialog shows every control whole at its
// size, and its tool-bar buttons are grayed as the registered designer's setting says.
#include "designerdialogs.h"
#include "test_build_support.h"

#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpDock.h"
#include "report/rpCtrls.h"
#include "report/rpPreviewForm.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <utility>
#include <gtest/gtest.h>

using buildtest::ReportFixture;

TEST(PreviewFindDialog, ShowsEveryControlWholeAtItsSize)
{
    TrpPreviewSearchForm form;
    destest::ExpectLaidOutCleanly(&form, QStringLiteral("find-text"));
    // Never smaller than it was drawn for.
    EXPECT_GE(form.width(), 262);
    EXPECT_GE(form.height(), 158);
}

TEST(PreviewToolBar, TheRegisteredDesignersGrayButtonsSettingWinsOverTheReports)
{
    QTemporaryDir dir;
    qputenv("VELT_REGISTRY_FILE", dir.filePath("registry.ini").toLocal8Bit());
    ReportFixture f;
    f.AddRows(1);
    f.Band(btMasterData, 100, 60, "rpQ");
    f.Memo(40, 100, 400, 20, QStringLiteral("[N]"));
    ASSERT_TRUE(f.Prepare());
    f.report->ModalPreview = false;
    // "grayed" or "plain" when every button agrees.
    auto buttons = [&f] {
        TrpPreviewForm form;
        form.Show_Modal(f.report.get());
        QStringList states;
        for (TrpTBButton* b : {form.ZoomBtn, form.LoadBtn, form.SaveBtn, form.PrintBtn, form.FindBtn, form.HelpBtn,
                               form.ExitBtn})
            states << (b->GrayedInactive() ? QStringLiteral("grayed") : QStringLiteral("plain"));
        states.removeDuplicates();
        return states.join(',');
    };
    TrpDesignerBase* const previous = rpDesigner;
    rpRegisterDesigner(nullptr);
    f.report->GrayedButtons = true;
    EXPECT_EQ(buttons(), "grayed");
    f.report->GrayedButtons = false;
    EXPECT_EQ(buttons(), "plain");
    // The key the designer's start-up gives its settings: below the program's title.
    const QString root = std::exchange(rpDockRegRoot, "Software\\ReportEngine\\" + QCoreApplication::applicationName());
    {
        TrpDesignerForm designer;
        rpRegisterDesigner(&designer);
        f.report->GrayedButtons = true;
        EXPECT_EQ(buttons(), "plain"); // the designer's setting, false while it has saved none
        designer.SetGrayedButtons(true);
        designer.FormHide(); // a designer keeps its settings when it is hidden
        f.report->GrayedButtons = false;
        EXPECT_EQ(buttons(), "grayed");
    }
    rpRegisterDesigner(previous);
    rpDockRegRoot = root;
}
