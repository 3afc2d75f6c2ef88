#pragma once
// The one way the program runs a modal dialog, asks for a file name or pops up a menu.
//
// The program's port runs them with the user. A test answers them as a user would through a port of its
// own, which is in force for the life of a scope (TScopedDialogPort): a failed assertion cannot leave it
// behind. Only the main thread runs dialogs.
#include <QString>
#include <QStringList>

class QDialog;
class QMenu;
class QPoint;
class QWidget;

namespace ctl {

// An open or save question. Filters are "Description (*.ext)" entries; FilterIndex counts from 1 and
// gives back the filter chosen; FileName proposes a name (a path, or a name in the current folder) and
// gives back the chosen one.
struct TFileQuestion {
    bool Save = false;
    QString Caption;
    QStringList Filters;
    QString FileName;
    int FilterIndex = 1;
};

class TDialogPort {
public:
    virtual ~TDialogPort() = default;
    // Runs the dialog modally; gives its result as exec() does.
    virtual int Exec(QDialog& dialog) = 0;
    // False when cancelled.
    virtual bool AskFile(TFileQuestion& question, QWidget* parent) = 0;
    // Shows the menu at a screen point; its items act when chosen.
    virtual void Popup(QMenu& menu, const QPoint& at) = 0;
};

int ExecDialog(QDialog& dialog);
bool AskFile(TFileQuestion& question, QWidget* parent);
void PopupMenu(QMenu& menu, const QPoint& at);

// The program's port: the dialogs themselves.
class TQtDialogPort : public TDialogPort {
public:
    int Exec(QDialog& dialog) override;
    bool AskFile(TFileQuestion& question, QWidget* parent) override;
    void Popup(QMenu& menu, const QPoint& at) override;
};

// A port in force from its construction to its destruction, when the one it replaced comes back.
class TScopedDialogPort : public TDialogPort {
public:
    TScopedDialogPort();
    ~TScopedDialogPort() override;
    TScopedDialogPort(const TScopedDialogPort&) = delete;
    TScopedDialogPort& operator=(const TScopedDialogPort&) = delete;

private:
    TDialogPort* previous_;
};

} // namespace ctl
