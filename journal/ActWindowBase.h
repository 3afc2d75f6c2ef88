#pragma once
// What both act windows share: the modal window itself, the buttons that call the controller, the
// waiting state's caption, and closing as cancel.
#include <QDialog>

#include <functional>

class QGroupBox;
class QPushButton;

class TActWindowBase : public QDialog {
    Q_OBJECT
public:
    // The waiting state's caption and buttons.
    void SetWaiting(bool waiting);
    // Closing the window (its close box, Escape) counts as cancel.
    void reject() override;

    std::function<void()> OnWaitNewIzm;
    std::function<void()> OnSave;
    std::function<void()> OnCancel;
    std::function<void()> OnPrint;

protected:
    TActWindowBase();
    // Wires the buttons to the handlers above; none of them is the default button, so Enter in an edit
    // neither saves nor cancels the act.
    void wire(QGroupBox* instrumentData, QPushButton* waitNew, QPushButton* save, QPushButton* cancel,
              QPushButton* print = nullptr);

private:
    QGroupBox* data_ = nullptr;
    QPushButton* wait_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* print_ = nullptr;
};
