#include "app/MainForm.h"
#include "app/LoginForm.h"
#include "app/ProgParam.h"
#include "app/SettingsForm.h"
#include "app/WorkFolder.h"
#include "Devices/Manager.h"
#include "core/Measurement.h"
#include "platform/rtl/DateTime.h"
#include "common/testutil.h"
#include "grid/DBGridEx.h"
#include "grid/GridDataLinkEx.h"
#include "journal/CellLook.h"
#include "journal/UnfiledNotice.h"
#include "grid/ColumnEx.h"
#include "grid/ColumnTitleEx.h"
#include "grid/DBGridColumnsEx.h"
#include "ProgramFolder.h"
#include "common/dialogscript.h"
#include "printers.h"
#include "db/JournalSchemas.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/Field.h"
#include "platform/data/DbfTable.h"
#include "platform/data/LockedFile.h"
#include "platform/rtl/IniFile.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/system/InstanceLock.h"
#include "platform/system/SystemInfo.h"

#include <QAction>
#include <QCheckBox>
#include <QSlider>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QWheelEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace ctl;
using testutil::TempDir;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

class Recorder : public TJournalController {
public:
    explicit Recorder(QStringList* log) : log_(log) {}
    ~Recorder() override { *log_ << "~"; }
    void SetDirs(const QString&, const QString&) override { *log_ << "SetDirs"; }
    void SetOperator(const QString& n) override { *log_ << "SetOperator " + n; }
    void InitJournal(const TJournalBinding&) override
    {
        *log_ << "InitJournal";
        if (onInitJournal)
            onInitJournal();
    }
    static inline std::function<void()> onInitJournal;
    void ReadIni(rtl::TIniFile&) override { *log_ << "ReadIni"; }
    void WriteIni(rtl::TIniFile&) override
    {
        *log_ << "WriteIni";
        if (onWriteIni)
            onWriteIni();
    }
    static inline std::function<void()> onWriteIni;
    void NewMeasure(const TVELTMeasurement*, int) override { *log_ << "NewMeasure"; }
    void NewAct() override { *log_ << "NewAct"; }
    void OpenAct() override { *log_ << "OpenAct"; }
    void DeleteRecords() override { *log_ << "DeleteRecords"; }
    void ShowAll() override
    {
        *log_ << "ShowAll";
        if (onShowAll)
            onShowAll();
    }
    static inline std::function<void()> onShowAll;
    void ShowToday() override { *log_ << "ShowToday"; }
    void ShowFilterDialog() override { *log_ << "ShowFilterDialog"; }
    void DrawColumnCell(TCustomDBGridEx*, const gfx::TRect&, int, TColumnEx*, unsigned) override { *log_ << "DrawColumnCell"; }
    void ShowJournalReport() override { *log_ << "ShowJournalReport"; }
    TJournalSettings GetJournalSettings() const override { return {}; }
    void ApplyJournalSettings(const TJournalSettings&) override { *log_ << "ApplyJournalSettings"; }
    void SetControls(QPushButton*, QPushButton*, QLabel*, QPushButton*) override { *log_ << "SetControls"; }
    void QueryAfterOpenInstall() override { *log_ << "QueryAfterOpen"; }
    void QueryAfterOpenBurstInstall() override { *log_ << "QueryAfterOpenBurst"; }
    bool IsRecordEditable() override { return editable ? editable() : true; }
    static inline std::function<bool()> editable;
    void ShowConsReport() override { *log_ << "ShowConsReport"; }
private:
    QStringList* log_;
};

void login(const char* password, const char* name = nullptr);

const QString kNoInstruments = QString::fromUtf8(
    "В программе не настроены приборы! Вы не сможете получать данные от приборов.\n"
    "Желаете настроить их сейчас?\nВы можете настроить их позже, открыв окно настроек: 'Опции\\Источники измерений'");


// A program folder with two operators, and what the boxes and the journal controller were told.
struct Env : ProgramFolder {
    TScriptedMessageBoxPort boxes;
    QStringList calls; // what reached the journal controller
    int terminated = 0;

    Env() : ProgramFolder({{"ОПЕРАТОР", "1111"}, {"ВТОРОЙ", "2"}}) {}
    TfmMain::Options options(int* made = nullptr)
    {
        TfmMain::Options o;
        o.ControllerFactory = [this, made](int) {
            if (made) ++*made;
            return std::make_unique<Recorder>(&calls);
        };
        o.Terminate = [this] { ++terminated; };
        return o;
    }
    // The program's own journal controller.
    TfmMain::Options programsJournal()
    {
        TfmMain::Options o;
        o.Terminate = [this] { ++terminated; };
        return o;
    }
    rtl::TIniFile ini() const { return rtl::TIniFile(work + "/VELT.ini"); }
    // A full start-up: logs in, declines to set up instruments now, and forgets the boxes asked.
    bool start(TfmMain& w, const char* password = "1111")
    {
        boxes.Clear();
        boxes.Answer(IDCANCEL);
        login(password);
        const bool ok = w.FormCreate();
        EXPECT_EQ(boxes.Count(), 1);
        if (boxes.Count() >= 1)
            EXPECT_EQ(boxes.AskedSoFar().back().text, kNoInstruments);
        boxes.Clear();
        return ok;
    }
    // The log's texts without their time and id prefixes.
    QStringList log() const
    {
        const QString text = QString::fromUtf8(testutil::readFile(work + "/test_app.log"));
        QStringList lines;
        static const QRegularExpression prefix("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} [0-9a-f]{3,}\\\\[0-9a-f]{3,}  ");
        for (const QString& l : text.split("\r\n")) {
            const auto m = prefix.match(l);
            if (m.hasMatch())
                lines << l.mid(m.capturedLength());
        }
        return lines;
    }
};

void login(const char* password, const char* name)
{
    const QString pw = QString::fromUtf8(password);
    const QString who = QString::fromUtf8(name ? name : "ОПЕРАТОР");
    testutil::OnModalOf<TfmLogin>([pw, who](TfmLogin* d) {
        d->cbLoginName->setCurrentText(who);
        d->eLoginPassword->setText(pw);
        d->bOk->click();
        // A login that did not go through must fail the test, not hang it.
        if (d->isVisible()) {
            ADD_FAILURE() << "login refused";
            d->bCancel->click();
        }
    });
}

void cancelLogin()
{
    testutil::OnModalOf<TfmLogin>([](TfmLogin* d) { d->bCancel->click(); });
}

void press(QWidget* w, int key)
{
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
    QKeyEvent r(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &r);
}

// The lines of `want` in `got`, in order; other components' lines in between are skipped.
QStringList inOrder(const QStringList& want, const QStringList& got)
{
    QStringList found;
    qsizetype at = 0;
    for (const QString& w : want) {
        const qsizetype i = got.indexOf(w, at);
        if (i < 0)
            continue;
        found << w;
        at = i + 1;
    }
    return found;
}

const QStringList kDestroyLog = {
    "Destroy...", u("Удаление менеджера устройств-источников..."), u("Сохранение настроек в *.ini файле..."),
    u("Удаление интерфейса работы с приборами..."), u("Удаление класса хранения информации о приборах..."),
    u("Удаление класса хранения закрытых настроек..."), "Destroy - OK"};

} // namespace

TEST(MainForm, StartUpAndShutDownInOrder)
{
    Env env;
    {
        TfmMain w(env.app, env.options());
        EXPECT_EQ(w.WorkDir, env.work);
        ASSERT_TRUE(env.start(w));
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.OperatorName, u("ОПЕРАТОР"));
        EXPECT_EQ(w.StatusPanels[0]->text(), u(" Оператор: ОПЕРАТОР"));
        EXPECT_EQ(w.windowTitle(), u("VELT версия 1.0.0.1 - Журнал измерений"));
        EXPECT_TRUE(w.bDelete->isHidden());
        EXPECT_FALSE(w.bDelete->isEnabled());
        EXPECT_FALSE(w.nDelete->isVisible());
        EXPECT_EQ(w.pEditButtom->width(), 178);
        // The lock is held while the program runs.
        EXPECT_EQ(sys::TInstanceLock("VOVI_DEROVIVA_ZUD_UZER").Acquire(), sys::TInstanceLock::Result::AlreadyExists);
        w.FormDestroy();
        EXPECT_EQ(sys::TInstanceLock("VOVI_DEROVIVA_ZUD_UZER").Acquire(), sys::TInstanceLock::Result::Acquired);
        EXPECT_EQ(w.Interface, nullptr);
        EXPECT_EQ(w.ProgParam, nullptr);
    }
    const QStringList expected = QStringList{
        "Construct - OK", "Create...", "----------------------------------",
        "UserName  = " + sys::UserName(), "AppDir  = " + env.app, "WorkDir = " + env.work,
        "----------------------------------", u("Определяем запущенно ли уже данное приложение..."),
        u("Настройка компонента работы с БД..."), u("Проверка типа БД..."), u("Считывание закрытых параметров программы..."),
        u("Запрос Логина-Пароля..."), u("Вход выполнил оператор: 'ОПЕРАТОР'"), u("Запуск приложения..."),
        u("Создаём класс для хранения информации о приборах..."), u("Создаём интерфейс работы с приборами..."),
        u("Определение версии приложения... VELT версия 1.0.0.1"), u("Инициализация БД..."),
        u("Инициализируем менеджер устройств-источников..."), "Create - OK"} + kDestroyLog;
    const QStringList got = env.log();
    EXPECT_EQ(inOrder(expected, got), expected);
    // No step line twice, nothing after the end.
    EXPECT_EQ(got.count("Create - OK"), 1);
    EXPECT_EQ(got.last(), "Destroy - OK");
    EXPECT_EQ(env.calls, (QStringList{"SetDirs", u("SetOperator ОПЕРАТОР"), "InitJournal", "ReadIni", "SetControls",
                                      "QueryAfterOpen", "WriteIni", "~"}));
    EXPECT_EQ(env.boxes.Count(), 0);
    EXPECT_EQ(env.ini().ReadString("WindowState", "wsMaximized", "?"), "0");
    EXPECT_EQ(env.ini().ReadString("Methods", "Operator", "?"), u("ОПЕРАТОР"));
}

