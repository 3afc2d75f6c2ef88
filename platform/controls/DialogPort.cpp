#include "platform/controls/DialogPort.h"

#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QPoint>

namespace ctl {

namespace {

TQtDialogPort g_qtPort;
TDialogPort* g_port = &g_qtPort;

} // namespace

int ExecDialog(QDialog& dialog)
{
    return g_port->Exec(dialog);
}

bool AskFile(TFileQuestion& question, QWidget* parent)
{
    return g_port->AskFile(question, parent);
}

void PopupMenu(QMenu& menu, const QPoint& at)
{
    g_port->Popup(menu, at);
}

int TQtDialogPort::Exec(QDialog& dialog)
{
    return dialog.exec();
}

bool TQtDialogPort::AskFile(TFileQuestion& question, QWidget* parent)
{
    QFileDialog dialog(parent, question.Caption);
    dialog.setAcceptMode(question.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(question.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The descriptions carry their patterns in brackets, which is what the dialog filters by.
    dialog.setNameFilters(question.Filters);
    if (question.FilterIndex >= 1 && question.FilterIndex <= question.Filters.size())
        dialog.selectNameFilter(question.Filters[question.FilterIndex - 1]);
    if (!question.FileName.isEmpty())
        dialog.selectFile(question.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    question.FileName = dialog.selectedFiles().first();
    question.FilterIndex = std::max(1, int(question.Filters.indexOf(dialog.selectedNameFilter())) + 1);
    return true;
}

void TQtDialogPort::Popup(QMenu& menu, const QPoint& at)
{
    menu.popup(at);
}

TScopedDialogPort::TScopedDialogPort() : previous_(g_port)
{
    g_port = this;
}

TScopedDialogPort::~TScopedDialogPort()
{
    g_port = previous_;
}

} // namespace ctl
