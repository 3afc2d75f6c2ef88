#include "report/designer/rpVaredForm.h"

#include "platform/controls/FormFont.h"
#include "report/designer/rpDesignerDialogs.h"
#include "report/designer/rpEditorForm.h"
#include "report/rpReport.h"
#include "report/rpStrings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TrpVaredForm::TrpVaredForm(TrpReport* report, QWidget* parent) : QDialog(parent), report_(report)
{
    ctl::SetFormFont(this);
    setObjectName(QStringLiteral("TrpVaredForm"));
    setWindowTitle(rpLoadStr(53360));
    Label1 = new QLabel(rpLoadStr(53361), this);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Label1->setBuddy(Memo1);
    QHBoxLayout* buttons = rpOkCancelRow(this, Button4, Button5, "Button4", "Button5");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Memo1, 1);
    layout->addLayout(buttons);
    resize(300, 340);
}

void TrpVaredForm::showEvent(QShowEvent* event)
{
    FormActivate();
    QDialog::showEvent(event);
}

void TrpVaredForm::FormActivate()
{
    Memo1->setPlainText(report_->Variables.join(QLatin1Char('\n')));
    Memo1->setFocus();
}

QStringList TrpVaredForm::Lines() const
{
    return rpEditorLines(Memo1->toPlainText());
}
