#pragma once
// The networked driver's settings panel: the port, the driver's state, the list of net numbers with each
// instrument's identity and verification status, the buttons that edit the list and start or stop the
// driver. Main thread only; it changes only the driver's edited settings and reads the status view copy.
#include "Devices/Serial/SerialPanel.h"
#include "Devices/VELT_A_NETWORK/Velt_a_network.h"

#include <QPixmap>
#include <QTabWidget>
#include <QTableWidget>

#include <functional>
#include <vector>

class TNetNumSelectForm;

// The 16 by 16 pictures of the list: 0 all well, 1 verification due soon, 2 attention needed.
QPixmap NetworkPicture(int index);

class TNetPanel : public TSerialPanel {
    Q_OBJECT
public:
    TNetPanel(TVelt_A_NETWORK* driver, QWidget* parent);
    ~TNetPanel() override;

    // The panel's own refresh takes a mode; the driver's plain one stays reachable.
    using TSerialPanel::Refresh;

    // ApplyCOMport: the list waits a moment while the port goes into the edited settings.
    void PortChange() override;

    struct TRow {
        uint16_t netNumber = 0;
        bool hasRecord = false;
        TNetInstrument record;
        bool dueSoon = false, overdue = false, notAnswering = false;
    };

    void Refresh(int mode);
    void ShowState();
    void RefreshInstrumentList();
    void ShowListPage();

    void AddBtnClick();
    void DelBtnClick();
    void SearchBtnClick();
    void StopBtnClick();
    void StartBtnClick();

    const std::vector<TRow>& Rows() const { return rows_; }
    const TNetState& View() const { return view_; }
    // The clock of the verification status (tests put a fixed day in its place).
    std::function<rtl::TDateTime()> Now;

    QGroupBox* gbState;
    QLabel *lbState, *lbDetail;
    QWidget *pnLower, *pnButtons;
    QPushButton *StopBtn, *StartBtn;
    QTabWidget* Pages;
    QWidget *tsList, *tsLog;
    QTableWidget* StrGrid;
    QPushButton *AddBtn, *DelBtn, *SearchBtn;
    QPlainTextEdit* mLog;
    QPushButton* ClearBtn;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The buttons beside the list and the log, at the right of their page, whole whatever room its frame leaves.
    void placePageButtons(QWidget* page);

    TVelt_A_NETWORK* driver_;
    TNetNumSelectForm* dialog_;
    TNetState view_;
    uint32_t searchKept_ = 0; // the search whose finds are all in the edited list
    std::vector<TRow> rows_;
    bool running_ = false;
};
