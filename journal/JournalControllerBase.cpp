#include "journal/JournalControllerBase.h"

#include "core/Debug.h"
#include "grid/DBGridEx.h"
#include "journal/CellLook.h"
#include "journal/Default_MP_Filter.h"
#include "journal/JournalErrors.h"
#include "core/CriticalSection.h"
#include "platform/controls/DialogPort.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/DbfTable.h"
#include "platform/data/Field.h"
#include "platform/rtl/CaseInsensitivePath.h"
#include "platform/rtl/IniFile.h"
#include "platform/rtl/ScopeGuard.h"

#include <QLabel>

namespace {

const QString kMethods = QStringLiteral("Methods");

} // namespace

TJournalControllerBase::TJournalControllerBase(const TFilingSchema& schema) : Filing(schema)
{
    View.ClearFilter();
    ViewTimer.setSingleShot(true);
    QObject::connect(&ViewTimer, &QTimer::timeout, &ViewTimer, [this] { FlushView(); });
}

TJournalControllerBase::~TJournalControllerBase()
{
    if (ADOQuery)
        ADOQuery->AfterOpen = nullptr;
}

void TJournalControllerBase::SetDirs(const QString& appDir, const QString& workDir)
{
    AppDir = appDir;
    WorkDir = workDir;
}

void TJournalControllerBase::SetOperator(const QString& name)
{
    Oper = name;
    Filing.SetOperator(name);
}

void TJournalControllerBase::bindJournal(const TJournalBinding& b)
{
    ADOQuery = b.Query;
    ADOConnection = b.Connection;
    DS = b.DS;
    ADOQueryP = b.LookupQuery;
    DBGrid = b.Grid;
    pnViewName = b.ViewPanel;
    View.Bind(ADOQuery, b.InfoPribors);
    Filing.Bind({ADOQuery, ADOQueryP, &TableLock, [this](int maxId) { RefreshView(maxId); },
                 [this](int id) { viewAfterInsert(id); }, [this](int id) { positionAfterFiling(id); }});
    View.ClearFilter();
}

void TJournalControllerBase::openJournal()
{
    // The table the connection opens: DATABASE of the work folder, unless connect.udl names another folder
    // (then a table there must not be created again over the existing one).
    const QString path = ADOConnection && ADOConnection->Connected()
                             ? ADOConnection->TablePath(QStringLiteral("Base"))
                             : WorkDir + QStringLiteral("/DATABASE/Base.DBF");
    if (!rtl::existsCaseInsensitive(path)) {
        Filing.CreateBase();
        TJournalFiling::PatchDbfHeader(rtl::resolveCaseInsensitive(path));
    }
    // Filings look identifiers up: their index is built by the first view's scan, not by the first filing.
    if (ADOConnection) {
        try {
            auto table = ADOConnection->openTable(QStringLiteral("Base"));
            if (const int id = table->columnIndex(QStringLiteral("ID")); id >= 0)
                table->indexAlongside(id);
        } catch (const EDatabaseError&) {
            // The view's read below meets the same fault and tells it.
        }
    }
    RefreshView(-1);
    ADOQuery->Last();
    Filing.PrepareStatements();
}

void TJournalControllerBase::RefreshView(int maxId)
{
    if (maxId < 0)
        dropPause();
    // Opening the view lays the grid's columns out again and repaints it (the grid follows its link's
    // activation), as narrowing the grid by a pixel and back would.
    View.Refresh(maxId);
    // The read repaints the grid: a move onto a record right after it shares that repaint.
    LastPosition = {};
}

void TJournalControllerBase::readViewAfterFiling(int maxId)
{
    // The grid takes the read as one change of its rows, not as its view closed and opened again: each of
    // those lays its columns out anew, and a burst reads the view after every filing. Of what a close does
    // to the grid, only letting its marks go shows: that is done here.
    if (DBGrid)
        DBGrid->Selection().Clear();
    ADOQuery->DisableControls();
    const rtl::TScopeGuard enable([this] { ADOQuery->EnableControls(); });
    RefreshView(maxId);
}

int TJournalControllerBase::MergeRecord(const TVELTMeasurement& m, int* rowNo)
{
    const int id = Filing.MergeRecord(m, rowNo);
    if (IsViewPending()) {
        FlushView();
        if (rowNo)
            *rowNo = ADOQuery->Active() ? ADOQuery->RecNo() : 0;
    }
    return id;
}

