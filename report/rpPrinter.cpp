#include "report/rpPrinter.h"

#include "report/rpGlobals.h"
#include "report/rpStrings.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

constexpr TrpPaper kPapers[] = {
    {1, 2159, 2794},
    {2, 2159, 2794},
    {3, 2794, 4318},
    {4, 4318, 2794},
    {5, 2159, 3556},
    {6, 1397, 2159},
    {7, 1842, 2667},
    {8, 2970, 4200},
    {9, 2100, 2970},
    {10, 2100, 2970},
    {11, 1480, 2100},
    {12, 2500, 3540},
    {13, 1820, 2570},
    {14, 2159, 3302},
    {15, 2150, 2750},
    {16, 2540, 3556},
    {17, 2794, 4318},
    {18, 2159, 2794},
    {19, 984, 2254},
    {20, 1048, 2413},
    {21, 1143, 2635},
    {22, 1207, 2794},
    {23, 1270, 2921},
    {24, 4318, 5588},
    {25, 5588, 8636},
    {26, 8636, 11176},
    {27, 1100, 2200},
    {28, 1620, 2290},
    {29, 3240, 4580},
    {30, 2290, 3240},
    {31, 1140, 1620},
    {32, 1140, 2290},
    {33, 2500, 3530},
    {34, 1760, 2500},
    {35, 1760, 1250},
    {36, 1100, 2300},
    {37, 984, 1905},
    {38, 921, 1651},
    {39, 3778, 2794},
    {40, 2159, 3048},
    {41, 2159, 3302},
    {42, 2500, 3530},
    {43, 1000, 1480},
    {44, 2286, 2794},
    {45, 2540, 2794},
    {46, 3810, 2794},
    {47, 2200, 2200},
    {50, 2413, 3048},
    {51, 2413, 3810},
    {52, 2969, 4572},
    {53, 2355, 3223},
    {54, 2159, 2794},
    {55, 2100, 2970},
    {56, 2413, 3048},
    {57, 2270, 3560},
    {58, 3050, 4870},
    {59, 2159, 3223},
    {60, 2100, 3300},
    {61, 1480, 2100},
    {62, 1820, 2570},
    {63, 3220, 4450},
    {64, 1740, 2350},
    {65, 2010, 2760},
    {66, 4200, 5940},
    {67, 2970, 4200},
    {68, 3220, 4450},
    {256, 0, 0},
};

QPageSize pageSizeOf(int code, int width, int height)
{
    if (code != rpCustomPaper) {
        const QPageSize::PageSizeId id = QPageSize::id(code);
        if (id != QPageSize::Custom)
            return QPageSize(id);
        for (const TrpPaper& p : kPapers)
            if (p.Code == code)
                return QPageSize(QSizeF(p.Width / 10.0, p.Height / 10.0), QPageSize::Millimeter);
    }
    return QPageSize(QSizeF(qMax(1, width) / 10.0, qMax(1, height) / 10.0), QPageSize::Millimeter);
}

} // namespace

const QList<TrpPaper>& rpPaperTable()
{
    static const QList<TrpPaper> table(std::begin(kPapers), std::end(kPapers));
    return table;
}

QString rpPaperName(int index)
{
    return rpLoadStr(55008 + index);
}

TrpPrinter::TrpPrinter()
{
    SetPrinter(nullptr, {}, -1);
}

TrpPrinter::~TrpPrinter() = default;

void TrpPrinter::SetPrinter(QPrinter* printer, const QStringList& installed, int selected)
{
    Printers.clear();
    Printer = printer;
    if (printer && !installed.isEmpty()) {
        Printers = installed;
        PrinterIndex = qBound(0, selected, int(installed.size()) - 1);
        Printer->setPrinterName(Printers[PrinterIndex]);
        ReadSettings();
    }
    Printers.append(rpLoadStr(55007));
    DefaultIndex = int(Printers.size()) - 1;
    if (!printer || installed.isEmpty()) {
        PrinterIndex = DefaultIndex;
        ApplyDefaultSettings();
    }
}

void TrpPrinter::SetPrinterIndex(int index)
{
    if (index < 0 || index >= Printers.size())
        throw ErpError(QStringLiteral("Printer index out of range: ") + QString::number(index));
    PrinterIndex = index;
    if (index == DefaultIndex) {
        ApplyDefaultSettings();
    } else if (Printer) {
        Printer->setPrinterName(Printers[index]);
        ReadSettings();
    }
}

bool TrpPrinter::IsEqual(int pgSize, int pgWidth, int pgHeight, int pgOr) const
{
    if (pgSize == rpCustomPaper && PaperSize == rpCustomPaper)
        return pgWidth == PaperWidth && pgHeight == PaperHeight && pgOr == Orientation;
    return pgSize == PaperSize && pgOr == Orientation;
}

void TrpPrinter::SetPrinterInfo(int pgSize, int pgWidth, int pgHeight, int pgOr)
{
    if (IsEqual(pgSize, pgWidth, pgHeight, pgOr))
        return;
    PaperSize = pgSize;
    PaperWidth = pgWidth;
    PaperHeight = pgHeight;
    Orientation = pgOr;
    ApplySettings();
}

