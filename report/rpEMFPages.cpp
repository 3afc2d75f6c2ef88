#include "report/rpEMFPages.h"

#include "platform/graphics/Canvas.h"
#include "report/rpPage.h"
#include "report/rpPictureView.h"
#include "report/rpReport.h"
#include "report/rpStream.h"
#include "report/rpView.h"

#include <QPaintDevice>

namespace {

// Reads the next object record of a page stream; null at its end.
std::unique_ptr<TrpView> readObject(QIODevice& s)
{
    if (s.pos() >= s.size())
        return nullptr;
    const quint8 typ = rpReadByte(s);
    const QString className = typ == gtAddIn ? rpReadStringV(s) : QString();
    std::unique_ptr<TrpView> view = rpCreateObject(typ, className);
    if (!view)
        throw ErpStreamError("Unknown object kind");
    view->StreamMode = smPrinting;
    view->LoadFromStream(s);
    return view;
}

std::unique_ptr<QBuffer> newStream()
{
    auto b = std::make_unique<QBuffer>();
    b->open(QIODevice::ReadWrite);
    return b;
}

} // namespace

TrpPageInfo::TrpPageInfo() : Stream(newStream()) {}
TrpPageInfo::~TrpPageInfo() = default;

TrpCompressor& rpCompressor()
{
    static TrpCompressor compressor;
    return compressor;
}

TrpEMFPages::TrpEMFPages(TrpReport* report) : report_(report) {}

TrpEMFPages::~TrpEMFPages()
{
    Clear();
}

void TrpEMFPages::Clear()
{
    while (!pages_.empty())
        Delete(0);
}

void TrpEMFPages::Delete(int i)
{
    pages_.erase(pages_.begin() + i);
}

void TrpEMFPages::Insert(int index, TrpPage* page)
{
    auto info = std::make_unique<TrpPageInfo>();
    rpWriteByte(*info->Stream, rpCurrentVersion);
    info->pgSize = quint16(page->pgSize);
    info->pgWidth = page->pgWidth;
    info->pgHeight = page->pgHeight;
    info->pgOr = page->pgOr;
    info->pgMargins = page->UseMargins;
    info->PrnInfo = page->PrnInfo;
    if (index < 0 || index >= Count())
        pages_.push_back(std::move(info));
    else
        pages_.insert(pages_.begin() + index, std::move(info));
}

void TrpEMFPages::Add(TrpPage* page)
{
    Insert(Count(), page);
    if (CurReport && CurReport->OnBeginPage)
        CurReport->OnBeginPage(PageNo);
    if (MasterReport && MasterReport != CurReport && MasterReport->OnBeginPage)
        MasterReport->OnBeginPage(PageNo);
}

void TrpEMFPages::ObjectsToPage(int i)
{
    TrpPageInfo& p = *pages_[i];
    p.Page = std::make_unique<TrpPage>(p.pgSize, p.pgWidth, p.pgHeight, p.pgOr);
    QBuffer& s = *p.Stream;
    s.seek(0);
    try {
        if (s.size() == 0)
            return;
        rpVersion = rpReadByte(s);
        while (auto view = readObject(s)) {
            view->StreamMode = smDesigning;
            p.Page->Objects.append(view.release());
            ++ObjectsMade;
        }
    } catch (const std::exception&) {
        // A damaged page keeps the objects read before the damage.
    }
    s.seek(s.size());
}

void TrpEMFPages::PageToObjects(int i)
{
    TrpPageInfo& p = *pages_[i];
    p.Stream = newStream();
    QBuffer& s = *p.Stream;
    rpWriteByte(s, rpCurrentVersion);
    if (!p.Page)
        return;
    for (TrpView* v : p.Page->Objects) {
        v->StreamMode = smPrinting;
        rpWriteByte(s, v->Typ);
        if (v->Typ == gtAddIn)
            rpWriteString(s, v->ClassName());
        v->Memo1 = v->Memo;
        v->SaveToStream(s);
        v->StreamMode = smDesigning;
    }
}

void TrpEMFPages::Draw(int i, gfx::TCanvas* canvas, const gfx::TRect& drawRect)
{
    TrpPageInfo& p = *pages_[i];
    QPainter* painter = canvas->Painter();
    const bool printing = painter && painter->device() && painter->device()->devType() == QInternal::Printer;
    DocMode = dmPrinting;
    if (!p.Visible) {
        p.Page.reset();
        return;
    }
    if (!p.Page)
        ObjectsToPage(i);
    const double kx = p.PrnInfo.Pgw ? double(drawRect.Width()) / p.PrnInfo.Pgw : 1.0;
    const double ky = p.PrnInfo.Pgh ? double(drawRect.Height()) / p.PrnInfo.Pgh : 1.0;
    const gfx::TRect clip = canvas->ClipRect();
    for (TrpView* v : p.Page->Objects) {
        if (!printing) {
            const gfx::TRect box(rpRound(v->x * kx + drawRect.Left - 10), rpRound(v->y * ky + drawRect.Top - 10),
                                 rpRound((v->x + v->dx) * kx + drawRect.Left + 10),
                                 rpRound((v->y + v->dy) * ky + drawRect.Top + 10));
            gfx::TRect common;
            if (!gfx::IntersectRect(common, box, clip))
                continue;
        }
        v->ScaleX = kx;
        v->ScaleY = ky;
        v->OffsX = drawRect.Left;
        v->OffsY = drawRect.Top;
        v->IsPrinting = printing;
        v->Draw(canvas);
    }
}

