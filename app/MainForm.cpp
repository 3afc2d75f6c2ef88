#include "app/MainForm.h"

#include "app/EditOperForm.h"
#include "platform/controls/DialogPort.h"
#include "platform/controls/FormFont.h"
#include "app/LoginForm.h"
#include "app/ProgParam.h"
#include "app/WorkFolder.h"
#include "Devices/Manager.h"
#include "core/Debug.h"
#include "app/ConverterDB.h"
#include "db/DBInfoPribors.h"
#include "db/JournalSchemas.h"
#include "grid/ColumnEx.h"
#include "grid/ColumnTitleEx.h"
#include "grid/DBGridColumnsEx.h"
#include "grid/DBGridEx.h"
#include "journal/JournalErrors.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/DbfTable.h"
#include "platform/data/DbtFile.h"
#include "platform/data/DataSource.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/CaseInsensitivePath.h"
#include "platform/rtl/IniFile.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/system/InstanceLock.h"
#include "platform/system/MoveFolder.h"
#include "platform/system/SystemInfo.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QThread>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cerrno>
#include <cstdlib>
#include <exception>

using namespace ctl;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }
QByteArray b(const QString& s) { return s.toUtf8(); }

QFrame* panel(QWidget* parent)
{
    auto* p = new QFrame(parent);
    p->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return p;
}

QPushButton* button(QWidget* parent, const char* caption)
{
    auto* btn = new QPushButton(u(caption), parent);
    btn->setAutoDefault(false);
    btn->setFocusPolicy(Qt::TabFocus);
    btn->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    return btn;
}

// A row of buttons filling a panel of fixed width.
QHBoxLayout* buttonRow(QFrame* p)
{
    auto* row = new QHBoxLayout(p);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(2);
    return row;
}

// Menu item whose shortcut is shown but handled by the window's key handler, so each key acts once.
QAction* item(QMenu* menu, const char* caption, const char* shortcut = nullptr)
{
    QString text = u(caption);
    if (shortcut)
        text += QLatin1Char('\t') + QLatin1String(shortcut);
    return menu->addAction(text);
}

const char* kVeltDat = "VELT.dat";

// Whether a generation has a column of that name. The first generation is known by fragments only: a
// name ending in DATA, or holding one of its other names.
bool ofGeneration(const QString& name, int g)
{
    for (const QString& n : db::GenerationNames(g))
        if (n.endsWith(QLatin1String("\r\n")) ? name.endsWith(n.chopped(2)) : g == 1 ? name.contains(n) : name == n)
            return true;
    return false;
}

// A column that the generation has and no older one.
bool onlyOfGeneration(const QString& name, int generation)
{
    if (!ofGeneration(name, generation))
        return false;
    for (int g = db::kFirstGeneration; g < generation; ++g)
        if (ofGeneration(name, g))
            return false;
    return true;
}

} // namespace

void ShowException(const std::exception& e, bool ending)
{
    QString text = QString::fromUtf8(e.what());
    if (dynamic_cast<const EDatabaseError*>(&e)) {
        const QString reason = SystemReason(e.what());
        text = u("Не удалось выполнить действие с журналом") + (reason.isEmpty() ? QString() : u(": ") + reason)
               + u(".\nПодробности записаны в протокол программы.");
    }
    if (ending)
        text += u("\n\nПрограмма будет закрыта.");
    MessageBox(text, QStringLiteral("VELT"), MB_OK | MB_ICONERROR);
}