TEST(MainForm, AnErrorDuringShutDownLosesNoOperatorAndFreesTheLock)
{
    Env env;
    Recorder::onWriteIni = [] { throw std::runtime_error("settings not written"); };
    const rtl::TScopeGuard reset([] { Recorder::onWriteIni = nullptr; });
    {
        TfmMain w(env.app, env.options());
        ASSERT_TRUE(env.start(w));
        ASSERT_EQ(w.ProgParam->AddOper(u("НОВЫЙ"), "9"), 0);
        EXPECT_NO_THROW(w.FormDestroy());
        EXPECT_EQ(w.ProgParam, nullptr);
        EXPECT_EQ(w.Interface, nullptr);
        EXPECT_EQ(sys::TInstanceLock("VOVI_DEROVIVA_ZUD_UZER").Acquire(), sys::TInstanceLock::Result::Acquired);
    }
    // The operator added during the run is in the file.
    TProgParam back;
    ASSERT_EQ(back.LoadFromFile(env.work + "/VELT.dat"), 0);
    EXPECT_EQ(back.CheckOper(u("НОВЫЙ"), "9"), 0);
    ASSERT_EQ(env.boxes.Count(), 1);
    EXPECT_EQ(env.boxes.AskedSoFar()[0].text, "settings not written");
    EXPECT_EQ(env.boxes.AskedSoFar()[0].caption, "VELT");
    const QStringList log = env.log();
    EXPECT_EQ(inOrder(kDestroyLog, log), kDestroyLog);
    EXPECT_EQ(log.last(), "Destroy - OK");
}

TEST(MainForm, SecondInstanceWarnsAndEndsWithoutTouchingAnything)
{
    Env env;
    QDir().mkpath(env.app + "/DATABASE");
    sys::TInstanceLock first("VOVI_DEROVIVA_ZUD_UZER");
    ASSERT_EQ(first.Acquire(), sys::TInstanceLock::Result::Acquired);
    const QByteArray dat = testutil::readFile(env.work + "/VELT.dat");
    int made = 0;
    {
        TfmMain w(env.app, env.options(&made));
        EXPECT_FALSE(w.FormCreate());
        EXPECT_FALSE(w.isVisible());
    }
    ASSERT_EQ(env.boxes.Count(), 1); // no question about the old folder
    EXPECT_EQ(env.boxes.AskedSoFar()[0].text, u("Программа VELT уже запущенна!\nДопускается запуск только одного экземпляра."));
    EXPECT_EQ(env.boxes.AskedSoFar()[0].caption, u("Предупреждение!"));
    EXPECT_EQ(env.boxes.AskedSoFar()[0].flags, MB_OK | MB_ICONWARNING);
    EXPECT_EQ(made, 0);
    EXPECT_TRUE(QFileInfo(env.app + "/DATABASE").isDir());
    EXPECT_EQ(testutil::readFile(env.work + "/VELT.dat"), dat);
    const QStringList log = env.log();
    EXPECT_EQ(log.mid(log.indexOf(u("Определяем запущенно ли уже данное приложение...")) + 1), kDestroyLog);
    // The running instance keeps its lock.
    EXPECT_TRUE(first.Held());
    EXPECT_EQ(sys::TInstanceLock("VOVI_DEROVIVA_ZUD_UZER").Acquire(), sys::TInstanceLock::Result::AlreadyExists);
}

TEST(MainForm, CancelledLoginEndsCleanly)
{
    Env env;
    int made = 0;
    {
        TfmMain w(env.app, env.options(&made));
        cancelLogin();
        EXPECT_FALSE(w.FormCreate());
        EXPECT_FALSE(w.isVisible());
    }
    EXPECT_EQ(made, 0);
    const QStringList log = env.log();
    EXPECT_EQ(log.mid(log.indexOf(u("Запрос Логина-Пароля...")) + 1), kDestroyLog);
    // The store is saved as it was.
    TProgParam back;
    EXPECT_EQ(back.LoadFromFile(env.work + "/VELT.dat"), 0);
    EXPECT_EQ(back.GetOperList().size(), 2);
    EXPECT_EQ(sys::TInstanceLock("VOVI_DEROVIVA_ZUD_UZER").Acquire(), sys::TInstanceLock::Result::Acquired);
}

TEST(MainForm, AnErrorDuringStartUpIsShownAndEndsTheProgram)
{
    Env env;
    TfmMain::Options o = env.options();
    o.ControllerFactory = [](int) -> std::unique_ptr<TJournalController> { throw std::runtime_error("no journal here"); };
    {
        TfmMain w(env.app, o);
        login("1111");
        EXPECT_FALSE(w.FormCreate());
        EXPECT_FALSE(w.isVisible());
    }
    ASSERT_EQ(env.boxes.Count(), 1);
    EXPECT_EQ(env.boxes.AskedSoFar()[0].text, u("no journal here\n\nПрограмма будет закрыта."));
    EXPECT_EQ(env.boxes.AskedSoFar()[0].caption, "VELT");
    EXPECT_EQ(env.boxes.AskedSoFar()[0].icon(), MB_ICONERROR);
    const QStringList log = env.log();
    EXPECT_TRUE(log.contains("Create - exception: no journal here"));
    EXPECT_FALSE(log.contains("Create - OK"));
    EXPECT_EQ(inOrder(kDestroyLog, log.mid(log.indexOf("Create - exception: no journal here"))), kDestroyLog);
    EXPECT_EQ(sys::TInstanceLock("VOVI_DEROVIVA_ZUD_UZER").Acquire(), sys::TInstanceLock::Result::Acquired);
}

TEST(MainForm, SettingsNeverReadAreNeverWritten)
{
    // The journal cannot be opened (a table held by another program, say): start-up ends before the
    // journal read its settings, so writing them would put its defaults over the user's.
    Env env;
    Recorder::onInitJournal = [] { throw std::runtime_error("Base.DBF is locked"); };
    const rtl::TScopeGuard reset([] { Recorder::onInitJournal = nullptr; });
    {
        TfmMain w(env.app, env.options());
        login("1111");
        EXPECT_FALSE(w.FormCreate());
    }
    EXPECT_EQ(env.calls, (QStringList{"SetDirs", u("SetOperator ОПЕРАТОР"), "InitJournal", "~"}));
    ASSERT_EQ(env.boxes.Count(), 1);
    EXPECT_EQ(env.boxes.AskedSoFar()[0].text, u("Base.DBF is locked\n\nПрограмма будет закрыта."));
    const QStringList log = env.log();
    EXPECT_EQ(inOrder(kDestroyLog, log), kDestroyLog);
}

TEST(MainForm, UnknownApplicationTypeIsRefused)
{
    Env env;
    env.ini().WriteString("Methods", "AppType", "Default");
    int made = 0;
    {
        TfmMain w(env.app, env.options(&made));
        EXPECT_FALSE(w.FormCreate());
    }
    ASSERT_EQ(env.boxes.Count(), 1);
    EXPECT_EQ(env.boxes.AskedSoFar()[0].text, u("Неизвестный тип приложения в файле настроек VELT.ini: AppType=Default"));
    EXPECT_EQ(made, 0);
    EXPECT_EQ(TfmMain::AppTypeCode("default"), 1);
    EXPECT_EQ(TfmMain::AppTypeCode("medic"), 2);
    EXPECT_EQ(TfmMain::AppTypeCode("police"), 3);
    EXPECT_EQ(TfmMain::AppTypeCode("default_mp"), 100);
}

