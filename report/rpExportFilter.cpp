#include "report/rpExportFilter.h"

TrpExportFilter::TrpExportFilter(QIODevice* stream) : Stream(stream) {}

TrpExportFilter::~TrpExportFilter()
{
    ClearLines();
}

void TrpExportFilter::OnData(int, int, TrpView*) {}

void TrpExportFilter::OnText(int, int, const QString&, TrpView*) {}

void TrpExportFilter::ClearLines()
{
    for (TrpTextNode* node : Lines) {
        while (node) {
            TrpTextNode* next = node->Next;
            delete node;
            node = next;
        }
    }
    Lines.clear();
}
