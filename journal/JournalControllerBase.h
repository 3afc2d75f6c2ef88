#pragma once
// What the two journal controllers ("default" and "default_mp") do alike: the binding to the main window,
// the table's creation, the views and their captions, deletion, the filing engine and the act's waiting
// state. Each variant adds its own columns, cell look, settings and act window.
#include "journal/JournalController.h"
#include "core/CriticalSection.h"
#include "journal/JournalFiling.h"
#include "journal/JournalView.h"
#include "journal/UnfiledNotice.h"

#include <QTimer>

#include <chrono>
#include <functional>

class TCellRow;
struct TCellLook;

class TJournalControllerBase : public TJournalController {
public:
    explicit TJournalControllerBase(const TFilingSchema& schema);
    ~TJournalControllerBase() override;

    void SetDirs(const QString& appDir, const QString& workDir) override;
    void SetOperator(const QString& name) override;
    void DeleteRecords() override;
    void ShowAll() override;
    void ShowToday() override;
    void ShowFilterDialog() override;
    TJournalSettings GetJournalSettings() const override { return Settings; }

    // Runs the view; with maxId 0 or more only the identifiers maxId - window .. maxId that pass the filter.
    // A whole view takes the place of a read waiting after filings.
    void RefreshView(int maxId);
    // A view read or a move of the view after filings is waiting for its pause to end.
    bool IsViewPending() const { return ViewPending || PositionPending; }
    // The waiting read and move now, when there are any.
    void FlushView();
    void DeleteRecord(int id);
    // One measurement filed on its own: ID of the record filed or found, the view read at once and standing
    // on it; rowNo gets the view's current row number.
    int MergeRecord(const TVELTMeasurement& m, int* rowNo = nullptr);

    // ---- the act's waiting for the next measurement ----
    void StartWaiting();
    void StopWaiting();
    void MeasurementArrived();
    bool IsWaiting() const { return Waiting; }
    bool IsReceived() const { return Received; }

    // ---- state, readable by the shell and tests ----
    const TFilter& CurrentFilter() const { return View.Filter(); }
    QString OperatorName() const { return Oper; }

protected:
    // Stores the main window's objects and clears the filter.
    void bindJournal(const TJournalBinding& binding);
    // Creates the table when it is missing and opens the whole view on its last row.
    void openJournal();
    // Reads "Video" and "JpegQuality" (its low byte as a signed number, then clamped to 30..maxQuality).
    void readVideoSettings(rtl::TIniFile& ini, int maxQuality);
    void writeVideoSettings(rtl::TIniFile& ini);
    // The act window's caption and buttons of the waiting state.
    virtual void showWaiting(bool waiting) = 0;
    // Paints a cell of the grid in the look the variant gives its row. It only tries the table lock and, were a
    // statement to hold it, would leave the grid's own drawing.
    void paintCell(TCustomDBGridEx* sender, const gfx::TRect& rect, bool selected,
                   const std::function<TCellLook(const TCellRow& row, bool selected)>& look);
    // The controls after the view changed: the view-name caption and a repaint.
    void viewShown(const QString& caption);
    // A measurement that could not be filed: logged whole, and told once per burst.
    void unfiled(const TVELTMeasurement& m, const char* why);
    // The end of a burst: what it filed goes to the disk, and a failure after it is told again.
    void burstEnded();
    // The table and its memo onto the disk: a power loss then loses at most the burst in progress.
    void flush(const char* after);

    // Borrowed from the main window.
    TADOQuery* ADOQuery = nullptr;
    TADOConnection* ADOConnection = nullptr;
    TDataSource* DS = nullptr;
    TADOQuery* ADOQueryP = nullptr;
    TDBGridEx* DBGrid = nullptr;
    QLabel* pnViewName = nullptr;
    // Held around every statement on the view and look-up queries (the table's creation, inserts, updates,
    // photos, deletions, look-ups) and while the "default_mp" act reads its row. Re-entrant, and taken only on
    // the main thread, where the grid paints too: it never waits, and the painter's try never fails.
    critsection_t TableLock;
    QString AppDir;
    QString WorkDir;
    QString Oper;
    TJournalView View;
    TJournalFiling Filing;
    TJournalSettings Settings;
    bool Waiting = false;
    bool Received = false;
    TUnfiledNotice Unfiled;

private:
    void deleteRecords();
    // The view after an insert (the identifier window or the whole view, as the schema says), read at once
    // unless it was read less than kViewPause ago; then once the pause is over, standing on the newest
    // record filed. A memory download files hundreds of records a second: each read of the view and each
    // repaint of the grid it brings costs milliseconds.
    void viewAfterInsert(int id);
    // RefreshView for the view after filings.
    void readViewAfterFiling(int maxId);
    // The view onto a record filed or found: at once unless the view was moved less than kViewPause ago,
    // else onto the last such record once the pause is over. A download of records the journal holds finds
    // hundreds a second, and each move repaints the grid. A schema that throttles its moves keeps its own
    // rule.
    void positionAfterFiling(int id);
    void startPause(std::chrono::steady_clock::duration since);
    // Forgets the read and the move waiting for the pause.
    void dropPause();

    static constexpr std::chrono::milliseconds kViewPause{200};
    QTimer ViewTimer;
    std::chrono::steady_clock::time_point LastViewRead;
    std::chrono::steady_clock::time_point LastPosition;
    bool ViewPending = false;
    bool PositionPending = false;
    int PendingId = 0; // the record the view stands on once the pause is over
};