TEST(MainForm, OldFoldersAreOfferedBothFirstThenMoved)
{
    Env env;
    QDir().mkpath(env.app + "/DATABASE");
    testutil::writeFile(env.app + "/DATABASE/Base.DBF", "old table");
    QDir().mkpath(env.app + "/PHOTOS");
    testutil::writeFile(env.app + "/PHOTOS/a.jpg", "photo");
    QDir().mkpath(env.work + "/PHOTOS");
    testutil::writeFile(env.work + "/PHOTOS/a.jpg", "newer photo"); // a clash: that move fails
    env.boxes.Answer(IDYES);
    env.boxes.Answer(IDYES);
    env.boxes.Answer(IDOK);
    env.boxes.Answer(IDOK); // the moved "table" is no table at all: told, and the program ends
    {
        TfmMain w(env.app, env.options());
        EXPECT_FALSE(w.FormCreate());
    }
    const auto asked = env.boxes.AskedSoFar();
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[3].caption, u("Ошибка!"));
    EXPECT_TRUE(asked[3].text.contains(u("повреждён"))) << asked[3].text.toStdString();
    EXPECT_EQ(asked[0].text, u("Во время запуска программа обнаружила по пути [%1] директорию Базы Данных. \nЭто месторасположение является устаревшим. \n"
                               "Если вы хотите использовать информацию из старой версии программы, необходимо переместить содержимое директории на новое место: [%2].\n"
                               "Сделать это сейчас?").arg(env.app + "/DATABASE", env.work));
    EXPECT_EQ(asked[0].caption, u("Внимание!"));
    EXPECT_EQ(asked[0].flags, MB_YESNO | MB_ICONQUESTION);
    EXPECT_TRUE(asked[1].text.contains(u("директорию с файлами фотографий")));
    EXPECT_EQ(asked[2].text, u("Не удалось переместить папку с файлами фотографий программы: из %1 в %2").arg(env.app + "/PHOTOS", env.work));
    EXPECT_EQ(asked[2].caption, u("Ошибка!"));
    EXPECT_EQ(testutil::readFile(env.work + "/DATABASE/Base.DBF"), "old table");
    EXPECT_FALSE(QFileInfo::exists(env.app + "/DATABASE"));
    EXPECT_EQ(testutil::readFile(env.work + "/PHOTOS/a.jpg"), "newer photo");
    EXPECT_EQ(testutil::readFile(env.app + "/PHOTOS/a.jpg"), "photo");
    const QStringList log = env.log();
    EXPECT_TRUE(log.contains(u("Во время запуска программы обнаружили папку с БД от прошлой версии (и пользователь дал согласие) - перемещаем в рабочую директорию...")));
}

TEST(MainForm, KeysAndMenusReachTheFacadeOnce)
{
    Env env;
    TfmMain w(env.app, env.options());
    ASSERT_TRUE(env.start(w));
    QWidget* focus = w.Panel3;

    struct Case {
        const char* what;
        std::function<void()> act;
        QStringList calls;
    };
    const Case cases[] = {
        {"Ins", [&] { press(focus, Qt::Key_Insert); }, {"NewAct"}},
        {"Enter", [&] { press(focus, Qt::Key_Return); }, {"OpenAct"}},
        {"Enter, edit disabled", [&] { w.dUpdate->setEnabled(false); press(focus, Qt::Key_Return); w.dUpdate->setEnabled(true); }, {}},
        {"Del", [&] { press(focus, Qt::Key_Delete); }, {}},
        {"F5", [&] { press(focus, Qt::Key_F5); }, {"ShowAll"}},
        {"F6", [&] { press(focus, Qt::Key_F6); }, {"ShowToday"}},
        {"F7", [&] { press(focus, Qt::Key_F7); }, {"ShowFilterDialog"}},
        {"F8", [&] { press(focus, Qt::Key_F8); }, {"ShowJournalReport"}},
        {"other key", [&] { press(focus, Qt::Key_A); }, {}},
        {"nNew", [&] { w.nNew->trigger(); }, {"NewAct"}},
        {"nNew, button disabled", [&] { w.bNew->setEnabled(false); w.nNew->trigger(); press(focus, Qt::Key_Insert); w.bNew->setEnabled(true); }, {}},
        {"nUpdate", [&] { w.nUpdate->trigger(); }, {"OpenAct"}},
        {"nDelete", [&] { w.nDelete->trigger(); }, {}},
        {"nBase", [&] { w.nBase->trigger(); }, {"ShowAll"}},
        {"nToday", [&] { w.nToday->trigger(); }, {"ShowToday"}},
        {"nFiltr", [&] { w.nFiltr->trigger(); }, {"ShowFilterDialog"}},
        {"nPrint", [&] { w.nPrint->trigger(); }, {"ShowJournalReport"}},
        {"N2", [&] { w.N2->trigger(); }, {"ShowConsReport"}},
        {"buttons", [&] { w.bNew->click(); w.dUpdate->click(); w.bBase->click(); w.bToday->click(); w.bFiltr->click(); },
         {"NewAct", "OpenAct", "ShowAll", "ShowToday", "ShowFilterDialog"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        env.calls.clear();
        c.act();
        EXPECT_EQ(env.calls, c.calls);
    }
    EXPECT_EQ(env.boxes.Count(), 0);

    // Reading the current instrument's memory goes to the manager (no source here: it says so), and the
    // button comes back enabled.
    env.calls.clear();
    w.nLoadBasePribor->trigger();
    EXPECT_TRUE(w.bLoadBasePribor->isEnabled());
    ASSERT_EQ(env.boxes.Count(), 1);
    EXPECT_TRUE(env.boxes.AskedSoFar()[0].text.startsWith(u("Не могу выполнить команду!")));
    EXPECT_TRUE(env.calls.isEmpty());

    // The sources window of the manager.
    env.dialogs.Then([](QDialog& d) { d.close(); });
    w.nShowManager->trigger();
    EXPECT_TRUE(env.calls.isEmpty());
    w.FormDestroy();
}

TEST(MainForm, KeysOfTheMenuBarAreTheMenuBars)
{
    // Alt puts the menu bar into keyboard navigation: Enter opens the chosen menu and Esc leaves the
    // bar; neither is the window's edit or close key then.
    Env env;
    TfmMain w(env.app, env.options());
    ASSERT_TRUE(env.start(w));
    QApplication::setActiveWindow(&w);
    w.DBGrid->setFocus();
    env.calls.clear();
    const auto alt = [&] {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        QCoreApplication::sendEvent(w.DBGrid, &down);
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
        QCoreApplication::sendEvent(w.DBGrid, &up);
        return w.menuBar()->hasFocus();
    };
    ASSERT_TRUE(alt());
    press(w.menuBar(), Qt::Key_Return);
    EXPECT_EQ(env.calls, QStringList());
    QWidget* popup = QApplication::activePopupWidget();
    EXPECT_EQ(popup, w.nEdit);
    if (popup)
        popup->close();
    w.DBGrid->setFocus();
    ASSERT_TRUE(alt());
    press(w.menuBar(), Qt::Key_Escape);
    EXPECT_EQ(env.boxes.Count(), 0);
    EXPECT_EQ(env.terminated, 0);
    w.FormDestroy();
}

TEST(MainForm, ClosingAsksOnceByEveryRoad)
{
    Env env;
    TfmMain w(env.app, env.options());
    ASSERT_TRUE(env.start(w));
    const std::function<void()> roads[] = {
        [&] { w.close(); },
        [&] { press(w.Panel3, Qt::Key_Escape); },
        [&] { w.nExit->trigger(); },
    };
    for (const auto& road : roads) {
        env.boxes.Clear();
        env.boxes.Answer(IDNO);
        road();
        ASSERT_EQ(env.boxes.Count(), 1);
        EXPECT_EQ(env.boxes.AskedSoFar()[0].text, u("Вы действительно хотите закрыть программу?"));
        EXPECT_EQ(env.boxes.AskedSoFar()[0].caption, u("Внимание!"));
        EXPECT_EQ(env.boxes.AskedSoFar()[0].flags, MB_YESNO | MB_ICONQUESTION);
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(env.terminated, 0);
    }
    env.boxes.Answer(IDYES);
    w.close();
    EXPECT_EQ(env.terminated, 1);
    w.FormDestroy();
}

TEST(MainForm, WindowStateIsKeptBetweenRuns)
{
    Env env;
    {
        TfmMain w(env.app, env.options());
        ASSERT_TRUE(env.start(w));
        EXPECT_FALSE(w.isMaximized());
        w.showMaximized();
    }
    EXPECT_EQ(env.ini().ReadString("WindowState", "wsMaximized", "?"), "1");
    TfmMain w(env.app, env.options());
    ASSERT_TRUE(env.start(w));
    EXPECT_TRUE(w.isMaximized());
}

TEST(MainForm, ChangeOfOperatorAndTheEditor)
{
    Env env;
    TfmMain w(env.app, env.options());
    ASSERT_TRUE(env.start(w));
    env.calls.clear();

    cancelLogin();
    w.nChangeOper->trigger();
    EXPECT_EQ(w.OperatorName, u("ОПЕРАТОР"));
    EXPECT_TRUE(env.calls.isEmpty());

    login("2", "ВТОРОЙ");
    w.nChangeOper->trigger();
    EXPECT_EQ(w.OperatorName, u("ВТОРОЙ"));
    EXPECT_EQ(w.StatusPanels[0]->text(), u(" Оператор: ВТОРОЙ"));
    EXPECT_EQ(env.calls, QStringList{u("SetOperator ВТОРОЙ")});
    EXPECT_TRUE(env.log().contains(u("Вибран оператор: был 'ОПЕРАТОР', стал 'ВТОРОЙ'")));

    // The editor works on the store of the window, with the current operator.
    env.dialogs.Then([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), u("Редактирование Операторов"));
        d.close();
    });
    w.N1->trigger();
    w.FormDestroy();
}

