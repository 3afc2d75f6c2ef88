#pragma once
// The serial drivers' port list: it refills itself from the ports present each time it drops down.
#include <QComboBox>

class TPortComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TPortComboBox(QWidget* parent = nullptr);
    void showPopup() override;
    void Fill();
    // The port it shows: the chosen entry, or the remembered name of one that is not present.
    QString ShownPort() const;
};
