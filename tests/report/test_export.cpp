#include "reportfixture.h"

#include "platform/data/Field.h"
#include "platform/data/MemDataSet.h"
#include "report/rpDataHelpers.h"
#include "report/rpEMFPages.h"
#include "report/rpExportFilter.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPictureView.h"
#include "report/rpReport.h"

#include <QBuffer>
#include <gtest/gtest.h>

using namespace rptest;

namespace {

class RecordingFilter : public TrpExportFilter {
public:
    using TrpExportFilter::TrpExportFilter;
    void OnData(int x, int y, TrpView* view) override { calls << QStringLiteral("data %1,%2 %3").arg(x).arg(y).arg(view->ClassName()); }
    void OnText(int, int, const QString& text, TrpView*) override { calls << QStringLiteral("text ") + text; }
    QStringList calls;
};

} // namespace

TEST(Export, PreparedPageHandsItsObjectsAndTextsToTheFilter)
{
    TrpReport report;
    CurReport = &report;
    TrpPage* design = report.Pages->Add();
    report.EMFPages->Add(design);
    QBuffer& stream = *report.EMFPages->Pages(0).Stream;
    TrpMemoView memo;
    memo.SetBounds(10, 20, 300, 60);
    memo.Memo = {QStringLiteral("first"), QStringLiteral("second")};
    memo.StreamMode = smPrinting;
    memo.Print(stream);
    TrpPictureView picture;
    picture.SetBounds(5, 6, 10, 10);
    picture.StreamMode = smPrinting;
    picture.Print(stream);

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    RecordingFilter filter(&out);
    report.CurrentFilter = &filter;
    report.EMFPages->ExportData(0);
    report.CurrentFilter = nullptr;
    EXPECT_EQ(filter.calls, (QStringList{QStringLiteral("data 10,20 TrpMemoView"), QStringLiteral("text first"),
                                         QStringLiteral("text second"), QStringLiteral("data 5,6 TrpPictureView")}));
    CurReport = nullptr;
    DocMode = dmDesigning;
}

TEST(Export, BlobFieldsFeedPicturesAndMemos)
{
    TMemDataSet table;
    table.AddFieldDef(QStringLiteral("PHOTO"), ftBlob);
    table.AddFieldDef(QStringLiteral("NOTE"), ftMemo);
    table.AddFieldDef(QStringLiteral("N"), ftInteger);
    table.Open();
    table.AppendRecord({sampleJpeg(), QStringLiteral("a\r\nb"), 1});
    table.AppendRecord({QVariant(), QVariant(), 2});
    table.First();
    EXPECT_TRUE(rpIsBlob(table.FindField(QStringLiteral("PHOTO"))));
    EXPECT_TRUE(rpIsBlob(table.FindField(QStringLiteral("NOTE"))));
    EXPECT_FALSE(rpIsBlob(table.FindField(QStringLiteral("N"))));
    EXPECT_FALSE(rpIsBlob(nullptr));

    TrpReport report;
    CurReport = &report;
    TrpPictureView picture;
    picture.DataSet = &table;
    picture.Field = QStringLiteral("PHOTO");
    QStringList seen;
    report.OnEnterRect = [&seen](QStringList& memo, TrpView* view) { seen << view->ClassName() + memo.join(QLatin1Char('|')); };
    QStringList memo;
    report.InternalOnEnterRect(memo, &picture);
    EXPECT_EQ(picture.Picture.Width(), 4);
    EXPECT_EQ(picture.StoredBytes(), sampleJpeg());
    TrpMemoView note;
    note.DataSet = &table;
    note.Field = QStringLiteral("NOTE");
    report.InternalOnEnterRect(note.Memo1, &note);
    EXPECT_EQ(note.Memo1, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    table.Next();
    report.InternalOnEnterRect(memo, &picture);
    EXPECT_TRUE(picture.IsEmpty());
    EXPECT_EQ(seen.size(), 3);
    CurReport = nullptr;
}

TEST(Export, ProgressTextGoesToTheHandlerOrTheWindow)
{
    TrpReport report;
    QStringList labels;
    report.ProgressLabel = [&labels](const QString& text) { labels << text; };
    report.StageCaption = QStringLiteral("Processing page:");
    report.InternalOnProgress(3);
    report.ExportInProgress = true;
    report.FirstPassPageCount = 7;
    report.InternalOnProgress(4);
    EXPECT_EQ(labels, (QStringList{QStringLiteral("Processing page:  3"), QStringLiteral("Processing page:  4 from 7")}));
    int handled = 0;
    report.OnProgress = [&handled](int n) { handled = n; };
    report.InternalOnProgress(5);
    EXPECT_EQ(handled, 5);
    EXPECT_EQ(labels.size(), 2);
}
