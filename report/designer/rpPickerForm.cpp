#include "report/designer/rpPickerForm.h"

#include "platform/controls/FormFont.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

TrpPickerForm::TrpPickerForm(TrpReport* report, QWidget* parent) : QDialog(parent), Report(report)
{
    ctl::SetFormFont(this);
    Label1 = new QLabel(this);
    ValCombo = new QComboBox(this);
    ValList = new QListWidget(this);
    Label1->setBuddy(ValCombo);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ValCombo);
    layout->addWidget(ValList, 1);
    resize(240, 300);
    connect(ValCombo, &QComboBox::activated, this, [this] { FillList(); });
    connect(ValList, &QListWidget::itemPressed, this, [this](QListWidgetItem* item) {
        ValList->setCurrentItem(item);
        accept();
    });
    ValCombo->installEventFilter(this);
    ValList->installEventFilter(this);
}

void TrpPickerForm::ChooseEntry(const QString& remembered)
{
    const int i = ValCombo->findText(remembered);
    ValCombo->setCurrentIndex(i >= 0 ? i : 0);
    FillList();
}

QString TrpPickerForm::ChosenItem() const
{
    QListWidgetItem* item = ValList->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

bool TrpPickerForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TrpPickerForm::showEvent(QShowEvent* event)
{
    FormActivate();
    QDialog::showEvent(event);
    ValList->setFocus();
}
