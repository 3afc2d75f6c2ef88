// The names report scripts use while a report is built: properties of views and bands, FREESPACE,
// colour names, script variables kept between records, and the report's own names.
#include "test_build_support.h"

#include "platform/rtl/FormatSettings.h"
#include "report/rpEMFPages.h"
#include "report/rpInterpretator.h"
#include "report/rpPage.h"
#include "report/rpPageFormation.h"
#include "report/rpScriptNames.h"

#include <gtest/gtest.h>

using buildtest::ReportFixture;

namespace {

class ScriptNamesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rtl::setFormatSettings(rtl::TFormatSettings::russian());
        rpTheVariables().Clear();
    }
    void TearDown() override { rpTheVariables().Clear(); }

    // The prepared memo objects of page 0.
    std::vector<TrpMemoView*> memos()
    {
        std::vector<TrpMemoView*> out;
        TrpEMFPages& pages = *f.report->EMFPages;
        pages.ObjectsToPage(0);
        for (TrpView* v : pages.Pages(0).Page->Objects)
            if (auto* m = dynamic_cast<TrpMemoView*>(v))
                out.push_back(m);
        return out;
    }

    ReportFixture f;
};

TEST_F(ScriptNamesTest, ScriptsSetPropertiesOfTheirViewAndOfNamedViews)
{
    f.AddRows(2);
    TrpBandView* band = f.Band(btMasterData, 100, 20, "rpQ", 0);
    TrpMemoView* first = f.Memo(0, 100, 100, 20, "[N]");
    TrpMemoView* second = f.Memo(200, 100, 100, 20, "second");
    first->Script = QStringList{"FontSize := 20; FillColor := clRed; FontStyle := 2; Adjust := 1"};
    band->Script = QStringList{QStringLiteral("Height := 40; %1.Visible := [N] - 1").arg(second->Name)};
    ASSERT_TRUE(f.Prepare());
    const auto m = memos();
    ASSERT_EQ(m.size(), 3u); // "second" hidden on the first record
    EXPECT_EQ(m[0]->Font.Size(), 20);
    EXPECT_EQ(m[0]->FillColor, gfx::clRed);
    EXPECT_EQ(rpStyleToCode(m[0]->Font.Style()), 2);
    EXPECT_EQ(m[0]->Adjust, 1);
    EXPECT_EQ(m[1]->y - m[0]->y, 40); // the band's height came from its script
    EXPECT_EQ(m[2]->Memo.value(0), "second");
}

TEST_F(ScriptNamesTest, VariablesLiveAcrossRecordsAndReachTheTexts)
{
    f.AddRows(3);
    rpTheVariables().SetVariable("cnt", 0);
    f.Band(btMasterData, 100, 20, "rpQ", 0);
    TrpMemoView* memo = f.Memo(0, 100, 300, 20, "[cnt]:[twice]:[room]");
    memo->Script = QStringList{"cnt := cnt + 1; twice := [N] * 2; room := FREESPACE"};
    ASSERT_TRUE(f.Prepare());
    const int bottom = f.page->PrnInfo.Ofy + f.page->PrnInfo.Ph;
    const int top = f.page->PrnInfo.Ofy;
    EXPECT_EQ(f.TextList(0), (QStringList{QStringLiteral("1:2:%1").arg(bottom - top),
                                          QStringLiteral("2:4:%1").arg(bottom - top - 20),
                                          QStringLiteral("3:6:%1").arg(bottom - top - 40)}));
}

TEST_F(ScriptNamesTest, NamesOutsideAnyBuild)
{
    TInterpretator interp;
    QVariant v;
    interp.GetValue("clNavy", v);
    EXPECT_EQ(v.toLongLong(), gfx::clNavy);
    interp.GetValue("clTransparent", v);
    EXPECT_EQ(v.toLongLong(), gfx::clNone);
    EXPECT_EQ(TInterpretator::PropertyIndex("fontcolor"), 14);
    EXPECT_EQ(TInterpretator::PropertyIndex("Caption"), -1);

    // Without a view a property name is a plain script variable.
    CurView = nullptr;
    interp.SetValue("Left", 5);
    EXPECT_EQ(rpTheVariables().GetVariable("left").toInt(), 5);
    v = QVariant();
    interp.GetValue("LEFT", v);
    EXPECT_EQ(v.toInt(), 5);

    // NEWPAGE without a band being output asks nothing of anyone.
    CurBand = nullptr;
    QString result;
    interp.DoFunction("NEWPAGE", 0, {}, {}, result);
    EXPECT_EQ(result, "0");
}

} // namespace