void TrpEMFPages::ExportData(int i)
{
    QBuffer& s = *pages_[i]->Stream;
    s.seek(0);
    try {
        if (s.size() > 0) {
            rpVersion = rpReadByte(s);
            while (auto view = readObject(s))
                view->ExportData();
        }
    } catch (const std::exception&) {
    }
    s.seek(s.size());
}

void TrpEMFPages::SaveToStream(QIODevice& s)
{
    const bool compressed = rpCompressor().Enabled;
    rpWriteByte(s, compressed ? 1 : 0);
    rpWriteString(s, Prn().Printers.value(Prn().PrinterIndex));
    rpWriteInt(s, Count());
    for (auto& p : pages_) {
        const qint64 patch = s.pos();
        rpWriteInt(s, 0);
        rpWriteWord(s, p->pgSize);
        rpWriteInt(s, p->pgWidth);
        rpWriteInt(s, p->pgHeight);
        rpWriteByte(s, p->pgOr);
        rpWriteByte(s, p->pgMargins ? 1 : 0);
        p->Stream->seek(0);
        if (compressed)
            rpCompressor().Compress(*p->Stream, s);
        else
            rpWriteBytes(s, p->Stream->data());
        p->Stream->seek(p->Stream->size());
        const qint64 end = s.pos();
        s.seek(patch);
        rpWriteInt(s, qint32(end));
        s.seek(end);
    }
}

namespace {

// A page's record head in both file forms: where the record ends, then its paper.
qint32 readPageHeader(QIODevice& s, TrpPageInfo& p)
{
    const qint32 end = rpReadInt(s);
    p.pgSize = rpReadWord(s);
    p.pgWidth = rpReadInt(s);
    p.pgHeight = rpReadInt(s);
    p.pgOr = rpReadByte(s);
    p.pgMargins = rpReadByte(s) != 0;
    if (end < s.pos() || end > s.size())
        throw ErpStreamError("Page end outside the file");
    return end;
}

} // namespace

void TrpEMFPages::LoadFromStream(QIODevice& s)
{
    Clear();
    const qint64 start = s.pos();
    const quint8 compressed = rpReadByte(s);
    if (compressed >= 2 && compressed != 255) {
        s.seek(start);
        LoadOldForm(s);
        return;
    }
    report_->SetPrinterTo(rpReadString(s));
    const qint32 count = rpReadInt(s);
    for (qint32 k = 0; k < count; ++k) {
        auto p = std::make_unique<TrpPageInfo>();
        const qint32 end = readPageHeader(s, *p);
        const QByteArray bytes = rpReadBytes(s, end - s.pos());
        if (compressed == 0)
            p->Stream->write(bytes);
        Prn().SetPrinterInfo(p->pgSize, p->pgWidth, p->pgHeight, p->pgOr);
        Prn().FillPrnInfo(p->PrnInfo);
        s.seek(end);
        pages_.push_back(std::move(p));
    }
}

void TrpEMFPages::LoadOldForm(QIODevice& s)
{
    QStringList printer;
    rpReadMemo22(s, printer);
    if (!printer.isEmpty())
        report_->SetPrinterTo(printer.first());
    const qint32 count = rpReadInt(s);
    for (qint32 k = 0; k < count; ++k) {
        auto p = std::make_unique<TrpPageInfo>();
        const qint32 end = readPageHeader(s, *p);
        const QByteArray metafile = rpReadBytes(s, end - s.pos());
        Prn().SetPrinterInfo(p->pgSize, p->pgWidth, p->pgHeight, p->pgOr);
        Prn().FillPrnInfo(p->PrnInfo);
        // The page becomes one picture of its full size holding the vector picture.
        TrpPictureView picture;
        picture.SetBounds(0, 0, p->PrnInfo.Pgw, p->PrnInfo.Pgh);
        picture.SetStoredPicture(TrpPictureView::pkMetafile, metafile);
        picture.StreamMode = smPrinting;
        rpWriteByte(*p->Stream, rpCurrentVersion);
        rpWriteByte(*p->Stream, gtPicture);
        picture.SaveToStream(*p->Stream);
        pages_.push_back(std::move(p));
    }
}
