#pragma once
// Where a print goes and what the user is told of it. A job on the "Default printer" writes a PDF file:
// the one chosen in the print dialog, else one named after the report in the documents folder. A file
// that cannot be written is told before anything is printed, an existing one is replaced only when the
// user says so, and a written file is told with its full path; a printer that refuses the job is told.
#include <QPrintDialog>
#include <QString>

class QPrinter;
class TrpReport;

// "<documents folder>/<report's name>.pdf": the report's title, else its file's base name.
QString rpProposedPrintFile(const TrpReport& report);
// Why the file cannot be written, as the user is told it; empty when it can.
QString rpPrintFileProblem(const QString& file);
// Tells why the file cannot be written, or asks before an existing one is replaced; true to write it.
bool rpAcceptPrintFile(const QString& file);

void rpTellPrintedToFile(const QString& file);
// The file could not be opened for writing at the start of the job.
void rpTellFileNotWritten(const QString& file);
void rpTellPrinterRefused(const QString& printer);

// The system's print dialog for a report: a printer of the print service, or a PDF file proposed under
// the report's name, with copies and a page range. A file is checked (and asked about when it exists)
// as the dialog is accepted: the dialog stays open for another name.
class TrpSystemPrintDialog : public QPrintDialog {
public:
    explicit TrpSystemPrintDialog(QPrinter* printer, QWidget* parent = nullptr);
    void done(int result) override;
};

// The dialog's OK holds unless its file is refused (rpAcceptPrintFile); a printer always holds.
bool rpAcceptPrintDialogChoice(const QPrinter& printer);
// Sets the printer up for the dialog: the engine's printer in force, or the report's proposed file.
void rpPreparePrintDialogPrinter(QPrinter& printer, const TrpReport& report);
// What the user chose in the dialog becomes the engine's: a printer of the print service, or the
// "Default printer" writing the chosen file (for the next job only).
void rpTakePrintDialogChoice(const QPrinter& printer);
