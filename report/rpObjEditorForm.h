#pragma once
// Base of the designer's object editors: a dialog that edits one report object.
#include <QDialog>

class TrpView;

class TrpObjEditorForm : public QDialog {
public:
    using QDialog::QDialog;
    virtual void ShowEditor(TrpView* view) { (void)view; }
};
