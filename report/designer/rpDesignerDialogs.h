#pragma once
// The designer's dialog pieces: the OK and Cancel row of its dialogs, and its open and save questions.
// Its dialogs run through the dialog port (ctl::ExecDialog).
#include "platform/controls/DialogPort.h"

#include <QString>

class QDialog;
class QHBoxLayout;
class QPushButton;
class QWidget;

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
};

// The file name with its extension (the last one) replaced; ext starts with a point.
QString rpChangeFileExt(const QString& fileName, const QString& ext);
