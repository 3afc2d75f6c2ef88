#pragma once
// The memory download window of VELT-C: the request-and-answer drivers' window with a taller, wrapped status
// (every exchange log line shows in it) and no close box.
#include "Devices/VELT_B/Velt_B_EEPROM.h"

class TfmVelt_C_EEPROM : public TfmVelt_B_EEPROM {
    Q_OBJECT
public:
    explicit TfmVelt_C_EEPROM(std::atomic<int>* go);
};
