#pragma once
// The VELT-C driver: the request-and-answer driver without the live poll (its measurements reach the journal
// only by memory download), identified without the operating-mode step and the firmware checks, whose memory
// holds one 256-byte record per measurement with the examined person's and the inspector's texts.
#include "Devices/VELT_B/Velt_B.h"

class TVelt_C : public TVelt_B {
public:
    TVelt_C(const QString& name, int typeId);

    void GetEEPROM() override;

protected:
    std::unique_ptr<TfmVelt_B_EEPROM> CreateEEPROMWindow(std::atomic<int>* go) override;
    bool OwnModel(uint16_t model) const override { return model == proto::kVeltCModel; }
    // Every exchange log line is also the download window's state.
    void AddLogLine(const QString& text) override;
    void GETEEPROM_Thread() override;
    bool downloadWalk(TDownload& d) override;
    void downloadAnalysed(const TDownload& d) override;
    void handOverBegins(const TDownload& d) override;
    void handOverEntry(uint32_t k, uint32_t index) override;
    TVELTMeasurement buildEntry(const TDownload& d, uint32_t index) const override;

private:
    // A stop whose last state stays on show for a while before the window goes.
    void downloadStopShown();
};

// The journal record a VELT-C memory record becomes (accuracy: the rounding step of both results).
TVELTMeasurement VeltCMeasurement(const proto::TVELTEepromRecord& r, uint32_t serial, LongTime verification,
                                  float accuracy, int typeId);
