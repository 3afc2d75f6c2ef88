#pragma once
// The field picker of the memo editor and the group editor: the report data sets of the program and
// their fields; the choice is written dataset."field".
#include "report/designer/rpPickerForm.h"

class TrpFieldsForm : public TrpPickerForm {
public:
    TrpFieldsForm(TrpReport* report, QWidget* parent = nullptr);

    void FormActivate() override;
    void FillList() override;
    void done(int result) override;

    // The picker on the designer's report: field := the chosen dataset."field"; false when none was chosen.
    static bool Pick(QWidget* parent, QString& field);

    // The chosen field as dataset."field"; empty when none was chosen.
    QString DBField;
    // The data set shown when the picker last closed, chosen again at the next opening.
    static QString LastDataSet;
};
