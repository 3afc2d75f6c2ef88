#include "report/designer/rpVarForm.h"

#include "report/rpGlobals.h"
#include "report/rpInterpretator.h"
#include "report/rpReport.h"
#include "report/rpStrings.h"
#include "report/rpValues.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>

QString TrpVarForm::LastCategory;

TrpVarForm::TrpVarForm(TrpReport* report, QWidget* parent) : TrpPickerForm(report, parent)
{
    setObjectName(QStringLiteral("TrpVarForm"));
    setWindowTitle(rpLoadStr(53440));
    Label1->setText(rpLoadStr(53441));
}

void TrpVarForm::FormActivate()
{
    QStringList categories;
    if (Report)
        Report->GetCategoryList(categories);
    categoryCount_ = int(categories.size());
    ValCombo->clear();
    ValCombo->addItems(categories);
    ValCombo->addItem(rpLoadStr(55075));
    ValCombo->addItem(rpLoadStr(55342));
    ChooseEntry(LastCategory);
}

void TrpVarForm::FillList()
{
    ValList->clear();
    const int category = ValCombo->currentIndex();
    if (category < 0)
        return;
    if (category == categoryCount_ + 1) {
        const TrpVariables& vars = rpTheVariables();
        for (int i = 0; i < vars.GetCount(); ++i)
            ValList->addItem(vars.GetName(i));
    } else if (category == categoryCount_) {
        for (int kind = svPage; kind <= svTotalPages; ++kind)
            if (kind != svExpression)
                ValList->addItem(rpSpecialValueName(kind));
    } else {
        QStringList names;
        Report->GetVarList(category, names);
        ValList->addItems(names);
    }
}

void TrpVarForm::done(int result)
{
    if (result == Accepted) {
        Value = ChosenItem();
        // "Expression" is not listed, so the items after the first stand one kind further on.
        if (!Value.isEmpty() && ValCombo->currentIndex() == categoryCount_) {
            const int row = ValList->currentRow();
            Value = rpSpecFuncName(row == 0 ? svPage : row + 1);
        }
    }
    LastCategory = ValCombo->currentText();
    TrpPickerForm::done(result);
}
