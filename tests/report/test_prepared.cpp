#include "reportfixture.h"

#include "platform/graphics/Canvas.h"
#include "report/rpEMFPages.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPictureView.h"
#include "report/rpReport.h"
#include "report/rpStream.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

using namespace rptest;

namespace {

QByteArray save(TrpEMFPages& pages)
{
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    pages.SaveToStream(b);
    return out;
}

void load(TrpEMFPages& pages, QByteArray bytes)
{
    QBuffer b(&bytes);
    b.open(QIODevice::ReadOnly);
    pages.LoadFromStream(b);
}

class Prepared : public ::testing::Test {
protected:
    Prepared()
    {
        CurReport = &report;
        design = report.Pages->Add();
    }
    ~Prepared() override
    {
        CurReport = nullptr;
        DocMode = dmDesigning;
    }

    // Two prepared pages; the first holds a memo whose value expands to a date.
    void build()
    {
        report.OnGetValue = [](const QString& name, QVariant& v) {
            if (name == QLatin1String("Date"))
                v = QStringLiteral("05.03.2024");
        };
        int begun = 0;
        report.OnBeginPage = [&begun](int) { ++begun; };
        report.EMFPages->Add(design);
        report.EMFPages->Add(design);
        EXPECT_EQ(begun, 2);
        TrpMemoView memo;
        memo.SetBounds(40, 50, 200, 20);
        memo.Memo = {QStringLiteral("[Date]")};
        memo.StreamMode = smPrinting;
        memo.Print(*report.EMFPages->Pages(0).Stream);
        memo.Memo = {QStringLiteral("second page")};
        memo.SetBounds(600, 900, 100, 20);
        memo.Print(*report.EMFPages->Pages(1).Stream);
    }

    TrpReport report;
    TrpPage* design;
};

} // namespace

TEST_F(Prepared, FileRoundTripsAndPagesBecomeObjects)
{
    build();
    const QByteArray first = save(*report.EMFPages);
    EXPECT_EQ(quint8(first[0]), 0); // not compressed
    TrpReport other;
    CurReport = &other;
    load(*other.EMFPages, first);
    ASSERT_EQ(other.EMFPages->Count(), 2);
    EXPECT_EQ(save(*other.EMFPages), first);
    // Each page record starts with the position of the next one.
    QByteArray copy = first;
    QBuffer b(&copy);
    b.open(QIODevice::ReadOnly);
    rpReadByte(b);
    rpReadString(b);
    EXPECT_EQ(rpReadInt(b), 2);
    const qint32 end = rpReadInt(b);
    b.seek(end);
    const qint32 end2 = rpReadInt(b);
    EXPECT_EQ(end2, first.size());

    other.EMFPages->ObjectsToPage(0);
    TrpPage* page = other.EMFPages->Pages(0).Page.get();
    ASSERT_EQ(page->Count(), 1);
    EXPECT_EQ(page->Objects[0]->Memo, QStringList{QStringLiteral("05.03.2024")});
    EXPECT_EQ(page->Objects[0]->StreamMode, smDesigning);
    EXPECT_EQ(other.EMFPages->Pages(0).PrnInfo.Pgw, 752);

    // An edited page is written back.
    page->Objects[0]->Memo = {QStringLiteral("edited")};
    other.EMFPages->PageToObjects(0);
    other.EMFPages->Pages(0).Page.reset();
    other.EMFPages->ObjectsToPage(0);
    EXPECT_EQ(other.EMFPages->Pages(0).Page->Objects[0]->Memo, QStringList{QStringLiteral("edited")});
    EXPECT_EQ(other.EMFPages->Pages(0).Stream->data().at(0), char(23));
}

TEST_F(Prepared, DrawingMakesObjectsOnceAndSkipsThoseOutOfView)
{
    build();
    QImage img(400, 600, QImage::Format_RGB32);
    img.fill(Qt::white);
    gfx::TCanvas canvas(&img);
    const gfx::TRect whole(0, 0, 376, 536); // half size
    report.EMFPages->Draw(0, &canvas, whole);
    report.EMFPages->Draw(0, &canvas, whole);
    EXPECT_EQ(report.EMFPages->ObjectsMade, 1);
    canvas.Release();
    bool inked = false;
    for (int y = 20; y < 40; ++y)
        for (int x = 20; x < 120; ++x)
            inked |= qGray(img.pixel(x, y)) < 128;
    EXPECT_TRUE(inked);

    // The second page's only object lies far below the visible part: it is not drawn, only made.
    img.fill(Qt::white);
    gfx::TCanvas clipped(&img);
    clipped.SetClipRect(gfx::Rect(0, 0, 400, 100));
    report.EMFPages->Draw(1, &clipped, gfx::TRect(0, 0, 752, 1071));
    clipped.Release();
    EXPECT_EQ(report.EMFPages->ObjectsMade, 2);
    EXPECT_EQ(report.EMFPages->Pages(1).Page->Objects[0]->Canvas, nullptr);
    report.EMFPages->Pages(1).Visible = false;
    report.EMFPages->Draw(1, &clipped, gfx::TRect(0, 0, 752, 1071));
    EXPECT_FALSE(report.EMFPages->Pages(1).Page);
}

