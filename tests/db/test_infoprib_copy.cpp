#include "db/InfoPribCopy.h"

#include <gtest/gtest.h>

namespace {

LongTime at(const char* text)
{
    return DateTimeTextToLong(QString::fromLatin1(text));
}

TInfoPriborRecord row(uint32_t serial, const char* dateConst, double norma, uint32_t life)
{
    TInfoPriborRecord r;
    r.PRIBOR = serial;
    r.DATECONST = at(dateConst);
    r.NORMA = norma;
    r.LIFEZAPIS = life;
    return r;
}

} // namespace

TEST(DateTimeText, ParsesTheJournalForm)
{
    struct Case {
        const char* text;
        LongTime expected;
    };
    const Case cases[] = {
        {"1971.06.16 00:00:00", 0},
        {"2010.08.05 00:00:00", 1235088000},
        {"2010.08.06 00:00:00", 1235088000 + 86400},
        {"2107.07.23 06:28:15", 4294967295u},
        {"2010.8.5 0:0:0", 1235088000},   // short fields
        {"2010.08.05", 1235088000},       // date only
        {"2010.08.05 00:01", 1235088060}, // no seconds
        {" 2010.08.05 00:00:00  ", 1235088000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DateTimeTextToLong(QString::fromLatin1(c.text)), c.expected) << c.text;
    EXPECT_EQ(LongToDateTimeString(at("2009.03.15 10:22:33")), "2009.03.15 10:22:33");
}

TEST(DateTimeText, RefusesAnythingElse)
{
    for (const char* text : {"", "garbage", "15.03.2009 10:00:00", "2009-03-15 10:00:00", "2009.13.15 10:00:00",
                             "2009.02.29 10:00:00", "2009.03.15 24:00:00", "2009.03.15 10:60:00", "2009.03.15 10:00:00x",
                             "2009.03.15T10:00:00", "20090.03.15 10:00:00", "2009.03.15 10"}) {
        EXPECT_THROW(DateTimeTextToLong(QString::fromLatin1(text)), rtl::EConvertError) << text;
    }
}

TEST(InfoPribCopy, RowInForceAtADate)
{
    TInfoPribCopy copy;
    ASSERT_TRUE(copy.Append(row(17, "2009.03.15 00:00:00", 0.15, 100)));
    ASSERT_TRUE(copy.Append(row(17, "2011.03.15 00:00:00", 0.0, 300)));
    ASSERT_TRUE(copy.Append(row(18, "2010.01.01 00:00:00", 0.2, 5)));
    ASSERT_EQ(copy.Count(), 2);

    struct Case {
        uint32_t serial;
        const char* t;
        double norma;
        uint32_t life;
    };
    const Case cases[] = {
        {17, "2010.06.15 00:00:00", 0.15, 100},
        {17, "2012.03.15 00:00:00", 0.0, 300},
        {17, "2008.03.15 00:00:00", 0.15, 100}, // before every row: the first row
        {17, "2009.03.15 00:00:00", 0.15, 100}, // at the row's own date
        {17, "2011.03.14 23:59:59", 0.15, 100},
        {17, "2011.03.15 00:00:00", 0.0, 300},
        {18, "2000.01.01 00:00:00", 0.2, 5},
    };
    for (const Case& c : cases) {
        const TInfoPriborRecord* r = copy.RowAt(c.serial, at(c.t));
        ASSERT_NE(r, nullptr) << c.t;
        EXPECT_DOUBLE_EQ(r->NORMA, c.norma) << c.serial << " " << c.t;
        EXPECT_EQ(r->LIFEZAPIS, c.life) << c.serial << " " << c.t;
    }
    EXPECT_EQ(copy.RowAt(99, at("2010.06.15 00:00:00")), nullptr);
}

TEST(InfoPribCopy, SameDateTwiceIsRefusedWithoutLosingLaterRows)
{
    TInfoPribCopy copy;
    EXPECT_TRUE(copy.Append(row(17, "2009.03.15 00:00:00", 0.15, 100)));
    EXPECT_FALSE(copy.Append(row(17, "2009.03.15 00:00:00", 0.3, 200)));
    EXPECT_TRUE(copy.Append(row(17, "2011.03.15 00:00:00", 0.0, 300)));
    EXPECT_TRUE(copy.Append(row(18, "2009.03.15 00:00:00", 0.2, 1))); // another instrument, same date
    ASSERT_EQ(copy.Find(17)->rows.size(), 2u);
    EXPECT_DOUBLE_EQ(copy.Find(17)->rows[0].NORMA, 0.15);
    EXPECT_EQ(copy.Find(18)->rows.size(), 1u);
}
