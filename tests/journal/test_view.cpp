// The journal's view logic without a grid or a window: the cell look of a row, and the named views with
// their captions on a bare query.
#include "JournalFixture.h"

#include "journal/CellLook.h"
#include "journal/JournalView.h"

#include <map>

using jtest::Journal;
using jtest::Measurement;

namespace {

struct MapRow : TCellRow {
    std::map<std::string, QVariant> v;
    bool IsNull(const char* c) const override { return !v.count(c) || v.at(c).isNull(); }
    QString Text(const char* c) const override { return v.count(c) ? v.at(c).toString() : QString(); }
    int32_t Integer(const char* c) const override { return v.count(c) ? v.at(c).toInt() : 0; }
    double Number(const char* c) const override { return v.count(c) ? v.at(c).toDouble() : 0.0; }
};

QString Texts(const TCellLook& look)
{
    QString s;
    for (const auto& p : look.Pieces)
        s += (p.Right ? QStringLiteral("R:") : QStringLiteral("L:")) + p.Text + QLatin1Char('|');
    return s;
}

} // namespace

TEST(CellLook, ColoursAndTextsOfTheDefaultMpRowKinds)
{
    MapRow row;
    row.v = {{"DATA_IZM", "2016.04.04 10:00:00"}, {"IZM", 0.151}, {"IZM_AIR", 0.02}, {"PRIBOR", 17},
             {"STAT", "2"}, {"NUM_VIDOH", -2147483646}, {"OBSL_FAM", QString::fromUtf8("ИВАНОВ")},
             {"OBSL_NAME", "A"}, {"OBSL_PAT", "B"}};
    auto norm = [](int serial, const QString& date) {
        EXPECT_EQ(serial, 17);
        EXPECT_EQ(date, "2016.04.04 10:00:00");
        return 0.15;
    };
    struct Case {
        int kind;
        bool selected;
        int col;
        gfx::TColor brush, font;
        const char* texts;
    } cases[] = {
        {1, false, 2, gfx::RGB(255, 154, 138), gfx::clBlack, "R:0.151|L:(!!!)|"},
        {0, true, 1, gfx::RGB(128, 0, 0), gfx::clWhite, "L:ИВАНОВ A B|"},
        {2, false, 1, gfx::RGB(255, 255, 0), gfx::clBlack, "L: \\включение зажигания|"},
        {2, true, 4, gfx::RGB(128, 128, 0), gfx::clWhite, "R:0017|"},
        {2, false, 7, gfx::RGB(255, 255, 0), gfx::clBlack, "R:---|"},
        {3, false, 1, gfx::RGB(0, 255, 0), gfx::clBlack, "L:system|"},
        {7, true, 3, gfx::RGB(128, 128, 128), gfx::RGB(192, 192, 192), "R:0.020|"},
    };
    for (const Case& c : cases) {
        row.v["TYPERECORD"] = c.kind;
        const TCellLook look = Default_MP_CellLook(row, c.col, c.selected, norm);
        EXPECT_EQ(look.Brush, c.brush) << c.kind << "/" << c.col;
        EXPECT_EQ(look.Font, c.font) << c.kind << "/" << c.col;
        EXPECT_EQ(Texts(look), QString::fromUtf8(c.texts)) << c.kind << "/" << c.col;
    }
    // At the norm itself the value is not exceeded; a row without a date is only blank.
    row.v["TYPERECORD"] = 1;
    row.v["IZM"] = 0.15;
    EXPECT_EQ(Default_MP_CellLook(row, 0, false, norm).Brush, gfx::RGB(255, 255, 255));
    row.v.erase("DATA_IZM");
    const TCellLook blank = Default_MP_CellLook(row, 0, false, norm);
    EXPECT_TRUE(blank.Blank);
    EXPECT_TRUE(blank.Pieces.empty());
}

TEST(JournalView, NamedViewsOnABareQueryGiveTheirCaptions)
{
    Journal j; // only for its table: the view below has no grid and no window
    const auto old = Measurement(2015, 1, 1, 0, 0, 0, 7, 0.2);
    const auto newer = Measurement(2015, 1, 2, 0, 0, 0, 7, 0.3);
    j.ctrl->NewMeasure(&old, 0);
    j.ctrl->NewMeasure(&newer, 0);

    TADOQuery query(j.conn.get());
    TJournalView view;
    view.Bind(&query, nullptr);
    EXPECT_EQ(view.ShowAll(), QString::fromUtf8("вся база"));
    EXPECT_EQ(query.RecordCount(), 2);
    EXPECT_EQ(query.RecNo(), 2);
    EXPECT_EQ(view.ShowToday(), QString::fromUtf8("измерения, сделанные сегодня"));
    EXPECT_EQ(query.RecordCount(), 0);
    TFilter f;
    ClearFilter(f);
    f.PriborOn = 1;
    f.Pribor = 7;
    const QString caption = view.ShowFilter(f);
    EXPECT_TRUE(caption.startsWith(QString::fromUtf8("фильтр: "))) << caption.toStdString();
    EXPECT_EQ(caption, QString::fromUtf8("фильтр: ") + view.Filter().Description);
    EXPECT_EQ(query.RecordCount(), 2);
    // The identifier window: the newest ID and the window's number below it.
    view.IdentWindow = 0;
    view.Refresh(2);
    EXPECT_EQ(query.RecordCount(), 1);
}
