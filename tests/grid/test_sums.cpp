// Running sums over a data set and the footers that show them.
#include "GridFixture.h"
#include "platform/data/FloatField.h"
#include "platform/rtl/FormatFloat.h"
#include "platform/rtl/FormatSettings.h"
#include <gtest/gtest.h>

using namespace gridtest;

namespace {

std::unique_ptr<TMemDataSet> values(const std::vector<QVariant>& vs)
{
    auto ds = std::make_unique<TMemDataSet>();
    ds->AddFieldDef("V", ftFloat);
    ds->AddFieldDef("N", ftInteger);
    ds->Open();
    int i = 0;
    for (const QVariant& v : vs)
        ds->AppendRecord({v, ++i});
    ds->First();
    return ds;
}

struct Producer : TDBSumListProducer {
    TDBSum* sum(TGroupOperation op, const QString& field)
    {
        TDBSum* s = SumCollection().Add();
        s->SetGroupOperation(op);
        s->SetFieldName(field);
        return s;
    }
};

} // namespace

TEST(Sums, AggregatesSkipNullsAndNeverDrift)
{
    auto ds = values({1.0, 2.0, QVariant()});
    Producer p;
    p.SetDataSet(ds.get());
    TDBSum* avg = p.sum(goAvg, "V");
    TDBSum* sum = p.sum(goSum, "V");
    TDBSum* countAll = p.sum(goCount, "");
    TDBSum* countV = p.sum(goCount, "V");
    EXPECT_EQ(avg->SumValue(), 15000);
    EXPECT_EQ(sum->SumValue(), 30000);
    EXPECT_EQ(countAll->SumValue(), 30000);
    EXPECT_EQ(countV->SumValue(), 20000);
    // Ten thousand additions of 0.1 give exactly 1000.
    std::vector<QVariant> tenths(10000, 0.1);
    auto many = values(tenths);
    Producer q;
    q.SetDataSet(many.get());
    EXPECT_EQ(q.sum(goSum, "V")->SumValue(), 1000LL * 10000);
}

TEST(Sums, IncrementalUpkeepEqualsAFullPass)
{
    auto ds = values({1.0, 2.0, QVariant(), 4.5});
    int previousPosts = 0;
    ds->AfterPost = [&previousPosts](TDataSet*) { ++previousPosts; };
    Producer p;
    p.SetDataSet(ds.get());
    std::vector<TDBSum*> sums{p.sum(goSum, "V"), p.sum(goAvg, "V"), p.sum(goCount, "V"), p.sum(goCount, "")};
    auto check = [&] {
        std::vector<std::int64_t> now;
        for (TDBSum* s : sums)
            now.push_back(s->SumValue());
        p.RecalcAll();
        for (size_t i = 0; i < sums.size(); ++i)
            EXPECT_EQ(now[i], sums[i]->SumValue()) << "sum " << i;
    };
    ds->AppendRecord({3.3, 9});
    check();
    ds->First();
    ds->Edit();
    ds->FieldByName("V")->Clear();
    ds->Post();
    check();
    // Deleting a record whose value is null takes nothing off (and is not refused).
    ds->First();
    ASSERT_TRUE(ds->FieldByName("V")->IsNull());
    ds->Delete();
    check();
    ds->Next();
    ds->Delete();
    check();
    ds->Append();
    ds->FieldByName("V")->SetValue(7.0);
    ds->Cancel();
    check();
    EXPECT_EQ(previousPosts, 2) << "the data set's own AfterPost still runs";
    // Going away gives the data set its handlers back.
    p.SetDataSet(nullptr);
    ds->AppendRecord({1.0, 1});
    EXPECT_EQ(previousPosts, 3);
}

TEST(Sums, ExternalRecalcLeavesTheValuesToTheHandler)
{
    auto ds = values({1.0, 2.0});
    Producer p;
    p.SetDataSet(ds.get());
    TDBSum* s = p.sum(goSum, "V");
    int calls = 0;
    p.OnRecalcAll = [&](TDBSumListProducer*) { ++calls; };
    p.SetExternalRecalc(true);
    EXPECT_EQ(s->SumValue(), 0);
    EXPECT_GE(calls, 1);
}

