// The filter record, its translation into the view's conditions and description, the filter dialog, and
// filtered views of the journal.
#include "JournalFixture.h"

#include "journal/Default_MP_Filter.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/FormatSettings.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

using jtest::Journal;
using jtest::Measurement;

namespace {

struct Built {
    QString sql;
    QString description;
    TViewConditions used;
};

Built Build(TFilter f, int already = 0)
{
    Built b;
    f.Description = QStringLiteral(" ");
    b.sql = QStringLiteral("SELECT * FROM Base");
    int count = already;
    b.used = AppendFilterConditions(f, b.sql, count);
    b.sql += QStringLiteral(" ORDER BY DATA_IZM");
    b.description = f.Description;
    return b;
}

TFilter Cleared()
{
    TFilter f;
    ClearFilter(f);
    f.FirstDay = f.LastDay = QStringLiteral("0");
    return f;
}

// The Russian desktop's decimal comma, whatever the machine has.
struct RussianNumbers {
    rtl::TFormatSettings saved = rtl::formatSettings();
    RussianNumbers() { rtl::setFormatSettings(rtl::TFormatSettings::russian()); }
    ~RussianNumbers() { rtl::setFormatSettings(saved); }
};

} // namespace

TEST(FilterText, ConditionsAndDescriptions)
{
    RussianNumbers ru;
    struct Case {
        const char* what;
        std::function<void(TFilter&)> set;
        const char* sql;
        const char* description;
    };
    const std::vector<Case> cases = {
        {"one day", [](TFilter& f) { f.DateMode = 2; f.From = "2010.12.28 00:00:00"; f.To = "2010.12.28 23:59:59"; f.FirstDay = f.LastDay = "2010.12.28"; },
         "SELECT * FROM Base WHERE DATA_IZM >= '2010.12.28 00:00:00' AND DATA_IZM <= '2010.12.28 23:59:59' ORDER BY DATA_IZM",
         " дата: 2010.12.28"},
        {"period and serial",
         [](TFilter& f) {
             f.DateMode = 3; f.From = "2010.12.03 00:00:00"; f.To = "2010.12.28 23:59:59"; f.FirstDay = "2010.12.03"; f.LastDay = "2010.12.28";
             f.PriborOn = 1; f.Pribor = 17;
         },
         "SELECT * FROM Base WHERE DATA_IZM >= '2010.12.03 00:00:00' AND DATA_IZM <= '2010.12.28 23:59:59' AND PRIBOR = 17 ORDER BY DATA_IZM",
         " с 2010.12.03 по 2010.12.28, VELT №17"},
        {"surname in lower case, then only the upper bound",
         [](TFilter& f) { f.FamOn = 1; f.Fam = "петров"; f.MinMaxOn = 1; f.Max = 0.5; },
         "SELECT * FROM Base WHERE OBSL_FAM LIKE :FAMp AND IZM <= :MaxIzmp ORDER BY DATA_IZM",
         " фамилия: ПЕТРОВ по 0,5 мг/л"},
        {"both bounds 0: no value condition", [](TFilter& f) { f.MinMaxOn = 1; }, "SELECT * FROM Base ORDER BY DATA_IZM", " "},
        {"min 0, max 0.3", [](TFilter& f) { f.MinMaxOn = 1; f.Max = 0.3; },
         "SELECT * FROM Base WHERE IZM <= :MaxIzmp ORDER BY DATA_IZM", "  по 0,3 мг/л"},
        {"both bounds", [](TFilter& f) { f.MinMaxOn = 1; f.Min = 0.15; f.Max = 1; },
         "SELECT * FROM Base WHERE IZM >= :MinIzmp AND IZM <= :MaxIzmp ORDER BY DATA_IZM", " с 0,15 мг/л по 1 мг/л"},
        {"serial 0 writes nothing", [](TFilter& f) { f.PriborOn = 1; }, "SELECT * FROM Base ORDER BY DATA_IZM", " "},
        {"surname \"0\" is unset", [](TFilter& f) { f.FamOn = 1; }, "SELECT * FROM Base ORDER BY DATA_IZM", " "},
        {"date mode on with an unset bound", [](TFilter& f) { f.DateMode = 2; }, "SELECT * FROM Base ORDER BY DATA_IZM", " "},
    };
    for (const Case& c : cases) {
        TFilter f = Cleared();
        c.set(f);
        const Built b = Build(f);
        EXPECT_EQ(b.sql.toStdString(), c.sql) << c.what;
        EXPECT_EQ(b.description.toStdString(), c.description) << c.what;
    }
    // After the identifier window the first condition is joined with AND and its description with ", ".
    TFilter f = Cleared();
    f.PriborOn = 1;
    f.Pribor = 3;
    const Built b = Build(f, 1);
    EXPECT_EQ(b.sql.toStdString(), "SELECT * FROM Base AND PRIBOR = 3 ORDER BY DATA_IZM");
    EXPECT_EQ(b.description.toStdString(), " , VELT №3");
}

