#include "Devices/Serial/PortComboBox.h"
#include "platform/system/SerialPorts.h"

TPortComboBox::TPortComboBox(QWidget* parent) : QComboBox(parent)
{
    // "---" (or a port that is gone) while nothing is chosen is drawn as a chosen entry is, not greyed as a
    // hint: the list works.
    QPalette pal = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setBrush(group, QPalette::PlaceholderText, pal.brush(group, QPalette::ButtonText));
    setPalette(pal);
}

void TPortComboBox::showPopup()
{
    Fill();
    QComboBox::showPopup();
}

void TPortComboBox::Fill()
{
    const QString remembered = ShownPort();
    clear();
    for (const sys::SerialPortEntry& e : sys::SerialPortsPresent()) {
        addItem(e.name);
        setItemData(count() - 1, e.device, Qt::ToolTipRole);
    }
    setCurrentIndex(findText(remembered));
    if (currentIndex() < 0 && !remembered.isEmpty())
        setPlaceholderText(remembered);
}

QString TPortComboBox::ShownPort() const
{
    return currentIndex() >= 0 ? currentText() : placeholderText();
}