TfmMain::TfmMain(const QString& appDir, Options options)
    : options_(std::move(options))
{
    AppDir = QDir::cleanPath(appDir);
    WorkDir = ResolveWorkDir(AppDir, sys::DocumentsFolder());
    // Without a folder to write in, the program would run with no log and lose what it should keep.
    CheckWorkDir(WorkDir);
    // Damage the data layer reads around (a memo pointer past the end) goes to the log.
    dbf::SetWarningHandler([](const QString& text) { Dbg().Print("%s", text.toUtf8().constData()); });
    Dbg().SetBaseName(QDir(WorkDir).filePath(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()));
    Dbg().Print("Construct - OK");

    setObjectName("fmMain");
    ctl::SetFormFont(this);
    resize(1049, 668);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(client);

    Panel1 = panel(client);
    Panel1->setFixedHeight(49);
    auto* top = new QHBoxLayout(Panel1);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    Panel4 = panel(Panel1);
    Panel4->setFixedWidth(248);
    auto* row4 = buttonRow(Panel4);
    row4->addWidget(bBase = button(Panel4, "вся база"));
    row4->addWidget(bToday = button(Panel4, "за сегодня"));
    row4->addWidget(bFiltr = button(Panel4, "фильтр/поиск"));
    Panel6 = panel(Panel1);
    Panel6->setFixedWidth(115);
    buttonRow(Panel6)->addWidget(bLoadBasePribor = button(Panel6, "Загрузить базу"));
    pEditButtom = panel(Panel1);
    pEditButtom->setFixedWidth(250);
    auto* rowE = buttonRow(pEditButtom);
    rowE->addWidget(bNew = button(pEditButtom, "новая запись"));
    rowE->addWidget(dUpdate = button(pEditButtom, "изменить"));
    rowE->addWidget(bDelete = button(pEditButtom, "удалить"));
    top->addWidget(Panel4);
    top->addWidget(Panel6);
    top->addStretch(1);
    top->addWidget(pEditButtom);
    column->addWidget(Panel1);

    pStat = new QLabel(client);
    pStat->setFixedHeight(24);
    pStat->setFrameStyle(QFrame::Panel | QFrame::Raised);
    pStat->setAlignment(Qt::AlignCenter);
    column->addWidget(pStat);

    Panel3 = panel(client);
    Panel3->setFrameStyle(QFrame::NoFrame);
    auto* gridBox = new QVBoxLayout(Panel3);
    gridBox->setContentsMargins(0, 0, 0, 0);
    column->addWidget(Panel3, 1);

    ADOConnection = std::make_unique<TADOConnection>();
    ADOConnection->SetLoginPrompt(false);
    ADOConnection->SetMode(TADOConnection::cmShareExclusive);
    ADOQuery = std::make_unique<TADOQuery>(ADOConnection.get());
    ADOQuery->SetSQL(QStringLiteral("SELECT * FROM BASE"));
    ADOQuery->SetPrepared(true);
    DS = std::make_unique<TDataSource>(ADOQuery.get());
    ADOQueryP = std::make_unique<TADOQuery>(ADOConnection.get());
    DSPoisk_ = std::make_unique<TDataSource>(ADOQueryP.get());

    DBGrid = new TDBGridEx(Panel3);
    gridBox->addWidget(DBGrid);
    DBGrid->SetDataSource(DS.get());
    DBGrid->SetOptions(bit(dgTitles) | bit(dgIndicator) | bit(dgColumnResize) | bit(dgColLines) | bit(dgRowLines)
                       | bit(dgTabs) | bit(dgRowSelect) | bit(dgConfirmDelete) | bit(dgCancelOnExit) | bit(dgMultiSelect));
    DBGrid->VertScrollBar().SetTracking(true);
    // Design columns; the journal controller puts its own in their place.
    const char* const columns[][2] = {{"DATA_IZM", "дата"}, {"FIO", "Ф.И.О."}, {"IZM", "измерение (мг/л)"},
                                      {"PRIBOR", "прибор"}, {"NUM_VIDOH", "Номер выдоха"}, {"PAGE_FOOT", "Инф."}};
    for (const auto& c : columns) {
        TColumnEx* col = DBGrid->Columns().Add();
        col->SetFieldName(QString::fromLatin1(c[0]));
        col->Title().SetCaption(u(c[1]));
        col->Title().SetAlignment(taCenter);
        col->Title().GetFont().SetName(QStringLiteral("Tahoma"));
        col->Title().GetFont().SetStyle(gfx::fsBold);
    }
    DBGrid->OnCellClick = [this](TColumnEx*) { refreshEditButton(); };
    DBGrid->OnKeyUp = [this](TCustomDBGridEx*, int&, TShiftState) { refreshEditButton(); };
    DBGrid->OnDblClick = [this](TCustomDBGridEx*) {
        if (dUpdate->isEnabled())
            dUpdate->click();
    };
    DBGrid->OnDrawColumnCell = [this](TCustomDBGridEx* sender, const gfx::TRect& rect, int dataCol, TColumnEx* col,
                                      TGridDrawState state) {
        if (Interface)
            Interface->DrawColumnCell(sender, rect, dataCol, col, state);
    };
    // Whatever moves the current record refreshes the edit command, as a click or a key in the grid
    // would; while the journal holds the grid disabled (a burst) the command stays as it set it.
    DS->OnDataChange = [this](TDataSource*, TField* field) {
        if (!field && DBGrid->isEnabled())
            refreshEditButton();
    };

    StatusVELT = new QStatusBar(this);
    StatusVELT->setSizeGripEnabled(true);
    const int widths[4] = {195, 180, 200, 50};
    for (int i = 0; i < 4; ++i) {
        StatusPanels[i] = new QLabel(StatusVELT);
        StatusPanels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        StatusPanels[i]->setMinimumWidth(widths[i]);
        if (i < 3)
            StatusPanels[i]->setFixedWidth(widths[i]);
        // The last panel takes the rest: "Всего записей: 12345" does not fit 50 pixels.
        StatusVELT->addWidget(StatusPanels[i], i == 3 ? 1 : 0);
    }
    setStatusBar(StatusVELT);

    QMenuBar* menu = menuBar();
    nEdit = menu->addMenu(u("Редактирование"));
    nNew = item(nEdit, "Новая запись", "Ins");
    nUpdate = item(nEdit, "Изменить");
    nDelete = item(nEdit, "Удалить", "Del");
    nLoadBasePribor = item(nEdit, "Загрузить базу");
    nVid = menu->addMenu(u("Вид"));
    nBase = item(nVid, "Вся база", "F5");
    nToday = item(nVid, "За сегодня", "F6");
    nFiltr = item(nVid, "Фильтр/поиск", "F7");
    nPrint = menu->addAction(u("Печать Журнала"));
    N2 = menu->addAction(u("Сводный Отчёт"));
    nOptions = menu->addMenu(u("Опции"));
    nSetting = nOptions->addAction(u("Настройка"));
    nShowManager = nOptions->addAction(u("Источники измерений"));
    nChangeOper = menu->addAction(u("Смена оператора"));
    N1 = menu->addAction(u("Редакт. Опер."));
    nExit = menu->addAction(u("Выход"));

    auto on = [this](QPushButton* btn, void (TfmMain::*handler)()) {
        connect(btn, &QPushButton::clicked, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    on(bNew, &TfmMain::bNewClick);
    on(dUpdate, &TfmMain::dUpdateClick);
    on(bDelete, &TfmMain::bDeleteClick);
    on(bLoadBasePribor, &TfmMain::bLoadBasePriborClick);
    on(bBase, &TfmMain::bBaseClick);
    on(bToday, &TfmMain::bTodayClick);
    on(bFiltr, &TfmMain::bFiltrClick);

    // Menu items of a button act through it, only when it is enabled.
    auto through = [this](QAction* a, QPushButton* btn, bool mustBeVisible = false) {
        connect(a, &QAction::triggered, this, [btn, mustBeVisible] {
            if (btn->isEnabled() && (!mustBeVisible || !btn->isHidden()))
                btn->click();
        });
    };
    through(nNew, bNew);
    through(nUpdate, dUpdate);
    through(nDelete, bDelete, true);
    through(nLoadBasePribor, bLoadBasePribor);
    through(nBase, bBase);
    through(nToday, bToday);
    through(nFiltr, bFiltr);
    auto act = [this](QAction* a, void (TfmMain::*handler)()) {
        connect(a, &QAction::triggered, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    act(nPrint, &TfmMain::nPrintClick);
    act(N2, &TfmMain::N2Click);
    act(nSetting, &TfmMain::nSettingClick);
    act(nShowManager, &TfmMain::nShowManagerClick);
    act(nChangeOper, &TfmMain::nChangeOperClick);
    act(N1, &TfmMain::N1Click);
    act(nExit, &TfmMain::nExitClick);

    // The window sees every key of its controls first.
    qApp->installEventFilter(this);
}

TfmMain::~TfmMain()
{
    qApp->removeEventFilter(this);
    FormDestroy();
}

int TfmMain::AppTypeCode(const QString& appType)
{
    if (appType == QLatin1String("default")) return TInterface::Default;
    if (appType == QLatin1String("medic")) return TInterface::Medic;
    if (appType == QLatin1String("police")) return TInterface::Police;
    if (appType == QLatin1String("default_mp")) return TInterface::DefaultMP;
    return 0;
}

void TfmMain::guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::exception& e) {
        Dbg().Print("Exception: %s", e.what());
        ShowException(e);
    }
}

bool TfmMain::FormCreate()
{
    try {
        return formCreate();
    } catch (const std::exception& e) {
        // A window with no operator or no journal must not stay: the error is shown and the program ends.
        Dbg().Print("Create - exception: %s", e.what());
        ShowException(e, true);
    }
    ini_.reset();
    hide();
    return false;
}

bool TfmMain::formCreate()
{
    Dbg().Print("Create...");

    bDelete->setEnabled(false);
    bDelete->hide();
    nDelete->setEnabled(false);
    nDelete->setVisible(false);
    pEditButtom->setFixedWidth(178);

    logEnvironment();

    // The single-instance lock comes before anything is moved: a second start must leave the files of
    // the running one alone.
    Dbg().Print("Определяем запущенно ли уже данное приложение...");
    Mutex = std::make_unique<sys::TInstanceLock>(QStringLiteral("VOVI_DEROVIVA_ZUD_UZER"));
    const auto lock = Mutex->Acquire();
    if (lock == sys::TInstanceLock::Result::AlreadyExists) {
        Mutex.reset();
        MessageBox(u("Программа VELT уже запущенна!\nДопускается запуск только одного экземпляра."),
                   u("Предупреждение!"), MB_OK | MB_ICONWARNING);
        hide();
        return false;
    }
    if (lock == sys::TInstanceLock::Result::Failed) {
        errno = Mutex->LastError();
        Dbg().Print("Single-instance lock %s not taken +LE", b(Mutex->FilePath()).constData());
        Mutex.reset();
    }

    moveOldDataFolders();

    ini_ = std::make_unique<rtl::TIniFile>(WorkFile(WorkDir, "VELT.ini"));

    int code = 0;
    {
        Dbg().Print("Настройка компонента работы с БД...");
        // The data link names its folder relative to the work folder; the previous folder comes back on every path.
        const rtl::TScopeGuard restore([previous = QDir::currentPath()] { QDir::setCurrent(previous); });
        QDir::setCurrent(WorkDir);
        ADOConnection->Close();
        const QString udl = WorkFile(WorkDir, "connect.udl");
        ADOConnection->SetConnectionString("FILE NAME=" + udl);
        ADOConnection->SetProvider(udl);
        ADOQuery->AfterOpen = [this](TDataSet* ds) { ADOQueryAfterOpen(ds); };
        ADOConnection->Open();

        Dbg().Print("Проверка типа БД...");
        const QString appType = ini_->ReadString("Methods", "AppType", "default_mp");
        code = AppTypeCode(appType);
        if (code == 0) {
            // A misspelt type would otherwise offer to convert the journal into another variant's table.
            Dbg().Print("Проверка типа БД - неизвестный тип приложения AppType=%s", b(appType).constData());
            MessageBox(u("Неизвестный тип приложения в файле настроек VELT.ini: AppType=") + appType,
                       u("Ошибка!"), MB_OK | MB_ICONERROR);
            ini_.reset();
            return false;
        }
        // A conversion that a crash cut short is undone before anything reads the journal.
        if (!TfmConverterDB::RecoverInterrupted(ADOConnection->DataFolder())) {
            ini_.reset();
            return false;
        }
        const bool usable = ADOConnection->TableExists(QStringLiteral("Base")) ? checkJournalFile() && checkGeneration(code)
                                                                                 : checkNoOrphanMemo(code);
        if (!usable) {
            ini_.reset();
            return false;
        }
    }

    Dbg().Print("Считывание закрытых параметров программы...");
    ProgParam = std::make_unique<TProgParam>();
    ProgParam->LoadFromFile(WorkFile(WorkDir, kVeltDat));

    Dbg().Print("Запрос Логина-Пароля...");
    int result = 2;
    {
        TfmLogin login;
        login.Setup(ProgParam.get(), WorkDir);
        result = ctl::ExecDialog(login);
        OperatorName = login.OperatorName;
    }
    if (result != 1) {
        ini_.reset();
        return false;
    }

    Dbg().Print("Вход выполнил оператор: '%s'", b(OperatorName).constData());
    setOperatorPanel();

    Dbg().Print("Запуск приложения...");
    Dbg().Print("Создаём класс для хранения информации о приборах...");
    DBInfoPribors = std::make_unique<TDBInfoPribors>(WorkDir);

    Dbg().Print("Создаём интерфейс работы с приборами...");
    Interface = std::make_unique<TInterface>(code, options_.ControllerFactory);
    // A command that would do nothing is not offered.
    N2->setVisible(Interface->HasConsolidatedReport());
    Interface->SetDirs(AppDir, WorkDir);
    Interface->SetOperator(OperatorName);

    const QString version = sys::AppVersion();
    if (version != QLatin1String("No"))
        setWindowTitle(u("VELT версия ") + version + u(" - Журнал измерений"));
    else
        setWindowTitle(u("VELT информация о версии отсутствует - Журнал измерений"));
    Dbg().Print("Определение версии приложения... VELT версия %s", b(version).constData());

    Dbg().Print("Инициализация БД...");
    Interface->InitDB(ADOQuery.get(), ADOConnection.get(), DS.get(), ADOQueryP.get(), DBGrid, pStat, pEditButtom,
                      DBInfoPribors.get());

    Interface->ReadSettings(*ini_);
    settingsRead_ = true;
    Interface->SetControls(dUpdate, bDelete, StatusPanels[3], bNew);
    Interface->EndBurst();
    Interface->SetUserInfo(OperatorName, QString());

    Dbg().Print("Инициализируем менеджер устройств-источников...");
    Manager = std::make_unique<TManager>(true, WorkDir, DBInfoPribors.get());
    Manager->CreateControlMeasure(Interface.get());
    Manager->Resume();

    const bool maximized = ini_->ReadBool("WindowState", "wsMaximized", false);
    ini_.reset();
    if (maximized)
        showMaximized();
    else
        showNormal();
    Dbg().Print("Create - OK");
    return true;
}

void TfmMain::logEnvironment()
{
    Dbg().Print("----------------------------------");
    Dbg().Print("UserName  = %s", b(sys::UserName()).constData());
    Dbg().Print("AppDir  = %s", b(AppDir).constData());
    Dbg().Print("WorkDir = %s", b(WorkDir).constData());
    Dbg().Print("----------------------------------");
}

void TfmMain::moveOldDataFolders()
{
    struct Old {
        QString folder;
        const char* question;
        const char* log;
        const char* failure;
        // A file of the work folder that the move must never join: the journal there is the one in use.
        const char* keep;
        bool move = false;
    };
    Old olds[] = {
        {WorkFile(AppDir, "DATABASE"),
         "Во время запуска программа обнаружила по пути [%1] директорию Базы Данных. \nЭто месторасположение является устаревшим. \n"
         "Если вы хотите использовать информацию из старой версии программы, необходимо переместить содержимое директории на новое место: [%2].\n"
         "Сделать это сейчас?",
         "Во время запуска программы обнаружили папку с БД от прошлой версии (и пользователь дал согласие) - перемещаем в рабочую директорию...",
         "Не удалось переместить папку с Базой Данных программы: из %1 в %2", "DATABASE/Base.DBF"},
        {WorkFile(AppDir, "PHOTOS"),
         "Во время запуска программа обнаружила по пути [%1] директорию с файлами фотографий. \nЭто месторасположение является устаревшим. \n"
         "Если вы хотите использовать информацию из старой версии программы, необходимо переместить содержимое директории на новое место: [%2].\n"
         "Сделать это сейчас?",
         "Во время запуска программы обнаружили папку с файлами фотографий от прошлой версии (и пользователь дал согласие) - перемещаем в рабочую директорию...",
         "Не удалось переместить папку с файлами фотографий программы: из %1 в %2", nullptr},
    };
    // Both questions first, then the moves.
    for (Old& o : olds)
        if (QFileInfo(o.folder).isDir())
            o.move = MessageBox(u(o.question).arg(o.folder, WorkDir), u("Внимание!"), MB_YESNO | MB_ICONQUESTION) == IDYES;
    for (const Old& o : olds) {
        if (!o.move)
            continue;
        Dbg().Print("%s", o.log);
        // Merged into a folder that holds a journal, the old table's files would sit beside it.
        const bool occupied = o.keep && rtl::existsCaseInsensitive(QDir(WorkDir).filePath(QString::fromLatin1(o.keep)));
        if (occupied)
            Dbg().Print("%s is not moved: the work folder already holds %s", b(o.folder).constData(), o.keep);
        if (occupied || !sys::MoveFolder(o.folder, WorkDir))
            MessageBox(u(o.failure).arg(o.folder, WorkDir), u("Ошибка!"), MB_OK | MB_ICONERROR);
    }
}

void TfmMain::FormDestroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    // An error in one step is shown and the steps after it still run: the operators are saved and
    // the lock released whatever the journal's settings did.
    Dbg().Print("Destroy...");
    Dbg().Print("Удаление менеджера устройств-источников...");
    // The manager thread is stopped and waited for before anything it delivers to is freed.
    Manager.reset();

    Dbg().Print("Сохранение настроек в *.ini файле...");
    rtl::TIniFile ini(WorkFile(WorkDir, "VELT.ini"));
    guarded([&] {
        if (!ini.WriteBool("WindowState", "wsMaximized", isMaximized()))
            Dbg().Print("%s", b(ini.LastError()).constData());
    });

    Dbg().Print("Удаление интерфейса работы с приборами...");
    if (Interface) {
        // A start-up that ended before the journal read its settings leaves the user's ones as they are.
        if (settingsRead_)
            guarded([&] { Interface->SaveSettings(ini); });
        Interface.reset();
    }

    Dbg().Print("Удаление класса хранения информации о приборах...");
    DBInfoPribors.reset();

    Dbg().Print("Удаление класса хранения закрытых настроек...");
    if (ProgParam) {
        guarded([&] {
            if (ProgParam->SaveToFile(WorkFile(WorkDir, kVeltDat)) != 0)
                Dbg().Print("VELT.dat not written");
        });
        ProgParam.reset();
    }

    if (Mutex) {
        Mutex->Release();
        Mutex.reset();
    }
    Dbg().Print("Destroy - OK");
}

void TfmMain::setOperatorPanel()
{
    StatusPanels[0]->setText(u(" Оператор: ") + OperatorName);
}

void TfmMain::bNewClick()
{
    if (Interface)
        Interface->New();
}

void TfmMain::dUpdateClick()
{
    if (Interface)
        Interface->Edit();
}

void TfmMain::bDeleteClick()
{
    if (Interface)
        Interface->Delete();
}

void TfmMain::bLoadBasePriborClick()
{
    bLoadBasePribor->setEnabled(false);
    const rtl::TScopeGuard enable([this] { bLoadBasePribor->setEnabled(true); });
    if (Manager)
        Manager->ReadCurrentDevice();
    QThread::msleep(100);
}

void TfmMain::bBaseClick()
{
    if (Interface)
        Interface->ShowAll();
}

void TfmMain::bTodayClick()
{
    if (Interface)
        Interface->ShowToday();
}

void TfmMain::bFiltrClick()
{
    if (Interface)
        Interface->Filter();
}

void TfmMain::nPrintClick()
{
    if (Interface)
        Interface->Print();
}

void TfmMain::N2Click()
{
    if (Interface)
        Interface->ConsolidatedReport();
}

void TfmMain::nSettingClick()
{
    if (Interface)
        Interface->Settings();
}

void TfmMain::nShowManagerClick()
{
    if (Manager)
        Manager->ShowForm();
}

void TfmMain::nChangeOperClick()
{
    TfmLogin login;
    login.Setup(ProgParam.get(), WorkDir);
    const int result = ctl::ExecDialog(login);
    const QString name = login.OperatorName;
    if (result != 1)
        return;
    Dbg().Print("Вибран оператор: был '%s', стал '%s'", b(OperatorName).constData(), b(name).constData());
    OperatorName = name;
    setOperatorPanel();
    if (Interface)
        Interface->SetOperator(OperatorName);
}

void TfmMain::N1Click()
{
    TfmEditOper editor;
    editor.Execute(ProgParam.get(), OperatorName, WorkDir);
    ctl::ExecDialog(editor);
}

void TfmMain::nExitClick()
{
    close();
}

void TfmMain::closeEvent(QCloseEvent* event)
{
    // The window never closes by itself: the answer decides whether the program ends.
    event->ignore();
    guarded([this] { ConfirmClose(); });
}

void TfmMain::ConfirmClose()
{
    if (MessageBox(u("Вы действительно хотите закрыть программу?"), u("Внимание!"), MB_YESNO | MB_ICONQUESTION) == IDYES)
        options_.Terminate ? options_.Terminate() : QCoreApplication::quit();
}

void TfmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    DBGrid->setFocus();
}

