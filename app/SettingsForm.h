#pragma once
// The journal settings dialog: video on or off, quality of stored photos, interlocks-only mode.
#include "journal/JournalController.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

class TfmSettings : public QDialog {
    Q_OBJECT
public:
    explicit TfmSettings(QWidget* owner = nullptr);

    void SetSettings(const TJournalSettings& settings);
    TJournalSettings GetSettings() const { return settings_; }

    // Trackbar positions 1..5 and the photo qualities they stand for.
    static int QualityToPosition(int quality);
    static int PositionToQuality(int position);

    // Closing the window counts as cancel: the modal result is 1 after OK, 2 otherwise.
    void reject() override;

    QGroupBox* rVideo;
    QRadioButton* rbVideoOn;
    QRadioButton* rbVideoOff;
    QGroupBox* rQuality;
    QSlider* tbSaveJpegQuality;
    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QCheckBox* cbOnlyForAlkozamok;
    QGroupBox* rNorma;
    QLineEdit* eVisualNorma;
    QPushButton* bOK;
    QPushButton* bCancel;

private:
    void bOKClick();
    void bCancelClick();

    TJournalSettings settings_;
};
