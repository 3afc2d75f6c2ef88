#include "app/EditOperForm.h"

#include "platform/controls/FormFont.h"

#include "app/ProgParam.h"
#include "platform/controls/MessageBox.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace ctl;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

void warn(const char* text, unsigned icon = MB_ICONWARNING)
{
    MessageBox(u(text), u("Внимание!"), MB_OK | icon);
}

QLabel* label(QWidget* parent, const char* text, int y, bool title = false)
{
    auto* l = new QLabel(u(text), parent);
    l->setGeometry(8, y, 219, 16);
    if (title) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    return l;
}

QLineEdit* edit(QWidget* parent, int y, bool masked)
{
    auto* e = new QLineEdit(parent);
    e->setGeometry(8, y, 219, 22);
    if (masked)
        e->setEchoMode(QLineEdit::Password);
    return e;
}

QPushButton* button(QWidget* parent, const char* text, int x, int y)
{
    auto* b = new QPushButton(u(text), parent);
    b->setGeometry(x, y, 100, 25);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TfmEditOper::TfmEditOper(QWidget* owner)
    : QDialog(owner)
{
    ctl::SetFormFont(this);
    setWindowTitle(u("Редактирование Операторов"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(235, 262);

    // Three panels in one place; one shows at a time.
    pListOper = new QWidget(this);
    pAddOper = new QWidget(this);
    pDelOper = new QWidget(this);
    for (QWidget* p : {pListOper, pAddOper, pDelOper})
        p->setGeometry(0, 0, 235, 262);

    label(pListOper, "Список операторов:", 6);
    lbListOper = new QListWidget(pListOper);
    lbListOper->setGeometry(8, 24, 219, 196);
    bbAddOper = button(pListOper, "Добавить", 8, 228);
    bbDelOper = button(pListOper, "Удалить", 127, 228);

    label(pAddOper, "Добавление оператора", 6, true);
    label(pAddOper, "Фамилия и инициаллы оператора:", 30);
    eAdd_Oper = edit(pAddOper, 48, false);
    label(pAddOper, "Пароль:", 80);
    eAdd_Passw = edit(pAddOper, 98, true);
    label(pAddOper, "Повторите пароль:", 130);
    eAdd_Passw2 = edit(pAddOper, 148, true);
    bbAdd_OK = button(pAddOper, "ОК", 8, 228);
    bbAdd_Cancel = button(pAddOper, "Отмена", 127, 228);

    label(pDelOper, "Удаление оператора", 6, true);
    label(pDelOper, "Фамилия и инициаллы оператора:", 30);
    eDel_Oper = edit(pDelOper, 48, false);
    eDel_Oper->setEnabled(false);
    label(pDelOper, "Пароль оператора:", 80);
    eDel_Passw = edit(pDelOper, 98, true);
    bbDel_OK = button(pDelOper, "ОК", 8, 228);
    bbDel_Cancel = button(pDelOper, "Отмена", 127, 228);

    showOnly(pListOper);
    eAdd_Oper->installEventFilter(this);

    connect(bbAddOper, &QPushButton::clicked, this, [this] { bbAddOperClick(); });
    connect(bbAdd_OK, &QPushButton::clicked, this, [this] { bbAdd_OKClick(); });
    connect(bbAdd_Cancel, &QPushButton::clicked, this, [this] { showOnly(pListOper); });
    connect(bbDelOper, &QPushButton::clicked, this, [this] { bbDelOperClick(); });
    connect(bbDel_OK, &QPushButton::clicked, this, [this] { bbDel_OKClick(); });
    connect(bbDel_Cancel, &QPushButton::clicked, this, [this] { showOnly(pListOper); });
}

bool TfmEditOper::Execute(TProgParam* store, const QString& currentOperator, const QString& workDir)
{
    ProgParam = store;
    CurrentOperator = currentOperator;
    WorkDir = workDir;
    fillList();
    return true;
}

void TfmEditOper::showOnly(QWidget* panel)
{
    for (QWidget* p : {pListOper, pAddOper, pDelOper})
        p->setVisible(p == panel);
}

void TfmEditOper::fillList()
{
    lbListOper->clear();
    if (ProgParam)
        lbListOper->addItems(ProgParam->GetOperList());
}

bool TfmEditOper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == eAdd_Oper && event->type() == QEvent::KeyPress) {
        // Names are stored in capitals as typed.
        auto* key = static_cast<QKeyEvent*>(event);
        const QString upper = key->text().toUpper();
        if (!key->text().isEmpty() && upper != key->text()) {
            QKeyEvent replaced(QEvent::KeyPress, key->key(), key->modifiers(), upper, key->isAutoRepeat(), ushort(key->count()));
            QCoreApplication::sendEvent(eAdd_Oper, &replaced);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfmEditOper::bbAddOperClick()
{
    eAdd_Oper->clear();
    eAdd_Passw->clear();
    eAdd_Passw2->clear();
    showOnly(pAddOper);
}

void TfmEditOper::bbAdd_OKClick()
{
    if (eAdd_Oper->text().isEmpty()) {
        warn("Вы не ввели Имя оператора!");
        return;
    }
    if (eAdd_Passw->text().isEmpty()) {
        warn("Вы не ввели Пароль оператора!");
        return;
    }
    if (eAdd_Passw->text() != eAdd_Passw2->text()) {
        warn("Пароли не совпадают!");
        return;
    }
    if (ProgParam)
        ProgParam->AddOper(eAdd_Oper->text(), eAdd_Passw->text());
    fillList();
    showOnly(pListOper);
}

void TfmEditOper::bbDelOperClick()
{
    QListWidgetItem* item = lbListOper->currentItem();
    if (!item || !item->isSelected()) {
        warn("Сначала выделите оператора!");
        return;
    }
    eDel_Oper->setText(item->text());
    eDel_Passw->clear();
    if (item->text() == CurrentOperator) {
        warn("Нельзя удалить текущего оператора!");
        return;
    }
    showOnly(pDelOper);
}

void TfmEditOper::bbDel_OKClick()
{
    const int r = ProgParam ? ProgParam->DelOper(eDel_Oper->text(), eDel_Passw->text()) : -1;
    switch (r) {
    case 0:
        fillList();
        showOnly(pListOper);
        break;
    case -1:
        warn("Оператор не найден!");
        break;
    case -2:
        warn("Неверный пароль!");
        break;
    case -3:
        break;
    default:
        warn("Неизвестная ошибка!", MB_ICONERROR);
        break;
    }
}
