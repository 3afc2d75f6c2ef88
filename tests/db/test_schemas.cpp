#include "DbFixture.h"
#include "db/JournalSchemas.h"

#include <gtest/gtest.h>


using namespace db;

namespace {

QStringList lowered(const QStringList& names)
{
    QStringList out;
    for (const QString& n : names)
        out << n.toLower();
    return out;
}

// Column names of a CREATE TABLE text, in order.
QStringList columnsOf(const QString& create)
{
    const qsizetype open = create.indexOf(u'(');
    QStringList out;
    for (const QString& part : create.mid(open + 1).split(u','))
        out << part.trimmed().section(u' ', 0, 0);
    return out;
}

} // namespace

TEST(Generations, DetectionFromNameLists)
{
    const QStringList gen1 = {"ID", "PRIBOR", "DATA", "IZM", "STAT", "OPER", "FAM", "NAME", "PAT"};
    struct Case {
        const char* what;
        QStringList names;
        int expected;
    };
    const Case cases[] = {
        {"gen 1", gen1, 1},
        {"gen 1 with prefixed name parts", {"ID", "PRIBOR", "DATA", "IZM", "STAT", "OPER", "P_FAM", "P_NAME", "P_PAT"}, 1},
        {"gen 2", GenerationNames(2), 2},
        {"gen 3", GenerationNames(3), 3},
        {"gen 4", GenerationNames(4), 4},
        {"gen 5", GenerationNames(5), 5},
        {"gen 6", GenerationNames(6), 6},
        {"gen 7", GenerationNames(7), 7},
        {"gen 1 with DATA renamed DATA_IZM", {"ID", "PRIBOR", "DATA_IZM", "IZM", "STAT", "OPER", "FAM", "NAME", "PAT"}, 0},
        {"gen 3 with an extra column", dbfixture::plus(GenerationNames(3), "REMARK"), 3},
        {"gen 3 without PAGE_FOOT falls to 2", dbfixture::minus(GenerationNames(3), "PAGE_FOOT"), 2},
        {"gen 5 without OSN_NAPRV falls to 4", dbfixture::minus(GenerationNames(5), "OSN_NAPRV"), 4},
        {"gen 6 without OPER matches nothing", dbfixture::minus(GenerationNames(6), "OPER"), 0},
        {"gen 7 without OBSL_PHOTO falls to 2", dbfixture::minus(GenerationNames(7), "OBSL_PHOTO"), 2},
        {"gen 2 written in lower case", lowered(GenerationNames(2)), 2},
        {"no columns", {}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DetectGeneration(c.names), c.expected) << c.what;
}

TEST(Generations, SetsAsListed)
{
    EXPECT_EQ(GenerationNames(1).size(), 9);
    EXPECT_TRUE(GenerationNames(1).contains("DATA\r\n"));
    EXPECT_EQ(GenerationNames(2).size(), 9);
    EXPECT_EQ(GenerationNames(3).size(), 11);
    EXPECT_EQ(GenerationNames(4).size(), 33);
    EXPECT_EQ(GenerationNames(5).size(), 37);
    EXPECT_EQ(GenerationNames(6).size(), 17);
    EXPECT_EQ(GenerationNames(7).size(), 25);
    EXPECT_TRUE(GenerationNames(0).isEmpty());
    EXPECT_TRUE(GenerationNames(8).isEmpty());
}

TEST(Generations, RequiredByApplicationType)
{
    EXPECT_EQ(RequiredGeneration(kAppDefault), 3);
    EXPECT_EQ(RequiredGeneration(kAppMedic), 4);
    EXPECT_EQ(RequiredGeneration(kAppPolice), 5);
    EXPECT_EQ(RequiredGeneration(kAppDefaultMp), 7);
    EXPECT_EQ(RequiredGeneration(0), 0);
    EXPECT_EQ(RequiredGeneration(4), 0);
}

TEST(Generations, EachJournalSchemaDetectsAsWhatItsTypeRequires)
{
    // A fresh journal must never be offered for conversion.
    EXPECT_EQ(DetectGeneration(columnsOf(CreateTableText(Schema::Default))), RequiredGeneration(kAppDefault));
    EXPECT_EQ(DetectGeneration(columnsOf(CreateTableText(Schema::DefaultMp))), RequiredGeneration(kAppDefaultMp));
    EXPECT_EQ(GenerationOf(Schema::Default), 3);
    EXPECT_EQ(GenerationOf(Schema::DefaultMp), 7);
    QStringList def = columnsOf(CreateTableText(Schema::Default)), gen3 = GenerationNames(3);
    def.sort();
    gen3.sort();
    EXPECT_EQ(def, gen3);
    EXPECT_EQ(columnsOf(CreateTableText(Schema::DefaultMp)), GenerationNames(7));
}

TEST(Schemas, PlaceholdersReplacedEverywhere)
{
    const QString def = CreateTableText(Schema::Default);
    const QString mp = CreateTableText(Schema::DefaultMp);
    EXPECT_FALSE(def.contains(u':'));
    EXPECT_FALSE(mp.contains(u':'));
    EXPECT_TRUE(def.contains("DATA_IZM     CHAR(19) ,"));
    EXPECT_TRUE(def.contains("OBSL_FAM     CHAR(20)    ,"));
    EXPECT_TRUE(def.contains("OPER         CHAR(19),    NUM_VIDOH"));
    EXPECT_EQ(mp.count("CHAR(23)"), 10);
    EXPECT_EQ(mp.count("CHAR(19)"), 4);
    EXPECT_TRUE(mp.contains("MEAS_PLACE   CHAR(23)    ,"));
    EXPECT_TRUE(mp.endsWith("OPER         CHAR(19)     )"));
    // InfoPrib has no placeholders; its text is used as it stands.
    EXPECT_EQ(CreateTableText(Schema::InfoPrib), CreateTextTemplate(Schema::InfoPrib));
    EXPECT_EQ(columnsOf(CreateTableText(Schema::InfoPrib)),
              QStringList({"ID", "PRIBOR", "DATECONST", "DATEGET", "PRIBPROT", "DATEPRIB", "DATEPOVER", "PRIBMODEL",
                           "FIRMWARE", "NORMA", "ACCURACY", "T_VIDOH", "W_WIDOH", "NETNUMBER", "LIFEZAPIS"}));
}

TEST(Schemas, ReplaceParam)
{
    struct Case {
        QString text, name;
        int value;
        QString expected;
    };
    const Case cases[] = {
        {":MAX_PAT", ":MAX_PAT", 23, "23"},
        {"A(:MAX_PAT) B(:MAX_PAT) C(:MAX_PAT)", ":MAX_PAT", 23, "A(23) B(23) C(23)"},
        {"no placeholder", ":MAX_PAT", 23, "no placeholder"},
        {":MAX_PAT:MAX_PAT", ":MAX_PAT", -5, "-5-5"},
        {"CHAR(:MAX_FAM)", ":MAX_NAME", 19, "CHAR(:MAX_FAM)"},
    };
    for (const Case& c : cases) {
        QString text = c.text;
        ReplaceParam(text, c.name, c.value);
        EXPECT_EQ(text, c.expected) << c.text.toStdString();
    }
    EXPECT_EQ(CreateTextTemplate(Schema::DefaultMp).count(":MAX_PAT"), 4);
}
