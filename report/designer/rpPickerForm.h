#pragma once
// The common shape of the small pickers of the memo editor: a combo box of groups above a list of
// items. A press on an item or Enter closes with OK, Escape with Cancel.
#include <QDialog>

class QComboBox;
class QLabel;
class QListWidget;
class TrpReport;

class TrpPickerForm : public QDialog {
public:
    TrpPickerForm(TrpReport* report, QWidget* parent);

    // Fills the combo box (on showing) and the list (on each change of the combo box).
    virtual void FormActivate() = 0;
    virtual void FillList() = 0;

    QLabel* Label1;
    QComboBox* ValCombo;
    QListWidget* ValList;

protected:
    // Chooses the combo entry equal to remembered, else the first, then fills the list.
    void ChooseEntry(const QString& remembered);
    // The text of the chosen list item; empty when none is chosen.
    QString ChosenItem() const;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

    TrpReport* Report;
};