TEST(MainForm, DeliveredWorkFolderLetsTheOperatorIn)
{
    TempDir dir;
    const QString script = QStringLiteral(VELT_TEST_SOURCE_DIR "/../../scripts/prepare-workdir.sh");
    ASSERT_EQ(QProcess::execute("bash", {script, dir.path()}), 0);
    TScriptedMessageBoxPort boxes;
    TProgParam store;
    ASSERT_EQ(store.LoadFromFile(dir.file("MyDocuments/VELT.dat")), 0);
    EXPECT_EQ(store.CheckOper(u("ОПЕРАТОР"), "1111"), 0);
    EXPECT_EQ(QFileInfo(dir.file("MyDocuments/VELT.dat")).permissions() & (QFile::ReadOther | QFile::ReadGroup), QFileDevice::Permissions());
    rtl::TIniFile ini(dir.file("MyDocuments/VELT.ini"));
    EXPECT_EQ(ini.ReadString("Methods", "AppType", "?"), "default_mp");
    EXPECT_TRUE(QFileInfo(dir.file("MyDocuments/DATABASE")).isDir());
    EXPECT_EQ(QFileInfo(dir.file("MyDocuments")).permissions() & (QFile::ReadOther | QFile::ReadGroup), QFileDevice::Permissions());
    // A second preparation keeps what is there.
    store.AddOper("X", "1");
    store.SaveToFile(dir.file("MyDocuments/VELT.dat"));
    ASSERT_EQ(QProcess::execute("bash", {script, dir.path()}), 0);
    TProgParam again;
    again.LoadFromFile(dir.file("MyDocuments/VELT.dat"));
    EXPECT_EQ(again.GetOperList().size(), 2);
}


namespace {

// Makes DATABASE/Base.DBF of the work folder from a journal schema.
void makeJournal(const QString& work, db::Schema schema)
{
    TADOConnection connection;
    connection.SetConnectionString("FILE NAME=" + work + "/connect.udl");
    connection.Open();
    TADOQuery query(&connection);
    query.SetSQL(db::CreateTableText(schema));
    query.ExecSQL();
}

// Makes DATABASE/Base.DBF with the columns a journal generation is known by (typed by their names) and
// the rows of the INSERT texts.
void makeGeneration(const QString& work, int generation, const QStringList& inserts)
{
    QStringList columns;
    for (const QString& name : db::GenerationNames(generation)) {
        const bool number = name == "ID" || name == "PRIBOR" || name == "NUM_VIDOH";
        columns << name + (number ? " INTEGER" : name == "IZM" ? " FLOAT" : name == "STAT" || name == "PAGE_FOOT" ? " CHAR(1)" : " CHAR(30)");
    }
    TADOConnection connection;
    connection.SetConnectionString("FILE NAME=" + work + "/connect.udl");
    connection.Open();
    TADOQuery query(&connection);
    query.SetSQL("CREATE TABLE Base(" + columns.join(", ") + ")");
    query.ExecSQL();
    for (const QString& insert : inserts) {
        query.SetSQL(insert);
        query.ExecSQL();
    }
}

TVELTMeasurement measurement(int i)
{
    TVELTMeasurement m;
    std::memset(&m, 0, sizeof m);
    m.SerialNumber = 812;
    m.Probe.Timestamp = rtl::EncodeDateTime(2024, 3, 1, 10, 0, i, 0);
    m.Probe.AlcResult = 0.01 * i;
    m.Probe.nMeasure = uint32_t(i);
    m.Probe.RecordType = 1;
    m.ModelCode = 10;
    m.DeviceType = 3;
    return m;
}

} // namespace

TEST(MainForm, JournalGenerationDecidesWhetherToGoOn)
{
    {
        // An older table: the conversion is offered; declining it ends the program before the login.
        Env env;
        makeJournal(env.work, db::Schema::Default);
        env.boxes.Answer(IDNO);
        int made = 0;
        {
            TfmMain w(env.app, env.options(&made));
            EXPECT_FALSE(w.FormCreate());
        }
        ASSERT_EQ(env.boxes.Count(), 1);
        EXPECT_EQ(env.boxes.AskedSoFar()[0].text, u("Обнаруженная БД использует устаревший формат хранения данных!\nДля работы программы её нужно конвертировать.\nНачать конвертацию?"));
        EXPECT_EQ(env.boxes.AskedSoFar()[0].caption, u("VELT. Внимание!"));
        EXPECT_EQ(env.boxes.AskedSoFar()[0].flags, MB_YESNO | MB_ICONWARNING);
        EXPECT_TRUE(env.log().contains(u("Проверка типа БД - Обнаруженная БД использует устаревший формат хранения данных [c7,3i]")));
        EXPECT_FALSE(env.log().contains(u("Запрос Логина-Пароля...")));
        EXPECT_EQ(made, 0);
    }
    {
        // A table newer than the type needs that holds every column the journal files into: a warning,
        // start-up goes on, and measurements are filed.
        Env env;
        env.ini().WriteString("Methods", "AppType", "default");
        makeGeneration(env.work, 4, {});
        env.boxes.Answer(IDOK);
        env.boxes.Answer(IDCANCEL);
        login("1111");
        TfmMain w(env.app, env.programsJournal());
        EXPECT_TRUE(w.FormCreate());
        ASSERT_GE(env.boxes.Count(), 1);
        EXPECT_EQ(env.boxes.AskedSoFar()[0].text, u("Найденная БД имеет Неизвестную структуру.\nОна либо повреждена либо имеет новый формат. Возможно стоит обновить Программу..."));
        EXPECT_EQ(env.boxes.AskedSoFar()[0].flags, MB_OK | MB_ICONWARNING);
        const int required = db::RequiredGeneration(1);
        EXPECT_TRUE(env.log().contains(u("Проверка типа БД - Найденная БД имеет Неизвестную структуру/ Она либо повреждена либо имеет новый формат [c%1,4i]").arg(required)));
        const TVELTMeasurement m = measurement(3);
        w.Interface->OnMeasurements(&m, 0);
        EXPECT_TRUE(w.Interface->LastRecordFiled());
        EXPECT_EQ(w.StatusPanels[3]->text(), u("Всего записей: 1"));
        w.FormDestroy();
    }
    {
        // The type's own table: nothing asked.
        Env env;
        makeJournal(env.work, db::Schema::DefaultMp);
        TfmMain w(env.app, env.options());
        EXPECT_TRUE(env.start(w));
        EXPECT_FALSE(env.log().join("\n").contains("[c7,"));
    }
}

namespace {

void insertRows(const QString& work, int n)
{
    TADOConnection connection;
    connection.SetConnectionString("FILE NAME=" + work + "/connect.udl");
    connection.Open();
    TADOQuery query(&connection);
    for (int i = 1; i <= n; ++i) {
        query.SetSQL(QStringLiteral("INSERT INTO Base (ID, PRIBOR, DATA_IZM, IZM) VALUES (%1, 5, '2024.01.0%1 03:04:05', 0.1)").arg(i));
        query.ExecSQL();
    }
}

void wheel(QWidget* w, int delta)
{
    QWheelEvent e(QPointF(20, 40), w->mapToGlobal(QPointF(20, 40)), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &e);
}

} // namespace

TEST(MainForm, OlderJournalIsConvertedOrPutBackAtStartUp)
{
    {
        // Agreed to: the "default" journal becomes the photo journal, and start-up goes on to the login.
        Env env;
        makeJournal(env.work, db::Schema::Default);
        TADOConnection connection;
        connection.SetConnectionString("FILE NAME=" + env.work + "/connect.udl");
        connection.Open();
        TADOQuery insert(&connection);
        insert.SetSQL("INSERT INTO Base (ID, PRIBOR, DATA_IZM, IZM, STAT, NUM_VIDOH, PAGE_FOOT) VALUES (1, 5, '2009.01.02 03:04:05', 0.25, '1', 7, '1')");
        insert.ExecSQL();
        connection.Close();
        const QByteArray old = testutil::readFile(env.work + "/DATABASE/Base.DBF");
        env.boxes.Answer(IDYES);
        env.boxes.Answer(IDOK);
        env.boxes.Answer(IDCANCEL);
        login("1111");
        TfmMain w(env.app, env.options());
        EXPECT_TRUE(w.FormCreate()) << env.log().join("\n").toStdString();
        ASSERT_GE(env.boxes.Count(), 2);
        EXPECT_EQ(env.boxes.AskedSoFar()[1].text, u("Конвертация Базы Данных успешно завершена!"));
        EXPECT_EQ(testutil::readFile(env.work + "/DATABASE/oldBASE.DBF"), old);
        TADOQuery q(w.ADOConnection.get());
        q.SetSQL("SELECT * FROM Base");
        q.Open();
        ASSERT_EQ(q.RecordCount(), 1);
        EXPECT_EQ(q.FieldByName("TYPERECORD")->AsInteger(), 2);
        EXPECT_EQ(q.FieldByName("NUM_VIDOH")->AsInteger(), 7);
        q.Close();
        w.FormDestroy();
    }
    {
        // A conversion that a crash cut short: the old journal is put back before anything reads it, and the
        // conversion is offered again.
        Env env;
        makeJournal(env.work, db::Schema::Default);
        const QString db = env.work + "/DATABASE/";
        const QByteArray old = testutil::readFile(db + "Base.DBF");
        QFile::rename(db + "Base.DBF", db + "oldBASE.DBF");
        testutil::writeFile(db + "CONVERT.STATE", "TABLE=Base.DBF\nMEMO=\n");
        testutil::writeFile(db + "Base.DBF", "half a table");
        env.boxes.Answer(IDNO);
        TfmMain w(env.app, env.options());
        EXPECT_FALSE(w.FormCreate());
        ASSERT_EQ(env.boxes.Count(), 1);
        EXPECT_EQ(env.boxes.AskedSoFar()[0].text, u("Обнаруженная БД использует устаревший формат хранения данных!\nДля работы программы её нужно конвертировать.\nНачать конвертацию?"));
        EXPECT_EQ(testutil::readFile(db + "Base.DBF"), old);
        EXPECT_FALSE(QFileInfo::exists(db + "oldBASE.DBF"));
        EXPECT_FALSE(QFileInfo::exists(db + "CONVERT.STATE"));
        EXPECT_TRUE(env.log().contains(u("Конвертация БД была прервана - прежняя БД возвращена")));
    }
}