TEST(FilterView, FilteredViewsFindTheirRecordsAndNameTheFilter)
{
    RussianNumbers ru;
    Journal j;
    struct Row {
        int day;
        int serial;
        double value;
        const char* surname;
    } rows[] = {{3, 17, 0.1, "О'БРАЙЕН"}, {10, 17, 0.4, "ПЕТРОВ"}, {28, 18, 0.6, "ПЕТРОВА"}, {29, 17, 0.2, "ИВАНОВ"}};
    for (const Row& r : rows) {
        auto m = Measurement(2010, 12, r.day, 9, 0, 0, r.serial, r.value);
        jtest::SetText(m.Probe.SurvLastName, r.surname);
        j.ctrl->NewMeasure(&m, 0);
    }
    struct Case {
        std::function<void(TFilter&)> set;
        std::vector<int> ids;
        const char* caption;
    };
    const std::vector<Case> cases = {
        {[](TFilter& f) { f.DateMode = 3; f.From = "2010.12.03 00:00:00"; f.To = "2010.12.28 23:59:59"; f.FirstDay = "2010.12.03"; f.LastDay = "2010.12.28"; f.PriborOn = 1; f.Pribor = 17; },
         {1, 2}, "фильтр:  с 2010.12.03 по 2010.12.28, VELT №17"},
        {[](TFilter& f) { f.FamOn = 1; f.Fam = "петров"; }, {2, 3}, "фильтр:  фамилия: ПЕТРОВ"},
        // A surname with an apostrophe is a parameter, not a broken statement.
        {[](TFilter& f) { f.FamOn = 1; f.Fam = "О'Б"; }, {1}, "фильтр:  фамилия: О'Б"},
        {[](TFilter& f) { f.MinMaxOn = 1; f.Min = 0.2; f.Max = 0.5; }, {2, 4}, "фильтр:  с 0,2 мг/л по 0,5 мг/л"},
    };
    testutil::DialogScript dialogs;
    // The user sets the dialog's controls to the filter and confirms, or cancels.
    const auto answer = [&](const std::function<void(TFilter&)>& set, bool ok) {
        dialogs.Then<TfmDefault_MP_Filter>([set, ok](TfmDefault_MP_Filter* d) {
            TFilter f = d->Store();
            ClearFilter(f);
            set(f);
            d->Load(f);
            testutil::ClickOn(ok ? d->bOK : d->bCancel);
        });
    };
    for (const Case& c : cases) {
        answer(c.set, true);
        j.ctrl->ShowFilterDialog();
        EXPECT_EQ(j.ViewIds(), c.ids) << c.caption;
        EXPECT_EQ(j.viewPanel->text().toStdString(), c.caption);
    }
    // Cancel leaves the record and the view as they were.
    answer([](TFilter&) {}, false);
    j.ctrl->ShowFilterDialog();
    EXPECT_EQ(j.ViewIds(), (std::vector<int>{2, 4}));
    EXPECT_EQ(j.ctrl->CurrentFilter().MinMaxOn, 1);
    EXPECT_FALSE(j.log().contains("NewMeasure - error"));
}