int TrpPrinter::GetArrayPos(int pgSize) const
{
    for (int i = 0; i < PaperSizesNum; ++i)
        if (PaperSizes[i] == pgSize)
            return i;
    return PaperSizesNum - 1;
}

void TrpPrinter::ApplySettings()
{
    ++ApplyCount;
    if (IsDefault() || !Printer) {
        ApplyDefaultSettings();
        return;
    }
    Printer->setPageSize(pageSizeOf(PaperSize, PaperWidth, PaperHeight));
    Printer->setPageOrientation(Orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
    Printer->setCopyCount(1);
    ReadSettings();
}

void TrpPrinter::ApplyDefaultSettings()
{
    PaperNames.clear();
    PaperSizes.clear();
    for (int i = 0; i < rpPaperTable().size(); ++i) {
        PaperNames.append(rpPaperName(i));
        PaperSizes.append(quint16(kPapers[i].Code));
    }
    PaperSizesNum = int(PaperSizes.size());
    if (PaperSize == rpCustomPaper)
        return;
    for (const TrpPaper& p : kPapers) {
        if (p.Code == PaperSize) {
            PaperWidth = Orientation == 1 ? p.Height : p.Width;
            PaperHeight = Orientation == 1 ? p.Width : p.Height;
            return;
        }
    }
}

void TrpPrinter::ReadSettings()
{
    Device = Printer->printerName();
    Driver.clear();
    Port.clear();
    const QPageLayout layout = Printer->pageLayout();
    const int id = layout.pageSize().windowsId();
    PaperSize = id > 0 ? id : rpCustomPaper;
    Orientation = layout.orientation() == QPageLayout::Landscape ? 1 : 0;
    const QRectF paper = Printer->paperRect(QPrinter::DevicePixel);
    const int res = qMax(1, Printer->resolution());
    PaperWidth = rpRound(paper.width() / res * 254);
    PaperHeight = rpRound(paper.height() / res * 254);
    PaperSizes.clear();
    PaperNames.clear();
    const QPrinterInfo info(*Printer);
    for (const QPageSize& size : info.supportedPageSizes()) {
        if (PaperSizes.size() >= rplimits::PrinterPapers)
            break;
        const int code = size.windowsId();
        PaperSizes.append(quint16(code > 0 ? code : rpCustomPaper));
        PaperNames.append(size.name());
    }
    PaperSizesNum = int(PaperSizes.size());
}

void TrpPrinter::FillPrnInfo(TrpPrnInfo& p) const
{
    if (IsDefault() || !Printer) {
        p.Pgw = rpRound(PaperWidth * rpDesignPixelsX / 254);
        p.Pgh = rpRound(PaperHeight * rpDesignPixelsY / 254);
        p.Ofx = rpRound(50 * rpDesignPixelsX / 254);
        p.Ofy = rpRound(50 * rpDesignPixelsY / 254);
        p.Pw = p.Pgw - 2 * p.Ofx;
        p.Ph = p.Pgh - 2 * p.Ofy;
        return;
    }
    const int res = qMax(1, Printer->resolution());
    const double kx = rpDesignPixelsX / res;
    const double ky = rpDesignPixelsY / res;
    const QRect paper = Printer->paperRect(QPrinter::DevicePixel).toRect();
    const QRect page = Printer->pageRect(QPrinter::DevicePixel).toRect();
    p.PPgw = paper.width();
    p.PPgh = paper.height();
    p.POfx = page.left() - paper.left();
    p.POfy = page.top() - paper.top();
    p.PPw = page.width();
    p.PPh = page.height();
    p.Pgw = rpRound(p.PPgw * kx);
    p.Pgh = rpRound(p.PPgh * ky);
    p.Ofx = rpRound(p.POfx * kx);
    p.Ofy = rpRound(p.POfy * ky);
    p.Pw = rpRound(p.PPw * kx);
    p.Ph = rpRound(p.PPh * ky);
}

std::unique_ptr<QPrinter> TrpPrinter::NewPdfPrinter(const QString& fileName) const
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(fileName);
    // The page size is given upright; the orientation turns it.
    const int w = Orientation == 1 ? PaperHeight : PaperWidth;
    const int h = Orientation == 1 ? PaperWidth : PaperHeight;
    printer->setPageSize(pageSizeOf(PaperSize, w, h));
    printer->setPageOrientation(Orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    printer->setFullPage(true);
    return printer;
}

TrpPrinter& Prn()
{
    static TrpPrinter* prn = [] {
        auto* p = new TrpPrinter;
        const QStringList names = QPrinterInfo::availablePrinterNames();
        if (!names.isEmpty()) {
            // Never freed: a static printer would be destroyed after the application object is gone.
            auto* printer = new QPrinter(QPrinter::HighResolution);
            const QString def = QPrinterInfo::defaultPrinterName();
            p->SetPrinter(printer, names, qMax(0, int(names.indexOf(def))));
        }
        return p;
    }();
    return *prn;
}
