// The "default" journal: its table, filing through the shared engine (beside "default_mp" on the same
// deliveries), its grid, settings and act window.
#include "JournalFixture.h"

#include "journal/CellLook.h"
#include "journal/Default_MP_Filter.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/IniFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using jtest::DefaultJournal;
using jtest::Journal;
using jtest::Measurement;

namespace {

TVELTMeasurement M0(uint32_t number = 0, int exhale = 0, const char* surname = "", const char* inspector = "",
                    const char* name = "")
{
    auto m = Measurement(2011, 3, 15, 10, 20, 30, 123, 0.1234, exhale, number);
    jtest::SetText(m.Probe.SurvLastName, surname);
    jtest::SetText(m.Probe.InsLastName, inspector);
    jtest::SetText(m.Probe.SurvName, name);
    return m;
}

TVELTMeasurement Event(uint32_t code)
{
    auto m = Measurement(2011, 3, 16, 8, 0, 0, 123, 0, 0, code);
    m.Probe.RecordType = 2;
    m.ModelCode = 12;
    return m;
}

} // namespace

TEST(Default, AFreshStartCreatesTheElevenColumnTableAndPaintsTheDesignColumns)
{
    DefaultJournal j;
    const QByteArray file = testutil::readFile(j.base());
    ASSERT_GT(file.size(), 32);
    EXPECT_EQ(uchar(file[29]), 0x57);
    const QString fields = jtest::runPython(
        QStringLiteral("import sys, dbfread\n"
                       "t = dbfread.DBF(sys.argv[1], encoding='cp1251', load=True)\n"
                       "print(' '.join('%s:%s%d' % (f.name, f.type, f.length) for f in t.fields))\n"),
        j.base());
    EXPECT_EQ(fields.toStdString(), "ID:N11 PRIBOR:N11 DATA_IZM:C19 OBSL_FAM:C20 OBSL_NAME:C19 OBSL_PAT:C19 IZM:N19 "
                                    "STAT:C1 OPER:C19 NUM_VIDOH:N11 PAGE_FOOT:C1");
    EXPECT_EQ(db::DetectGeneration(j.query->FieldNames()), db::RequiredGeneration(1));
    ASSERT_EQ(j.grid->Columns().Count(), 6) << "the design columns stay";

    j.grid->OnDrawColumnCell = [&](TCustomDBGridEx* sender, const gfx::TRect& r, int col, TColumnEx* c, TGridDrawState s) {
        j.ctrl->DrawColumnCell(sender, r, col, c, s);
    };
    const auto measured = M0(1, 0, "ИВАНОВ");
    const auto event = Event(0x80000002u);
    auto last = M0(2, 1);
    last.Probe.Timestamp += 2.0;
    for (const TVELTMeasurement* m : {&measured, &event, static_cast<const TVELTMeasurement*>(&last)})
        j.ctrl->NewMeasure(m, 0);
    // The whole view is read again after the inserts: at once, or once a short pause is over.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !j.ctrl->IsViewPending(); }, 30000));
    EXPECT_EQ(j.ViewIds(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(j.Value(2, "PAGE_FOOT").toString(), "1");
    j.window->show();
    j.ctrl->ShowAll();
    QCoreApplication::processEvents();
    const QImage image = j.grid->RenderToImage();
    const QColor expected[] = {QColor(255, 255, 255), QColor(255, 255, 0), QColor(128, 128, 128) /* current */};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 6; ++c) {
            const QRect cell = j.grid->CellRect(c + 1, r + 1);
            EXPECT_EQ(image.pixelColor(cell.left() + 1, cell.bottom() - 1), expected[r]) << "row " << r << " col " << c;
        }
}

TEST(Default, CellLookOfMeasurementsAndEvents)
{
    struct Row : TCellRow {
        std::map<std::string, QVariant> v;
        bool IsNull(const char* c) const override { return !v.count(c); }
        QString Text(const char* c) const override { return v.count(c) ? v.at(c).toString() : QString(); }
        int32_t Integer(const char* c) const override { return v.count(c) ? v.at(c).toInt() : 0; }
        double Number(const char* c) const override { return v.count(c) ? v.at(c).toDouble() : 0.0; }
    } row;
    row.v = {{"DATA_IZM", "2011.03.16 08:00:00"}, {"PAGE_FOOT", "1"}, {"NUM_VIDOH", -2147483646}, {"PRIBOR", 123},
             {"STAT", "0"}, {"IZM", 0.5}};
    const char* event[] = {"L:2011.03.16 08:00:00", "L:---", "R:---", "R:0123", "L:---", "L: включение зажигания"};
    for (int col = 0; col < 6; ++col) {
        const TCellLook look = DefaultCellLook(row, col, false);
        ASSERT_EQ(look.Pieces.size(), 1u) << col;
        EXPECT_EQ((look.Pieces[0].Right ? "R:" : "L:") + look.Pieces[0].Text, QString::fromUtf8(event[col])) << col;
        EXPECT_EQ(look.Brush, gfx::RGB(255, 255, 0));
    }
    row.v["PAGE_FOOT"] = "0";
    row.v["STAT"] = "1";
    row.v["NUM_VIDOH"] = 7;
    row.v["OBSL_FAM"] = "A";
    const TCellLook value = DefaultCellLook(row, 2, true);
    EXPECT_EQ(value.Brush, gfx::RGB(128, 128, 128));
    EXPECT_EQ(value.Font, gfx::clWhite);
    ASSERT_EQ(value.Pieces.size(), 2u);
    EXPECT_EQ(value.Pieces[0].Text, "0.500");
    EXPECT_EQ(value.Pieces[1].Text, "(!)");
    EXPECT_TRUE(DefaultCellLook(row, 5, false).Pieces.empty());
    EXPECT_EQ(DefaultCellLook(row, 1, false).Pieces[0].Text, "A  ");
    EXPECT_EQ(DefaultEventText(1, false), " unknow");
}

// The same deliveries filed by both variants: what they share and where they differ.
TEST(Default, FilingBesideDefaultMp)
{
    struct Expect {
        int id;
        const char* column;
        const char* mp;  // null: the column is null, or the variant has no such column ("-")
        const char* def;
    };
    struct Case {
        const char* what;
        std::vector<TVELTMeasurement> deliveries;
        int rows;
        std::vector<Expect> expect;
    };
    const std::vector<Case> cases = {
        {"a new measurement", {M0()}, 1, {{1, "STAT", "0", "0"}, {1, "NUM_VIDOH", "0", "0"}, {1, "OPER", "ADMIN", nullptr}}},
        {"delivered twice, filed once", {M0(), M0()}, 1, {}},
        {"an interrupted exhale", {M0(0, 2)}, 1, {{1, "STAT", "2", "1"}}},
        {"the exhalation number completes the record", {M0(), M0(7)}, 1, {{1, "NUM_VIDOH", "7", "7"}}},
        {"another exhalation number is another measurement", {M0(7), M0(8)}, 2, {{2, "NUM_VIDOH", "8", "8"}}},
        {"surname and inspector", {M0(7), M0(7, 0, "ABC", "INSP")}, 1,
         {{1, "OBSL_FAM", "ABC", "ABC"}, {1, "INSP_FAM", "INSP", "-"}, {1, "OPER", "ADMIN", "INSP"}}},
        {"a surname below the stored one changes nothing", {M0(7, 0, "ABD"), M0(7, 0, "ABC")}, 1,
         {{1, "OBSL_FAM", "ABD", "ABD"}}},
        {"a surname above it replaces it", {M0(7, 0, "ABC"), M0(7, 0, "ABD")}, 1, {{1, "OBSL_FAM", "ABD", "ABD"}}},
        {"a first name completes only default_mp", {M0(7, 0, "", "", "OLEG")}, 1,
         {{1, "OBSL_NAME", "OLEG", nullptr}}},
        {"an apostrophe in a surname", {M0(7, 0, "O'HARA", "D'ARC")}, 1,
         {{1, "OBSL_FAM", "O'HARA", "O'HARA"}, {1, "OPER", "ADMIN", "D'ARC"}}},
        {"an interlock event, twice", {Event(0x80000002u), Event(0x80000002u)}, 1,
         {{1, "NUM_VIDOH", "-2147483646", "-2147483646"}, {1, "TYPERECORD", "2", "-"}, {1, "PAGE_FOOT", "-", "1"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Journal mp;
        DefaultJournal def;
        for (const auto& m : c.deliveries) {
            mp.ctrl->NewMeasure(&m, 0);
            def.ctrl->NewMeasure(&m, 0);
        }
        EXPECT_EQ(mp.Rows(), c.rows);
        EXPECT_EQ(def.Rows(), c.rows);
        for (const Expect& e : c.expect) {
            auto check = [&](auto& j, const char* want, const char* variant) {
                if (want && std::string(want) == "-")
                    return;
                const QVariant v = j.Value(e.id, e.column);
                if (!want)
                    EXPECT_TRUE(v.isNull() || v.toString().trimmed().isEmpty()) << variant << " " << e.column;
                else
                    EXPECT_EQ(v.toString(), QString::fromUtf8(want)) << variant << " " << e.column;
            };
            check(mp, e.mp, "default_mp");
            check(def, e.def, "default");
        }
    }
}

TEST(Default, AChangedSurnameBlanksTheNamesAndTheFoundRecordIsReadByItsId)
{
    DefaultJournal j;
    // Two records with names; the view then shows only the second.
    const auto a = M0(1, 0, "AAA");
    auto b = M0(2, 0, "BBB");
    b.Probe.Timestamp += 1.0;
    j.ctrl->NewMeasure(&a, 0);
    j.ctrl->NewMeasure(&b, 0);
    TADOQuery q(j.conn.get());
    q.SetSQL("UPDATE Base SET OBSL_NAME = 'ANNA' WHERE ID = 1");
    q.ExecSQL();
    q.SetSQL("UPDATE Base SET OBSL_NAME = 'BORIS' WHERE ID = 2");
    q.ExecSQL();
    testutil::DialogScript dialogs;
    dialogs.Then<TfmDefault_MP_Filter>([](TfmDefault_MP_Filter* d) {
        testutil::ClickOn(d->cbfFam_active);
        testutil::Type(d->efFam, "BBB");
        testutil::ClickOn(d->bOK);
    });
    j.ctrl->ShowFilterDialog();
    ASSERT_EQ(j.ViewIds(), std::vector<int>{2});

    // The first record again, with an inspector: its own name stays, the shown record is untouched.
    const auto again = M0(1, 0, "AAA", "ZZZ");
    j.ctrl->NewMeasure(&again, 0);
    EXPECT_EQ(j.Value(1, "OBSL_NAME").toString(), "ANNA");
    EXPECT_EQ(j.Value(1, "OPER").toString(), "ZZZ");
    EXPECT_EQ(j.Value(2, "OBSL_NAME").toString(), "BORIS");
    EXPECT_TRUE(j.Value(2, "OPER").isNull());

    // A surname above the stored one: the names no longer belong to it.
    const auto renamed = M0(1, 0, "ABB");
    j.ctrl->NewMeasure(&renamed, 0);
    EXPECT_EQ(j.Value(1, "OBSL_FAM").toString(), "ABB");
    EXPECT_TRUE(j.Value(1, "OBSL_NAME").toString().trimmed().isEmpty());
    EXPECT_EQ(j.Value(1, "OPER").toString(), "ZZZ");
    EXPECT_EQ(j.Value(2, "OBSL_NAME").toString(), "BORIS");
}

// A memory downloaded again, faster than the grid is worth repainting: the view is moved at most once a
// pause, and ends on the last record delivered, whether found or filed; nothing is filed twice.
TEST(Default, ARedownloadedMemoryEndsOnTheLastRecordDeliveredAndFilesNothingTwice)
{
    std::vector<TVELTMeasurement> memory;
    for (int i = 0; i < 30; ++i)
        memory.push_back(jtest::Measurement(2015, 4, 1, 9, i, 0, 55, 0.01 * i, 0, uint32_t(i + 1)));
    const auto fresh = jtest::Measurement(2015, 4, 2, 9, 0, 0, 55, 0.5, 0, 99);
    struct Case {
        const char* what;
        std::vector<const TVELTMeasurement*> deliveries;
        int endsOn; // ID of the row the view stands on
    };
    std::vector<const TVELTMeasurement*> reversed, withFresh, freshLast;
    for (int i = 29; i >= 0; --i)
        reversed.push_back(&memory[size_t(i)]);
    for (int i = 0; i < 30; ++i) {
        withFresh.push_back(&memory[size_t(i)]);
        freshLast.push_back(&memory[size_t(i)]);
        if (i == 15)
            withFresh.push_back(&fresh);
    }
    freshLast.push_back(&fresh);
    const std::vector<Case> cases = {
        {"the same records, newest first", reversed, 1},
        {"a new record among them", withFresh, 30},
        {"a new record last", freshLast, 31},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DefaultJournal j;
        j.window->show();
        for (const auto& m : memory)
            j.ctrl->NewMeasure(&m, 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !j.ctrl->IsViewPending(); }, 30000));
        ASSERT_EQ(j.Rows(), 30);
        int moves = 0;
        j.ds->OnDataChange = [&](TDataSource*, TField* field) { moves += field ? 0 : 1; };
        for (const TVELTMeasurement* m : c.deliveries) {
            j.ctrl->NewMeasure(m, 0);
            QCoreApplication::processEvents();
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !j.ctrl->IsViewPending(); }, 30000));
        j.ds->OnDataChange = nullptr;
        EXPECT_EQ(j.Rows(), c.endsOn == 1 ? 30 : 31);
        EXPECT_EQ(j.ViewIds().size(), size_t(j.Rows()));
        EXPECT_EQ(j.query->FieldByName(QStringLiteral("ID"))->AsInteger(), c.endsOn);
        EXPECT_LT(moves, int(c.deliveries.size()) / 2) << "the grid follows every record found";
    }

    // The whole journal asked for during such a download stands on its last row, as asked.
    DefaultJournal j;
    for (const auto& m : memory)
        j.ctrl->NewMeasure(&m, 0);
    for (const auto& m : reversed)
        j.ctrl->NewMeasure(m, 0);
    j.ctrl->ShowAll();
    QTest::qWait(250);
    EXPECT_FALSE(j.ctrl->IsViewPending());
    EXPECT_EQ(j.query->FieldByName(QStringLiteral("ID"))->AsInteger(), 30);
    EXPECT_EQ(j.query->RecNo(), 30);
}

