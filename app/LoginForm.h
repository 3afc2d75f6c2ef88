#pragma once
// Choice of the operator with a password, at start-up and at a change of operator.
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TProgParam;

class TfmLogin : public QDialog {
    Q_OBJECT
public:
    explicit TfmLogin(QWidget* owner = nullptr);

    // Fills the list from the store and selects the operator remembered in VELT.ini.
    bool Setup(TProgParam* store, const QString& workDir);
    // The modal result: 1 after a successful login, 2 after cancel or closing the window.
    void reject() override;

    QString WorkDir;
    TProgParam* ProgParam = nullptr;
    QString OperatorName; // the name accepted, read by the caller after the dialog closed

    QComboBox* cbLoginName;
    QLineEdit* eLoginPassword;
    QPushButton* bOk;
    QPushButton* bCancel;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void bOkClick();
    QWidget* list_ = nullptr;  // the name list's popup view
    bool keyClosedList_ = false;
    void bCancelClick();
};
