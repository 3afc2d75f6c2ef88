#pragma once
// The variable picker of the memo editor: the report's variables by category, the special values
// ("Other") and the script variables ("RP variables").
#include "report/designer/rpPickerForm.h"

class TrpVarForm : public TrpPickerForm {
public:
    TrpVarForm(TrpReport* report, QWidget* parent = nullptr);

    void FormActivate() override;
    void FillList() override;
    void done(int result) override;

    // What goes between the brackets: a variable name, or the internal name of a special value.
    QString Value;
    // The category shown when the picker last closed, chosen again at the next opening.
    static QString LastCategory;

private:
    int categoryCount_ = 0;
};
