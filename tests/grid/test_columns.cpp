// Columns: field binding by name, attributes with defaults and flags, widths, titles and sort marking,
// cell values and stepping, and the data link's field map.
#include "GridFixture.h"
#include "grid/GridError.h"
#include <QFontMetrics>
#include <gtest/gtest.h>

using namespace gridtest;

namespace {
struct Bound {
    std::unique_ptr<TMemDataSet> ds = makeJournal(5);
    TDataSource source{ds.get()};
    TDBGridEx grid;
    Bound() { grid.SetDataSource(&source); }
};
} // namespace

TEST(Columns, WidthDefaultsFlagsAndClamps)
{
    TColumnEx loose(nullptr, true);
    EXPECT_EQ(loose.Width(), 64) << "no grid";
    Bound b;
    TColumnEx* noField = b.grid.Columns().Add();
    EXPECT_EQ(noField->Width(), b.grid.DefaultColWidth());
    TColumnEx* fio = b.grid.Columns().Add();
    fio->SetFieldName("FIO");
    const QFontMetrics fm(fio->Font().ToQFont());
    EXPECT_EQ(fio->Width(), fm.horizontalAdvance('0') * 40 + 4);
    // Writing the default width leaves the flag clear (not stored); -1 keeps the width.
    fio->SetWidth(fio->Width());
    EXPECT_FALSE(fio->AssignedValues() & bit(cvWidth));
    fio->SetMaxWidth(100);
    fio->SetMinWidth(150);
    fio->SetWidth(200);
    EXPECT_EQ(fio->Width(), 150) << "maximum first, minimum last";
    fio->SetWidth(-1);
    EXPECT_EQ(fio->Width(), 150);
    EXPECT_EQ(fio->AllowableWidth(50), 150);
}

TEST(Columns, BindByNameLazilyAndNormaliseTheCase)
{
    Bound b;
    TColumnEx* c = b.grid.Columns().Add();
    c->SetFieldName("fio");
    EXPECT_EQ(c->GetField(), b.ds->FieldByName("FIO"));
    EXPECT_EQ(c->FieldName(), "FIO");
    // A name that is no field binds nothing and shows an empty cell.
    TColumnEx* none = b.grid.Columns().Add();
    none->SetFieldName("INSP_FIO");
    EXPECT_EQ(none->GetField(), nullptr);
    EXPECT_EQ(none->DisplayText(), QString());
    EXPECT_EQ(none->Title().Caption(), "INSP_FIO");
    // A closed data set with its default fields gives no field and caches nothing.
    b.ds->Close();
    TColumnEx* later = b.grid.Columns().Add();
    later->SetFieldName("IZM");
    EXPECT_EQ(later->GetField(), nullptr);
    b.ds->Open();
    EXPECT_EQ(later->GetField(), b.ds->FieldByName("IZM"));
}

TEST(Columns, AttributesFollowDefaultsUntilSet)
{
    Bound b;
    TColumnEx* c = b.grid.Columns().Add();
    c->SetFieldName("FIO");
    EXPECT_EQ(c->Color(), gfx::clWindow);
    b.grid.SetColor(gfx::clCream);
    EXPECT_EQ(c->Color(), gfx::clCream);
    c->SetColor(gfx::clRed);
    b.grid.SetColor(gfx::clWindow);
    EXPECT_EQ(c->Color(), gfx::clRed);
    EXPECT_TRUE(c->WordWrap()) << "string fields wrap by default";
    EXPECT_FALSE(c->ReadOnly());
    b.grid.SetReadOnly(true);
    EXPECT_TRUE(c->ReadOnly());
    // The title font follows the grid's title font quietly; changing it makes it the title's own.
    b.grid.TitleFont().SetName("Arial");
    EXPECT_EQ(c->Title().GetFont().Name(), "Arial");
    EXPECT_FALSE(c->AssignedValues() & bit(cvTitleFont));
    c->Title().GetFont().SetStyle(gfx::fsBold);
    EXPECT_TRUE(c->AssignedValues() & bit(cvTitleFont));
    b.grid.TitleFont().SetName("Tahoma");
    EXPECT_EQ(c->Title().GetFont().Name(), "Arial");
    // Title alignment: the flag rule, and the multi-title default.
    EXPECT_EQ(c->Title().Alignment(), taLeftJustify);
    b.grid.SetUseMultiTitle(true);
    EXPECT_EQ(c->Title().Alignment(), taCenter);
    b.grid.SetUseMultiTitle(false);
    c->Title().SetAlignment(taRightJustify);
    EXPECT_EQ(c->Title().Alignment(), taRightJustify);
    // Caption: the field's display name until set; setting the same text flags it but stores nothing.
    EXPECT_EQ(c->Title().Caption(), "FIO");
    c->Title().SetCaption("FIO");
    EXPECT_TRUE(c->AssignedValues() & bit(cvTitleCaption));
    EXPECT_FALSE(c->Title().IsCaptionStored());
}

TEST(Columns, AssignCopiesOnlyWhatTheSourceSet)
{
    Bound b;
    TColumnEx* src = b.grid.Columns().Add();
    src->SetFieldName("IZM");
    src->SetColor(gfx::clYellow);
    TColumnEx* dst = b.grid.Columns().Add();
    dst->Assign(*src);
    EXPECT_EQ(dst->FieldName(), "IZM");
    EXPECT_EQ(dst->Color(), gfx::clYellow);
    EXPECT_FALSE(dst->AssignedValues() & bit(cvAlignment));
    EXPECT_TRUE(dst->AssignedValues() & bit(cvEndEllipsis)) << "a default of the source becomes the destination's own";
}

