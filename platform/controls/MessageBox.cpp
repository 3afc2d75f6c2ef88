#include "platform/controls/MessageBox.h"
#include "platform/controls/DialogPort.h"
#include "platform/controls/Synchronize.h"

#include <QMessageBox>
#include <QPushButton>

#include <atomic>

namespace ctl {

namespace {

TQtMessageBoxPort g_qtPort;
std::atomic<TMessageBoxPort*> g_port{&g_qtPort};

QString buttonText(int result)
{
    // The platform's button captions, in the program's language.
    switch (result) {
    case IDOK: return QStringLiteral("OK");
    case IDCANCEL: return QString::fromUtf8("Отмена");
    case IDABORT: return QString::fromUtf8("Прервать");
    case IDRETRY: return QString::fromUtf8("Повторить");
    case IDIGNORE: return QString::fromUtf8("Пропустить");
    case IDYES: return QString::fromUtf8("Да");
    case IDNO: return QString::fromUtf8("Нет");
    case IDALL: return QString::fromUtf8("Все");
    }
    return {};
}

QMessageBox::ButtonRole buttonRole(int result)
{
    switch (result) {
    case IDOK: return QMessageBox::AcceptRole;
    case IDYES: return QMessageBox::YesRole;
    case IDNO: return QMessageBox::NoRole;
    case IDCANCEL:
    case IDABORT: return QMessageBox::RejectRole;
    default: return QMessageBox::ActionRole;
    }
}

} // namespace

std::vector<int> ButtonResults(unsigned flags)
{
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    case MB_YESNOALL: return {IDYES, IDNO, IDALL};
    default: return {IDOK};
    }
}

int DefaultResult(unsigned flags)
{
    const std::vector<int> results = ButtonResults(flags);
    const size_t index = (flags & MB_DEFMASK) >> 8;
    return index < results.size() ? results[index] : results.front();
}

int MessageBox(const QString& text, const QString& caption, unsigned flags)
{
    int result = DefaultResult(flags);
    Synchronize([&] { result = g_port.load()->Show(text, caption, flags); });
    return result;
}

TMessageBoxPort* SetMessageBoxPort(TMessageBoxPort* port)
{
    return g_port.exchange(port ? port : &g_qtPort);
}

int TQtMessageBoxPort::Show(const QString& text, const QString& caption, unsigned flags)
{
    QMessageBox box;
    box.setWindowTitle(caption);
    box.setText(text);
    switch (flags & MB_ICONMASK) {
    case MB_ICONSTOP: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    const std::vector<int> results = ButtonResults(flags);
    std::vector<QAbstractButton*> buttons;
    for (int r : results)
        buttons.push_back(box.addButton(buttonText(r), buttonRole(r)));
    const int def = DefaultResult(flags);
    for (size_t i = 0; i < results.size(); ++i) {
        if (results[i] == def)
            box.setDefaultButton(static_cast<QPushButton*>(buttons[i]));
    }
    // Closing the window answers as the platform does: Cancel when there is one, else the only button.
    int escape = -1;
    for (size_t i = 0; i < results.size(); ++i) {
        if (results[i] == IDCANCEL || (results.size() == 1))
            escape = int(i);
    }
    if (escape >= 0)
        box.setEscapeButton(buttons[size_t(escape)]);
    ExecDialog(box);
    QAbstractButton* clicked = box.clickedButton();
    for (size_t i = 0; i < results.size(); ++i) {
        if (buttons[i] == clicked)
            return results[i];
    }
    return escape >= 0 ? results[size_t(escape)] : IDCANCEL;
}

TScriptedMessageBoxPort::TScriptedMessageBoxPort() : previous_(SetMessageBoxPort(this)) {}

TScriptedMessageBoxPort::~TScriptedMessageBoxPort()
{
    SetMessageBoxPort(previous_ == &g_qtPort ? nullptr : previous_);
}

void TScriptedMessageBoxPort::Answer(int result)
{
    std::lock_guard<std::mutex> g(lock_);
    script_.push_back(result);
}

std::vector<TScriptedMessageBoxPort::Asked> TScriptedMessageBoxPort::AskedSoFar() const
{
    std::lock_guard<std::mutex> g(lock_);
    return asked_;
}

int TScriptedMessageBoxPort::Count() const
{
    std::lock_guard<std::mutex> g(lock_);
    return int(asked_.size());
}

void TScriptedMessageBoxPort::Clear()
{
    std::lock_guard<std::mutex> g(lock_);
    asked_.clear();
    script_.clear();
}

int TScriptedMessageBoxPort::Show(const QString& text, const QString& caption, unsigned flags)
{
    std::lock_guard<std::mutex> g(lock_);
    int result = DefaultResult(flags);
    if (!script_.empty()) {
        result = script_.front();
        script_.pop_front();
    }
    asked_.push_back({text, caption, flags, result});
    return result;
}

} // namespace ctl