// A journal either opens and files, or does not open: a table the "default" journal cannot file into is
// converted when it is the generation-6 journal (after a question), and refused, untouched, otherwise.
TEST(MainForm, AJournalThatOpensAcceptsFilings)
{
    const QStringList sixRows = {
        u("INSERT INTO Base (ID, PRIBOR, DATA_IZM, IZM, STAT, NUM_VIDOH, OBSL_FAM, OBSL_NAME, OBSL_PAT, OBSLPLACE, "
          "NUM_AUTO, INSP_FAM, OPER) VALUES (1, 77, '2012.05.06 07:08:09', 0.4567, '1', 12, 'ИВАНОВ', 'ИВАН', "
          "'ИВАНОВИЧ', 'ПОСТ 5', 'А001АА', 'ПЕТРОВ', 'ОПЕРАТОР')"),
        u("INSERT INTO Base (ID, PRIBOR, DATA_IZM, IZM, STAT, NUM_VIDOH) VALUES (2, 77, '2012.05.06 08:00:00', 0, '0', -2147483646)"),
    };
    const QString sixQuestion = u(
        "Обнаруженная БД ведётся в формате, в который журнал этой программы не может записывать измерения.\n"
        "Для работы программы её нужно конвертировать: все записи перейдут в новую БД, а место составления, "
        "номер автомобиля и данные инспектора, которых в журнале этой программы нет, останутся в файле oldBASE.DBF.\n"
        "Начать конвертацию?");
    {
        // Generation 6 under "default", converted: its rows and its event carried, the old file kept whole,
        // and the journal files.
        Env env;
        env.ini().WriteString("Methods", "AppType", "default");
        makeGeneration(env.work, 6, sixRows);
        const QByteArray old = testutil::readFile(env.work + "/DATABASE/Base.DBF");
        env.boxes.Answer(IDYES);
        env.boxes.Answer(IDOK);
        env.boxes.Answer(IDCANCEL);
        login("1111");
        TfmMain w(env.app, env.programsJournal());
        ASSERT_TRUE(w.FormCreate()) << env.log().join("\n").toStdString();
        ASSERT_EQ(env.boxes.Count(), 3);
        EXPECT_EQ(env.boxes.AskedSoFar()[0].text, sixQuestion);
        EXPECT_EQ(env.boxes.AskedSoFar()[0].flags, MB_YESNO | MB_ICONWARNING);
        EXPECT_EQ(env.boxes.AskedSoFar()[1].text, u("Конвертация Базы Данных успешно завершена!"));
        EXPECT_TRUE(env.log().contains(u("Проверка типа БД - Обнаруженная БД использует устаревший формат хранения данных [c3,6i]")));
        EXPECT_EQ(testutil::readFile(env.work + "/DATABASE/oldBASE.DBF"), old);
        EXPECT_EQ(w.StatusPanels[3]->text(), u("Всего записей: 2"));

        const TVELTMeasurement m = measurement(9);
        w.Interface->OnMeasurements(&m, 0);
        EXPECT_TRUE(w.Interface->LastRecordFiled());
        EXPECT_EQ(w.StatusPanels[3]->text(), u("Всего записей: 3"));
        TADOQuery q(w.ADOConnection.get());
        q.SetSQL("SELECT * FROM Base ORDER BY ID");
        q.Open();
        QStringList rows;
        for (; !q.Eof(); q.Next()) {
            QStringList r;
            for (const char* c : {"ID", "PRIBOR", "DATA_IZM", "OBSL_FAM", "OBSL_NAME", "OBSL_PAT", "IZM", "STAT", "OPER", "NUM_VIDOH", "PAGE_FOOT"})
                r << (c == std::string_view("IZM") ? QString::number(q.FieldByName(c)->AsFloat(), 'f', 3) : q.FieldByName(c)->AsString());
            rows << r.join("|");
        }
        q.Close();
        EXPECT_EQ(rows.join("\n"), u("1|77|2012.05.06 07:08:09|ИВАНОВ|ИВАН|ИВАНОВИЧ|0.457|1|ОПЕРАТОР|12|0\n"
                                      "2|77|2012.05.06 08:00:00||||0.000|0||-2147483646|1\n"
                                      "3|812|2024.03.01 10:00:09||||0.090|0||9|0"));
        w.FormDestroy();
    }
    struct Refused {
        const char* what;
        std::function<void(const QString& work)> make;
        int answer; // to the first box
        QString text;
    };
    const Refused refused[] = {
        {"generation 6, conversion declined", [&](const QString& work) { makeGeneration(work, 6, sixRows); }, IDNO, sixQuestion},
        {"the photo journal's table", [](const QString& work) { makeJournal(work, db::Schema::DefaultMp); }, IDOK,
         u("Найденная БД не подходит для журнала этой программы: в ней нет граф PAGE_FOOT, и измерения в неё не могут быть записаны.\n"
           "Возможно, в файле настроек VELT.ini указан не тот тип приложения (AppType=default).\n\n"
           "Программа будет закрыта, файл журнала оставлен как есть.")},
    };
    for (const Refused& c : refused) {
        SCOPED_TRACE(c.what);
        Env env;
        env.ini().WriteString("Methods", "AppType", "default");
        c.make(env.work);
        const auto before = QDir(env.work + "/DATABASE").entryList(QDir::Files);
        const QByteArray table = testutil::readFile(env.work + "/DATABASE/Base.DBF");
        env.boxes.Answer(c.answer);
        int made = 0;
        {
            TfmMain w(env.app, env.options(&made));
            EXPECT_FALSE(w.FormCreate());
        }
        ASSERT_EQ(env.boxes.Count(), 1);
        EXPECT_EQ(env.boxes.AskedSoFar()[0].text, c.text);
        EXPECT_EQ(made, 0);
        EXPECT_EQ(QDir(env.work + "/DATABASE").entryList(QDir::Files), before);
        EXPECT_EQ(testutil::readFile(env.work + "/DATABASE/Base.DBF"), table);
    }
}

TEST(MainForm, OldDatabaseNeverMovesOntoAJournalInTheWorkFolder)
{
    // The work folder already holds a journal; the old folder's table and memo (other letter case, as
    // copied from Windows) must not land beside it, nor its instrument table.
    Env env;
    makeJournal(env.work, db::Schema::DefaultMp);
    const QDir database(env.work + "/DATABASE");
    const QStringList before = database.entryList(QDir::Files);
    QStringList bytes;
    for (const QString& f : before)
        bytes << QString::fromLatin1(testutil::readFile(database.filePath(f)).toHex());
    QDir().mkpath(env.app + "/DATABASE");
    testutil::writeFile(env.app + "/DATABASE/BASE.DBF", "old table");
    testutil::writeFile(env.app + "/DATABASE/BASE.DBT", "old memo");
    testutil::writeFile(env.app + "/DATABASE/INFOPRIB.DBF", "old instruments");
    env.boxes.Answer(IDYES);
    env.boxes.Answer(IDOK);
    env.boxes.Answer(IDCANCEL);
    login("1111");
    {
        TfmMain w(env.app, env.options());
        EXPECT_TRUE(w.FormCreate());
        w.FormDestroy();
    }
    const auto asked = env.boxes.AskedSoFar();
    ASSERT_GE(asked.size(), 2u);
    EXPECT_EQ(asked[1].text, u("Не удалось переместить папку с Базой Данных программы: из %1 в %2").arg(env.app + "/DATABASE", env.work));
    EXPECT_EQ(asked[1].caption, u("Ошибка!"));
    for (const char* f : {"BASE.DBF", "BASE.DBT", "INFOPRIB.DBF"}) {
        SCOPED_TRACE(f);
        EXPECT_TRUE(QFileInfo::exists(env.app + "/DATABASE/" + f));
        EXPECT_FALSE(QFileInfo::exists(database.filePath(f)));
    }
    EXPECT_EQ(testutil::readFile(env.app + "/DATABASE/BASE.DBF"), "old table");
    QStringList after;
    for (const QString& f : before)
        after << QString::fromLatin1(testutil::readFile(database.filePath(f)).toHex());
    EXPECT_EQ(after, bytes);
}

