#pragma once
// Steps for the editor dialogs, written where the dialog is opened: each names the dialog class it
// expects and goes to the dialog script of the test that is running.
#include "dialogscript.h"

namespace destest {

// A dialog script that OnModalOf feeds while it lives.
class ModalScript : public DialogScript {
public:
    ModalScript();
    ~ModalScript();
    static ModalScript* Current;
};

// The next dialog the designer runs takes step; one of another class fails the test.
template <typename Dialog>
void OnModalOf(const std::function<void(Dialog*)>& step)
{
    ASSERT_NE(ModalScript::Current, nullptr);
    ModalScript::Current->Then([step](QDialog& d) {
        auto* dialog = dynamic_cast<Dialog*>(&d);
        ASSERT_NE(dialog, nullptr) << "unexpected dialog " << d.objectName().toStdString();
        step(dialog);
    });
}

} // namespace destest
