#pragma once
// The printout listener's settings panel: the port, the instrument the last printout came from, and the journal
// of received exhalations.
#include "Devices/Serial/SerialPanel.h"
#include "Devices/VELT_A/Velt_A.h"

class TListenerPanel : public TSerialPanel {
    Q_OBJECT
public:
    TListenerPanel(TVelt_A* driver, QWidget* parent);

    void Refresh() override;

    QGroupBox* gbDevice;
    QLabel *lbModelValue, *lbSerialValue, *lbDateValue;
    QGroupBox* gbJournal;
    QPlainTextEdit* mJournal;
    QPushButton* bClear;

private:
    TVelt_A* driver_;
    TListenerStatus shown_; // as last taken
};
