// Filing of measurements: the duplicate search, insert with the next identifier, completion of a record
// already filed, interlock events by their signed codes.
#include "JournalFixture.h"
#include "platform/controls/MessageBox.h"

#include <functional>

using jtest::Journal;
using jtest::Measurement;

namespace {

TVELTMeasurement M0()
{
    return Measurement(2011, 3, 15, 10, 20, 30, 123, 0.1234);
}

struct Expect {
    int id;
    const char* column;
    QVariant value; // null: the column is null
};

struct Step {
    const char* what;
    std::function<TVELTMeasurement()> make;
    int resultId;   // ID filed or found
    int rows;       // rows of the table afterwards
    std::vector<Expect> expect;
};

} // namespace

TEST(Filing, WorkedCasesFileEachMeasurementOnceAndCompleteWhatIsAlreadyFiled)
{
    Journal j;
    const std::vector<Step> steps = {
        {"1 new into an empty table: ID 1, texts null", [] { return M0(); }, 1, 1,
         {{1, "DATA_IZM", "2011.03.15 10:20:30"}, {1, "PRIBOR", 123}, {1, "IZM", 0.123}, {1, "STAT", "0"},
          {1, "NUM_VIDOH", 0}, {1, "TYPERECORD", 1}, {1, "SATURDATA", 10}, {1, "TYPE_PRIB", 3}, {1, "NORMA", 0.0},
          {1, "OPER", "ADMIN"}, {1, "DATA_POVER", "01.06.2010 00:00:00"}, {1, "OBSL_FAM", QVariant()},
          {1, "INSP_NUMB", QVariant()}}},
        {"2 same thousandths: exact, nothing changes", [] { auto m = M0(); m.Probe.AlcResult = 0.1226; return m; }, 1, 1,
         {{1, "NUM_VIDOH", 0}}},
        {"3 number 7 for a record filed without one: completed", [] { auto m = M0(); m.Probe.nMeasure = 7; return m; }, 1, 1,
         {{1, "NUM_VIDOH", 7}, {1, "OPER", "ADMIN"}}},
        {"3b once more: exact", [] { auto m = M0(); m.Probe.nMeasure = 7; return m; }, 1, 1, {{1, "NUM_VIDOH", 7}}},
        {"4 another number: a different measurement", [] { auto m = M0(); m.Probe.nMeasure = 8; return m; }, 2, 2,
         {{2, "NUM_VIDOH", 8}, {1, "NUM_VIDOH", 7}}},
        {"5 names arrive: surnames written, other texts left as stored",
         [] {
             auto m = M0();
             m.Probe.nMeasure = 8;
             jtest::SetText(m.Probe.SurvLastName, "ПЕТРОВ");
             jtest::SetText(m.Probe.SurvName, "ИВАН");
             jtest::SetText(m.Probe.InsLastName, "СИДОРОВ");
             return m;
         },
         2, 2, {{2, "OBSL_FAM", "ПЕТРОВ"}, {2, "INSP_FAM", "СИДОРОВ"}, {2, "OBSL_NAME", QVariant()}, {2, "NUM_VIDOH", 8}}},
        {"6 surnames not above the stored ones: nothing changes",
         [] {
             auto m = M0();
             m.Probe.nMeasure = 8;
             jtest::SetText(m.Probe.SurvLastName, "ИВАНОВ");
             jtest::SetText(m.Probe.InsLastName, "сидоров");
             return m;
         },
         2, 2, {{2, "OBSL_FAM", "ПЕТРОВ"}, {2, "INSP_FAM", "СИДОРОВ"}}},
        {"7 another state: a new record", [] { auto m = M0(); m.Probe.Exhale = 1; return m; }, 3, 3, {{3, "STAT", "1"}}},
        {"8 exhale status 12 is filed as state 9", [] { auto m = M0(); m.Probe.Exhale = 12; return m; }, 4, 4,
         {{4, "STAT", "9"}}},
        {"9 interlock event: its code stored signed",
         [] {
             auto m = M0();
             m.Probe.RecordType = 2;
             m.Probe.nMeasure = 0x80000002u;
             m.Probe.AlcResult = 0;
             m.ModelCode = 12;
             return m;
         },
         5, 5, {{5, "NUM_VIDOH", -2147483646}, {5, "TYPERECORD", 2}}},
        {"9b the same event downloaded again: found, not filed twice",
         [] {
             auto m = M0();
             m.Probe.RecordType = 2;
             m.Probe.nMeasure = 0x80000002u;
             m.Probe.AlcResult = 0;
             m.ModelCode = 12;
             return m;
         },
         5, 5, {}},
        {"10 0.1236 rounds to 0.124: another value", [] { auto m = M0(); m.Probe.AlcResult = 0.1236; return m; }, 6, 6,
         {{6, "IZM", 0.124}}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        const TVELTMeasurement m = s.make();
        int row = -1;
        EXPECT_EQ(j.ctrl->MergeRecord(m, &row), s.resultId);
        EXPECT_EQ(j.Rows(), s.rows);
        // The grid stands on the record filed or found.
        EXPECT_EQ(j.query->FieldByName("ID")->AsInteger(), s.resultId);
        EXPECT_EQ(row, j.query->RecNo());
        for (const Expect& e : s.expect) {
            const QVariant v = j.Value(e.id, e.column);
            if (e.value.isNull())
                EXPECT_TRUE(v.isNull()) << e.id << " " << e.column << " " << v.toString().toStdString();
            else if (e.value.typeId() == QMetaType::Double)
                EXPECT_DOUBLE_EQ(v.toDouble(), e.value.toDouble()) << e.id << " " << e.column;
            else
                EXPECT_EQ(v.toString(), e.value.toString()) << e.id << " " << e.column;
        }
    }
}

TEST(Filing, DownloadingTheSameMemoryTwiceFilesNothingNew)
{
    Journal j;
    std::vector<TVELTMeasurement> memory;
    for (int i = 0; i < 20; ++i) {
        auto m = Measurement(2012, 5, 1, 8, i, 0, 77, 0.01 * i, i % 4, uint32_t(100 + i));
        if (i % 5 == 4) { // events among the results
            m.Probe.RecordType = 2;
            m.Probe.nMeasure = 0x80000001u + uint32_t(i % 6);
        }
        memory.push_back(m);
    }
    for (const auto& m : memory)
        j.ctrl->NewMeasure(&m, 0);
    j.ctrl->NewMeasure(nullptr, 1);
    ASSERT_EQ(j.Rows(), 20);
    for (const auto& m : memory)
        j.ctrl->NewMeasure(&m, 0);
    j.ctrl->NewMeasure(nullptr, 1);
    EXPECT_EQ(j.Rows(), 20);
    EXPECT_EQ(j.ViewIds().size(), 20u);
}

TEST(Filing, AfterAnInsertTheViewHoldsTheIdentifierWindowAndTheEndOfBurstTheWholeJournal)
{
    Journal j;
    for (int i = 0; i < 57; ++i) {
        const auto m = Measurement(2013, 1, 1, 0, i, 0, 5, 0.1, 0, uint32_t(i + 1));
        j.ctrl->NewMeasure(&m, 0);
    }
    // Filed faster than the view is read: the last read waits for its pause.
    EXPECT_TRUE(j.ctrl->IsViewPending());
    j.ctrl->FlushView();
    // ID 57 was the last insert: the view holds 47..57 (window 10).
    std::vector<int> ids = j.ViewIds();
    ASSERT_EQ(ids.size(), 11u);
    EXPECT_EQ(ids.front(), 47);
    EXPECT_EQ(ids.back(), 57);
    EXPECT_NE(j.query->SQL().indexOf("ID >= :IDp_min AND ID <= :IDp_max"), -1);
    j.ctrl->NewMeasure(nullptr, 1);
    EXPECT_EQ(j.ViewIds().size(), 57u);
    EXPECT_EQ(j.countPanel->text(), QString::fromUtf8("Всего записей: 57"));
}

TEST(Filing, AFailingRecordIsLoggedAndTheNextOneIsFiled)
{
    Journal j;
    const auto first = Measurement(2013, 1, 1, 0, 0, 0, 5, 0.1);
    // The table's file vanishes under the controller: the statements fail.
    j.query->Close();
    j.conn->ReleaseFiles();
    const QString moved = j.dir.file("DATABASE/gone.DBF");
    ASSERT_TRUE(QFile::rename(j.base(), moved));
    ctl::TScriptedMessageBoxPort boxes;
    j.ctrl->NewMeasure(&first, 0);
    EXPECT_TRUE(j.log().contains(QString::fromUtf8("NewMeasure - error")));
    // The operator is told once the filing call has returned.
    EXPECT_TRUE(testutil::PumpUntil([&] { return boxes.Count() == 1; }, 30000));
    j.conn->ReleaseFiles();
    ASSERT_TRUE(QFile::rename(moved, j.base()));
    const auto second = Measurement(2013, 1, 1, 0, 1, 0, 5, 0.2);
    j.ctrl->NewMeasure(&second, 0);
    EXPECT_EQ(j.Rows(), 1);
    EXPECT_EQ(j.Value(1, "DATA_IZM").toString(), "2013.01.01 00:01:00");
}

TEST(Filing, AnOperatorWithAnApostropheIsWrittenAsTyped)
{
    Journal j;
    j.ctrl->SetOperator(QString::fromUtf8("Д'АРТАНЬЯН"));
    const auto m = Measurement(2013, 2, 2, 2, 2, 2, 9, 0.3);
    j.ctrl->NewMeasure(&m, 0);
    auto again = m;
    again.Probe.nMeasure = 4;
    j.ctrl->NewMeasure(&again, 0); // an update: OPER goes through the UPDATE statement
    EXPECT_EQ(j.Rows(), 1);
    EXPECT_EQ(j.Value(1, "NUM_VIDOH").toInt(), 4);
    EXPECT_EQ(j.Value(1, "OPER").toString(), QString::fromUtf8("Д'АРТАНЬЯН"));
    EXPECT_FALSE(j.log().contains(QString::fromUtf8("NewMeasure - error")));
}

TEST(Filing, RecordsWrittenAreReadByDbfread)
{
    Journal j;
    auto m = Measurement(2014, 7, 8, 9, 10, 11, 4321, 0.2505, 1, 42);
    jtest::SetText(m.Probe.SurvLastName, "ЖУКОВ");
    j.ctrl->NewMeasure(&m, 0);
    const QString out = jtest::runPython(QStringLiteral("import sys, dbfread\n"
                                                        "for r in dbfread.DBF(sys.argv[1], encoding='cp1251'):\n"
                                                        "    print(r['ID'], r['DATA_IZM'], r['PRIBOR'], r['IZM'], r['STAT'], "
                                                        "r['NUM_VIDOH'], r['OBSL_FAM'], r['OBSL_NAME'], r['OPER'])\n"),
                                         j.base());
    EXPECT_EQ(out.toStdString(), "1 2014.07.08 09:10:11 4321 0.251 1 42 ЖУКОВ  ADMIN");
}

TEST(Filing, ADeliveryWithAFirstNameIsNeverAnUnchangedMatch)
{
    Journal j;
    auto m = Measurement(2013, 3, 3, 3, 3, 3, 9, 0.3, 0, 5);
    jtest::SetText(m.Probe.SurvLastName, "ЯКОВЛЕВ");
    j.ctrl->NewMeasure(&m, 0);
    j.ctrl->SetOperator("SMENA2");
    auto again = m;
    jtest::SetText(again.Probe.SurvLastName, "");
    jtest::SetText(again.Probe.SurvName, "ПЁТР");
    j.ctrl->NewMeasure(&again, 0);
    EXPECT_EQ(j.Rows(), 1);
    // The update writes the surnames it compared, the number and the operator; the first name stays out.
    EXPECT_EQ(j.Value(1, "OPER").toString(), "SMENA2");
    EXPECT_EQ(j.Value(1, "OBSL_FAM").toString(), QString::fromUtf8("ЯКОВЛЕВ"));
    EXPECT_TRUE(j.Value(1, "OBSL_NAME").isNull());
}

// The act that waited takes the measurement as filed: in "default" a text the measurement leaves empty
// keeps what was typed, in "default_mp" the measurement's texts (and the operator logged in) replace the act's.
TEST(Filing, AnActTakesTheMeasurementAsEachVariantFilesIt)
{
    auto m = Measurement(2019, 5, 6, 7, 8, 9, 77, 0.12345, 2, 41);
    jtest::SetText(m.Probe.SurvName, "ИВАН");
    struct Case {
        const TFilingSchema& schema;
        const char* fam;
        const char* name;
        const char* oper;
        QChar stat;
    } cases[] = {
        {DefaultFiling(), "ТИПОВ", "ТИП", "ИНСПЕКТОР", u'1'},
        {DefaultMpFiling(), "", "ИВАН", "ADMIN", u'2'},
    };
    for (const Case& c : cases) {
        TJournalFiling filing(c.schema);
        filing.SetOperator(QStringLiteral("ADMIN"));
        TJournalRecord act;
        act.OBSL_FAM = QString::fromUtf8("ТИПОВ");
        act.OBSL_NAME = QString::fromUtf8("ТИП");
        act.OPER = QString::fromUtf8("ИНСПЕКТОР");
        filing.FillAct(act, m, 12);
        EXPECT_EQ(act.ID, 12);
        EXPECT_EQ(act.PRIBOR, 77);
        EXPECT_EQ(act.DATA_IZM, "2019.05.06 07:08:09");
        EXPECT_DOUBLE_EQ(act.IZM, 0.123);
        EXPECT_EQ(act.NUM_VIDOH, 41);
        EXPECT_EQ(act.STAT, c.stat);
        EXPECT_EQ(act.OBSL_FAM, QString::fromUtf8(c.fam));
        EXPECT_EQ(act.OBSL_NAME, QString::fromUtf8(c.name));
        EXPECT_EQ(act.OPER, QString::fromUtf8(c.oper));
    }
}
