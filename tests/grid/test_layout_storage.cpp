// Grid layout storage: columns' order, widths, marks and visibility saved to an ini file and to the
// registry emulation and read back; damaged or stale stored values restore what they can.
#include "GridFixture.h"
#include "platform/rtl/IniFile.h"
#include "platform/system/Registry.h"
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

using namespace gridtest;

namespace {
constexpr TColumnExRestoreParams AllColumns = 0x3F;
constexpr TDBGridExRestoreParams AllGrid = 0x7F;

struct Stored : JournalGrid {
    QTemporaryDir dir;
    Stored() { grid.setObjectName("Grid1"); }
    QString iniPath() const { return dir.filePath("layout.ini"); }
    QString regPath() const { return dir.filePath("registry.ini"); }
    QStringList order()
    {
        QStringList names;
        for (int i = 0; i < grid.Columns().Count(); ++i)
            names << grid.Columns().Items(i)->FieldName();
        return names;
    }
    TColumnEx* col(const char* field) { return grid.GetFieldColumns(field); }
    QString raw() const
    {
        QFile f(iniPath());
        f.open(QIODevice::ReadOnly);
        return QString::fromLatin1(f.readAll());
    }
};
} // namespace

TEST(LayoutStorage, IniRoundTripKeepsOrderWidthsMarksVisibilityAndRowGeometry)
{
    Stored s;
    s.col("FIO")->SetIndex(0);
    s.col("IZM")->SetWidth(77);
    s.col("PRIBOR")->SetVisible(false);
    s.col("DATA_IZM")->Title().SetSortMarker(smDownEx);
    s.col("DATA_IZM")->Title().SetSortIndex(1);
    s.col("NUM_VIDOH")->SetDropDownRows(12);
    s.col("NUM_VIDOH")->SetDropDownWidth(-1);
    s.grid.SetRowLines(2);
    ASSERT_TRUE(s.grid.SaveGridLayoutIni(s.iniPath(), "Journal", true));
    const QString raw = s.raw();
    EXPECT_TRUE(raw.contains("Grid1.FIO=0,150,0,1,0,7,0")) << raw.toStdString();
    EXPECT_TRUE(raw.contains("Grid1.DATA_IZM=1,130,1,1,1,7,0")) << raw.toStdString();
    EXPECT_TRUE(raw.contains("(Default)=0,2")) << raw.toStdString();

    Stored fresh;
    fresh.grid.RestoreGridLayoutIni(s.iniPath(), "Journal", AllGrid);
    EXPECT_EQ(fresh.order(), s.order());
    EXPECT_EQ(fresh.col("IZM")->Width(), 77);
    EXPECT_FALSE(fresh.col("PRIBOR")->Visible());
    EXPECT_EQ(fresh.col("DATA_IZM")->Title().SortMarker(), smDownEx);
    EXPECT_EQ(fresh.col("DATA_IZM")->Title().SortIndex(), 1);
    EXPECT_EQ(fresh.col("NUM_VIDOH")->DropDownRows(), 12u);
    EXPECT_EQ(fresh.col("NUM_VIDOH")->DropDownWidth(), -1);
    EXPECT_EQ(fresh.grid.RowLines(), 2);
}

TEST(LayoutStorage, StoredValuesAreReadFieldByFieldWithFallbacks)
{
    // value stored for FIO, restore set, what FIO then has: index, width, marker, visible, drop-down rows
    struct Case {
        const char* value;
        TColumnExRestoreParams params;
        int index, width, marker;
        bool visible;
        unsigned rows;
    };
    const Case cases[] = {
        {"2,80", AllColumns, 2, 80, smNoneEx, true, 7},              // short value: the rest keeps its values
        {"1, 50,,0", AllColumns, 1, 50, smNoneEx, true, 7},          // doubled separators count once
        {"3,abc,2,1,0,9,0", AllColumns, 3, 150, smUpEx, true, 9},    // a field that is no number keeps the value
        {"1,-50,7,1,0,0,0", AllColumns, 1, 150, smNoneEx, true, 7},  // out of range: kept
        {"4,90,1,0,0,3,0", bit(crpColIndexEx), 4, 150, smNoneEx, true, 7}, // only what the set asks for
        {"", AllColumns, 1, 150, smNoneEx, true, 7},                 // empty: untouched
    };
    for (const Case& c : cases) {
        Stored s;
        rtl::TIniFile ini(s.iniPath());
        ASSERT_TRUE(ini.WriteString("L", "Grid1.FIO", c.value));
        s.grid.RestoreColumnsLayout(ini, "L", c.params);
        TColumnEx* fio = s.col("FIO");
        SCOPED_TRACE(c.value);
        EXPECT_EQ(fio->Index(), c.index);
        EXPECT_EQ(fio->Width(), c.width);
        EXPECT_EQ(fio->Title().SortMarker(), c.marker);
        EXPECT_EQ(fio->Visible(), c.visible);
        EXPECT_EQ(fio->DropDownRows(), c.rows);
    }
}