TEST(MainForm, RecordCountAndEditCommandFollowTheJournal)
{
    Env env;
    makeJournal(env.work, db::Schema::DefaultMp);
    insertRows(env.work, 3);
    TfmMain w(env.app, env.options());
    ASSERT_TRUE(env.start(w));
    // Editable everywhere but on the first record.
    Recorder::editable = [&w] { return w.ADOQuery->RecNo() != 1; };

    w.ADOQuery->Open();
    EXPECT_EQ(w.StatusPanels[3]->text(), u("Всего записей: 3"));
    EXPECT_TRUE(w.bDelete->isEnabled());
    EXPECT_FALSE(w.nDelete->isVisible());
    EXPECT_FALSE(w.bDelete->isVisible()); // never shown
    EXPECT_EQ(w.dUpdate->isEnabled(), w.ADOQuery->RecNo() != 1);
    EXPECT_EQ(w.nUpdate->isEnabled(), w.ADOQuery->RecNo() != 1);

    // Whatever moves the record refreshes the edit command: here the mouse wheel over the focused grid.
    QApplication::setActiveWindow(&w);
    w.DBGrid->setFocus();
    ASSERT_TRUE(w.DBGrid->hasFocus());
    w.ADOQuery->First();
    w.ADOQuery->Next();
    ASSERT_EQ(w.ADOQuery->RecNo(), 2);
    EXPECT_TRUE(w.dUpdate->isEnabled());
    wheel(w.DBGrid->viewport(), 120);
    EXPECT_EQ(w.ADOQuery->RecNo(), 1);
    EXPECT_FALSE(w.dUpdate->isEnabled());
    wheel(w.DBGrid->viewport(), -120);
    EXPECT_EQ(w.ADOQuery->RecNo(), 2);
    EXPECT_TRUE(w.dUpdate->isEnabled());
    // Small steps of a touch pad add up to one row.
    for (int i = 0; i < 7; ++i)
        wheel(w.DBGrid->viewport(), -15);
    EXPECT_EQ(w.ADOQuery->RecNo(), 2);
    wheel(w.DBGrid->viewport(), -15);
    EXPECT_EQ(w.ADOQuery->RecNo(), 3);

    // Del, with or without Ctrl, never deletes: the window takes the key before the grid.
    for (auto mods : {Qt::NoModifier, Qt::ControlModifier}) {
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, mods);
        QCoreApplication::sendEvent(w.DBGrid, &del);
    }
    EXPECT_EQ(w.ADOQuery->RecordCount(), 3);
    EXPECT_FALSE(env.calls.contains("DeleteRecords"));

    // Double click edits, only when the edit command is enabled.
    env.calls.clear();
    w.DBGrid->OnDblClick(w.DBGrid);
    w.ADOQuery->First();
    w.DBGrid->OnDblClick(w.DBGrid);
    EXPECT_EQ(env.calls, QStringList{"OpenAct"});

    // An empty journal: nothing to edit or delete.
    w.ADOQuery->Close();
    w.ADOQuery->SetSQL("SELECT * FROM BASE WHERE ID > 100");
    w.ADOQuery->Open();
    EXPECT_EQ(w.StatusPanels[3]->text(), u("Всего записей: 0"));
    EXPECT_FALSE(w.bDelete->isEnabled());
    EXPECT_FALSE(w.dUpdate->isEnabled());
    EXPECT_FALSE(w.nUpdate->isEnabled());
    Recorder::editable = nullptr;
    w.FormDestroy();
}


TEST(MainForm, WithTheProgramsJournal)
{
    Env env;
    TfmMain::Options o = env.programsJournal();
    {
        TfmMain w(env.app, o);
        ASSERT_TRUE(env.start(w));
        // The journal controller made the table and shows the whole journal.
        EXPECT_TRUE(QFileInfo::exists(env.work + "/DATABASE/Base.DBF"));
        EXPECT_TRUE(w.ADOQuery->Active());
        EXPECT_EQ(w.StatusPanels[3]->text(), u("Всего записей: 0"));
        EXPECT_FALSE(w.dUpdate->isEnabled());

        // The settings dialog through the menu, the facade and the journal.
        env.dialogs.Then<TfmSettings>([](TfmSettings* d) {
            d->tbSaveJpegQuality->setValue(4);
            d->cbOnlyForAlkozamok->setChecked(true);
            d->bOK->click();
        });
        w.nSetting->trigger();
        w.FormDestroy();
    }
    EXPECT_EQ(env.boxes.Count(), 0);
    // The journal's settings were written at shut-down.
    EXPECT_EQ(env.ini().ReadInteger("Methods", "JpegQuality", 0), 40);
    EXPECT_TRUE(env.ini().ReadBool("Methods", "ProgUseOnlyForAlkozamok", false));
    EXPECT_TRUE(env.ini().ValueExists("Methods", "Video"));
}

TEST(MainForm, EditStaysOffForTheLengthOfABurst)
{
    // While measurements stream in, the journal disables the edit command; filing a record moves the
    // current record (it is sought and shown), which must not bring the command back mid-burst.
    Env env;
    makeJournal(env.work, db::Schema::DefaultMp);
    insertRows(env.work, 3);
    TfmMain::Options o = env.programsJournal();
    TfmMain w(env.app, o);
    ASSERT_TRUE(env.start(w));
    ASSERT_TRUE(w.dUpdate->isEnabled());
    w.Interface->BeginBurst();
    w.ADOQuery->Close();
    w.ADOQuery->Open();
    ASSERT_FALSE(w.dUpdate->isEnabled());
    w.ADOQuery->First();
    w.ADOQuery->Last();
    EXPECT_FALSE(w.dUpdate->isEnabled());
    // The end of the burst gives it back.
    w.Interface->EndBurst();
    w.ADOQuery->Close();
    w.ADOQuery->Open();
    EXPECT_TRUE(w.dUpdate->isEnabled());
    w.ADOQuery->First();
    EXPECT_TRUE(w.dUpdate->isEnabled());
    w.FormDestroy();
}

TEST(MainForm, ScreenshotForAPerson)
{
    Env env;
    makeJournal(env.work, db::Schema::DefaultMp);
    insertRows(env.work, 3);
    TfmMain::Options o = env.programsJournal();
    TfmMain w(env.app, o);
    ASSERT_TRUE(env.start(w));
    const QImage shot = w.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(1049, 668));
    const QString out = QStringLiteral(VELT_BINARY_DIR "/screenshots/main-window.png");
    QDir().mkpath(QFileInfo(out).path());
    EXPECT_TRUE(shot.save(out));
    w.FormDestroy();
}

