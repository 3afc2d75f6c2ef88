#include "printers.h"
#include "app/Application.h"
#include "app/Interface.h"
#include "app/SettingsForm.h"
#include "common/dialogscript.h"
#include "platform/controls/MessageBox.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QTranslator>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include "platform/graphics/Geometry.h"
#include <QSlider>

#include <gtest/gtest.h>

#include <map>

namespace {

// Records every call it receives, by name, with a short note of its arguments.
class RecordingController : public TJournalController {
public:
    explicit RecordingController(std::vector<std::string>* log) : log_(log) {}
    ~RecordingController() override { log_->push_back("~"); }

    void SetDirs(const QString& a, const QString& w) override { note("SetDirs " + (a + "," + w).toStdString()); }
    void SetOperator(const QString& n) override { note("SetOperator " + n.toStdString()); }
    void InitJournal(const TJournalBinding& b) override { note(std::string("InitJournal ") + (b.EditButtons ? "buttons" : "-")); }
    void ReadIni(rtl::TIniFile&) override { note("ReadIni"); }
    void WriteIni(rtl::TIniFile&) override { note("WriteIni"); }
    void NewMeasure(const TVELTMeasurement* r, int refresh) override { note(std::string("NewMeasure ") + (r ? "rec" : "null") + " " + std::to_string(refresh)); }
    void NewAct() override { note("NewAct"); }
    void OpenAct() override { note("OpenAct"); }
    void DeleteRecords() override { note("DeleteRecords"); }
    void ShowAll() override { note("ShowAll"); }
    void ShowToday() override { note("ShowToday"); }
    void ShowFilterDialog() override { note("ShowFilterDialog"); }
    void DrawColumnCell(TCustomDBGridEx*, const gfx::TRect& r, int col, TColumnEx*, unsigned st) override
    {
        note("DrawColumnCell " + std::to_string(r.Right - r.Left) + " " + std::to_string(col) + " " + std::to_string(st));
    }
    void ShowJournalReport() override { note("ShowJournalReport"); }
    TJournalSettings GetJournalSettings() const override { return settings; }
    void ApplyJournalSettings(const TJournalSettings& s) override { settings = s; note("ApplyJournalSettings"); }
    void SetControls(QPushButton*, QPushButton*, QLabel*, QPushButton*) override { note("SetControls"); }
    void QueryAfterOpenInstall() override { note("QueryAfterOpen"); }
    void QueryAfterOpenBurstInstall() override { note("QueryAfterOpenBurst"); }
    void SetBurstCounter(const uint32_t* c) override { note("SetBurstCounter " + std::to_string(*c)); }
    bool IsRecordEditable() override { note("IsRecordEditable"); return true; }
    void ShowConsReport() override { note("ShowConsReport"); }

    TJournalSettings settings{1, 90, 7, 0};

private:
    void note(const std::string& s) { log_->push_back(s); }
    std::vector<std::string>* log_;
};

struct Made {
    std::vector<std::string> log;
    std::vector<int> asked; // methods the factory was asked for
    RecordingController* last = nullptr;
    TInterface::ControllerFactory factory()
    {
        return [this](int m) {
            asked.push_back(m);
            auto c = std::make_unique<RecordingController>(&log);
            last = c.get();
            return c;
        };
    }
};

// Calls every operation once (Settings aside) and returns what reached the controller.
std::vector<std::string> callEverything(TInterface& f, std::vector<std::string>& log, bool* editable)
{
    log.clear();
    QPushButton edit, del, add;
    QLabel panel;
    QWidget buttons;
    uint32_t counter = 3;
    f.SetDirs("/app", "/work");
    f.SetOperator("OP");
    f.SetUserInfo("OP", "");
    f.InitDB(nullptr, nullptr, nullptr, nullptr, nullptr, &panel, &buttons, nullptr);
    f.SetControls(&edit, &del, nullptr, &add);
    f.EndBurst();
    f.BeginBurst();
    f.SetBurstCounter(&counter);
    TVELTMeasurement rec{};
    f.OnMeasurements(&rec, 0);
    f.OnMeasurements(nullptr, 1);
    f.New();
    f.Edit();
    f.Delete();
    f.ShowAll();
    f.ShowToday();
    f.Filter();
    f.DrawColumnCell(nullptr, gfx::TRect{0, 0, 40, 10}, 2, nullptr, 1);
    *editable = f.IsRecordEditable();
    f.ConsolidatedReport();
    f.Print();
    return log;
}

} // namespace