TEST(FilterDialog, LoadsTheRecordIntoItsControls)
{
    TfmDefault_MP_Filter cleared;
    cleared.Load(Cleared());
    EXPECT_FALSE(cleared.cbfDate_active->isChecked());
    EXPECT_FALSE(cleared.rbToday->isEnabled());
    EXPECT_FALSE(cleared.rbDateFiltr->isEnabled());
    EXPECT_FALSE(cleared.efFam->isEnabled());
    EXPECT_FALSE(cleared.efPribor->isEnabled());
    EXPECT_FALSE(cleared.efMin->isEnabled());

    RussianNumbers ru;
    TFilter f = Cleared();
    f.DateMode = 3;
    f.From = "2010.12.03 00:00:00";
    f.To = "2010.12.28 23:59:59";
    f.FamOn = 1;
    f.Fam = "ПЕТРОВ";
    f.PriborOn = 1;
    f.Pribor = 17;
    f.MinMaxOn = 1;
    f.Min = 0.25;
    f.Max = 1;
    TfmDefault_MP_Filter d;
    d.Load(f);
    EXPECT_TRUE(d.rbDateFiltr->isChecked());
    EXPECT_EQ(d.cbDateMin->date(), QDate(2010, 12, 3));
    EXPECT_EQ(d.cbDateMax->date(), QDate(2010, 12, 28));
    EXPECT_FALSE(d.cbDateMax->isHidden());
    EXPECT_EQ(d.efFam->text(), "ПЕТРОВ");
    EXPECT_EQ(d.efPribor->text(), "17");
    EXPECT_EQ(d.efMin->text(), "0,25");
    EXPECT_EQ(d.efMax->text(), "1");
}

TEST(FilterDialog, OkStoresTheControlsAndEmptyOrLoneSeparatorEditsAreAskedFor)
{
    RussianNumbers ru;
    ctl::TScriptedMessageBoxPort boxes;
    TfmDefault_MP_Filter d;
    d.Load(Cleared());
    d.cbfDate_active->setChecked(true);
    d.cbfDate_activeClick();
    d.rbDate->setChecked(true);
    d.rbDateClick();
    d.cbDateMin->setDate(QDate(2010, 12, 28));
    d.cbfFam_active->setChecked(true);
    d.cbfFam_activeClick();
    d.bOKClick();
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, QString::fromUtf8("Вы не ввели Фамилию!"));
    EXPECT_EQ(boxes.AskedSoFar()[0].caption, QString::fromUtf8("Предупреждение!"));
    EXPECT_EQ(boxes.AskedSoFar()[0].icon(), ctl::MB_ICONWARNING);
    EXPECT_EQ(d.result(), 0) << "the dialog stays open";
    d.efFam->setText("ИВ");
    d.cbfMinMax_active->setChecked(true);
    d.cbfMinMax_activeClick();
    d.efMin->setText(",");
    d.efMax->setText("0,5");
    d.bOKClick();
    ASSERT_EQ(boxes.Count(), 2);
    EXPECT_EQ(boxes.AskedSoFar()[1].text, QString::fromUtf8("Вы не ввели Измеренную величину!"));
    EXPECT_EQ(d.result(), 0);
    d.efMin->setText("0,1");
    d.bOKClick();
    EXPECT_EQ(d.result(), 1);
    const TFilter f = d.Store();
    EXPECT_EQ(f.DateMode, 2);
    EXPECT_EQ(f.From, "2010.12.28 00:00:00");
    EXPECT_EQ(f.To, "2010.12.28 23:59:59");
    EXPECT_EQ(f.FirstDay, "2010.12.28");
    EXPECT_EQ(f.FamOn, 1);
    EXPECT_EQ(f.Fam, "ИВ");
    EXPECT_EQ(f.MinMaxOn, 1);
    EXPECT_DOUBLE_EQ(f.Min, 0.1);
    EXPECT_DOUBLE_EQ(f.Max, 0.5);
    // The edits take only what their filters let through.
}

TEST(FilterDialog, ValuesTypedWithAPointOrACommaReadAlike)
{
    for (const bool russian : {true, false}) {
        const rtl::TFormatSettings saved = rtl::formatSettings();
        rtl::setFormatSettings(russian ? rtl::TFormatSettings::russian() : rtl::TFormatSettings::english());
        TfmDefault_MP_Filter d;
        d.Load(Cleared());
        d.show();
        QTest::mouseClick(d.cbfMinMax_active, Qt::LeftButton);
        ASSERT_TRUE(d.efMin->isEnabled());
        QTest::keyClicks(d.efMin, "0.1");
        QTest::keyClicks(d.efMax, "0,5");
        EXPECT_EQ(d.efMin->text(), "0.1") << russian;
        EXPECT_EQ(d.efMax->text(), "0,5") << russian;
        QTest::mouseClick(d.bOK, Qt::LeftButton);
        EXPECT_EQ(d.result(), 1) << russian;
        EXPECT_DOUBLE_EQ(d.Store().Min, 0.1) << russian;
        EXPECT_DOUBLE_EQ(d.Store().Max, 0.5) << russian;
        rtl::setFormatSettings(saved);
    }
}