void TJournalControllerBase::viewAfterInsert(int id)
{
    const auto now = std::chrono::steady_clock::now();
    const int window = Filing.GetSchema().WindowAfterInsert ? id : -1;
    if (!ViewPending && now - LastViewRead >= kViewPause) {
        readViewAfterFiling(window);
        LastViewRead = now;
        return;
    }
    ViewPending = true;
    PendingId = id;
    startPause(now - LastViewRead);
}

void TJournalControllerBase::positionAfterFiling(int id)
{
    if (Filing.GetSchema().ThrottlePositioning) {
        Filing.Locate(id);
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!ViewPending && !PositionPending && now - LastPosition >= kViewPause) {
        Filing.Locate(id);
        LastPosition = now;
        return;
    }
    // A waiting read stands on this record too: the latest record filed or found wins.
    PendingId = id;
    if (ViewPending)
        return;
    PositionPending = true;
    startPause(now - LastPosition);
}

void TJournalControllerBase::dropPause()
{
    ViewTimer.stop();
    ViewPending = PositionPending = false;
}

void TJournalControllerBase::startPause(std::chrono::steady_clock::duration since)
{
    if (ViewTimer.isActive())
        return;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(kViewPause - since);
    ViewTimer.start(std::max(left, std::chrono::milliseconds(1)));
}

void TJournalControllerBase::FlushView()
{
    const bool waiting = IsViewPending(), read = ViewPending;
    dropPause();
    if (!waiting)
        return;
    RunReported("NewMeasure", journal_msg::kView, [this, read] {
        if (read)
            readViewAfterFiling(Filing.GetSchema().WindowAfterInsert ? PendingId : -1);
        Filing.Locate(PendingId);
    });
    const auto now = std::chrono::steady_clock::now();
    if (read)
        LastViewRead = now;
    LastPosition = now;
}

void TJournalControllerBase::viewShown(const QString& caption)
{
    // The view asked for was read after every filing and stands where the user asked it to: a read or move
    // still waiting from the filings would only take it elsewhere.
    dropPause();
    if (pnViewName)
        pnViewName->setText(caption);
    if (DBGrid)
        DBGrid->update();
}

void TJournalControllerBase::ShowAll()
{
    RunReported("ShowAll", journal_msg::kView, [this] { viewShown(View.ShowAll()); });
}

void TJournalControllerBase::ShowToday()
{
    RunReported("ShowToday", journal_msg::kView, [this] { viewShown(View.ShowToday()); });
}

void TJournalControllerBase::ShowFilterDialog()
{
    TfmDefault_MP_Filter dialog;
    dialog.Load(View.Filter());
    if (ctl::ExecDialog(dialog) != 1)
        return;
    const TFilter copy = dialog.Store();
    RunReported("ShowFilterDialog", journal_msg::kView, [&] { viewShown(View.ShowFilter(copy)); });
}

void TJournalControllerBase::DeleteRecords()
{
    if (!RunReported("DeleteRecords", journal_msg::kDelete, [this] { deleteRecords(); })) {
        // The view may have been closed by the statement that failed: the journal shows what it holds.
        try {
            RefreshView(-1);
        } catch (...) {
        }
    }
}

void TJournalControllerBase::deleteRecords()
{
    if (!ADOQuery || !ADOQuery->Active() || ADOQuery->IsEmpty())
        return;
    TBookmarkListEx* marked = DBGrid ? &DBGrid->SelectedRows() : nullptr;
    const int count = marked ? marked->Count() : 0;
    if (count <= 1) {
        const QString date = ADOQuery->FieldByName(QStringLiteral("DATA_IZM"))->AsString();
        const int id = ADOQuery->FieldByName(QStringLiteral("ID"))->AsString().toInt();
        if (ctl::MessageBox(QStringLiteral("Удалить запись от: ") + date + QLatin1Char('?'), QStringLiteral("Внимание"),
                            ctl::MB_YESNO | ctl::MB_ICONQUESTION) != ctl::IDYES)
            return;
        const int row = ADOQuery->RecNo();
        DeleteRecord(id);
        const int rows = ADOQuery->RecordCount();
        if (rows > 0)
            ADOQuery->SetRecNo(row <= rows ? row : rows);
        return;
    }
    if (ctl::MessageBox(QStringLiteral("Удалить все отмеченные записи? Отмечено строк - ") + QString::number(count) +
                            QLatin1Char('.'),
                        QStringLiteral("Внимание"), ctl::MB_YESNO | ctl::MB_ICONQUESTION) != ctl::IDYES)
        return;
    {
        TCritLock lock(TableLock);
        // Bookmarks name records, not rows: each marked record is deleted once, whatever the others do.
        std::vector<QByteArray> bookmarks;
        for (int i = 0; i < count; ++i)
            bookmarks.push_back(marked->GetItem(i));
        {
            ADOQuery->DisableControls();
            const rtl::TScopeGuard enable([this] { ADOQuery->EnableControls(); });
            for (const QByteArray& b : bookmarks)
                if (ADOQuery->BookmarkValid(b)) {
                    ADOQuery->GotoBookmark(b);
                    ADOQuery->Delete();
                }
        }
        marked->Clear();
    }
    RefreshView(-1);
}