TEST(MainForm, AJournalThatCannotBeUsedIsToldAndNeverWritten)
{
    struct Case {
        const char* what;
        std::function<void(const QString& base)> spoil;
        const char* caption;
        QStringList textParts;
        const char* logged; // the data layer's own words: in the log, never in the box
    };
    const Case cases[] = {
        {"record length that disagrees with the fields",
         [](const QString& base) {
             QByteArray b = testutil::readFile(base);
             b[10] = char(0xFF);
             b[11] = char(0xFF);
             testutil::writeFile(base, b);
         },
         "Ошибка!", {u("повреждён"), u("оставлен как есть")}, "records of"},
        {"count that leaves records uncounted",
         [](const QString& base) {
             QByteArray b = testutil::readFile(base);
             b[4] = 0;
             testutil::writeFile(base, b);
         },
         "Ошибка!", {u("повреждён: его заголовок не согласуется с содержимым")}, "more bytes after them"},
        {"a folder where the file should be",
         [](const QString& base) {
             QFile::remove(base);
             QDir().mkpath(base);
         },
         "Ошибка!", {u("Не удаётся открыть файл журнала"), u(": на месте файла журнала находится папка.")}, "Is a directory"},
        {"a damaged name that would make it look older",
         [](const QString& base) {
             QByteArray b = testutil::readFile(base);
             b.replace("INSP_NUMB", "INSP_NUMC");
             testutil::writeFile(base, b);
         },
         "VELT. Внимание!", {u("Найденная БД имеет Неизвестную структуру."), u("оставлен как есть")}, nullptr},
        {"columns of no generation",
         [](const QString& base) {
             QFile::remove(base);
             QFile::remove(QString(base).replace(".DBF", ".DBT"));
             dbf::Table::create(base, {{"A", 'N', 5, 0}, {"B", 'C', 10, 0}});
         },
         "VELT. Внимание!", {u("Найденная БД имеет Неизвестную структуру."), u("оставлен как есть")}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Env env;
        makeJournal(env.work, db::Schema::DefaultMp);
        insertRows(env.work, 3);
        const QString base = env.work + "/DATABASE/Base.DBF";
        c.spoil(base);
        const QByteArray before = QFileInfo(base).isFile() ? testutil::readFile(base) : QByteArray();
        int made = 0;
        {
            TfmMain w(env.app, env.options(&made));
            EXPECT_FALSE(w.FormCreate());
            EXPECT_FALSE(w.isVisible());
        }
        // Told once, never offered a conversion, no login, nothing written.
        ASSERT_EQ(env.boxes.Count(), 1);
        EXPECT_EQ(env.boxes.AskedSoFar()[0].caption, u(c.caption));
        for (const QString& part : c.textParts)
            EXPECT_TRUE(env.boxes.AskedSoFar()[0].text.contains(part)) << env.boxes.AskedSoFar()[0].text.toStdString();
        if (c.logged) {
            EXPECT_FALSE(env.boxes.AskedSoFar()[0].text.contains(c.logged)) << env.boxes.AskedSoFar()[0].text.toStdString();
            EXPECT_TRUE(env.log().join("\n").contains(c.logged));
        }
        EXPECT_FALSE(env.log().contains(u("Запрос Логина-Пароля...")));
        EXPECT_EQ(made, 0);
        if (!before.isEmpty())
            EXPECT_EQ(testutil::readFile(base), before);
    }
    {
        // Held by another program: told why.
        Env env;
        makeJournal(env.work, db::Schema::DefaultMp);
        dbf::LockedFile other(env.work + "/DATABASE/Base.DBF", dbf::LockedFile::Mode::OpenExisting);
        TfmMain w(env.app, env.options());
        EXPECT_FALSE(w.FormCreate());
        ASSERT_EQ(env.boxes.Count(), 1);
        EXPECT_TRUE(env.boxes.AskedSoFar()[0].text.contains(u(": файл журнала открыт другой программой."))) << env.boxes.AskedSoFar()[0].text.toStdString();
        EXPECT_TRUE(env.log().join("\n").contains("in use by another program"));
    }
}

// The "default" journal can be read at any window size: every column shows its title and the texts its rows
// paint whole (by the fonts they are drawn in), the grid fills its width, and no command that would do nothing
// (the consolidated report) is offered.
TEST(MainForm, TheDefaultJournalShowsItsTitlesAndValuesWholeAtTheWindowsSize)
{
    Env env;
    env.ini().WriteString("Methods", "AppType", "default");
    makeJournal(env.work, db::Schema::Default);
    {
        TADOConnection connection;
        connection.SetConnectionString("FILE NAME=" + env.work + "/connect.udl");
        connection.Open();
        TADOQuery insert(&connection);
        insert.SetSQL(u("INSERT INTO Base (ID, PRIBOR, DATA_IZM, OBSL_FAM, OBSL_NAME, OBSL_PAT, IZM, STAT, OPER, NUM_VIDOH, PAGE_FOOT) "
                        "VALUES (1, 4321, '2012.05.06 07:08:09', 'КОНСТАНТИНОПОЛЬСКИЙ', 'АЛЕКСАНДРА', 'ВИКТОРОВНА', 1.234, '1', 'ПЕТРОВ', 123456, '0')"));
        insert.ExecSQL();
        for (int code = 0; code < 6; ++code) {
            insert.SetSQL(QStringLiteral("INSERT INTO Base (ID, PRIBOR, DATA_IZM, IZM, STAT, NUM_VIDOH, PAGE_FOOT) "
                                         "VALUES (%1, 4321, '2012.05.06 08:0%2:00', 0, '0', %3, '1')")
                              .arg(code + 2).arg(code).arg(-2147483647 + code));
            insert.ExecSQL();
        }
    }
    TfmMain w(env.app, env.programsJournal());
    ASSERT_TRUE(env.start(w));
    EXPECT_FALSE(w.N2->isVisible());
    TDBGridEx& grid = *w.DBGrid;
    TDataSet& view = *grid.DataLink()->DataSet();
    for (const int width : {1049, 1600}) {
        SCOPED_TRACE(width);
        w.resize(width, 668);
        QCoreApplication::processEvents();
        const QFontMetrics cell(grid.Font().ToQFont());
        int used = grid.ColWidths(0) + 1;
        for (int c = 0; c < grid.Columns().Count(); ++c) {
            SCOPED_TRACE(c);
            TColumnEx* column = grid.Columns().GetColumn(c);
            const int w = grid.ColWidths(c + 1);
            used += w + 1;
            EXPECT_LE(QFontMetrics(column->Title().GetFont().ToQFont()).horizontalAdvance(column->Title().Caption()), w);
            for (view.First(); !view.Eof(); view.Next()) {
                if (c == 1 && width < 1600)
                    continue; // the names take what the window leaves
                const TCellLook look = DefaultCellLook(TDataSetRow(view), c, false);
                int right = 0, left = 0;
                for (const TCellLook::Piece& p : look.Pieces)
                    (p.Right ? right : left) = std::max(p.Right ? right : left, cell.horizontalAdvance(p.Text));
                if (c == 0)
                    left = cell.horizontalAdvance(view.FieldByName("DATA_IZM")->AsString());
                EXPECT_LE(right, 30) << "a value drawn from 30 pixels left of the edge";
                EXPECT_LE(2 + left + (right ? 30 : 0), w);
            }
        }
        EXPECT_EQ(used, grid.ClientWidth());
    }
    w.FormDestroy();

    // The photo journal has its consolidated report.
    Env mp;
    TfmMain m(mp.app, mp.programsJournal());
    ASSERT_TRUE(mp.start(m));
    EXPECT_TRUE(m.N2->isVisible());
    m.FormDestroy();
}

// The photo journal's memo file with photos in it, and no table: a new journal is never made over it, and
// the operator is told in Russian at each start (not the data layer's refusal with its CREATE statement).
TEST(MainForm, APhotoFileWithoutItsJournalIsToldAtEachStartAndKept)
{
    Env env;
    makeJournal(env.work, db::Schema::DefaultMp);
    const QString base = env.work + "/DATABASE/Base.DBF", memo = env.work + "/DATABASE/Base.DBT";
    {
        auto table = dbf::Table::open(base);
        std::vector<QVariant> row(table->columns().size());
        row[0] = 1;
        row[size_t(table->columnIndex("OBSL_PHOTO"))] = QByteArray("\xFF\xD8 a photo \xFF\xD9");
        table->append(row);
    }
    ASSERT_TRUE(QFile::remove(base));
    const QByteArray photos = testutil::readFile(memo);
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start);
        env.boxes.Clear();
        {
            TfmMain w(env.app, env.options());
            EXPECT_FALSE(w.FormCreate());
        }
        ASSERT_EQ(env.boxes.Count(), 1);
        EXPECT_EQ(env.boxes.AskedSoFar()[0].text,
                  u("В папке журнала есть файл фотографий журнала %1, но нет самого журнала %2.\n"
                    "Программа не создаёт новый журнал поверх этого файла, чтобы фотографии не пропали: верните файл "
                    "журнала на место или перенесите файл фотографий в другую папку.\n\nПрограмма будет закрыта.")
                      .arg(memo, base));
        EXPECT_EQ(testutil::readFile(memo), photos);
        EXPECT_FALSE(QFileInfo::exists(base));
    }
}

// A command whose data layer fails tells the operator in Russian; the English and the statement go to the log.
TEST(MainForm, ACommandsDataErrorIsToldInRussianAndLoggedWhole)
{
    Env env;
    TfmMain w(env.app, env.options());
    ASSERT_TRUE(env.start(w));
    Recorder::onShowAll = [] {
        throw EDatabaseError("cannot read /x/DATABASE/Base.DBF: " + QString::fromLocal8Bit(std::strerror(EIO)) +
                             ". Statement: SELECT * FROM Base ORDER BY DATA_IZM");
    };
    QTest::keyClick(w.DBGrid, Qt::Key_F5);
    Recorder::onShowAll = nullptr;
    ASSERT_EQ(env.boxes.Count(), 1);
    EXPECT_EQ(env.boxes.AskedSoFar()[0].text, u("Не удалось выполнить действие с журналом: ошибка чтения или записи диска.\n"
                                                "Подробности записаны в протокол программы."));
    EXPECT_TRUE(env.log().join("\n").contains("Statement: SELECT * FROM Base ORDER BY DATA_IZM"));
    w.FormDestroy();
}

TEST(MainForm, AJournalCutInsideItsRecordsIsToldThenOpenedWithTheWholeOnes)
{
    Env env;
    makeJournal(env.work, db::Schema::DefaultMp);
    insertRows(env.work, 3);
    const QString base = env.work + "/DATABASE/Base.DBF";
    QByteArray b = testutil::readFile(base);
    testutil::writeFile(base, b.left(b.size() - 100));
    env.boxes.Answer(IDOK);
    env.boxes.Answer(IDCANCEL);
    login("1111");
    TfmMain w(env.app, env.options());
    ASSERT_TRUE(w.FormCreate());
    ASSERT_EQ(env.boxes.Count(), 2);
    EXPECT_EQ(env.boxes.AskedSoFar()[0].text,
              u("Файл журнала %1 обрезан: в нём не хватает записей: 1.\nЖурнал будет открыт с уцелевшими записями: 2.").arg(base));
    EXPECT_EQ(env.boxes.AskedSoFar()[0].caption, u("Внимание!"));
    EXPECT_TRUE(env.log().contains(u("Проверка БД - файл журнала обрезан: не хватает 1 записей, целых записей 2")));
    EXPECT_TRUE(env.log().contains(u("Вход выполнил оператор: 'ОПЕРАТОР'")));
    w.FormDestroy();
}

