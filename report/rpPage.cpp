#include "report/rpPage.h"

#include "report/rpBand.h"
#include "report/rpStream.h"
#include "report/rpView.h"

TrpPage::TrpPage(int size, int width, int height, int orientation)
{
    ChangePaper(size, width, height, orientation);
}

TrpPage::~TrpPage()
{
    Clear();
    qDeleteAll(RunObjects);
    if (CurPage == this)
        CurPage = nullptr;
}

void TrpPage::ChangePaper(int size, int width, int height, int orientation)
{
    TrpPrinter& prn = Prn();
    prn.SetPrinterInfo(size, width, height, orientation);
    prn.FillPrnInfo(PrnInfo);
    pgSize = prn.PaperSize;
    pgWidth = prn.PaperWidth;
    pgHeight = prn.PaperHeight;
    pgOr = quint8(prn.Orientation);
}

int TrpPage::TopMargin() const
{
    if (!UseMargins)
        return 0;
    return pgMargins.Top != 0 ? pgMargins.Top : PrnInfo.Ofy;
}

int TrpPage::LeftMargin() const
{
    if (!UseMargins)
        return 0;
    return pgMargins.Left != 0 ? pgMargins.Left : PrnInfo.Ofx;
}

int TrpPage::RightMargin() const
{
    if (!UseMargins)
        return PrnInfo.Pgw;
    return pgMargins.Right != 0 ? PrnInfo.Pgw - pgMargins.Right : PrnInfo.Ofx + PrnInfo.Pw;
}

int TrpPage::BottomMargin() const
{
    int result;
    if (!UseMargins)
        result = PrnInfo.Pgh;
    else
        result = pgMargins.Bottom != 0 ? PrnInfo.Pgh - pgMargins.Bottom : PrnInfo.Ofy + PrnInfo.Ph;
    if (DocMode == dmPrinting && BandsByType[btPageFooter])
        result -= BandsByType[btPageFooter]->dy;
    return result;
}

void TrpPage::Clear()
{
    qDeleteAll(Objects);
    Objects.clear();
}

void TrpPage::Delete(int index)
{
    delete Objects.takeAt(index);
}

int TrpPage::FindObjectByID(int id) const
{
    for (int i = 0; i < Objects.size(); ++i)
        if (Objects[i]->ID == id)
            return i;
    return -1;
}

TrpView* TrpPage::FindObject(const QString& name) const
{
    for (TrpView* v : Objects)
        if (v->Name.compare(name, Qt::CaseInsensitive) == 0)
            return v;
    return nullptr;
}

TrpView* TrpPage::FindRTObject(const QString& name) const
{
    for (TrpView* v : RunObjects)
        if (v->Name.compare(name, Qt::CaseInsensitive) == 0)
            return v;
    return nullptr;
}

void TrpPage::LoadFromStream(QIODevice& s)
{
    pgSize = rpReadInt(s);
    pgWidth = rpReadInt(s);
    pgHeight = rpReadInt(s);
    pgMargins = rpReadRect(s);
    pgOr = rpReadByte(s);
    if (rpVersion < 23)
        rpSkip(s, 6);
    PrintToPrevPage = rpReadBool(s);
    UseMargins = rpReadBool(s);
    ColCount = rpReadInt(s);
    ColGap = rpReadInt(s);
    for (qint32 v : {pgMargins.Left, pgMargins.Top, pgMargins.Right, pgMargins.Bottom, ColGap})
        if (!rpSaneCoordinate(v))
            throw ErpStreamError("Page margins out of range");
    // A paper of no size divides the layout by zero, one of kilometres overflows it, and every column
    // is a pass of the page formation.
    if (pgSize < 0 || pgSize > rplimits::PaperCode || pgWidth < 0 || pgWidth > rplimits::PaperExtent || pgHeight < 0 ||
        pgHeight > rplimits::PaperExtent || (pgSize == rpCustomPaper && (pgWidth == 0 || pgHeight == 0)) || pgOr > 1)
        throw ErpStreamError("Page paper out of range");
    if (ColCount < 0 || ColCount > rplimits::Columns)
        throw ErpStreamError("Page columns out of range");
    ChangePaper(pgSize, pgWidth, pgHeight, pgOr);
}

void TrpPage::SaveToStream(QIODevice& s) const
{
    rpWriteInt(s, pgSize);
    rpWriteInt(s, pgWidth);
    rpWriteInt(s, pgHeight);
    rpWriteRect(s, pgMargins);
    rpWriteByte(s, pgOr);
    rpWriteBool(s, PrintToPrevPage);
    rpWriteBool(s, UseMargins);
    rpWriteInt(s, ColCount);
    rpWriteInt(s, ColGap);
}