TEST(Default, SettingsClampThePhotoQualityTo30To90)
{
    struct Case {
        const char* quality;
        int expected;
    } cases[] = {{nullptr, 75}, {"10", 30}, {"95", 90}, {"200", 30}, {"90", 90}};
    for (const Case& c : cases) {
        DefaultJournal j;
        rtl::TIniFile ini(j.dir.file("VELT.ini"));
        if (c.quality)
            ini.WriteString("Methods", "JpegQuality", c.quality);
        j.ctrl->ReadIni(ini);
        EXPECT_EQ(j.ctrl->GetJournalSettings().JpegQuality, c.expected) << (c.quality ? c.quality : "absent");
    }
    DefaultJournal j;
    rtl::TIniFile ini(j.dir.file("VELT.ini"));
    j.ctrl->WriteIni(ini);
    EXPECT_TRUE(ini.ReadString("SizeTable", "DATA_IZM", "none") == "none");
    EXPECT_TRUE(ini.ReadString("Methods", "ProgUseOnlyForAlkozamok", "none") == "none");
    EXPECT_EQ(ini.ReadInteger("Methods", "JpegQuality", 0), 75);
}

TEST(Default, AnActWaitsForTheNextMeasurementAndIsSaved)
{
    DefaultJournal j;
    const auto before = M0(1);
    j.ctrl->NewMeasure(&before, 0);
    j.dialogs.Then([&](QDialog&) {
        auto& w = j.ctrl->ActWindow();
        EXPECT_EQ(w.size(), QSize(609, 461));
        EXPECT_EQ(w.findChild<QGroupBox*>("gbDannie_s_Pribora")->title(),
                  QString::fromUtf8("Данные с прибора(Ожидается измерение):"));
        EXPECT_FALSE(w.findChild<QPushButton*>("bSave")->isEnabled());
        auto m = M0(2, 3, "СЕМЕНОВ", "ПЕТРОВ");
        m.Probe.Timestamp += 2.0;
        j.ctrl->NewMeasure(&m, 0);
        EXPECT_FALSE(j.ctrl->IsWaiting());
        EXPECT_EQ(j.ctrl->Act().ID, 2);
        EXPECT_EQ(w.findChild<QLabel*>("lbSTAT")->text(), QString::fromUtf8("прерван"));
        EXPECT_EQ(w.findChild<QLabel*>("lbIZM")->text(), QString::fromUtf8("0.123 мг/л"));
        EXPECT_EQ(w.findChild<QLabel*>("lbOPER")->text(), QString::fromUtf8("ПЕТРОВ"));
        QLineEdit* name = w.findChild<QLineEdit*>("eOBSL_NAME");
        QTest::keyClicks(name, "oleg");
        QTest::keyClick(name, Qt::Key_Return);
        EXPECT_TRUE(w.isVisible()) << "Enter neither saves nor closes";
        QTest::keyClicks(w.findChild<QLineEdit*>("eOBSL_FAM"), "XXXXXXXXXXXXXXXXXXXXXXXXXX");
        QTest::mouseClick(w.findChild<QPushButton*>("bSave"), Qt::LeftButton);
    });
    j.ctrl->NewAct();
    EXPECT_EQ(j.ctrl->ActWindow().result(), 1);
    EXPECT_EQ(j.Value(2, "OBSL_NAME").toString(), "OLEG");
    EXPECT_EQ(j.Value(2, "OBSL_FAM").toString(), QString::fromUtf8("СЕМЕНОВXXXXXXXXXXXXX")) << "20 characters, as typed";
    EXPECT_EQ(j.Value(2, "OPER").toString(), QString::fromUtf8("ПЕТРОВ"));
    EXPECT_TRUE(j.Value(1, "OBSL_NAME").isNull());
    EXPECT_EQ(j.query->FieldByName("ID")->AsInteger(), 2);
}