TEST(Footers, KeepOneSumEachAndShowIt)
{
    auto ds = values({1.0, 2.0, QVariant()});
    TDataSource src(ds.get());
    TDBGridEx g;
    g.resize(400, 200);
    g.SetDataSource(&src);
    g.SumList().SetActive(true);
    g.SetFooterRowCount(1);
    TColumnEx* v = g.Columns().Add();
    v->SetFieldName("V");
    TColumnEx* n = g.Columns().Add();
    n->SetFieldName("N");
    v->Footer().SetValueType(fvtSum);
    EXPECT_EQ(g.SumList().SumCollection().Count(), 1);
    EXPECT_EQ(v->Footer().Sum()->FieldName(), "V") << "no footer field name: the column's own";
    EXPECT_EQ(g.GetFooterValue(0, v), rtl::FloatToStr(3.0));
    v->Footer().SetValueType(fvtAvg);
    EXPECT_EQ(g.GetFooterValue(0, v), rtl::FloatToStr(1.5));
    n->Footer().SetValueType(fvtCount);
    EXPECT_EQ(n->Footer().Sum()->FieldName(), QString());
    EXPECT_EQ(g.GetFooterValue(0, n), "3");
    n->Footer().SetValueType(fvtStaticText);
    n->Footer().SetValue("итого");
    EXPECT_EQ(g.SumList().SumCollection().Count(), 1);
    EXPECT_EQ(g.GetFooterValue(0, n), "итого");
    // A sum over a missing field shows "0"; deleting a column removes its sums.
    v->Footer().SetFieldName("MISSING");
    EXPECT_EQ(g.GetFooterValue(0, v), "0");
    g.Columns().Delete(0);
    EXPECT_EQ(g.SumList().SumCollection().Count(), 0);
}

TEST(Footers, AssignCopiesAttributesOnlyWhereTheDestinationHasThem)
{
    TColumnEx col(nullptr, true);
    TColumnFooterEx src(&col), fresh(&col), own(&col);
    src.SetColor(gfx::clRed);
    fresh.Assign(src);
    EXPECT_FALSE(has(fresh.AssignedValues(), cvFooterColor));
    own.SetColor(gfx::clBlue);
    own.Assign(src);
    EXPECT_EQ(own.Color(), gfx::clRed);
}

TEST(Footers, PaintedAtTheBottomWithTheRunningSum)
{
    JournalGrid j(4);
    j.grid.SumList().SetActive(true);
    j.grid.SetFooterRowCount(1);
    j.grid.Columns()[2]->Footer().SetValueType(fvtSum);
    QString footerText;
    j.grid.OnDrawFooterCell = [&](TCustomDBGridEx* g, int, int, TColumnEx* c, const gfx::TRect&, TGridDrawState) {
        if (c->FieldName() == "IZM")
            footerText = g->GetFooterValue(0, c);
    };
    j.show();
    j.grid.viewport()->repaint();
    // 0 + 0.05 + 0.1 + null
    EXPECT_EQ(footerText, rtl::FloatToStr(0.15));
    j.ds->AppendRecord({"2026.12.31 00:00:00", "X", 0.2, "VELT-A", 5});
    j.grid.viewport()->repaint();
    EXPECT_EQ(footerText, rtl::FloatToStr(0.35));
}

TEST(Footers, MoneyShownAsMoney)
{
    auto ds = values({1.5, 2.0, QVariant()});
    auto* v = dynamic_cast<TFloatField*>(ds->FieldByName("V"));
    ASSERT_NE(v, nullptr);
    v->SetCurrency(true);
    TDataSource src(ds.get());
    TDBGridEx g;
    g.SetDataSource(&src);
    g.SumList().SetActive(true);
    g.SetFooterRowCount(1);
    TColumnEx* c = g.Columns().Add();
    c->SetFieldName("V");
    c->Footer().SetValueType(fvtSum);
    const rtl::TFormatSettings& fs = rtl::formatSettings();
    EXPECT_EQ(g.GetFooterValue(0, c), rtl::FloatToStrF(3.5, rtl::TFloatFormat::ffCurrency, 15, fs.CurrencyDecimals));
    // A display format still wins.
    v->SetDisplayFormat("0.000");
    EXPECT_EQ(g.GetFooterValue(0, c), rtl::FormatFloat("0.000", 3.5));
}
