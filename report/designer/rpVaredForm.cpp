#include "report/designer/rpVaredForm.h"

#include "platform/controls/FormFont.h"
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
    setWindowTitle(rpLoadStr(53360));
    Label1 = new QLabel(rpLoadStr(53361), this);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Label1->setBuddy(Memo1);
    Button4 = new QPushButton(rpLoadStr(55000), this);
    Button5 = new QPushButton(rpLoadStr(55001), this);
    // Enter makes a new line in the text.
    Button4->setAutoDefault(false);
    Button5->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button4);
    buttons->addWidget(Button5);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Memo1, 1);
    layout->addLayout(buttons);
    resize(300, 340);
    connect(Button4, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button5, &QPushButton::clicked, this, &QDialog::reject);
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
