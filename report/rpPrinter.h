#pragma once
// The engine's one printer wrapper (Prn): the printer list with a last "Default printer" entry that
// needs no installed printer, the chosen printer's papers, the paper and orientation in force, and
// page geometry in design pixels (90.998 per inch across, 91.626 down).
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class QPrinter;

constexpr double rpDesignPixelsX = 90.99804305283757;
constexpr double rpDesignPixelsY = 91.6256157635468;
constexpr int rpCustomPaper = 256;

struct TrpPrnInfo {
    qint32 PPgw = 0, PPgh = 0; // physical page, printer pixels
    qint32 Pgw = 0, Pgh = 0;   // the same in design pixels
    qint32 POfx = 0, POfy = 0; // printable-area offset, printer pixels
    qint32 Ofx = 0, Ofy = 0;
    qint32 PPw = 0, PPh = 0;   // printable size, printer pixels
    qint32 Pw = 0, Ph = 0;
};

struct TrpPaper {
    int Code;
    int Width;  // tenths of a millimetre
    int Height;
};

// The 67 papers of the "Default printer": codes 1..47, 50..68 and 256 (custom), with their names
// from the string table (55008..55074).
const QList<TrpPaper>& rpPaperTable();
QString rpPaperName(int index);

class TrpPrinter {
public:
    TrpPrinter();
    ~TrpPrinter();
    TrpPrinter(const TrpPrinter&) = delete;
    TrpPrinter& operator=(const TrpPrinter&) = delete;

    // Takes the installed printers (the printer object is used for a real one), then appends
    // "Default printer".
    void SetPrinter(QPrinter* printer, const QStringList& installed, int selected);
    void SetPrinterIndex(int index);
    // Makes the paper the one in force unless it already is.
    void SetPrinterInfo(int pgSize, int pgWidth, int pgHeight, int pgOr);
    bool IsEqual(int pgSize, int pgWidth, int pgHeight, int pgOr) const;
    // Index of the code in PaperSizes; the last index when it is not there.
    int GetArrayPos(int pgSize) const;
    void FillPrnInfo(TrpPrnInfo& info) const;
    bool IsDefault() const { return PrinterIndex == DefaultIndex; }

    // A printer writing a PDF file with the paper in force (the output of the "Default printer").
    std::unique_ptr<QPrinter> NewPdfPrinter(const QString& fileName) const;

    QString Device, Driver, Port;
    // The file the "Default printer" writes the next job to, as the print dialog chose it; the job takes
    // it. Empty: the job proposes the report's own name and asks before replacing a file.
    QString OutputFile;
    QPrinter* Printer = nullptr;
    QStringList PaperNames;
    QStringList Printers;
    int PrinterIndex = 0;
    int DefaultIndex = 0;
    int Orientation = 0;
    int PaperSize = 9;
    int PaperWidth = 2100;
    int PaperHeight = 2970;
    QList<quint16> PaperSizes; // at most 256
    int PaperSizesNum = 0;
    // Times a paper was applied (the paper already in force is never applied again).
    int ApplyCount = 0;

private:
    void ReadSettings();
    void ApplySettings();
    void ApplyDefaultSettings();
};

// The process-wide wrapper: made on first use with the installed printers (none in a test run).
TrpPrinter& Prn();
