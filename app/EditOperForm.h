#pragma once
// The operators editor: adds and deletes operators of the store in memory.
#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TProgParam;

class TfmEditOper : public QDialog {
    Q_OBJECT
public:
    explicit TfmEditOper(QWidget* owner = nullptr);

    bool Execute(TProgParam* store, const QString& currentOperator, const QString& workDir);

    QString WorkDir;
    TProgParam* ProgParam = nullptr;
    QString CurrentOperator;

    QWidget* pListOper;
    QListWidget* lbListOper;
    QPushButton* bbAddOper;
    QPushButton* bbDelOper;
    QWidget* pAddOper;
    QLineEdit* eAdd_Oper;
    QLineEdit* eAdd_Passw;
    QLineEdit* eAdd_Passw2;
    QPushButton* bbAdd_OK;
    QPushButton* bbAdd_Cancel;
    QWidget* pDelOper;
    QLineEdit* eDel_Oper;
    QLineEdit* eDel_Passw;
    QPushButton* bbDel_OK;
    QPushButton* bbDel_Cancel;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showOnly(QWidget* panel);
    void fillList();
    void bbAddOperClick();
    void bbAdd_OKClick();
    void bbDelOperClick();
    void bbDel_OKClick();
};