void TJournalControllerBase::DeleteRecord(int id)
{
    TCritLock lock(TableLock);
    ADOQuery->Close();
    ADOQuery->ClearSQL();
    ADOQuery->SetSQL(QStringLiteral("DELETE FROM Base") + QStringLiteral(" WHERE") + QStringLiteral(" ID = ") +
                     QString::number(id));
    ADOQuery->ExecSQL();
    RefreshView(-1);
}

void TJournalControllerBase::readVideoSettings(rtl::TIniFile& ini, int maxQuality)
{
    Settings.VideoOn = ini.ReadBool(kMethods, QStringLiteral("Video"), false) ? 1 : 0;
    int8_t quality = int8_t(uint8_t(ini.ReadInteger(kMethods, QStringLiteral("JpegQuality"), 75) & 0xFF));
    if (quality > maxQuality)
        quality = int8_t(maxQuality);
    if (quality < 30)
        quality = 30;
    Settings.JpegQuality = quality;
}

void TJournalControllerBase::writeVideoSettings(rtl::TIniFile& ini)
{
    ini.WriteBool(kMethods, QStringLiteral("Video"), Settings.VideoOn != 0);
    ini.WriteInteger(kMethods, QStringLiteral("JpegQuality"), Settings.JpegQuality);
}

void TJournalControllerBase::StartWaiting()
{
    Waiting = true;
    Received = false;
    showWaiting(true);
}

void TJournalControllerBase::StopWaiting()
{
    Waiting = false;
    Received = false;
    showWaiting(false);
}

void TJournalControllerBase::MeasurementArrived()
{
    StopWaiting();
    Received = true;
}

void TJournalControllerBase::unfiled(const TVELTMeasurement& m, const char* why)
{
    Dbg().Print("NewMeasure - error: измерение не записано в журнал (%s): %s", why, Filing.Describe(m).toUtf8().constData());
    const TJournalRecord r = Filing.RecordOf(m);
    const QString reason = SystemReason(why);
    const QString which = QStringLiteral("прибор %1, %2, %3 мг/л")
                              .arg(r.PRIBOR, 4, 10, QLatin1Char('0'))
                              .arg(r.DATA_IZM, QString::number(TJournalFiling::RoundIzm(r.IZM), 'f', 3));
    Unfiled.Failed(reason.isEmpty() ? QStringLiteral("журнал не принял запись") : reason, which);
}

void TJournalControllerBase::burstEnded()
{
    flush("NewMeasure");
    Unfiled.BurstEnded();
}

void TJournalControllerBase::flush(const char* after)
{
    try {
        if (ADOConnection)
            ADOConnection->Sync();
    } catch (const std::exception& e) {
        Dbg().Print("%s - журнал не сброшен на диск: %s", after, e.what());
    }
}

void TJournalControllerBase::paintCell(TCustomDBGridEx* sender, const gfx::TRect& rect, bool selected,
                                       const std::function<TCellLook(const TCellRow& row, bool selected)>& look)
{
    // Cannot fail here: the lock is re-entrant and its every holder is this thread.
    if (!TableLock.TryEnter())
        return;
    TCritLock held(TableLock, std::adopt_lock);
    if (!ADOQuery || !ADOQuery->Active())
        return;
    PaintCellLook(sender->Canvas(), rect, look(TDataSetRow(*ADOQuery), selected));
}
