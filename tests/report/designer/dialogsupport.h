#pragma once
// A designer test on the engine's designer, whose modal dialogs are driven by a dialog script.
#include "designerfixture.h"
#include "designerdialogs.h"

#include <memory>

class QAction;

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

} // namespace destest
