#pragma once
// The settings panel of the request-and-answer drivers (VELT-A and VELT-B of type 2, the interlock, VELT-C): the
// port with its auto-search, the memory buttons, the instrument's description and the exchange log; and the
// memory download window, which the panel keeps and shows as the driver says.
#include "Devices/Serial/SerialPanel.h"
#include "Devices/VELT_B/Velt_B.h"
#include "Devices/VELT_B/Velt_B_EEPROM.h"

#include <QCheckBox>

#include <memory>

class TRqPanel : public TSerialPanel {
    Q_OBJECT
public:
    // window: the driver's download window, kept by the panel.
    TRqPanel(TVelt_B* driver, QWidget* parent, std::unique_ptr<TfmVelt_B_EEPROM> window);
    ~TRqPanel() override;

    void Refresh() override;
    // The hidden clear-memory button's click.
    void ClearClick();

    TfmVelt_B_EEPROM* EEPROMWindow() const { return fmEEPROM.get(); }
    QString LogText() const { return mLog->toPlainText(); }

    QCheckBox* cbAutoEnum;
    QPushButton* bGetEEPROM;
    QPushButton* bClearEEPROM;
    QGroupBox* gbDescription;
    QLabel *lbSerialValue, *lbDateValue, *lbCountValue;
    QGroupBox* gbLog;
    QPlainTextEdit* mLog;
    QPushButton* bClearLog;

private:
    void showDownload(const TDownloadView& now, const TDownloadView& before);

    TVelt_B* driver_;
    std::unique_ptr<TfmVelt_B_EEPROM> fmEEPROM;
    TRqStatus shown_; // as last taken
};