TEST(LayoutStorage, StaleAndCollidingEntriesNeverFailTheGrid)
{
    Stored s;
    rtl::TIniFile ini(s.iniPath());
    // A column that no longer exists, two columns naming one position, an index past the end.
    ini.WriteString("L", "Grid1.GONE", "0,10,1,1,1,7,0");
    ini.WriteString("L", "Grid1.DATA_IZM", "2");
    ini.WriteString("L", "Grid1.FIO", "1");
    ini.WriteString("L", "Grid1.IZM", "0,60");
    ini.WriteString("L", "Grid1.PRIBOR", "0,61");
    ini.WriteString("L", "Grid1.NUM_VIDOH", "99,62");
    s.grid.RestoreColumnsLayout(ini, "L", AllColumns);
    EXPECT_EQ(s.order(), QStringList({"IZM", "FIO", "DATA_IZM", "PRIBOR", "NUM_VIDOH", "PAGE_FOOT"}))
        << "the first column in order takes the position";
    EXPECT_EQ(s.col("PRIBOR")->Width(), 61);
    EXPECT_EQ(s.col("NUM_VIDOH")->Width(), 62);
    // An absent section changes no column; the grid record then resets the row geometry.
    s.grid.SetRowHeight(30);
    s.grid.SetRowLines(2);
    s.grid.RestoreGridLayout(ini, "Absent", AllGrid);
    EXPECT_EQ(s.col("IZM")->Index(), 0);
    EXPECT_EQ(s.grid.RowHeight(), 0);
    EXPECT_EQ(s.grid.RowLines(), 0);
    s.grid.show();
    EXPECT_FALSE(s.image().isNull());
}

TEST(LayoutStorage, RegistryErasesItsSectionIniKeepsStaleKeysUnlessAsked)
{
    QWidget form;
    Stored s;
    s.grid.setParent(&form);
    EXPECT_EQ(TCustomDBGridEx::DefaultSectionOf(&s.grid), "QWidgetGrid1");
    EXPECT_EQ(TCustomDBGridEx::DefaultSectionOf(&form), "QWidget");
    EXPECT_EQ(TCustomDBGridEx::DefaultSectionOf(nullptr), "");

    sys::TRegIniFile reg("Software\\ReportEngine\\VELT", s.regPath());
    ASSERT_TRUE(s.grid.SaveGridLayout(reg));
    EXPECT_EQ(reg.ReadString("QWidgetGrid1", "Grid1.FIO", ""), "1,150,0,1,0,7,0");
    EXPECT_EQ(reg.ReadString("QWidgetGrid1", "", "none"), "0,0") << "the grid record is the key's default value";
    s.grid.Columns().Delete(5);
    s.grid.SetRowLines(3);
    ASSERT_TRUE(s.grid.SaveGridLayout(reg));
    EXPECT_FALSE(reg.ValueExists("QWidgetGrid1", "Grid1.PAGE_FOOT"));
    EXPECT_EQ(reg.ReadString("QWidgetGrid1", "", ""), "0,3");
    s.grid.SetRowLines(0);
    s.grid.RestoreGridLayout(reg, AllGrid);
    EXPECT_EQ(s.grid.RowLines(), 3);

    // The same folder read through a new registry object: a value survives the program.
    EXPECT_EQ(sys::TRegIniFile("software\\reportengine\\velt", s.regPath()).ReadString("qwidgetgrid1", "Grid1.IZM", ""),
              "2,110,0,1,0,7,0");

    Stored six;
    ASSERT_TRUE(six.grid.SaveColumnsLayoutIni(s.iniPath(), "L", false));
    ASSERT_TRUE(s.grid.SaveColumnsLayoutIni(s.iniPath(), "L", false));
    EXPECT_TRUE(rtl::TIniFile(s.iniPath()).ValueExists("L", "Grid1.PAGE_FOOT"));
    ASSERT_TRUE(s.grid.SaveColumnsLayoutIni(s.iniPath(), "L", true));
    EXPECT_FALSE(rtl::TIniFile(s.iniPath()).ValueExists("L", "Grid1.PAGE_FOOT"));
    s.grid.setParent(nullptr);
}

TEST(LayoutStorage, AutoFitTakesStoredWidthsThenFitsAgain)
{
    Stored s;
    s.grid.show();
    s.grid.SetAutoFitColWidths(true);
    rtl::TIniFile ini(s.iniPath());
    ini.WriteString("L", "Grid1.FIO", "1,300");
    s.grid.RestoreColumnsLayout(ini, "L", AllColumns);
    EXPECT_TRUE(s.grid.AutoFitColWidths());
    EXPECT_EQ(s.col("FIO")->InitialWidth(), 300) << "the stored width is the one fitting starts from";
    s.grid.SetAutoFitColWidths(false);
    EXPECT_EQ(s.col("FIO")->Width(), 300);
}
