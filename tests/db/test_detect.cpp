#include "DbFixture.h"

#include "db/JournalConverter.h"
#include "db/JournalSchemas.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DbfTable.h"
#include "platform/rtl/CaseInsensitivePath.h"

#include <QFile>

#include <gtest/gtest.h>

using dbfixture::MainWindowDb;
using dbfixture::WorkFolder;

namespace {

// A table of text columns with these names, written by our storage.
void createWithNames(const QString& path, const QStringList& names)
{
    std::vector<dbf::Column> columns;
    for (const QString& n : names) {
        dbf::Column c;
        c.name = n;
        c.type = 'C';
        c.length = 10;
        columns.push_back(c);
    }
    dbf::Table::create(path, columns);
}

QStringList gen1Names()
{
    return {"ID", "PRIBOR", "DATA", "IZM", "STAT", "OPER", "FAM", "NAME", "PAT"};
}

} // namespace

TEST(DetectFormat, TablesOfEveryGeneration)
{
    struct Case {
        const char* what;
        const char* file;
        QStringList names;
        int expected;
    };
    const Case cases[] = {
        {"gen 1", "BASE.DBF", gen1Names(), 1},
        {"gen 2", "BASE.DBF", db::GenerationNames(2), 2},
        {"gen 3", "BASE.DBF", db::GenerationNames(3), 3},
        {"gen 4", "BASE.DBF", db::GenerationNames(4), 4},
        {"gen 5", "BASE.DBF", db::GenerationNames(5), 5},
        {"gen 6", "BASE.DBF", db::GenerationNames(6), 6},
        {"gen 7", "BASE.DBF", db::GenerationNames(7), 7},
        {"gen 6 with an extra column", "BASE.DBF", dbfixture::plus(db::GenerationNames(6), "REMARK"), 6},
        {"gen 4 missing PRIZNAKI", "BASE.DBF", dbfixture::minus(db::GenerationNames(4), "PRIZNAKI"), 3},
        {"gen 1 with DATA renamed DATA_IZM", "BASE.DBF",
         {"ID", "PRIBOR", "DATA_IZM", "IZM", "STAT", "OPER", "FAM", "NAME", "PAT"}, 0},
        {"no journal columns", "BASE.DBF", {"A", "B"}, 0},
        {"file named in mixed case", "Base.dbf", db::GenerationNames(3), 3},
    };
    for (const Case& c : cases) {
        WorkFolder work;
        createWithNames(work.database(QString::fromLatin1(c.file)), c.names);
        MainWindowDb main(work.path());
        EXPECT_EQ(main.converter.DetectFormat(), c.expected) << c.what;
        EXPECT_FALSE(main.query.Active()) << c.what;
    }
}

TEST(DetectFormat, MissingFileGivesZeroWithoutTouchingTheQuery)
{
    WorkFolder work;
    MainWindowDb main(work.path());
    main.query.SetSQL(QStringLiteral("SELECT * FROM Other"));
    EXPECT_EQ(main.converter.DetectFormat(), 0);
    EXPECT_EQ(main.query.SQL(), "SELECT * FROM Other");
}

TEST(DetectFormat, UnreadableTableGivesZero)
{
    WorkFolder work;
    testutil::writeFile(work.database("BASE.DBF"), QByteArray("not a table"));
    MainWindowDb main(work.path());
    EXPECT_EQ(main.converter.DetectFormat(), 0);
}

TEST(DetectFormat, TablesWrittenByAnotherWriter)
{
    if (!dbfixture::havePythonDbf())
        GTEST_SKIP() << "python3-dbf is not installed";
    struct Case {
        const char* what;
        const char* fields;
        int expected;
    };
    const Case cases[] = {
        {"gen 1", "ID N(11,0); PRIBOR N(11,0); DATA C(19); IZM N(19,6); STAT C(1); OPER C(19); FAM C(20); "
                  "NAME C(19); PAT C(19)", 1},
        {"gen 2", "ID N(11,0); PRIBOR N(11,0); DATA_IZM C(19); IZM N(19,6); STAT C(1); OPER C(19); "
                  "OBSL_FAM C(20); OBSL_NAME C(19); OBSL_PAT C(19)", 2},
        {"gen 6", "ID N(11,0); PRIBOR N(11,0); DATA_IZM C(19); IZM N(19,6); STAT C(1); NUM_VIDOH N(11,0); "
                  "OBSL_FAM C(20); OBSL_NAME C(19); OBSL_PAT C(19); OBSLPLACE C(30); NUM_AUTO C(12); "
                  "INSP_FAM C(20); INSP_NAME C(19); INSP_PAT C(19); INSP_DEPR C(30); INSP_NUMB C(10); OPER C(19)", 6},
    };
    for (const Case& c : cases) {
        WorkFolder work;
        ASSERT_TRUE(dbfixture::writeWithPythonDbf(work.database("BASE.DBF"), QString::fromLatin1(c.fields),
                                                  "[]"));
        MainWindowDb main(work.path());
        EXPECT_EQ(main.converter.DetectFormat(), c.expected) << c.what;
    }
}

