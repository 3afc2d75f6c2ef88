#include "report/rpPages.h"

#include "report/rpPage.h"
#include "report/rpReport.h"
#include "report/rpStream.h"
#include "report/rpView.h"

TrpPages::TrpPages(TrpReport* report) : report_(report) {}

TrpPages::~TrpPages()
{
    Clear();
}

TrpPage* TrpPages::Add()
{
    auto* page = new TrpPage(9, 0, 0, 0);
    pages_.append(page);
    return page;
}

void TrpPages::Delete(int i)
{
    delete pages_.takeAt(i);
}

void TrpPages::Clear()
{
    while (!pages_.isEmpty())
        Delete(0);
}

void TrpPages::LoadFromStream(QIODevice& s)
{
    Clear();
    report_->PrintToDefault = rpReadBool(s);
    report_->TwoPass = rpReadBool(s);
    report_->SetPrinterTo(rpReadStringV(s));
    while (s.pos() < s.size()) {
        const quint8 tag = rpReadByte(s);
        if (tag == 0xFF) {
            Add()->LoadFromStream(s);
        } else if (tag == 0xFE) {
            report_->Values.ReadBinaryData(s);
            QStringList vars;
            rpReadMemoV(s, vars);
            report_->Variables = vars;
        } else if (tag == 0xFD) {
            return; // no data manager exists to read the rest
        } else if (tag > gtAddIn) {
            throw ErpStreamError("Unknown record tag");
        } else {
            int typ = tag;
            QString className;
            bool framed = false;
            if (typ == gtAddIn) {
                className = rpReadStringV(s);
                if (className.toUpper() == QLatin1String("TRPFRAMEDMEMOVIEW")) {
                    typ = gtMemo;
                    framed = true;
                }
            }
            const int pageNo = rpReadByte(s);
            if (pageNo >= Count())
                throw ErpStreamError("Object on a missing page");
            TrpView* view = rpCreateObject(typ, className).release();
            if (!view)
                throw ErpStreamError("Unknown object kind");
            pages_[pageNo]->Objects.append(view);
            view->StreamMode = smDesigning;
            view->LoadFromStream(s);
            if (framed)
                rpSkip(s, 8);
        }
    }
}

void TrpPages::SaveToStream(QIODevice& s) const
{
    rpWriteBool(s, report_->PrintToDefault);
    rpWriteBool(s, report_->TwoPass);
    rpWriteString(s, Prn().Printers.value(Prn().PrinterIndex));
    for (TrpPage* page : pages_) {
        rpWriteByte(s, 0xFF);
        page->SaveToStream(s);
    }
    for (int i = 0; i < pages_.size(); ++i) {
        for (TrpView* view : pages_[i]->Objects) {
            rpWriteByte(s, view->Typ);
            if (view->Typ == gtAddIn)
                rpWriteString(s, view->ClassName());
            rpWriteByte(s, quint8(i));
            view->StreamMode = smDesigning;
            view->SaveToStream(s);
        }
    }
    rpWriteByte(s, 0xFE);
    report_->Values.WriteBinaryData(s);
    rpWriteMemo(s, report_->Variables);
}
