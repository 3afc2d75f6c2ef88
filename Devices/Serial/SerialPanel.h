#pragma once
// The settings panel of a serial driver, on the page its source gives it: the port group at its top left, and
// the pieces the drivers' panels are made of. Main thread only: it shows what its driver published and hands
// the operator's choices to the driver.
#include "Devices/Serial/PortComboBox.h"
#include "Devices/Serial/SerialDriver.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <initializer_list>
#include <utility>

class TSerialPanel : public QWidget {
    Q_OBJECT
public:
    // The list shows this port: its entry when it is present, else its name in the place of "---".
    void ShowPort(const QString& port);
    // The operator chose in the list.
    virtual void PortChange();
    // Takes what the driver published and shows what changed.
    virtual void Refresh() {}

    // An exchange log: read-only, wrapped, in small Tahoma on the button colour.
    static QPlainTextEdit* CreateLogMemo(QWidget* parent, const QRect& geometry);

    QGroupBox* gbPort = nullptr;
    TPortComboBox* cbPort = nullptr;
    QLabel* lbStatus = nullptr;

protected:
    // Covers the page it is put on, whatever room the page has.
    TSerialPanel(TSerialDriver* driver, QWidget* parent);
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The port group: the list, "---" while nothing is chosen, and the status.
    void CreatePortGroup();
    // A group at (left, top, width, height) with a value label per row of text, 16 pixels apart from the top
    // row; the labels are placed for the forms' font.
    QGroupBox* CreateDescription(const QRect& geometry, std::initializer_list<std::pair<const char*, QLabel**>> rows,
                                 std::initializer_list<int> valueLefts);
    // The "Журнал:" group at geometry with the exchange log and its clear button.
    QGroupBox* CreateLogGroup(const QRect& geometry, QPlainTextEdit*& memo, QPushButton*& clear);

    // What changed of the port group's status since the one shown before.
    void ShowSerialStatus(const TSerialStatus& now, const TSerialStatus& before);
    // The lines a log feed brought since the one taken before; false when it brought none.
    static bool ShowLog(QPlainTextEdit* memo, const TLogFeed& now, const TLogFeed& before);
    static void SetLabel(QLabel* label, const QString& text);
    template <class T, class F>
    static void ShowChanged(const TShown<T>& now, const TShown<T>& before, const F& show)
    {
        if (now.set != before.set)
            show(now.value);
    }

private:
    TSerialDriver* serialDriver_;
};
