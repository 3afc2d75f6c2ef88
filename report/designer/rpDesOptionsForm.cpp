#include "report/designer/rpDesOptionsForm.h"

#include "report/designer/rpDesignerDialogs.h"
#include "report/rpStrings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

template <typename T>
T* control(QGroupBox* group, const char* name, int text)
{
    auto* c = new T(rpLoadStr(text), group);
    c->setObjectName(QString::fromLatin1(name));
    group->layout()->addWidget(c);
    return c;
}

QGroupBox* group(QWidget* parent, const char* name, int text)
{
    auto* g = new QGroupBox(rpLoadStr(text), parent);
    g->setObjectName(QString::fromLatin1(name));
    new QVBoxLayout(g);
    return g;
}

} // namespace

TrpDesOptionsForm::TrpDesOptionsForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("rpDesOptionsForm"));
    setWindowTitle(rpLoadStr(53280));
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    auto* sheet = new QWidget;
    PageControl1->addTab(sheet, rpLoadStr(53281));

    GroupBox1 = group(sheet, "GroupBox1", 53282);
    CB1 = control<QCheckBox>(GroupBox1, "CB1", 53286);
    CB2 = control<QCheckBox>(GroupBox1, "CB2", 53287);
    GroupBox4 = group(sheet, "GroupBox4", 53285);
    RB1 = control<QRadioButton>(GroupBox4, "RB1", 53288);
    RB2 = control<QRadioButton>(GroupBox4, "RB2", 53289);
    RB3 = control<QRadioButton>(GroupBox4, "RB3", 53290);
    GroupBox2 = group(sheet, "GroupBox2", 53283);
    RB4 = control<QRadioButton>(GroupBox2, "RB4", 53291);
    RB5 = control<QRadioButton>(GroupBox2, "RB5", 53292);
    GroupBox3 = group(sheet, "GroupBox3", 53284);
    RB6 = control<QRadioButton>(GroupBox3, "RB6", 53293);
    RB7 = control<QRadioButton>(GroupBox3, "RB7", 53294);
    RB8 = control<QRadioButton>(GroupBox3, "RB8", 53295);
    GroupBox5 = group(sheet, "GroupBox5", 53297);
    CB3 = control<QCheckBox>(GroupBox5, "CB3", 53296);
    CB4 = control<QCheckBox>(GroupBox5, "CB4", 53298);
    CB5 = control<QCheckBox>(GroupBox5, "CB5", 53299);
    for (QGroupBox* g : {GroupBox1, GroupBox2, GroupBox3, GroupBox4, GroupBox5})
        static_cast<QVBoxLayout*>(g->layout())->addStretch(1);
    auto* grid = new QGridLayout(sheet);
    grid->addWidget(GroupBox1, 0, 0);
    grid->addWidget(GroupBox4, 0, 1);
    grid->addWidget(GroupBox2, 1, 0);
    grid->addWidget(GroupBox3, 1, 1);
    grid->addWidget(GroupBox5, 2, 0, 1, 2);

    QHBoxLayout* buttons = rpOkCancelRow(this, Button1, Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);
}