bool TfmMain::checkJournalFile()
{
    const QString path = ADOConnection->TablePath(QStringLiteral("Base"));
    std::shared_ptr<dbf::Table> table;
    try {
        table = ADOConnection->openTable(QStringLiteral("Base"));
    } catch (const EDamagedTable& e) {
        Dbg().Print("Проверка БД - журнал повреждён: %s", e.what());
        MessageBox(u("Файл журнала %1 повреждён: его заголовок не согласуется с содержимым, программа не может с ним работать.\n"
                     "Подробности записаны в протокол программы.\n\n"
                     "Программа будет закрыта, файл оставлен как есть.").arg(path),
                   u("Ошибка!"), MB_OK | MB_ICONERROR);
        return false;
    } catch (const EDatabaseError& e) {
        Dbg().Print("Проверка БД - журнал не открывается: %s", e.what());
        const QString reason = SystemReason(e.what());
        MessageBox(u("Не удаётся открыть файл журнала %1%2.\nПодробности записаны в протокол программы.\n\nПрограмма будет закрыта.")
                       .arg(path, reason.isEmpty() ? QString() : u(": ") + reason),
                   u("Ошибка!"), MB_OK | MB_ICONERROR);
        return false;
    }
    if (!table->writable()) {
        // Every measurement would be lost: none could be filed.
        Dbg().Print("Проверка БД - журнал %s открыт только для чтения", b(path).constData());
        MessageBox(u("Файл журнала %1 открыт только для чтения: новые измерения не могут быть в него записаны.\n\n"
                     "Программа будет закрыта.").arg(path),
                   u("Ошибка!"), MB_OK | MB_ICONERROR);
        return false;
    }
    if (table->cutOnOpen() > 0)
        Dbg().Print("Проверка БД - в конце журнала отрезано %lld байт незавершённой записи", static_cast<long long>(table->cutOnOpen()));
    if (table->missingOnOpen() > 0) {
        Dbg().Print("Проверка БД - файл журнала обрезан: не хватает %u записей, целых записей %u",
                    table->missingOnOpen(), table->recordCount());
        MessageBox(u("Файл журнала %1 обрезан: в нём не хватает записей: %2.\n"
                     "Журнал будет открыт с уцелевшими записями: %3.").arg(path).arg(table->missingOnOpen()).arg(table->recordCount()),
                   u("Внимание!"), MB_OK | MB_ICONWARNING);
    }
    return true;
}

