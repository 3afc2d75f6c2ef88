// The designer made hidden at start-up, registered with the engine, told of add-ins and tools, freed at the end.
#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpDock.h"
#include "report/rpCtrls.h"
#include "report/rpReport.h"

#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QImage toolGlyph()
{
    QImage g(16, 16, QImage::Format_RGB32);
    g.fill(Qt::darkBlue);
    return g;
}

} // namespace

TEST(DesignerStartup, IsMadeHiddenRegisteredAndFreed)
{
    QTemporaryDir dir;
    qputenv("VELT_REGISTRY_FILE", dir.filePath("registry.ini").toLocal8Bit());
    ASSERT_EQ(rpDesigner, nullptr);
    rpDesignerStartup();
    auto* designer = dynamic_cast<TrpDesignerForm*>(rpDesigner);
    ASSERT_NE(designer, nullptr);
    EXPECT_FALSE(designer->isVisible());
    EXPECT_EQ(rpDockRegRoot, QStringLiteral("Software\\ReportEngine\\") + QCoreApplication::applicationName());
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();

    // Objects and tools registered later reach the designer through the engine.
    const int buttons = int(rpSpeedButtons(designer->Panel4).size());
    rpRegisterObject({QStringLiteral("TrpTestAddIn"), nullptr, toolGlyph(), QStringLiteral("Test add-in")});
    EXPECT_EQ(rpSpeedButtons(designer->Panel4).size(), buttons + 1);
    EXPECT_EQ(rpSpeedButtons(designer->Panel4).last()->property("Tag").toInt(), gtAddIn + int(rpAddIns().size()) - 1);
    bool clicked = false;
    rpRegisterTool({QStringLiteral("Test tool"), toolGlyph(), [&clicked] { clicked = true; }});
    ASSERT_TRUE(designer->MastMenu->isEnabled());
    designer->MastMenu->actions().last()->trigger();
    EXPECT_TRUE(clicked);

    rpDesignerShutdown();
    EXPECT_EQ(rpDesigner, nullptr);
}
