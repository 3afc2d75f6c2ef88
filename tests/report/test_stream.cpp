#include "reportfixture.h"
#include "common/testutil.h"

#include "platform/data/Field.h"
#include "platform/data/MemDataSet.h"
#include "platform/graphics/Bitmap.h"
#include "report/rpBandView.h"
#include "report/rpLineView.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPictureView.h"
#include "report/rpReport.h"
#include "report/rpStream.h"
#include "report/rpSubReportView.h"

#include <QBuffer>
#include <functional>
#include <gtest/gtest.h>

using namespace rptest;

namespace {

QByteArray bytesOf(const std::function<void(QIODevice&)>& write)
{
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    write(b);
    return out;
}

QBuffer* reader(QByteArray& bytes)
{
    auto* b = new QBuffer(&bytes);
    b->open(QIODevice::ReadOnly);
    return b;
}

} // namespace

TEST(StreamPrimitives, StringsAndMemos)
{
    EXPECT_EQ(bytesOf([](QIODevice& s) { rpWriteMemo(s, {}); }), QByteArray("\0\0\0", 3));
    EXPECT_EQ(bytesOf([](QIODevice& s) { rpWriteMemo(s, {QStringLiteral("ab"), QString::fromUtf8("в")}); }),
              QByteArray("\x02\x00\x02\x00" "ab\x0D\x01\x00\xE2\x00", 11));
    EXPECT_EQ(bytesOf([](QIODevice& s) { rpWriteString(s, QString::fromUtf8("Да")); }), QByteArray("\x02\x00\xC4\xE0\x00", 5));

    // The reader follows the bytes after the lines, not the count.
    QByteArray memo("\x05\x00\x01\x00x\x00", 6);
    std::unique_ptr<QBuffer> r(reader(memo));
    QStringList lines{QStringLiteral("old")};
    rpReadMemo(*r, lines);
    EXPECT_EQ(lines, QStringList{QStringLiteral("x")});

    QByteArray old("one\rtwo\r\0three\0", 16);
    r.reset(reader(old));
    rpReadMemo22(*r, lines);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
    rpReadMemo22(*r, lines);
    EXPECT_EQ(lines, QStringList{QStringLiteral("three")});

    QByteArray cut("\x03\x00" "ab", 4);
    r.reset(reader(cut));
    EXPECT_THROW(rpReadString(*r), ErpStreamError);
}

TEST(StreamPrimitives, ShortStringOver255BytesKeepsItsFirst255)
{
    const QString longName(300, QLatin1Char('n'));
    const QByteArray b = bytesOf([&](QIODevice& s) { rpWriteShortString(s, longName); });
    ASSERT_EQ(b.size(), 256);
    EXPECT_EQ(quint8(b[0]), 255);
    QByteArray copy = b;
    std::unique_ptr<QBuffer> r(reader(copy));
    EXPECT_EQ(rpReadShortString(*r), longName.left(255));
}

TEST(StreamPrimitives, FrameWidthStoredSoThatItReadsBack)
{
    struct {
        double width;
        qint32 stored;
    } cases[] = {{1, 1}, {10, 10}, {0, 0}, {2.5, 2500}, {0.25, 250}, {12, 12000}, {1.25, 1250}};
    for (const auto& c : cases) {
        EXPECT_EQ(rpFrameWidthToStream(c.width), c.stored) << c.width;
        EXPECT_NEAR(rpFrameWidthFromStream(c.stored), c.width, 0.0006) << c.width;
    }
    // What older files hold keeps its meaning: 12 stored reads as 0.012 points.
    EXPECT_DOUBLE_EQ(rpFrameWidthFromStream(12), 0.012);
    EXPECT_DOUBLE_EQ(rpFrameWidthFromStream(1500), 1.5);
}

