#pragma once
// The main window: owns what lives as long as the program, brings it up in a fixed order at start-up and
// frees it in the reverse order at shut-down. Every journal command goes to the journal facade.
#include "app/Interface.h"

#include <QMainWindow>

#include <exception>

#include <functional>
#include <memory>

class QAction;
class TADOConnection;
class TADOQuery;
class TDataSet;
class TDataSource;
class TDBGridEx;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QWheelEvent;
class TDBInfoPribors;
class TManager;
class TProgParam;
namespace rtl { class TIniFile; }
namespace sys { class TInstanceLock; }

// What tests replace; the program keeps the defaults.
struct TfmMainOptions {
    TInterface::ControllerFactory ControllerFactory = TInterface::DefaultFactory();
    // Ends the message loop (null: the application's quit).
    std::function<void()> Terminate;
};

class TfmMain : public QMainWindow {
    Q_OBJECT
public:
    using Options = TfmMainOptions;

    // Fixes the work folder and names the log after the program in it; throws when the folder cannot be made.
    explicit TfmMain(const QString& appDir, Options options = Options());
    ~TfmMain() override;

    // The creation handler. False when the program must end (second instance, conversion refused or failed,
    // login cancelled, or an error during start-up, which has then been shown); FormDestroy runs in any case.
    bool FormCreate();
    // The destruction handler: frees what exists in the reverse order of start-up. Runs once.
    void FormDestroy();

    // Application type codes of the "AppType" texts; 0 for a text that names none.
    static int AppTypeCode(const QString& appType);

    // Fields. What the window owns is declared so that the reverse order frees it as shut-down does: the
    // manager, the journal facade, the instrument table, the database components they use, the operators
    // store and the single-instance lock last.
    std::unique_ptr<sys::TInstanceLock> Mutex;
    QString AppDir;
    QString WorkDir;
    std::unique_ptr<TProgParam> ProgParam;
    QString OperatorName;

    // Components.
    QFrame* Panel1;
    QFrame* Panel4;
    QPushButton* bBase;
    QPushButton* bToday;
    QPushButton* bFiltr;
    QFrame* Panel6;
    QPushButton* bLoadBasePribor;
    QFrame* pEditButtom;
    QPushButton* bNew;
    QPushButton* dUpdate;
    QPushButton* bDelete;
    QLabel* pStat;
    QFrame* Panel3;
    TDBGridEx* DBGrid;
    QStatusBar* StatusVELT;
    QLabel* StatusPanels[4];

    QMenu* nEdit;
    QAction* nNew;
    QAction* nUpdate;
    QAction* nDelete;
    QAction* nLoadBasePribor;
    QMenu* nVid;
    QAction* nBase;
    QAction* nToday;
    QAction* nFiltr;
    QAction* nPrint;
    QAction* N2;
    QMenu* nOptions;
    QAction* nSetting;
    QAction* nShowManager;
    QAction* nChangeOper;
    QAction* N1;
    QAction* nExit;

    // The database components, in the order they are freed last to first.
    std::unique_ptr<TADOConnection> ADOConnection;
    std::unique_ptr<TADOQuery> ADOQuery;   // the journal query
    std::unique_ptr<TDataSource> DS;
    std::unique_ptr<TADOQuery> ADOQueryP;  // the journal controller's look-up query
    std::unique_ptr<TDataSource> DSPoisk_;

    std::unique_ptr<TDBInfoPribors> DBInfoPribors;
    std::unique_ptr<TInterface> Interface;
    // Stopped and freed before anything its thread delivers to.
    std::unique_ptr<TManager> Manager;

    // Commands.
    void bNewClick();
    void dUpdateClick();
    void bDeleteClick();
    void bLoadBasePriborClick();
    void bBaseClick();
    void bTodayClick();
    void bFiltrClick();
    void nPrintClick();
    void N2Click();
    void nSettingClick();
    void nShowManagerClick();
    void nChangeOperClick();
    void N1Click();
    void nExitClick();

    // Asks before the program ends; the answer Yes ends the message loop.
    void ConfirmClose();
    // After-open handler of the journal query: record count and the edit and delete commands.
    void ADOQueryAfterOpen(TDataSet* dataSet);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool formCreate();
    void logEnvironment();
    void moveOldDataFolders();
    // Handles the keys of the window's commands; true when the key was taken.
    bool formKeyDown(int key);
    void setOperatorPanel();
    // False when the program must end: a journal file that cannot be opened or written, or is damaged
    // (told, never written). A file cut inside its records is told and opened with its whole records.
    bool checkJournalFile();
    // False when the program must end: an unrecognised table, or an older table whose conversion was refused or did not succeed.
    bool checkGeneration(int code);
    // False when the program must end: no journal table, but the photo journal's memo file with entries.
    bool checkNoOrphanMemo(int code);
    // Edit command follows the current record: after a click, a key, a wheel step or any other move.
    void refreshEditButton();
    bool gridWheel(QWheelEvent* wheel);
    // Runs a command; an error in it is shown, never carried into the event loop.
    void guarded(const std::function<void()>& command);

    Options options_;
    std::unique_ptr<rtl::TIniFile> ini_;
    bool destroyed_ = false;
    // The journal has read its settings: only then are they its to write back.
    bool settingsRead_ = false;
    int wheelRest_ = 0;
};

// Shows an error that reached the top of a command or of start-up, as the application does. The data layer's
// errors (English, with their statements) are told in Russian with their reason, their own text being the
// log's; the program's own errors are shown as they are written. `ending`: the program ends after it.
void ShowException(const std::exception& e, bool ending = false);
