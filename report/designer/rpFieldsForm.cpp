#include "report/designer/rpFieldsForm.h"

#include "report/designer/rpDesignerDialogs.h"
#include "report/rpDataHelpers.h"
#include "report/rpGlobals.h"
#include "report/rpReport.h"
#include "report/rpStrings.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <exception>

QString TrpFieldsForm::LastDataSet;

TrpFieldsForm::TrpFieldsForm(TrpReport* report, QWidget* parent) : TrpPickerForm(report, parent)
{
    setObjectName(QStringLiteral("TrpFieldsForm"));
    setWindowTitle(rpLoadStr(53450));
    Label1->setText(rpLoadStr(53451));
}

void TrpFieldsForm::FormActivate()
{
    QStringList sets;
    rpGetComponents(Report ? Report->Owner : nullptr, sets);
    ValCombo->clear();
    ValCombo->addItems(sets);
    ChooseEntry(LastDataSet);
}

void TrpFieldsForm::FillList()
{
    ValList->clear();
    if (ValCombo->currentIndex() < 0)
        return;
    // The data set is looked up on the edited report's owner.
    CurReport = Report;
    // A data set that cannot list its fields just shows none.
    try {
        if (TDataSet* d = rpGetDataSet(ValCombo->currentText())) {
            QStringList names;
            rpGetFieldNames(d, names);
            ValList->addItems(names);
        }
    } catch (const std::exception&) {
    }
}

bool TrpFieldsForm::Pick(QWidget* parent, QString& field)
{
    TrpFieldsForm picker(CurReport, parent);
    if (ctl::ExecDialog(picker) != Accepted || picker.DBField.isEmpty())
        return false;
    field = picker.DBField;
    return true;
}

void TrpFieldsForm::done(int result)
{
    LastDataSet = ValCombo->currentText();
    const QString field = ChosenItem();
    if (!field.isEmpty())
        DBField = LastDataSet + QStringLiteral(".\"") + field + QLatin1Char('"');
    TrpPickerForm::done(result);
}
