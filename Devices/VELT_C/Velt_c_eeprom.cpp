#include "Devices/VELT_C/Velt_c_eeprom.h"

TfmVelt_C_EEPROM::TfmVelt_C_EEPROM(std::atomic<int>* go) : TfmVelt_B_EEPROM(go)
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint);
    Label7->move(8, 56);
    lbState->move(16, 72);
    lbState->setWordWrap(true);
    lbState->setAttribute(Qt::WA_TranslucentBackground);
    // Long lines wrap within the group instead of widening the label past it.
    lbState->setFixedWidth(153);
}