TEST(TemplateStream, ReportBuiltInCodeRoundTripsByteForByte)
{
    RecordingBoxes boxes;
    TrpReport original;
    buildSampleReport(original);
    const QByteArray first = saveToBytes(original);
    EXPECT_EQ(quint8(first[0]), 23);

    TrpReport loaded;
    ASSERT_TRUE(loadFromBytes(loaded, first));
    EXPECT_TRUE(boxes.texts.isEmpty());
    EXPECT_EQ(saveToBytes(loaded), first);

    ASSERT_EQ(loaded.Pages->Count(), 2);
    for (int p = 0; p < 2; ++p) {
        TrpPage* a = original.Pages->Pages(p);
        TrpPage* b = loaded.Pages->Pages(p);
        ASSERT_EQ(a->Count(), b->Count()) << "page " << p;
        EXPECT_EQ(a->pgOr, b->pgOr);
        EXPECT_EQ(a->pgMargins, b->pgMargins);
        EXPECT_EQ(a->ColCount, b->ColCount);
        EXPECT_EQ(a->PrintToPrevPage, b->PrintToPrevPage);
        for (int i = 0; i < a->Count(); ++i) {
            TrpView* va = a->Objects[i];
            TrpView* vb = b->Objects[i];
            EXPECT_EQ(va->ClassName(), vb->ClassName());
            EXPECT_EQ(va->Name, vb->Name);
            EXPECT_EQ(va->Memo, vb->Memo);
            EXPECT_EQ(va->Script, vb->Script);
            EXPECT_EQ(va->Visible, vb->Visible);
            EXPECT_DOUBLE_EQ(va->FrameWidth, vb->FrameWidth);
            EXPECT_NE(va->ID, vb->ID); // IDs are given anew
        }
    }
    auto* memo = dynamic_cast<TrpMemoView*>(loaded.FindObject(QStringLiteral("memo1")));
    ASSERT_TRUE(memo);
    EXPECT_EQ(memo->Font.Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(memo->Font.Size(), 12);
    EXPECT_EQ(memo->Font.Style(), gfx::fsBold | gfx::fsItalic);
    EXPECT_EQ(memo->Font.Charset(), 204);
    EXPECT_EQ(memo->HighlightStr, QStringLiteral("[IZM] > 0,3"));
    EXPECT_EQ(memo->Format, 0x0101022C);
    auto* line = loaded.FindObject(QStringLiteral("Line1"));
    ASSERT_TRUE(line);
    EXPECT_DOUBLE_EQ(line->FrameWidth, 12.0);

    // Pictures keep the bytes they came from.
    auto* bmp = dynamic_cast<TrpPictureView*>(loaded.FindObject(QStringLiteral("Picture1")));
    auto* jpg = dynamic_cast<TrpPictureView*>(loaded.FindObject(QStringLiteral("Picture2")));
    auto* empty = dynamic_cast<TrpPictureView*>(loaded.FindObject(QStringLiteral("Picture3")));
    ASSERT_TRUE(bmp && jpg && empty);
    EXPECT_EQ(bmp->StoredBytes(), sampleBmp());
    EXPECT_EQ(jpg->StoredBytes(), sampleJpeg());
    EXPECT_EQ(bmp->Picture.Width(), 3);
    EXPECT_TRUE(empty->IsEmpty());
    EXPECT_EQ(dynamic_cast<TrpSubReportView*>(loaded.FindObject(QStringLiteral("SubReport1")))->SubPage, 1);
    EXPECT_EQ(dynamic_cast<TrpBandView*>(loaded.FindObject(QStringLiteral("Band1")))->GetBandType(), btMasterData);

    ASSERT_EQ(loaded.Values.Count(), 5);
    EXPECT_EQ(loaded.Values.Name(3), QStringLiteral("Script var"));
    EXPECT_EQ(loaded.Values.GetValue(2)->Field, QStringLiteral("[A] + 1"));
    EXPECT_EQ(loaded.Values.GetValue(1)->DataSet, QStringLiteral("ADOQuery1"));
    EXPECT_EQ(loaded.Variables, original.Variables);
    EXPECT_TRUE(loaded.TwoPass);
}

TEST(TemplateStream, VersionAboveTheSupportedOneLoadsNothing)
{
    RecordingBoxes boxes;
    TrpReport report;
    buildSampleReport(report);
    QByteArray bytes = saveToBytes(report);
    bytes[0] = char(24);
    TrpReport target;
    target.Pages->Add();
    EXPECT_FALSE(loadFromBytes(target, bytes));
    EXPECT_EQ(boxes.texts, QStringList{QStringLiteral("Unsupported RPF format")});
    EXPECT_EQ(boxes.captions, QStringList{QStringLiteral("Error")});
    EXPECT_EQ(target.Pages->Count(), 1);
    EXPECT_EQ(target.Pages->Pages(0)->Count(), 0);
}

TEST(TemplateStream, DamagedBodiesLeaveOneEmptyPage)
{
    TrpReport report;
    buildSampleReport(report);
    const QByteArray good = saveToBytes(report);
    // The first page record ends 2 + 2 + printer name + 1 + 41 bytes in.
    const int firstObject = 1 + 4 + 2 + int(Prn().Printers[Prn().PrinterIndex].toUtf8().size()) + 1 + 2 * 42;
    QByteArray badTag = good;
    badTag[firstObject] = char(0x20);
    QByteArray typ7 = good;
    typ7[firstObject] = char(7);
    QByteArray noPage = good;
    noPage[firstObject + 1] = char(9);
    for (const QByteArray& bytes : {badTag, typ7, noPage, good.left(good.size() - 3)}) {
        RecordingBoxes boxes;
        TrpReport target;
        EXPECT_FALSE(loadFromBytes(target, bytes));
        EXPECT_EQ(boxes.texts, QStringList{QStringLiteral("Unsupported RPF format")});
        ASSERT_EQ(target.Pages->Count(), 1);
        EXPECT_EQ(target.Pages->Pages(0)->Count(), 0);
    }
}

TEST(TemplateStream, BoundsFarBeyondAnyPaperAreDamage)
{
    // Such numbers come only from damage; left in, they overflow the layout's arithmetic.
    const std::function<void(TrpReport&)> damage[] = {
        [](TrpReport& r) { r.Pages->Pages(0)->Objects[1]->x = 0x7F000000; },
        [](TrpReport& r) { r.Pages->Pages(0)->Objects[0]->dy = 1694498836; },
        [](TrpReport& r) { r.Pages->Pages(0)->Objects[1]->y = -2147483647 - 1; },
        [](TrpReport& r) { r.Pages->Pages(0)->Objects[1]->FrameWidth = -2147483640; },
        [](TrpReport& r) { r.Pages->Pages(1)->pgMargins.Bottom = -2147483628; },
        [](TrpReport& r) { r.Pages->Pages(1)->ColGap = 0x7FFFFFF0; },
        // The page record's paper and columns.
        [](TrpReport& r) { r.Pages->Pages(0)->ColCount = 2000000000; },
        [](TrpReport& r) { r.Pages->Pages(0)->ColCount = -1; },
        [](TrpReport& r) { r.Pages->Pages(0)->pgSize = -7; },
        [](TrpReport& r) { r.Pages->Pages(0)->pgSize = 70000; },
        [](TrpReport& r) { r.Pages->Pages(0)->pgSize = 256; r.Pages->Pages(0)->pgWidth = 0x7FFFFFFF; },
        [](TrpReport& r) { r.Pages->Pages(0)->pgSize = 256; r.Pages->Pages(0)->pgHeight = 0; },
        [](TrpReport& r) { r.Pages->Pages(1)->pgHeight = -2970; },
        [](TrpReport& r) { r.Pages->Pages(1)->pgOr = 9; },
    };
    for (const auto& d : damage) {
        TrpReport report;
        buildSampleReport(report);
        d(report);
        const QByteArray bytes = saveToBytes(report);
        RecordingBoxes boxes;
        TrpReport target;
        EXPECT_FALSE(loadFromBytes(target, bytes));
        EXPECT_EQ(boxes.texts, QStringList{QStringLiteral("Unsupported RPF format")});
    }
}

TEST(TemplateStream, EveryTruncationAndManyMutationsLoadWithoutCrashing)
{
    RecordingBoxes boxes;
    TrpReport report;
    buildSampleReport(report);
    const QByteArray good = saveToBytes(report);
    for (int n = 0; n < good.size(); ++n) {
        TrpReport target;
        const bool ok = loadFromBytes(target, good.left(n));
        if (!ok && n > 0)
            EXPECT_EQ(target.Pages->Count(), 1) << n;
    }
    // Deterministic mutations: flipped bytes, spliced lengths, cut tails.
    quint32 seed = 12345;
    auto next = [&seed]() { return seed = seed * 1103515245u + 12345u; };
    // VELT_FUZZ_ROUNDS asks for a longer run by hand (under the sanitizers, say).
    const int rounds = qEnvironmentVariableIsSet("VELT_FUZZ_ROUNDS") ? qEnvironmentVariableIntValue("VELT_FUZZ_ROUNDS") : 3000;
    for (int round = 0; round < rounds; ++round) {
        QByteArray bytes = good;
        const int edits = 1 + int(next() % 4);
        for (int e = 0; e < edits && bytes.size() > 2; ++e) {
            const int pos = 1 + int(next() % quint32(bytes.size() - 1));
            switch (next() % 3) {
            case 0: bytes[pos] = char(next() >> 8); break;
            case 1: bytes[pos] = char(0xFF); break;
            default: bytes.truncate(pos); break;
            }
        }
        TrpReport target;
        loadFromBytes(target, bytes);
        saveToBytes(target);
    }
}

TEST(TemplateStream, OldestFormWithoutVersionByte)
{
    RecordingBoxes boxes;
    QByteArray s;
    QBuffer b(&s);
    b.open(QIODevice::WriteOnly);
    rpWriteWord(b, 0);               // PrintToDefault (its low byte 0 is below 21)
    rpWriteWord(b, 0);               // TwoPass
    rpWriteByte(b, 0);               // printer name, old form
    rpWriteByte(b, 0xFF);
    rpWriteInt(b, 9);
    rpWriteInt(b, 2100);
    rpWriteInt(b, 2970);
    rpWriteRect(b, gfx::Rect(0, 0, 0, 0));
    rpWriteByte(b, 0);
    rpWriteBytes(b, QByteArray(6, 'x')); // skipped by versions 21 and 22
    rpWriteBool(b, false);
    rpWriteBool(b, true);
    rpWriteInt(b, 1);
    rpWriteInt(b, 0);
    rpWriteByte(b, 0);  // memo
    rpWriteByte(b, 0);  // page 0
    for (int v : {10, 20, 100, 30})
        rpWriteInt(b, v);
    rpWriteWord(b, 1);  // Flags without word wrap
    rpWriteWord(b, 0);
    rpWriteInt(b, 1);
    rpWriteInt(b, 0);
    rpWriteWord(b, 0);
    rpWriteInt(b, gfx::clNone);
    rpWriteInt(b, 0);
    rpWriteBytes(b, QByteArray("fmt\0", 4));
    rpWriteBytes(b, QByteArray("one\rtwo\0", 8));
    rpWriteBytes(b, QByteArray("Arial\0", 6));
    rpWriteInt(b, 10);
    rpWriteWord(b, 2);
    rpWriteInt(b, 0);
    rpWriteInt(b, 0);
    rpWriteWord(b, 204); // ignored in old streams
    rpWriteWord(b, 2);
    rpWriteInt(b, 0);
    rpWriteInt(b, gfx::clWhite);
    rpWriteBytes(b, QByteArray("\0", 1));
    b.close();

    TrpReport report;
    ASSERT_TRUE(loadFromBytes(report, s));
    EXPECT_EQ(rpVersion, 21);
    ASSERT_EQ(report.Pages->Count(), 1);
    ASSERT_EQ(report.Pages->Pages(0)->Count(), 1);
    auto* memo = dynamic_cast<TrpMemoView*>(report.Pages->Pages(0)->Objects[0]);
    ASSERT_TRUE(memo);
    EXPECT_EQ(memo->Name, QStringLiteral("Memo1"));
    EXPECT_EQ(memo->Memo, (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
    EXPECT_EQ(memo->FormatStr, QStringLiteral("fmt"));
    EXPECT_EQ(memo->Flags & mfWordWrap, mfWordWrap);
    EXPECT_EQ(memo->Font.Charset(), rpCharset);
    EXPECT_EQ(memo->Font.Style(), gfx::fsBold);
}

TEST(TemplateStream, BodyWithoutValuesKeepsThoseHeld)
{
    TrpReport report;
    buildSampleReport(report);
    const QByteArray full = saveToBytes(report);
    // Cut right before the values section.
    TrpReport probe;
    buildSampleReport(probe);
    probe.Values.Clear();
    probe.Variables.clear();
    const QByteArray bare = saveToBytes(probe);
    const QByteArray body = bare.left(bare.size() - 4 - 3 - 1); // count, empty memo, tag
    TrpReport target;
    const int kept = target.Values.AddValue();
    target.Values.SetName(kept, QStringLiteral("Kept"));
    target.SetVars({QStringLiteral("Cat"), QStringLiteral(" v")});
    ASSERT_TRUE(loadFromBytes(target, body));
    EXPECT_EQ(target.Values.Count(), 1);
    EXPECT_EQ(target.Variables.size(), 2);
    EXPECT_EQ(target.Pages->Count(), 2);
    EXPECT_NE(full, body);
}

TEST(TemplateStream, FramedMemoReadsAsMemoAndUnknownAddInFails)
{
    TrpReport report;
    CurReport = &report;
    report.Pages->Add();
    auto* memo = new TrpMemoView;
    memo->Name = QStringLiteral("M");
    report.Pages->Pages(0)->Objects.append(memo);
    QByteArray bytes = saveToBytes(report);
    // Rewrite the object header as an add-in of the old framed-memo class with 8 trailing bytes.
    const int at = bytes.indexOf(QByteArray("\x00\x00\x01\x00M\x00", 6));
    ASSERT_GT(at, 0);
    const QByteArray className("\x11\x00TrpFramedMemoView\x00", 20);
    QByteArray framed = bytes.left(at) + QByteArray(1, char(10)) + className + bytes.mid(at + 1);
    const int valuesTag = framed.lastIndexOf(char(0xFE));
    framed.insert(valuesTag, QByteArray(8, 'z'));
    TrpReport target;
    ASSERT_TRUE(loadFromBytes(target, framed));
    ASSERT_EQ(target.Pages->Pages(0)->Count(), 1);
    EXPECT_EQ(target.Pages->Pages(0)->Objects[0]->Typ, gtMemo);

    QByteArray unknown = bytes.left(at) + QByteArray(1, char(10)) + QByteArray("\x04\x00TFoo\x00", 7) + bytes.mid(at + 1);
    RecordingBoxes boxes;
    TrpReport other;
    EXPECT_FALSE(loadFromBytes(other, unknown));
    EXPECT_EQ(boxes.texts.size(), 1);
    try {
        rpCreateObject(10, QStringLiteral("TFoo"));
        FAIL();
    } catch (const ErpError& e) {
        EXPECT_EQ(e.Message(), QString::fromUtf8("Не найден класс TFoo"));
    }
    EXPECT_EQ(rpCreateObject(7, QString()), nullptr);
}

TEST(TemplateStream, TemplateFileFormPropertyAndTableBlob)
{
    testutil::TempDir dir;
    TrpReport report;
    buildSampleReport(report);
    gfx::TBitmap icon(4, 3);
    const QString file = dir.file(QStringLiteral("t.rpt"));
    report.SaveTemplate(file, {QStringLiteral("Journal"), QString::fromUtf8("Акт")}, &icon);

    TrpReport target;
    QStringList desc;
    gfx::TBitmap bmp;
    ASSERT_TRUE(target.LoadTemplate(file, desc, &bmp, false));
    EXPECT_EQ(desc, (QStringList{QStringLiteral("Journal"), QString::fromUtf8("Акт")}));
    EXPECT_EQ(bmp.Width(), 4);
    EXPECT_EQ(target.Pages->Count(), 0);
    ASSERT_TRUE(target.LoadTemplate(file, desc, &bmp, true));
    EXPECT_EQ(target.Pages->Count(), 2);
    EXPECT_EQ(saveToBytes(target), saveToBytes(report));

    EXPECT_EQ(report.ReportForm(), QByteArray("\x17\x00\x00\x00", 4));
    report.StoreInDFM = true;
    const QByteArray form = report.ReportForm();
    TrpReport fromForm;
    fromForm.StoreInDFM = true;
    fromForm.SetReportForm(form);
    EXPECT_EQ(saveToBytes(fromForm), saveToBytes(report));

    TMemDataSet table;
    table.AddFieldDef(QStringLiteral("DOCN"), ftInteger);
    table.AddFieldDef(QStringLiteral("BODY"), ftBlob);
    table.Open();
    table.AppendRecord({1, QByteArray("x")});
    report.SaveToDB(&table, 2);
    report.SaveToDB(&table, 2);
    EXPECT_EQ(table.RecordCount(), 2);
    TrpReport fromDb;
    EXPECT_FALSE(fromDb.LoadFromDB(&table, 3));
    EXPECT_EQ(fromDb.Pages->Count(), 0);
    ASSERT_TRUE(fromDb.LoadFromDB(&table, 2));
    EXPECT_EQ(saveToBytes(fromDb), saveToBytes(report));

    EXPECT_THROW(target.LoadFromFile(dir.file(QStringLiteral("missing.rpf"))), ErpError);
    const QString rpf = dir.file(QStringLiteral("r.rpf"));
    report.SaveToFile(rpf);
    ASSERT_TRUE(target.LoadFromFile(rpf));
    EXPECT_EQ(target.FileName, rpf);
}
