// A template made in the designer and saved builds the same report as the one made in code.
#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpDesignerPage.h"
#include "report/rpCtrls.h"
#include "report/rpPage.h"
#include "report/rpParser.h"
#include "designerdialogs.h"
#include "test_build_support.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using buildtest::ReportFixture;
using destest::ChooseBandType;
using destest::DialogScript;

namespace {

void addRows(ReportFixture& f)
{
    f.AddRows(5, {}, {}, [](int n) { return QString::fromUtf8("Иванов %1").arg(n); });
}

void drag(TrpDesignerPage* s, int x0, int y0, int x1, int y1)
{
    s->MMove(Qt::NoModifier, x0, y0);
    s->MDown(Qt::LeftButton, Qt::NoModifier, x0, y0);
    s->MMove(Qt::NoModifier, x1, y1);
    s->MUp(Qt::LeftButton, Qt::NoModifier, x1, y1);
}

} // namespace

TEST(DesignerRoundTrip, SavedTemplateBuildsLikeTheReportMadeInCode)
{
    QTemporaryDir dir;
    qputenv("VELT_REGISTRY_FILE", dir.filePath("registry.ini").toLocal8Bit());
    rpTheParser();

    QStringList expected;
    {
        ReportFixture f;
        f.Band(btPageHeader, 40, 30);
        f.Memo(40, 40, 300, 20, QString::fromUtf8("Журнал"));
        f.Band(btMasterData, 100, 20, "rpQ", 0);
        f.Memo(40, 100, 60, 20, "[N]");
        f.Memo(120, 100, 300, 20, "[Q.TXT]");
        addRows(f);
        ASSERT_TRUE(f.Prepare());
        expected = f.TextList(0);
    }
    ASSERT_EQ(expected.size(), 11);

    const QString file = dir.filePath("made.rpf");
    {
        ReportFixture f;
        auto form = std::make_unique<TrpDesignerForm>();
        f.report->FileName = file;
        CurReport = f.report.get();
        form->FormShow();
        form->EditAfterInsert = false;
        form->GridAlign = false;
        TrpDesignerPage* s = form->PageSurface;
        DialogScript script;
        ChooseBandType(script, btPageHeader);
        ChooseBandType(script, btMasterData);
        auto memo = [&](int x, int y, int w, int h, const QString& text) {
            form->ObjectButtonDown(form->OB2, false);
            drag(s, x, y, x + w, y + h);
            // What the text editor would store.
            form->Page->Objects.last()->Memo = QStringList{text};
        };
        form->ObjectButtonDown(form->OB3, false);
        drag(s, 0, 40, 100, 70);
        memo(40, 40, 300, 20, QString::fromUtf8("Журнал"));
        form->ObjectButtonDown(form->OB3, false);
        drag(s, 0, 100, 100, 120);
        // What the band editor would store: the data source and no options.
        TrpView* data = form->Page->Objects[1];
        data->FormatStr = "rpQ";
        data->Flags = 0;
        memo(120, 100, 300, 20, "[Q.TXT]");
        memo(40, 100, 60, 20, "[N]");
        form->Save();
        EXPECT_TRUE(form->DialogAccepted);
        EXPECT_FALSE(form->FileModified);
        form->FormHide();
    }

    ReportFixture g;
    ASSERT_TRUE(g.report->LoadFromFile(file));
    addRows(g);
    ASSERT_TRUE(g.Prepare());
    EXPECT_EQ(g.TextList(0), expected);
}