TEST_F(Prepared, OlderFormWithAVectorPicturePerPage)
{
    QByteArray file;
    QBuffer b(&file);
    b.open(QIODevice::WriteOnly);
    rpWriteBytes(b, QByteArray("\x03prn\0", 5));
    rpWriteInt(b, 1);
    const QByteArray metafile("EMF-BYTES");
    rpWriteInt(b, 5 + 4 + 16 + int(metafile.size()));
    rpWriteWord(b, 9);
    rpWriteInt(b, 2100);
    rpWriteInt(b, 2970);
    rpWriteByte(b, 0);
    rpWriteByte(b, 1);
    rpWriteBytes(b, metafile);
    b.close();
    load(*report.EMFPages, file);
    ASSERT_EQ(report.EMFPages->Count(), 1);
    report.EMFPages->ObjectsToPage(0);
    TrpPage* page = report.EMFPages->Pages(0).Page.get();
    ASSERT_EQ(page->Count(), 1);
    auto* picture = dynamic_cast<TrpPictureView*>(page->Objects[0]);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->StoredKind(), TrpPictureView::pkMetafile);
    EXPECT_EQ(picture->StoredBytes(), metafile);
    EXPECT_EQ(picture->dx, 752);
}

TEST_F(Prepared, ReportSavesAndLoadsItsPreparedFile)
{
    build();
    const QString name = QDir::temp().filePath(QStringLiteral("velt_prepared_test.rpp"));
    report.SavePreparedReport(name);
    TrpReport other;
    EXPECT_TRUE(other.LoadPreparedReport(name));
    EXPECT_FALSE(other.Rebuildable);
    EXPECT_EQ(other.EMFPages->Count(), 2);
    QFile::remove(name);
    // A damaged file leaves no pages and says so.
    RecordingBoxes boxes;
    QByteArray bad = save(*report.EMFPages);
    bad.truncate(bad.size() - 5);
    bad[bad.size() - 60] = char(0x7F);
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bad.left(20));
    f.close();
    EXPECT_FALSE(other.LoadPreparedReport(name));
    EXPECT_EQ(other.EMFPages->Count(), 0);
    EXPECT_EQ(boxes.texts.size(), 1);
    QFile::remove(name);
}

TEST_F(Prepared, DamagedFilesLoadAndDrawWithoutCrashing)
{
    build();
    const QByteArray good = save(*report.EMFPages);
    QImage image(300, 400, QImage::Format_RGB32);
    gfx::TCanvas canvas(&image);
    auto tryLoad = [&](const QByteArray& bytes) {
        TrpReport other;
        CurReport = &other;
        try {
            load(*other.EMFPages, bytes);
        } catch (const std::exception&) {
        }
        for (int i = 0; i < other.EMFPages->Count(); ++i) {
            other.EMFPages->ObjectsToPage(i);
            other.EMFPages->Draw(i, &canvas, gfx::TRect(0, 0, 300, 400));
        }
        save(*other.EMFPages);
        CurReport = &report;
    };
    for (int n = 0; n < good.size(); ++n)
        tryLoad(good.left(n));
    quint32 seed = 777;
    auto next = [&seed]() { return seed = seed * 1103515245u + 12345u; };
    const int rounds = qEnvironmentVariableIsSet("VELT_FUZZ_ROUNDS") ? qEnvironmentVariableIntValue("VELT_FUZZ_ROUNDS") : 2000;
    for (int round = 0; round < rounds; ++round) {
        QByteArray bytes = good;
        const int edits = 1 + int(next() % 4);
        for (int e = 0; e < edits && bytes.size() > 2; ++e) {
            const int pos = int(next() % quint32(bytes.size()));
            switch (next() % 3) {
            case 0: bytes[pos] = char(next() >> 8); break;
            case 1: bytes[pos] = char(0xFF); break;
            default: bytes[pos] = char(0x7F); break;
            }
        }
        tryLoad(bytes);
    }
}
