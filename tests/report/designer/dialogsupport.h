#pragma once
// Driving the designer's modal dialogs as a user would, and checking how a dialog is laid out.
#include "designerfixture.h"

#include <QWidget>

class QAction;
#include <functional>
#include <memory>

namespace destest {

// A designer test whose window is the engine's designer (the items and dialogs reach it through
// rpDesigner).
class EngineDesignerTest : public DesignerTest {
protected:
    EngineDesignerTest();
    ~EngineDesignerTest() override;
    // The report saved and read back.
    std::unique_ptr<TrpReport> Reloaded();
    // The views of the reloaded report's first page, by name.
    TrpView* Find(TrpReport& r, const QString& name);
    // The item of the selection's pop-up menu with this text (opened afresh); null when there is none.
    QAction* PopupItem(const QString& text);

private:
    TrpDesignerBase* previous_;
};

// Runs act on the next modal dialog once it is shown (within the call that shows it).
void WhenModal(const std::function<void(QWidget* dialog)>& act);
// Clicks the dialog's push button of that object name.
void ClickButton(QWidget* dialog, const char* name);

// Every visible child lies inside its parent and apart from its visible siblings, and every label and
// button shows its whole text; the dialog is saved as a picture under the build folder for a look.
void CheckLayout(QWidget* dialog, const QString& shotName);

} // namespace destest
