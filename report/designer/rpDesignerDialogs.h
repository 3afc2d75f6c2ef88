#pragma once
// How the designer runs its modal dialogs and file dialogs: with the user, or with a test that stands in
// for him (the dialog is then shown and driven by clicks and keys instead of a modal loop).
#include <QString>
#include <functional>

class QDialog;
class QHBoxLayout;
class QPushButton;
class QWidget;

// The dialog's modal result (QDialog::Accepted or Rejected).
int rpExecDialog(QDialog& dialog);
extern std::function<int(QDialog&)> rpDialogRunner;

// The OK (default) and Cancel buttons of a dialog under the given names, at the right of a row; they accept
// and reject it.
QHBoxLayout* rpOkCancelRow(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel, const char* okName = "Button1",
                           const char* cancelName = "Button2");

// An open or save dialog. Filter is "Description (*.ext)|*.ext" pairs joined by "|"; FilterIndex counts
// from 1, in and out.
struct TrpFileDialog {
    bool Save = false;
    QString Filter;
    QString FileName;
    int FilterIndex = 1;

    // False when cancelled.
    bool Execute(QWidget* parent);
    // The descriptions of the filter's pairs, in order.
    QStringList Descriptions() const;

    static std::function<bool(TrpFileDialog&)> Runner;
};

// The file name with its extension (the last one) replaced; ext starts with a point.
QString rpChangeFileExt(const QString& fileName, const QString& ext);