TEST(DetectFormat, FreshJournalsMeetTheirRequirement)
{
    struct Case {
        db::Schema schema;
        int appType;
    };
    for (const Case& c : {Case{db::Schema::Default, db::kAppDefault}, Case{db::Schema::DefaultMp, db::kAppDefaultMp}}) {
        WorkFolder work;
        MainWindowDb main(work.path());
        main.exec(db::CreateTableText(c.schema));
        EXPECT_EQ(main.converter.DetectFormat(), db::RequiredGeneration(c.appType));
    }
}

TEST(Schemas, CreatedTablesHaveTheListedColumns)
{
    struct Col {
        const char* name;
        char type;
        int length;
    };
    const std::vector<Col> def = {{"ID", 'N', 11},        {"PRIBOR", 'N', 11},   {"DATA_IZM", 'C', 19},
                                  {"OBSL_FAM", 'C', 20},  {"OBSL_NAME", 'C', 19}, {"OBSL_PAT", 'C', 19},
                                  {"IZM", 'N', 19},       {"STAT", 'C', 1},       {"OPER", 'C', 19},
                                  {"NUM_VIDOH", 'N', 11}, {"PAGE_FOOT", 'C', 1}};
    const std::vector<Col> mp = {
        {"ID", 'N', 11},         {"TYPE_PRIB", 'N', 11},  {"PRIBOR", 'N', 11},     {"DATA_IZM", 'C', 19},
        {"NUM_VIDOH", 'N', 11},  {"IZM", 'N', 19},        {"STAT", 'C', 1},        {"NORMA", 'N', 19},
        {"IZM_AIR", 'N', 19},    {"DATA_POVER", 'C', 19}, {"MEAS_PLACE", 'C', 23}, {"OBSL_FAM", 'C', 23},
        {"OBSL_NAME", 'C', 23},  {"OBSL_PAT", 'C', 23},   {"OBSL_NAUTO", 'C', 23}, {"OBSL_PHOTO", 'M', 10},
        {"INSP_FAM", 'C', 23},   {"INSP_NAME", 'C', 23},  {"INSP_PAT", 'C', 23},   {"INSP_DEPR", 'C', 23},
        {"INSP_NUMB", 'C', 23},  {"SATURDATA", 'N', 11},  {"TYPERECORD", 'N', 11}, {"DATA_REC", 'C', 19},
        {"OPER", 'C', 19}};
    struct Case {
        db::Schema schema;
        const std::vector<Col>* columns;
    };
    for (const Case& c : {Case{db::Schema::Default, &def}, Case{db::Schema::DefaultMp, &mp}}) {
        WorkFolder work;
        MainWindowDb main(work.path());
        main.exec(db::CreateTableText(c.schema));
        auto table = main.connection.openTable(QStringLiteral("Base"));
        ASSERT_EQ(table->columns().size(), c.columns->size());
        for (std::size_t i = 0; i < c.columns->size(); ++i) {
            const dbf::Column& got = table->columns()[i];
            const Col& want = (*c.columns)[i];
            EXPECT_EQ(got.name, QString::fromLatin1(want.name)) << i;
            EXPECT_EQ(got.type, want.type) << want.name;
            EXPECT_EQ(got.length, want.length) << want.name;
        }
    }
}

TEST(JournalConverter, ReplaceColons)
{
    EXPECT_EQ(db::TJournalConverter::ReplaceColons("2009.05.12 10:22:33"), "2009.05.12 10.22.33");
    EXPECT_EQ(db::TJournalConverter::ReplaceColons(":a::b:"), ".a..b.");
    EXPECT_EQ(db::TJournalConverter::ReplaceColons(""), "");
}

TEST(DetectFormat, ReadsOnlyTheHeader)
{
    // A journal whose records cannot be read (its memo file gone, its record area cut short) still tells
    // its generation: nothing past the field descriptors is touched.
    WorkFolder work;
    {
        MainWindowDb main(work.path());
        main.exec(db::CreateTableText(db::Schema::DefaultMp));
        main.exec("INSERT INTO Base (ID, OBSL_PHOTO) VALUES (1, 'photo')");
    }
    ASSERT_TRUE(QFile::remove(rtl::resolveCaseInsensitive(work.database("Base.DBT"))));
    QFile table(rtl::resolveCaseInsensitive(work.database("Base.DBF")));
    ASSERT_TRUE(table.open(QIODevice::ReadWrite));
    ASSERT_TRUE(table.resize(table.size() - 40));
    table.close();
    MainWindowDb main(work.path());
    EXPECT_THROW(main.connection.openTable("Base"), std::exception);
    EXPECT_EQ(main.converter.DetectFormat(), 7);
}