TEST(Interface, DispatchByApplicationType)
{
    const std::vector<std::string> common = {"SetDirs /app,/work", "SetOperator OP"};
    const std::vector<std::string> defaultCalls = {
        "SetDirs /app,/work", "SetOperator OP", "InitJournal -", "NewMeasure rec 0", "NewMeasure null 0",
        "NewAct", "OpenAct", "DeleteRecords", "ShowAll", "ShowToday", "ShowFilterDialog", "DrawColumnCell 40 2 1",
        "ShowJournalReport"};
    const std::vector<std::string> mpCalls = {
        "SetDirs /app,/work", "SetOperator OP", "InitJournal buttons", "SetControls", "QueryAfterOpen",
        "QueryAfterOpenBurst", "SetBurstCounter 3", "NewMeasure rec 0", "NewMeasure null 1", "NewAct", "OpenAct",
        "DeleteRecords", "ShowAll", "ShowToday", "ShowFilterDialog", "DrawColumnCell 40 2 1", "IsRecordEditable",
        "ShowConsReport", "ShowJournalReport"};
    struct Case {
        int method;
        std::vector<int> asked;
        std::vector<std::string> calls;
        bool editable;
    };
    const Case cases[] = {
        {1, {1}, defaultCalls, false},
        {100, {100}, mpCalls, true},
        {2, {}, {}, false},
        {3, {}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method);
        Made made;
        {
            TInterface f(c.method, made.factory());
            EXPECT_EQ(made.asked, c.asked);
            EXPECT_EQ(f.HasController(), !c.asked.empty());
            bool editable = !c.editable;
            EXPECT_EQ(callEverything(f, made.log, &editable), c.calls);
            EXPECT_EQ(editable, c.editable);
            made.log.clear();
        }
        // The facade frees the controller it made.
        EXPECT_EQ(made.log, c.asked.empty() ? std::vector<std::string>{} : std::vector<std::string>{"~"});
    }
}

TEST(Interface, TheProgramsControllers)
{
    const auto factory = TInterface::DefaultFactory();
    EXPECT_NE(factory(100), nullptr);
    EXPECT_NE(factory(1), nullptr);
    TInterface medic(2);
    EXPECT_FALSE(medic.HasController());
}

TEST(Interface, WithoutAControllerEveryOperationDoesNothing)
{
    for (int method : {1, 100}) {
        TInterface f(method, [](int) { return nullptr; });
        EXPECT_FALSE(f.HasController());
        std::vector<std::string> log;
        bool editable = true;
        callEverything(f, log, &editable);
        EXPECT_FALSE(editable);
        f.Settings(); // no dialog without a journal
    }
}

TEST(Interface, SettingsExchangeHandsBackTheValueOnlyAfterOK)
{
    Made made;
    TInterface f(100, made.factory());

    // Cancel after changing every control: nothing comes back.
    made.log.clear();
    testutil::DialogScript dialogs;
    dialogs.Then<TfmSettings>([](TfmSettings* d) {
        EXPECT_TRUE(d->rbVideoOn->isChecked());
        EXPECT_EQ(d->tbSaveJpegQuality->value(), 1);
        d->rbVideoOff->setChecked(true);
        d->tbSaveJpegQuality->setValue(5);
        d->cbOnlyForAlkozamok->setChecked(true);
        d->bCancel->click();
    });
    f.Settings();
    EXPECT_EQ(made.log, std::vector<std::string>{});

    dialogs.Then<TfmSettings>([](TfmSettings* d) {
        d->rbVideoOff->setChecked(true);
        d->tbSaveJpegQuality->setValue(4);
        d->bOK->click();
    });
    f.Settings();
    ASSERT_EQ(made.log, std::vector<std::string>{"ApplyJournalSettings"});
    EXPECT_EQ(made.last->settings, (TJournalSettings{0, 40, 7, 0}));
}

TEST(SettingsForm, QualityAndPositionRoundTrip)
{
    // stored quality -> trackbar position -> quality after OK
    const std::map<int, std::pair<int, int>> table = {
        {90, {1, 90}}, {75, {2, 75}}, {80, {2, 75}}, {65, {3, 65}}, {40, {4, 40}}, {30, {5, 30}}, {99, {2, 75}}, {-5, {2, 75}}};
    for (const auto& [stored, expect] : table) {
        SCOPED_TRACE(stored);
        TfmSettings d;
        d.SetSettings({0, int8_t(stored), 0, 0});
        EXPECT_EQ(d.tbSaveJpegQuality->value(), expect.first);
        d.bOK->click();
        EXPECT_EQ(d.result(), 1);
        EXPECT_EQ(d.GetSettings().JpegQuality, expect.second);
    }
    EXPECT_EQ(TfmSettings::PositionToQuality(0), 75);
    EXPECT_EQ(TfmSettings::PositionToQuality(2), 75);
}

