#include "Devices/VELT_A/ListenerPanel.h"

TListenerPanel::TListenerPanel(TVelt_A* driver, QWidget* parent) : TSerialPanel(driver, parent), driver_(driver)
{
    CreatePortGroup();
    gbDevice = CreateDescription(QRect(352, 8, 225, 65),
                                 {{"Модель:", &lbModelValue}, {"Заводской номер:", &lbSerialValue},
                                  {"Дата поверки:", &lbDateValue}},
                                 // One column of values; the date with its time needs the room from 120 on.
                                 {120, 120, 120});
    gbJournal = CreateLogGroup(QRect(8, 72, 569, 169), mJournal, bClear);
    connect(bClear, &QPushButton::clicked, mJournal, &QPlainTextEdit::clear);
}

void TListenerPanel::Refresh()
{
    TListenerStatus now;
    driver_->TakeStatus(now);
    ShowSerialStatus(now, shown_);
    ShowChanged(now.ModelValue, shown_.ModelValue, [this](const QString& t) { SetLabel(lbModelValue, t); });
    ShowChanged(now.SerialValue, shown_.SerialValue, [this](const QString& t) { SetLabel(lbSerialValue, t); });
    ShowChanged(now.DateValue, shown_.DateValue, [this](const QString& t) { SetLabel(lbDateValue, t); });
    if (ShowLog(mJournal, now.JournalText, shown_.JournalText))
        mJournal->ensureCursorVisible();
    shown_ = now;
}