bool TfmMain::checkNoOrphanMemo(int code)
{
    if (code != TInterface::DefaultMP)
        return true;
    const QString table = ADOConnection->TablePath(QStringLiteral("Base"));
    const QString memo = rtl::resolveCaseInsensitive(table.left(table.size() - QFileInfo(table).suffix().size()) + QStringLiteral("DBT"));
    // A memo file with entries holds the photos of a journal whose table is gone: a new journal is never
    // made over them (the data layer refuses), and the operator is told what to do at each start.
    if (!QFileInfo::exists(memo) || dbf::DbtFile::holdsNothing(memo))
        return true;
    Dbg().Print("Проверка БД - есть файл фотографий журнала %s без самого журнала", b(memo).constData());
    MessageBox(u("В папке журнала есть файл фотографий журнала %1, но нет самого журнала %2.\n"
                 "Программа не создаёт новый журнал поверх этого файла, чтобы фотографии не пропали: верните файл "
                 "журнала на место или перенесите файл фотографий в другую папку.\n\nПрограмма будет закрыта.")
                   .arg(QDir::toNativeSeparators(memo), QDir::toNativeSeparators(table)),
               u("Ошибка!"), MB_OK | MB_ICONERROR);
    return false;
}

bool TfmMain::checkGeneration(int code)
{
    const int required = db::RequiredGeneration(code);
    TfmConverterDB converter;
    converter.WorkDir = WorkDir;
    converter.ADOQuery = ADOQuery.get();
    converter.ADOQueryP = ADOQueryP.get();
    converter.ADOConnection = ADOConnection.get();
    const int detected = converter.DetectFormat();
    QStringList columns;
    for (const dbf::Column& c : ADOConnection->openTable(QStringLiteral("Base"))->columns())
        columns << c.name;
    // A table that looks older only because damage hides one of its columns still has columns that
    // only the required generation has: it is told as damaged, never converted.
    QStringList newer;
    if (required > detected)
        for (const QString& name : columns)
            if (onlyOfGeneration(name, required))
                newer << name;
    if (!newer.isEmpty())
        Dbg().Print("Проверка типа БД - столбцы поколения %i в таблице, найденной как %i: %s", required, detected, b(newer.join(", ")).constData());
    if (detected == 0 || !newer.isEmpty()) {
        // No column set of any generation: damaged or of another program. Conversion could only fail,
        // and the journal controller could file nothing into it; the table stays as it is.
        Dbg().Print("Проверка типа БД - Найденная БД имеет Неизвестную структуру/ Она либо повреждена либо имеет новый формат [c%i,%di]", required, detected);
        MessageBox(u("Найденная БД имеет Неизвестную структуру.\nОна либо повреждена либо имеет новый формат. Возможно стоит обновить Программу...")
                       + u("\n\nПрограмма будет закрыта, файл журнала оставлен как есть."),
                   u("VELT. Внимание!"), MB_OK | MB_ICONWARNING);
        return false;
    }
    // A newer table serves the journal only when it holds every column the journal files into. The one of
    // generation 6 under "default" lacks the info mark and is converted; any other is refused untouched.
    const QStringList missing = required < detected ? db::MissingJournalColumns(required, columns) : QStringList();
    const bool sixToDefault = !missing.isEmpty() && required == db::GenerationOf(db::Schema::Default) && detected == 6;
    if (required > detected || sixToDefault) {
        Dbg().Print("Проверка типа БД - Обнаруженная БД использует устаревший формат хранения данных [c%i,%di]", required, detected);
        QString question = u("Обнаруженная БД использует устаревший формат хранения данных!\nДля работы программы её нужно конвертировать.\nНачать конвертацию?");
        if (sixToDefault)
            question = u("Обнаруженная БД ведётся в формате, в который журнал этой программы не может записывать измерения.\n"
                         "Для работы программы её нужно конвертировать: все записи перейдут в новую БД, а место составления, "
                         "номер автомобиля и данные инспектора, которых в журнале этой программы нет, останутся в файле oldBASE.DBF.\n"
                         "Начать конвертацию?");
        if (MessageBox(question, u("VELT. Внимание!"), MB_YESNO | MB_ICONWARNING) != IDYES)
            return false;
        return converter.Convert(required, detected);
    }
    if (!missing.isEmpty()) {
        Dbg().Print("Проверка типа БД - в найденной БД [c%i,%di] нет столбцов журнала: %s", required, detected, b(missing.join(", ")).constData());
        MessageBox(u("Найденная БД не подходит для журнала этой программы: в ней нет граф %1, и измерения в неё не могут быть записаны.\n"
                     "Возможно, в файле настроек VELT.ini указан не тот тип приложения (AppType=%2).\n\n"
                     "Программа будет закрыта, файл журнала оставлен как есть.")
                       .arg(missing.join(", "), ini_->ReadString("Methods", "AppType", "default_mp")),
                   u("VELT. Внимание!"), MB_OK | MB_ICONWARNING);
        return false;
    }
    if (required < detected) {
        Dbg().Print("Проверка типа БД - Найденная БД имеет Неизвестную структуру/ Она либо повреждена либо имеет новый формат [c%i,%di]", required, detected);
        MessageBox(u("Найденная БД имеет Неизвестную структуру.\nОна либо повреждена либо имеет новый формат. Возможно стоит обновить Программу..."),
                   u("VELT. Внимание!"), MB_OK | MB_ICONWARNING);
    }
    return true;
}

