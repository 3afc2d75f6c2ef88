#include "dialogdriver.h"

namespace destest {

ModalScript* ModalScript::Current = nullptr;

ModalScript::ModalScript()
{
    Current = this;
}

ModalScript::~ModalScript()
{
    Current = nullptr;
}

} // namespace destest
