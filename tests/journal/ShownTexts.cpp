#include "ShownTexts.h"

#include "report/rpEMFPages.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPreview.h"
#include "report/rpReport.h"

QStringList ShownTexts(TrpReport& report)
{
    QStringList texts;
    if (!report.ConnectedView || !report.ConnectedView->Pages)
        return texts;
    TrpEMFPages& pages = *report.ConnectedView->Pages;
    for (int i = 0; i < pages.Count(); ++i) {
        pages.ObjectsToPage(i);
        for (TrpView* v : pages.Pages(i).Page->Objects)
            if (dynamic_cast<TrpMemoView*>(v))
                texts << v->Memo.join(QLatin1Char('\n'));
        pages.Pages(i).Page.reset();
    }
    return texts;
}