TEST(Default, AnEventOpensAsItsDescriptionBrokenAfter43Characters)
{
    EXPECT_EQ(TfmDefault_ActWindow::EventLabel(-2147483643),
              QString::fromUtf8(" Индикация максимального количества прерван\nных выдохов"));
    EXPECT_EQ(TfmDefault_ActWindow::EventLabel(-2147483646), QString::fromUtf8(" Включение зажигания"));
    DefaultJournal j;
    const auto e = Event(0x80000005u);
    j.ctrl->NewMeasure(&e, 0);
    j.dialogs.Then([&](QDialog&) {
        auto& w = j.ctrl->ActWindow();
        EXPECT_EQ(w.findChild<QLabel*>("Label31")->text(), QString::fromUtf8("Дата события:"));
        EXPECT_EQ(w.findChild<QGroupBox*>("GroupBox3")->title(), QString::fromUtf8("Описание состояния прибора:"));
        EXPECT_EQ(w.findChild<QLabel*>("Label8")->text(), TfmDefault_ActWindow::EventLabel(-2147483643));
        EXPECT_EQ(w.findChild<QLabel*>("lbIZM")->text(), "---");
        EXPECT_TRUE(w.findChild<QLineEdit*>("eOBSL_FAM")->isHidden());
        EXPECT_FALSE(w.findChild<QPushButton*>("bSave")->isEnabled());
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    j.ctrl->OpenAct();
    EXPECT_EQ(j.ctrl->ActWindow().result(), 2);
}

// Both variants: a measurement the table refuses is logged whole and told once per burst, is not counted as
// filed, and the next burst tells its failure again.
template <class J>
static void unfiledIsToldOncePerBurst()
{
    J j;
    const auto a = Measurement(2013, 1, 1, 0, 0, 0, 5, 0.1);
    const auto b = Measurement(2013, 1, 1, 0, 1, 0, 5, 0.2);
    j.query->Close();
    j.conn->ReleaseFiles();
    const QString moved = j.dir.file("DATABASE/gone.DBF");
    ASSERT_TRUE(QFile::rename(j.base(), moved));
    ctl::TScriptedMessageBoxPort boxes;
    j.ctrl->NewMeasure(&a, 0);
    EXPECT_FALSE(j.ctrl->LastMeasureFiled());
    // Told after the filing call, from the event loop: the burst's later results are not held up by the box.
    EXPECT_EQ(boxes.Count(), 0);
    j.ctrl->NewMeasure(&b, 0);
    EXPECT_TRUE(testutil::PumpUntil([&] { return boxes.Count() == 1; }, 30000));
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes.Count(), 1);
    j.ctrl->NewMeasure(nullptr, 1); // the burst ends
    j.ctrl->NewMeasure(&a, 0);
    EXPECT_TRUE(testutil::PumpUntil([&] { return boxes.Count() == 2; }, 30000));
    EXPECT_TRUE(j.log().contains(QString::fromUtf8("измерение не записано в журнал")));
    j.conn->ReleaseFiles();
    ASSERT_TRUE(QFile::rename(moved, j.base()));
    j.ctrl->NewMeasure(&b, 0);
    EXPECT_TRUE(j.ctrl->LastMeasureFiled());
}

TEST(Default, AMeasurementThatCannotBeFiledIsToldOncePerBurstInBothVariants)
{
    unfiledIsToldOncePerBurst<DefaultJournal>();
    unfiledIsToldOncePerBurst<Journal>();
}

// The act window's simulation group: a made-up measurement with the typed surnames is filed as an
// instrument's would be, and the waiting act takes it.
TEST(Default, TheSimulationGroupFilesAMadeUpMeasurementWithTheTypedSurnames)
{
    DefaultJournal j;
    j.dialogs.Then([&](QDialog&) {
        EXPECT_EQ(j.Act<QGroupBox>("GroupBox1")->title(), QString::fromUtf8("Имитация измерения:"));
        QTest::keyClicks(j.Act<QLineEdit>("Edit1"), "sidorovskiy");
        QTest::keyClicks(j.Act<QLineEdit>("Edit2"), "petrov");
        j.Act<QPushButton>("Button1")->click();
        EXPECT_FALSE(j.ctrl->IsWaiting());
        EXPECT_EQ(j.ctrl->Act().ID, 1);
        EXPECT_EQ(j.Act<QLineEdit>("eOBSL_FAM")->text(), "SIDOROVSKI") << "ten characters at most";
        EXPECT_EQ(j.Act<QLabel>("lbOPER")->text(), "PETROV");
        j.Act<QPushButton>("bCancel")->click();
    });
    j.ctrl->NewAct();
    ASSERT_EQ(j.Rows(), 1);
    EXPECT_EQ(j.Value(1, "OBSL_FAM").toString(), "SIDOROVSKI");
    EXPECT_EQ(j.Value(1, "OPER").toString(), "PETROV");
    const double izm = j.Value(1, "IZM").toDouble();
    EXPECT_GE(izm, 0.004);
    EXPECT_LE(izm, 1.504);
    EXPECT_TRUE(j.Value(1, "STAT").toString() == "0" || j.Value(1, "STAT").toString() == "1");
    EXPECT_LT(j.Value(1, "NUM_VIDOH").toInt(), 100);
    EXPECT_LT(j.Value(1, "PRIBOR").toInt(), 9999);
    EXPECT_EQ(j.Value(1, "DATA_IZM").toString().left(10), QDate::currentDate().toString("yyyy.MM.dd"));
    EXPECT_EQ(j.Value(1, "PAGE_FOOT").toString(), "0");
}