TEST(MainForm, AWorkFolderThatCannotBeWrittenEndsTheProgramAtOnce)
{
    // A folder not even the superuser can write in.
    TempDir dir;
    QDir().mkpath(dir.file("app"));
    ASSERT_TRUE(QFile::link("/proc/1", dir.file("app/MyDocuments")));
    try {
        TfmMain w(dir.file("app"));
        ADD_FAILURE() << "started";
    } catch (const std::runtime_error& e) {
        const QString text = QString::fromUtf8(e.what());
        EXPECT_TRUE(text.startsWith(u("В рабочую папку %1 нельзя записывать (").arg(dir.file("app/MyDocuments")))) << e.what();
        EXPECT_TRUE(text.endsWith(u("программа не может вести журнал измерений и будет закрыта."))) << e.what();
    }
}

TEST(MainForm, WhatTheProgramKeepsIsItsOwnersOnly)
{
    const mode_t saved = ::umask(022);
    PrivateFilesFromNowOn();
    {
        Env env;
        ::chmod(QFile::encodeName(env.work).constData(), 0755);
        TfmMain w(env.app, env.programsJournal());
        ASSERT_TRUE(env.start(w));
        w.FormDestroy();
        auto mode = [](const QString& path) {
            struct stat st {};
            EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
            return st.st_mode & 0777;
        };
        EXPECT_EQ(mode(env.work), 0700u);
        for (const char* file : {"DATABASE/Base.DBF", "DATABASE/Base.DBT", "DATABASE/InfoPrib.DBF", "VELT.ini", "test_app.log"})
            EXPECT_EQ(mode(env.work + "/" + file), 0600u) << file;
    }
    ::umask(saved);
}


TEST(MainForm, AMeasurementThatCannotBeFiledIsToldOncePerBurstAndLoggedWhole)
{
    Env env;
    makeJournal(env.work, db::Schema::DefaultMp);
    insertRows(env.work, 200);
    TfmMain w(env.app, env.programsJournal());
    ASSERT_TRUE(env.start(w));
    const QString base = env.work + "/DATABASE/Base.DBF";
    const qint64 size = QFileInfo(base).size();
    ASSERT_GT(size, QFileInfo(env.work + "/test_app.log").size() + 20000) << "the log must stay writable";

    // A full disk, played by a file size limit the table is at.
    rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = rlim_t(size + 10);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    auto burst = [&](int first, int n) {
        w.Interface->BeginBurst();
        for (int i = first; i < first + n; ++i) {
            const TVELTMeasurement m = measurement(i);
            w.Interface->OnMeasurements(&m, 0);
        }
        const bool filed = w.Interface->LastRecordFiled();
        QCoreApplication::processEvents();
        w.Interface->EndBurst();
        w.Interface->OnMeasurements(nullptr, 1);
        QCoreApplication::processEvents();
        return filed;
    };
    env.boxes.Answer(IDOK);
    env.boxes.Answer(IDOK);
    EXPECT_FALSE(burst(1, 3));
    EXPECT_EQ(env.boxes.Count(), 1);
    EXPECT_FALSE(burst(10, 2));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    ASSERT_EQ(env.boxes.Count(), 2);
    // In the operator's words; the data layer's text and its statement go to the log only.
    EXPECT_EQ(env.boxes.AskedSoFar()[0].text, TUnfiledNotice::Text(u("файл журнала достиг предельного размера"),
                                                                   u("прибор 0812, 2024.03.01 10:00:01, 0.010 мг/л")));
    EXPECT_EQ(env.boxes.AskedSoFar()[0].caption, u("Ошибка!"));
    EXPECT_EQ(env.boxes.AskedSoFar()[0].icon(), MB_ICONERROR);

    // Each one is in the log whole: its columns and its bytes.
    QStringList unfiled;
    for (const QString& line : env.log())
        if (line.startsWith(u("NewMeasure - error: измерение не записано в журнал (")))
            unfiled << line;
    ASSERT_EQ(unfiled.size(), 5);
    const TVELTMeasurement first = measurement(1);
    EXPECT_TRUE(unfiled[0].contains("PRIBOR=812 DATA_IZM=2024.03.01 10:00:01 NUM_VIDOH=1 IZM=0.010")) << unfiled[0].toStdString();
    EXPECT_TRUE(unfiled[0].endsWith(" record=" + QByteArray(reinterpret_cast<const char*>(&first), sizeof first).toHex()));

    // Room again: the next one is filed, after the 200 that were there.
    EXPECT_TRUE(burst(20, 1));
    EXPECT_EQ(env.boxes.Count(), 2);
    EXPECT_EQ(w.StatusPanels[3]->text(), u("Всего записей: 201"));
    w.FormDestroy();
}

namespace {

// A message box port whose boxes stay open, the event loop running under them as under a real modal box,
// until the test's condition for that box holds.
class HeldBoxes : public TMessageBoxPort {
public:
    HeldBoxes() : previous_(SetMessageBoxPort(this)) {}
    ~HeldBoxes() override { SetMessageBoxPort(previous_); }
    // Whether box `index` (from 0) may be answered now; empty: at once.
    std::function<bool(int index)> until;
    QStringList texts;
    int open = 0, mostOpen = 0;

    int Show(const QString& text, const QString&, unsigned flags) override
    {
        const int index = int(texts.size());
        texts << text;
        mostOpen = std::max(mostOpen, ++open);
        if (until)
            EXPECT_TRUE(testutil::PumpUntil([&] { return until(index); }, 60000)) << "box " << index << " held for ever";
        --open;
        return DefaultResult(flags);
    }

private:
    TMessageBoxPort* previous_;
};

} // namespace

// The real road of a result: pushed by a driver, handed over by the manager, the bursts told by the watchdog.
// A box held open lets the rest of its burst through and is the burst's only box; a burst that fails while it
// is open gets a box of its own once it is answered. The record count beside the grid stays the grid's.
TEST(MainForm, AFailingBurstIsToldOnceHoweverLongItsBoxStaysOpen)
{
    for (const bool mp : {true, false}) {
        SCOPED_TRACE(mp ? "default_mp" : "default");
        Env env;
        if (!mp)
            env.ini().WriteString("Methods", "AppType", "default");
        makeJournal(env.work, mp ? db::Schema::DefaultMp : db::Schema::Default);
        insertRows(env.work, 200);
        TfmMain w(env.app, env.programsJournal());
        ASSERT_TRUE(env.start(w));
        const TStackHooks stack = w.Manager->StackHooks();
        const TControlMeasure& watchdog = *w.Manager->Watchdog();
        auto push = [&](int first, int n) {
            for (int i = first; i < first + n; ++i) {
                const TVELTMeasurement m = measurement(i);
                ASSERT_TRUE(PushMeasurement(stack, &m));
            }
        };
        auto handedOver = [&](uint32_t n) { return stack.Tally->Delivered == n && !watchdog.InBurst(); };
        auto countMatchesGrid = [&] {
            EXPECT_TRUE(w.DBGrid->isEnabled());
            EXPECT_EQ(w.StatusPanels[3]->text(), u("Всего записей: %1").arg(w.DBGrid->DataLink()->DataSet()->RecordCount()));
        };

        // A full disk, played by a file size limit the table is at.
        rlimit saved {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit tight = saved;
        tight.rlim_cur = rlim_t(QFileInfo(env.work + "/DATABASE/Base.DBF").size() + 10);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);

        HeldBoxes boxes;
        bool secondPushed = false;
        boxes.until = [&](int index) {
            if (index > 0)
                return true;
            // The first box stays open over the rest of its burst, the burst's end and a whole second burst.
            if (!secondPushed && handedOver(8)) {
                push(20, 3);
                secondPushed = true;
            }
            return secondPushed && handedOver(11);
        };
        push(1, 8);
        ASSERT_TRUE(testutil::PumpUntil([&] { return handedOver(11) && boxes.open == 0 && boxes.texts.size() == 2; }, 60000))
            << boxes.texts.size();
        EXPECT_EQ(boxes.mostOpen, 1);
        countMatchesGrid();

        // A burst whose box is answered at once, while its results still come: one box again.
        boxes.until = {};
        push(30, 4);
        ASSERT_TRUE(testutil::PumpUntil([&] { return handedOver(15); }, 60000));
        QCoreApplication::processEvents();
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, oldHandler);
        ASSERT_EQ(boxes.texts.size(), 3);
        EXPECT_EQ(boxes.texts[1], TUnfiledNotice::Text(u("файл журнала достиг предельного размера"),
                                                       u("прибор 0812, 2024.03.01 10:00:22, 0.220 мг/л")));
        for (const QString& text : boxes.texts)
            EXPECT_FALSE(text.contains("INSERT") || text.contains("File too large")) << text.toStdString();
        countMatchesGrid();
        int logged = 0;
        for (const QString& line : env.log())
            logged += line.startsWith(u("NewMeasure - error: измерение не записано в журнал (")) ? 1 : 0;
        EXPECT_EQ(logged, 15);

        // Room again: filed, and nothing told.
        push(40, 1);
        ASSERT_TRUE(testutil::PumpUntil([&] { return handedOver(16); }, 60000));
        EXPECT_EQ(stack.Tally->Unfiled, 15u);
        EXPECT_EQ(boxes.texts.size(), 3);
        EXPECT_EQ(w.StatusPanels[3]->text(), u("Всего записей: 201"));
        countMatchesGrid();
        w.FormDestroy();
    }
}
