#include "report/designer/rpDocOptForm.h"

#include "report/rpPrinter.h"
#include "report/designer/rpDesignerDialogs.h"
#include "report/rpStrings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TrpDocOptForm::TrpDocOptForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("rpDocOptForm"));
    setWindowTitle(rpLoadStr(53370));
    GroupBox1 = new QGroupBox(rpLoadStr(53371), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    ComB1 = new QComboBox(GroupBox1);
    ComB1->setObjectName(QStringLiteral("ComB1"));
    ComB1->setMinimumWidth(240);
    (new QVBoxLayout(GroupBox1))->addWidget(ComB1);
    GroupBox2 = new QGroupBox(rpLoadStr(53373), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    CB1 = new QCheckBox(rpLoadStr(53372), GroupBox2);
    CB1->setObjectName(QStringLiteral("CB1"));
    CB2 = new QCheckBox(rpLoadStr(53374), GroupBox2);
    CB2->setObjectName(QStringLiteral("CB2"));
    auto* other = new QVBoxLayout(GroupBox2);
    other->addWidget(CB1);
    other->addWidget(CB2);
    QHBoxLayout* buttons = rpOkCancelRow(this, Button1, Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox2);
    layout->addStretch(1);
    layout->addLayout(buttons);
}

void TrpDocOptForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ComB1->clear();
    ComB1->addItems(Prn().Printers);
    ComB1->setCurrentIndex(Prn().PrinterIndex);
}
