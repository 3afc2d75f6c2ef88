#include "app/LoginForm.h"

#include "platform/controls/FormFont.h"

#include "app/ProgParam.h"
#include "app/WorkFolder.h"
#include "core/Debug.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/IniFile.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace ctl;

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }
bool isListKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape; }
}

TfmLogin::TfmLogin(QWidget* owner)
    : QDialog(owner)
{
    ctl::SetFormFont(this);
    setWindowTitle(u("Выбор оператора"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(224, 134);

    auto* title = new QLabel(u("Выберите оператора"), this);
    title->setGeometry(8, 6, 208, 16);
    title->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto* lName = new QLabel(u("Оператор:"), this);
    lName->setGeometry(8, 32, 64, 21);
    cbLoginName = new QComboBox(this);
    cbLoginName->setEditable(false);
    cbLoginName->setGeometry(76, 30, 140, 23);
    auto* lPass = new QLabel(u("Пароль:"), this);
    lPass->setGeometry(8, 64, 64, 21);
    eLoginPassword = new QLineEdit(this);
    eLoginPassword->setEchoMode(QLineEdit::Password);
    eLoginPassword->setGeometry(76, 62, 140, 23);
    bOk = new QPushButton(u("Войти"), this);
    bOk->setGeometry(28, 100, 80, 25);
    bOk->setAutoDefault(false);
    bCancel = new QPushButton(u("Отмена"), this);
    bCancel->setGeometry(116, 100, 80, 25);
    bCancel->setAutoDefault(false);

    list_ = cbLoginName->view();
    list_->installEventFilter(this);  // after the list's own filter, so that this one sees keys first
    cbLoginName->installEventFilter(this);
    eLoginPassword->installEventFilter(this);
    connect(cbLoginName, &QComboBox::currentTextChanged, this,
            [this](const QString& text) { bOk->setEnabled(!text.isEmpty()); });
    connect(bOk, &QPushButton::clicked, this, [this] { bOkClick(); });
    connect(bCancel, &QPushButton::clicked, this, [this] { bCancelClick(); });
}

bool TfmLogin::Setup(TProgParam* store, const QString& workDir)
{
    ProgParam = store;
    WorkDir = workDir;
    const QString remembered = rtl::TIniFile(WorkFile(WorkDir, "VELT.ini")).ReadString("Methods", "Operator", QString());
    const QStringList names = store ? store->GetOperList() : QStringList();
    cbLoginName->blockSignals(true);
    cbLoginName->clear();
    cbLoginName->addItems(names);
    cbLoginName->setMaxVisibleItems(qMax(1, int(names.size())));
    // Nothing is chosen until the user chooses, unless the last operator is still there.
    cbLoginName->setCurrentIndex(names.indexOf(remembered));
    cbLoginName->blockSignals(false);
    return true;
}

void TfmLogin::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    eLoginPassword->setFocus();
}

bool TfmLogin::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == list_ && event->type() == QEvent::ShortcutOverride && list_->isVisible()
        && isListKey(static_cast<QKeyEvent*>(event)->key())) {
        // The open list chooses (Enter) or closes (Escape) on this key; the same key then comes as a key
        // press to the name field, and must not log in or cancel as well.
        keyClosedList_ = true;
        QMetaObject::invokeMethod(this, [this] { keyClosedList_ = false; }, Qt::QueuedConnection);
        return QDialog::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (keyClosedList_) {
        // The press of the key that closed the list has done its work: offscreen it comes to the name
        // field, on X to the list's view, which keeps the keyboard until the press is delivered.
        keyClosedList_ = false;
        if ((watched == cbLoginName || watched == list_) && isListKey(key->key()))
            return true;
    }
    if (watched == list_)
        return QDialog::eventFilter(watched, event); // the open list's keys are its own
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (bOk->isEnabled())
            bOk->click();
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        bCancel->click();
        return true;
    }
    if (watched == cbLoginName) {
        // Names are kept in capitals: typing selects them by their capital first letters.
        const QString upper = key->text().toUpper();
        if (!key->text().isEmpty() && upper != key->text()) {
            QKeyEvent replaced(QEvent::KeyPress, key->key(), key->modifiers(), upper, key->isAutoRepeat(), ushort(key->count()));
            QCoreApplication::sendEvent(cbLoginName, &replaced);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfmLogin::bOkClick()
{
    const QString name = cbLoginName->currentText();
    const int r = ProgParam ? ProgParam->CheckOper(name, eLoginPassword->text()) : -1;
    switch (r) {
    case 0: {
        OperatorName = name;
        rtl::TIniFile ini(WorkFile(WorkDir, "VELT.ini"));
        if (!ini.WriteString("Methods", "Operator", name))
            Dbg().Print("TfmLogin: %s", ini.LastError().toUtf8().constData());
        done(1);
        break;
    }
    case -1:
        MessageBox(u("Оператор не найден!"), u("Внимание!"), MB_OK | MB_ICONWARNING);
        break;
    case -2:
        MessageBox(u("Неверный пароль!"), u("Внимание!"), MB_OK | MB_ICONWARNING);
        break;
    default:
        MessageBox(u("Неизвестная ошибка!"), u("Внимание!"), MB_OK | MB_ICONERROR);
        break;
    }
}

void TfmLogin::bCancelClick()
{
    done(2);
}

void TfmLogin::reject()
{
    done(2);
}