void TfmMain::ADOQueryAfterOpen(TDataSet* dataSet)
{
    const int count = dataSet ? dataSet->RecordCount() : 0;
    StatusPanels[3]->setText(u("Всего записей: ") + QString::number(count));
    bDelete->setEnabled(count >= 1);
    nDelete->setEnabled(count >= 1);
    const bool editable = count >= 1 && Interface && Interface->IsRecordEditable();
    dUpdate->setEnabled(editable);
    nUpdate->setEnabled(editable);
}

void TfmMain::refreshEditButton()
{
    if (Interface)
        dUpdate->setEnabled(Interface->IsRecordEditable());
}

bool TfmMain::gridWheel(QWheelEvent* wheel)
{
    // One wheel step moves one row, as the arrow keys do; touch pads add up small steps.
    const int dy = wheel->angleDelta().y();
    if (dy == 0)
        return false;
    if ((dy > 0) != (wheelRest_ > 0))
        wheelRest_ = 0;
    wheelRest_ += dy;
    while (std::abs(wheelRest_) >= 120) {
        const int key = wheelRest_ > 0 ? Qt::Key_Up : Qt::Key_Down;
        wheelRest_ += wheelRest_ > 0 ? -120 : 120;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(DBGrid, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(DBGrid, &release);
    }
    return true;
}

bool TfmMain::formKeyDown(int key)
{
    switch (key) {
    case Qt::Key_Insert:
        bNew->click();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (dUpdate->isEnabled())
            dUpdate->click();
        return true;
    case Qt::Key_Delete:
        if (bDelete->isEnabled() && !bDelete->isHidden())
            bDelete->click();
        return true;
    case Qt::Key_F5:
        bBase->click();
        return true;
    case Qt::Key_F6:
        bToday->click();
        return true;
    case Qt::Key_F7:
        bFiltr->click();
        return true;
    case Qt::Key_F8:
        nPrint->trigger();
        return true;
    case Qt::Key_Escape:
        close();
        return true;
    default:
        return false;
    }
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && watched->isWidgetType() && DBGrid->hasFocus()) {
        auto* w = static_cast<QWidget*>(watched);
        if ((w == DBGrid || DBGrid->isAncestorOf(w)) && gridWheel(static_cast<QWheelEvent*>(event)))
            return true;
    }
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        // Keys of this window only, and not while a menu is open, the menu bar is driven from the
        // keyboard (Alt) or a dialog is over it.
        if (w->window() == this && !QApplication::activePopupWidget() && !qobject_cast<QMenuBar*>(w)) {
            // By the key alone, whatever the modifiers: Ctrl+Del must not reach the grid's own deletion either.
            auto* key = static_cast<QKeyEvent*>(event);
            bool taken = false;
            guarded([&] { taken = formKeyDown(key->key()); });
            if (taken)
                return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
