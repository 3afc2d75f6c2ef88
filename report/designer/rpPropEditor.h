#pragma once
// A property editor: a window the object inspector opens from a row's "..." button to edit a value of the
// view it shows (the memo and script editor is one).
#include <QDialog>

class TrpView;

class TPropEditor : public QDialog {
public:
    using QDialog::QDialog;
    // The view being edited; the inspector sets it before ShowEditor.
    TrpView* View = nullptr;
    // The modal result (QDialog::Accepted or Rejected).
    virtual int ShowEditor() = 0;
};