TEST(Columns, SortMarkingSingleAndMulti)
{
    Bound b;
    for (const char* n : {"DATA_IZM", "FIO", "IZM"})
        b.grid.Columns().Add()->SetFieldName(n);
    TColumnTitleEx& a = b.grid.Columns()[0]->Title();
    TColumnTitleEx& bb = b.grid.Columns()[1]->Title();
    TColumnTitleEx& c = b.grid.Columns()[2]->Title();
    a.SetSortMarker(smDownEx);
    bb.SetSortMarker(smUpEx);
    EXPECT_EQ(a.SortMarker(), smNoneEx);
    EXPECT_EQ(b.grid.SortMarkedColumns(), TColumnsExList{b.grid.Columns()[1]});
    EXPECT_EQ(bb.SortIndex(), 1);
    // A title click cycles none, down, up, down in single mode.
    std::vector<TSortMarkerEx> cycle;
    for (int i = 0; i < 4; ++i) {
        c.SetNextSortMarkerValue(false);
        cycle.push_back(c.SortMarker());
    }
    EXPECT_EQ(cycle, (std::vector<TSortMarkerEx>{smDownEx, smUpEx, smDownEx, smUpEx}));
    c.SetSortMarker(smNoneEx);
    b.grid.SetOptionsEx(b.grid.OptionsEx() | bit(dghMultiSortMarking));
    bb.SetSortMarker(smNoneEx);
    a.SetSortMarker(smDownEx);
    bb.SetSortMarker(smDownEx);
    c.SetSortMarker(smUpEx);
    EXPECT_EQ((std::vector<int>{a.SortIndex(), bb.SortIndex(), c.SortIndex()}), (std::vector<int>{1, 2, 3}));
    bb.SetSortMarker(smNoneEx);
    EXPECT_EQ(c.SortIndex(), 2);
    c.SetSortIndex(1);
    EXPECT_EQ(c.SortIndex(), 1);
    EXPECT_EQ(a.SortIndex(), 2);
    c.SetSortIndex(7);
    EXPECT_EQ(c.SortIndex(), 1) << "an index no column holds is ignored";
}

TEST(Columns, CellValuesOfListAndCheckboxColumns)
{
    Bound b;
    TColumnEx* c = b.grid.Columns().Add();
    c->SetFieldName("PRIBOR");
    c->KeyList() = QStringList{"Y;1", "N;0"};
    c->SetCheckboxes(true);
    struct Case { QVariant value; TCheckBoxState state; };
    const Case cases[] = {{"y", cbChecked}, {"0", cbUnchecked}, {"X", cbGrayed}, {QVariant(), cbGrayed}};
    for (const Case& k : cases) {
        b.ds->Edit();
        b.ds->FieldByName("PRIBOR")->SetValue(k.value);
        EXPECT_EQ(c->GetCheckboxState(), k.state) << k.value.toString().toStdString();
    }
    b.ds->Cancel();
    // A key-list column shows the pick-list entry of its key; a key not in the list shows nothing.
    TColumnEx* k = b.grid.Columns().Add();
    k->SetFieldName("PRIBOR");
    k->KeyList() = QStringList{"VELT-A", "VELT-B"};
    k->PickList() = QStringList{"Прибор А", "Прибор Б"};
    EXPECT_EQ(k->GetColumnType(), ctKeyPickList);
    EXPECT_EQ(k->DisplayText(), QString::fromUtf8("Прибор А"));
    b.ds->Edit();
    b.ds->FieldByName("PRIBOR")->SetValue("VELT-C");
    EXPECT_EQ(k->DisplayText(), QString());
    // Stepping back from a key not in the list writes the last key; stepping by a non-unit increment
    // goes the way the increment points.
    k->SetNextFieldValue(-1.0);
    EXPECT_EQ(b.ds->FieldByName("PRIBOR")->AsString(), "VELT-B");
    k->SetNextFieldValue(-1.0);
    EXPECT_EQ(b.ds->FieldByName("PRIBOR")->AsString(), "VELT-A");
    k->SetNextFieldValue(2.0);
    EXPECT_EQ(b.ds->FieldByName("PRIBOR")->AsString(), "VELT-B");
    // A numeric column steps by the increment; a null counts as zero.
    TColumnEx* n = b.grid.Columns().Add();
    n->SetFieldName("NUM_VIDOH");
    b.ds->FieldByName("NUM_VIDOH")->Clear();
    n->SetNextFieldValue(2.0);
    EXPECT_EQ(b.ds->FieldByName("NUM_VIDOH")->AsInteger(), 2);
    b.ds->Cancel();
}

TEST(Columns, DataLinkFieldMap)
{
    Bound b;
    TGridDataLinkEx* link = b.grid.DataLink();
    link->ClearMapping();
    link->SetSparseMap(true);
    for (const char* n : {"FIO", "NOPE", "IZM"})
        link->AddMapping(n);
    EXPECT_EQ(link->GetMappedIndex(0), 1);
    EXPECT_EQ(link->GetMappedIndex(1), -1);
    EXPECT_EQ(link->Fields(1), nullptr);
    EXPECT_EQ(link->GetMappedIndex(-1), -1);
    EXPECT_EQ(link->GetMappedIndex(3), -1);
    EXPECT_FALSE(link->DefaultFields());
    for (int i = 0; i < 6; ++i)
        link->AddMapping("FIO");
    EXPECT_EQ(link->MapCapacity(), 16) << "the ninth mapping doubles the map";
    link->SetSparseMap(false);
    EXPECT_ANY_THROW(link->AddMapping("NOPE"));
    EXPECT_THROW(b.grid.GetFieldColumns("XYZ"), EInvalidGridOperation);
}
