#pragma once
// The report variables editor: binds each report variable to a data set field, a special value (an
// expression among them) or a script variable. Cancel gives the report back its value table and
// variables text as they were.
#include "report/rpValues.h"

#include <QDialog>
#include <QStringList>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TrpReport;
class TrpSpeedButton;

class TrpEvForm : public QDialog {
public:
    TrpEvForm(TrpReport* report, QWidget* parent = nullptr);

    void Init();
    void VarComboClick();
    void VarListClick();
    void ValComboClick();
    void ValListClick();
    // Edit1 only for the special value "Expression"; emptied otherwise.
    void UpdateExpression();
    // Stores the chosen source and item into the chosen variable's value entry.
    void StoreValue();
    // Chooses the source and item of a "source.item" text ("Form.DataSet.Field" for another form's data set).
    void SelectValue(const QString& text);
    void SB1Click();
    void SB2Click();
    void Button3Click();
    void done(int result) override;

    QComboBox* VarCombo;
    QListWidget* VarList;
    QComboBox* ValCombo;
    QListWidget* ValList;
    QLabel* Label1;
    QLabel* Label2;
    QPushButton* Button1;
    QLineEdit* Edit1;
    QLabel* Label3;
    QPushButton* Button2;
    QPushButton* Button3;
    TrpSpeedButton* SB1;
    TrpSpeedButton* SB2;
    QFrame* Bevel1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend bool ShowEvEditor(TrpReport* report, QWidget* parent);
    bool otherChosen() const;
    bool scriptChosen() const;
    TrpReport* report_;
    TrpValues backupValues_;
    QStringList backupVariables_;
    int dataSetCount_ = 0;
};

// The editor on report; true when the user pressed OK.
bool ShowEvEditor(TrpReport* report, QWidget* parent = nullptr);

// The editor's own clipboard, one per program: a value table followed by a variables text.
QByteArray& rpVariablesClipboard();