TEST(SettingsForm, OkTakesControlsKeepsReservedCancelAndCloseKeepEverything)
{
    TfmSettings d;
    d.SetSettings({1, 80, 7, 1});
    EXPECT_TRUE(d.rbVideoOn->isChecked());
    EXPECT_TRUE(d.cbOnlyForAlkozamok->isChecked());
    d.bOK->click();
    EXPECT_EQ(d.GetSettings(), (TJournalSettings{1, 75, 7, 1}));

    TfmSettings c;
    c.SetSettings({0, 40, 3, 0});
    EXPECT_TRUE(c.rbVideoOff->isChecked());
    c.rbVideoOn->setChecked(true);
    c.tbSaveJpegQuality->setValue(1);
    c.cbOnlyForAlkozamok->setChecked(true);
    c.bCancel->click();
    EXPECT_EQ(c.result(), 2);
    EXPECT_EQ(c.GetSettings(), (TJournalSettings{0, 40, 3, 0}));

    TfmSettings closed;
    closed.SetSettings({0, 40, 3, 0});
    testutil::DialogScript dialogs;
    dialogs.Then<TfmSettings>([](TfmSettings* w) { w->close(); });
    EXPECT_EQ(ctl::ExecDialog(closed), 2);
    EXPECT_EQ(closed.GetSettings(), (TJournalSettings{0, 40, 3, 0}));
}

TEST(SettingsForm, TextsAndLayout)
{
    TfmSettings d;
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("Настройки"));
    EXPECT_EQ(d.size(), QSize(235, 416));
    EXPECT_EQ(d.bOK->text(), QString::fromUtf8("ОК"));
    EXPECT_EQ(d.bCancel->text(), QString::fromUtf8("Отмена"));
    EXPECT_TRUE(d.rNorma->isHidden());
    EXPECT_TRUE(d.tbSaveJpegQuality->toolTip().endsWith(QString::fromUtf8("По умолчанию - \"Выше Среднего\".")));
    EXPECT_EQ(d.tbSaveJpegQuality->minimum(), 1);
    EXPECT_EQ(d.tbSaveJpegQuality->maximum(), 5);
}

TEST(Application, AnErrorInAnEventHandlerIsShownAndTheProgramGoesOn)
{
    ctl::TScriptedMessageBoxPort boxes;
    EXPECT_TRUE(TApplication::Deliver([] { return true; }));
    EXPECT_FALSE(TApplication::Deliver([]() -> bool { throw std::runtime_error("Файл не найден"); }));
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, QString::fromUtf8("Файл не найден"));
    EXPECT_EQ(boxes.AskedSoFar()[0].caption, "VELT");
    EXPECT_EQ(boxes.AskedSoFar()[0].flags, ctl::MB_OK | ctl::MB_ICONERROR);
}

// The print, save and file dialogs and the standard buttons, as the program installs Qt's texts at start.
TEST(Application, QtsOwnDialogsSpeakRussian)
{
    ASSERT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), "Print"); // English until then
    QTranslator* translator = TApplication::InstallQtTranslations();
    ASSERT_TRUE(translator) << "no qtbase_ru in " << QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString();
    QPrinter printer;
    QPrintDialog print(&printer);
    QFileDialog save(nullptr, QString(), QString());
    save.setOption(QFileDialog::DontUseNativeDialog);
    save.setAcceptMode(QFileDialog::AcceptSave);
    QDialogButtonBox buttons(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel);
    const QStringList seen = {print.windowTitle(), save.labelText(QFileDialog::Accept), save.labelText(QFileDialog::FileName),
                              buttons.button(QDialogButtonBox::Yes)->text(), buttons.button(QDialogButtonBox::No)->text(),
                              buttons.button(QDialogButtonBox::Cancel)->text()};
    QCoreApplication::removeTranslator(translator);
    delete translator;
    EXPECT_EQ(seen, QString::fromUtf8("Печать|&Сохранить|&Имя файла:|&Да|&Нет|Отмена").split('|'));
}
