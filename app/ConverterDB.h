#pragma once
// The window of the journal table's conversion at start-up: the converter with its progress bar, its cancel
// button and the message of every outcome. The old table is kept as oldBASE.DBF; a conversion that fails or
// is cancelled puts it back. The main window hands it its database objects right after creating it.
#include "db/JournalConverter.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class TfmConverterDB : public QDialog, public db::TJournalConverter {
    Q_OBJECT
public:
    explicit TfmConverterDB(QWidget* owner = nullptr);
    ~TfmConverterDB() override;

    // Converts Base.DBF of generation `detected` into generation `required`. True when the journal now has
    // the required generation (or its application type has no journal to convert); false when the conversion
    // did not happen, in which case the old table is Base.DBF again (or, when even that failed, the next
    // start puts it back).
    bool Convert(int required, int detected);
    bool RenameToOld();
    bool Rollback();
    void bCancelClick();

    // The row converters.
    bool ConvertToDefault(int source);
    bool ConvertToDefaultMP(int source);

    // At start-up, before the journal is opened: finishes a conversion that a crash interrupted by putting
    // the old journal back. False (after a message) when that cannot be done and the program must end.
    static bool RecoverInterrupted(const QString& databaseFolder);

    bool Cancel = false;

    // Controls.
    QLabel* lbOpisanie;
    QLabel* lbOpisanie_podrobno;
    QLabel* Label1;
    QLabel* lbProgress;
    QProgressBar* pbProgress;
    QPushButton* bCancel;

    // The pause before a rollback (ms); tests shorten it.
    int RollbackDelay = 1000;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    bool convertRows(Target target, int source);
};
