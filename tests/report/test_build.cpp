// Building reports from a data set: band order, page and column breaks, groups, master and detail,
// stretching and breaking bands, two-pass totals, the handlers asked, scripts and build errors.
#include "test_build_support.h"

#include "platform/data/Field.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FormatSettings.h"
#include "report/rpDataset.h"
#include "report/rpEMFPages.h"
#include "report/rpPage.h"
#include "report/rpPageFormation.h"
#include "report/rpPictureView.h"
#include "report/rpPrepare.h"
#include "reportfixture.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QImage>

using buildtest::ReportFixture;

namespace {

class BuildTest : public ::testing::Test {
protected:
    void SetUp() override { rtl::setFormatSettings(rtl::TFormatSettings::russian()); }
    ReportFixture f;

    // Where bands end on a page with a page footer of the given height.
    int bottom(int footer) const { return f.page->PrnInfo.Ofy + f.page->PrnInfo.Ph - footer; }
    int top() const { return f.page->PrnInfo.Ofy; }
};

QStringList numbers(int from, int to)
{
    QStringList l;
    for (int n = from; n <= to; ++n)
        l << QString::number(n);
    return l;
}

TEST_F(BuildTest, JournalLikeListBreaksPagesAndCountsThemInTwoPasses)
{
    f.AddRows(100, {}, {}, [](int n) { return QString::fromUtf8("Иванов %1").arg(n); });
    f.Band(btReportTitle, 0, 40);
    f.Memo(40, 0, 300, 20, QString::fromUtf8("Журнал"));
    f.Band(btPageHeader, 60, 20, {}, bfPrintOnFirstPage | bfPrintOnLastPage);
    f.Memo(40, 60, 300, 20, "Header");
    f.Band(btMasterData, 100, 20, "rpQ", 0);
    f.Memo(40, 100, 60, 20, "[N]");
    f.Memo(120, 100, 300, 20, "[Q.TXT]");
    f.Band(btPageFooter, 200, 20, {}, bfPrintOnFirstPage | bfPrintOnLastPage);
    f.Memo(40, 200, 300, 20, "[PAGE#]/[TOTALPAGES]");
    f.report->TwoPass = true;

    ASSERT_TRUE(f.Prepare());
    const int limit = bottom(20);
    const int firstRows = (limit - (top() + 40 + 20)) / 20;
    const int otherRows = (limit - (top() + 20)) / 20;
    const int expectedPages = 1 + (100 - firstRows + otherRows - 1) / otherRows;
    ASSERT_EQ(f.PageCount(), expectedPages);

    int next = 1;
    for (int p = 0; p < f.PageCount(); ++p) {
        SCOPED_TRACE(p);
        const QStringList texts = f.TextList(p);
        int k = 0;
        if (p == 0)
            EXPECT_EQ(texts[k++], QString::fromUtf8("Журнал"));
        EXPECT_EQ(texts[k++], "Header");
        const int rows = p == 0 ? firstRows : std::min(otherRows, 101 - next);
        for (int r = 0; r < rows; ++r, ++next) {
            EXPECT_EQ(texts[k++], QString::number(next));
            EXPECT_EQ(texts[k++], QString::fromUtf8("Иванов %1").arg(next));
        }
        EXPECT_EQ(texts[k++], QStringLiteral("%1/%2").arg(p + 1).arg(expectedPages));
        EXPECT_EQ(k, texts.size());
    }
    EXPECT_EQ(next, 101);
    // Rows lie one under another from the header down, the footer at the bottom limit.
    const auto first = f.Texts(0);
    EXPECT_EQ(first[0].y, top());
    EXPECT_EQ(first[2].y, top() + 60);
    EXPECT_EQ(first.back().y, limit);
}

TEST_F(BuildTest, SinglePassKnowsNoTotalAndWritesEveryPageOnce)
{
    f.AddRows(3);
    f.Band(btMasterData, 100, 20, "rpQ", 0);
    f.Memo(40, 100, 300, 20, "[N] of [TOTALPAGES]");
    ASSERT_TRUE(f.Prepare());
    ASSERT_EQ(f.PageCount(), 1);
    EXPECT_EQ(f.TextList(0), (QStringList{"1 of 0", "2 of 0", "3 of 0"}));
}

TEST_F(BuildTest, PageFooterFlagsChooseItsPages)
{
    const struct {
        quint16 flags;
        QList<int> pages; // 1-based pages that carry the footer
    } cases[] = {{0, {2}}, {bfPrintOnFirstPage, {1, 2}}, {bfPrintOnLastPage, {2, 3}},
                 {bfPrintOnFirstPage | bfPrintOnLastPage, {1, 2, 3}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        ReportFixture r;
        const int perPage = (r.page->PrnInfo.Ofy + r.page->PrnInfo.Ph - 20 - r.page->PrnInfo.Ofy) / 20;
        r.AddRows(2 * perPage + 1);
        r.Band(btMasterData, 100, 20, "rpQ", 0);
        r.Memo(40, 100, 60, 20, "[N]");
        r.Band(btPageFooter, 300, 20, {}, c.flags);
        r.Memo(40, 300, 100, 20, "F[PAGE#]");
        ASSERT_TRUE(r.Prepare());
        ASSERT_EQ(r.PageCount(), 3);
        for (int p = 1; p <= 3; ++p)
            EXPECT_EQ(r.TextList(p - 1).contains(QStringLiteral("F%1").arg(p)), c.pages.contains(p)) << p;
    }
}

TEST_F(BuildTest, GroupsPrintFootersInnermostFirstThenHeadersOutermostFirst)
{
    const char* outer[] = {"A", "A", "A", "B", "B"};
    const char* inner[] = {"x", "x", "y", "y", "y"};
    f.AddRows(5, [&](int n) { return QString(outer[n - 1]); }, {}, [&](int n) { return QString(inner[n - 1]); });
    f.Band(btGroupHeader, 60, 20, "[GRP]");
    f.Memo(0, 60, 100, 20, "G [GRP]");
    f.Band(btGroupHeader, 100, 20, "[TXT]");
    f.Memo(0, 100, 100, 20, "g [TXT]");
    f.Band(btMasterData, 140, 20, "rpQ", 0);
    f.Memo(0, 140, 100, 20, "[N]");
    f.Band(btGroupFooter, 180, 20);
    f.Memo(0, 180, 100, 20, "s [SUM([VAL])]");
    f.Band(btGroupFooter, 220, 20);
    f.Memo(0, 220, 100, 20, "S [SUM([VAL])]");
    ASSERT_TRUE(f.Prepare());
    EXPECT_EQ(f.TextList(0), (QStringList{"G A", "g x", "1", "2", "s 3", "g y", "3", "s 3", "S 6", "G B", "g y",
                                          "4", "5", "s 9", "S 9"}));
}

TEST_F(BuildTest, DetailLevelDropsMastersWithoutDetailUnlessAsked)
{
    f.AddRows(3);
    TrpUserDataset detail;
    detail.SetName("rpD");
    // Master n has n - 1 detail records.
    detail.OnCheckEOF = [this](TrpDataset* d, bool& eof) { eof = d->RecNo >= f.table.FieldByName("N")->Value().toInt() - 1; };
    f.owner->Add("rpD", &detail);
    f.Band(btMasterHeader, 40, 20);
    f.Memo(0, 40, 100, 20, "MH");
    TrpBandView* master = f.Band(btMasterData, 80, 20, "rpQ", 0);
    f.Memo(0, 80, 100, 20, "M[N]");
    f.Band(btDetailData, 120, 20, "rpD", 0);
    f.Memo(0, 120, 100, 20, "d[LINE#]");
    f.Band(btMasterFooter, 160, 20);
    f.Memo(0, 160, 100, 20, "MF");
    ASSERT_TRUE(f.Prepare());
    EXPECT_EQ(f.TextList(0), (QStringList{"MH", "M2", "d1", "M3", "d1", "d2", "MF"}));

    master->Flags = bfPrintIfDetailEmpty;
    ASSERT_TRUE(f.Prepare());
    EXPECT_EQ(f.TextList(0), (QStringList{"MH", "M1", "M2", "d1", "M3", "d1", "d2", "MF"}));
}

TEST_F(BuildTest, EmptyMasterPrintsNeitherHeaderNorFooter)
{
    f.Band(btReportTitle, 0, 20);
    f.Memo(0, 0, 100, 20, "T");
    f.Band(btMasterHeader, 40, 20);
    f.Memo(0, 40, 100, 20, "MH");
    f.Band(btMasterData, 80, 20, "rpQ", 0);
    f.Memo(0, 80, 100, 20, "[N]");
    f.Band(btMasterFooter, 120, 20);
    f.Memo(0, 120, 100, 20, "MF");
    ASSERT_TRUE(f.Prepare());
    ASSERT_EQ(f.PageCount(), 1);
    EXPECT_EQ(f.TextList(0), QStringList{"T"});
}

TEST_F(BuildTest, ColumnsFillLeftThenRightFromTheColumnTop)
{
    f.page->ColCount = 2;
    f.page->ColGap = 18;
    const int perColumn = (bottom(0) - (top() + 20)) / 20;
    f.AddRows(perColumn + 2);
    f.Band(btPageHeader, 20, 20, {}, bfPrintOnFirstPage);
    f.Memo(40, 20, 100, 20, "H");
    f.Band(btMasterData, 100, 20, "rpQ", 0);
    f.Memo(40, 100, 60, 20, "[N]");
    ASSERT_TRUE(f.Prepare());
    ASSERT_EQ(f.PageCount(), 1);
    const auto texts = f.Texts(0);
    const int colWidth = (f.page->RightMargin() - f.page->LeftMargin()) / 2;
    int second = -1;
    for (const auto& t : texts)
        if (t.text == QString::number(perColumn + 1))
            second = &t - &texts[0];
    ASSERT_GE(second, 0);
    EXPECT_EQ(texts[size_t(second)].x, 40 + colWidth + 18);
    EXPECT_EQ(texts[size_t(second)].y, top() + 20);
}

TEST_F(BuildTest, HandlersAreAskedForVariablesAndBeforeEveryObject)
{
    f.AddRows(2);
    f.Band(btMasterData, 100, 20, "rpQ", 0);
    f.Memo(0, 100, 200, 20, "[Operator]: [N]");
    QStringList asked;
    f.report->OnGetValue = [&](const QString& name, QVariant& value) {
        asked << name;
        if (name == "Operator")
            value = QString::fromUtf8("Петров");
    };
    int entered = 0;
    f.report->OnEnterRect = [&](QStringList& memo, TrpView* view) {
        ++entered;
        EXPECT_EQ(view->Typ, gtMemo);
        EXPECT_EQ(memo.value(0), "[Operator]: [N]");
    };
    ASSERT_TRUE(f.Prepare());
    EXPECT_EQ(f.TextList(0), (QStringList{QString::fromUtf8("Петров: 1"), QString::fromUtf8("Петров: 2")}));
    EXPECT_EQ(entered, 2);
    EXPECT_EQ(asked.count("Operator"), 2);
    EXPECT_EQ(asked.count("N"), 2);
}

TEST_F(BuildTest, StretchedBandsGrowButNeverShrink)
{
    f.AddRows(3, {}, {}, [](int n) { return n == 2 ? QString("a\nb\nc\nd\ne") : QString("one"); });
    f.Band(btMasterData, 100, 30, "rpQ", bfStretched);
    f.Memo(0, 100, 200, 30, "[TXT]");
    ASSERT_TRUE(f.Prepare());
    const auto t = f.Texts(0);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[1].y - t[0].y, 30);     // a one-line record keeps the design height
    EXPECT_GT(t[2].y - t[1].y, 30);     // five lines stretch the band
    EXPECT_EQ(t[1].text, "a\nb\nc\nd\ne");
}

TEST_F(BuildTest, BreakableBandContinuesOverPagesInParts)
{
    QStringList lines;
    for (int i = 1; i <= 150; ++i)
        lines << QStringLiteral("line %1").arg(i);
    f.AddRows(1, {}, {}, [&](int) { return lines.join('\n'); });
    f.Band(btReportTitle, 0, 300);
    f.Memo(0, 0, 100, 20, "T");
    f.Band(btMasterData, 400, 20, "rpQ", bfStretched | bfAllowSplit);
    f.Memo(0, 400, 300, 20, "[LONG]");
    f.Band(btReportSummary, 500, 20);
    f.Memo(0, 500, 100, 20, "END");
    ASSERT_TRUE(f.Prepare());
    ASSERT_GE(f.PageCount(), 2);
    QStringList all;
    for (int p = 0; p < f.PageCount(); ++p)
        for (const QString& t : f.TextList(p))
            all << t.split('\n');
    all.removeAll("T");
    ASSERT_EQ(all.last(), "END");
    all.removeLast();
    EXPECT_EQ(all, lines); // every line once, in order
    // The first part starts right under the title.
    EXPECT_EQ(f.Texts(0)[1].y, top() + 300);
}

TEST_F(BuildTest, ObjectTallerThanAPageEndsAfterFinitelyManyPages)
{
    f.AddRows(2);
    f.Band(btMasterData, 100, 3000, "rpQ", bfAllowSplit);
    auto* picture = new TrpPictureView;
    picture->SetBounds(0, 100, 100, 3000);
    f.page->Objects.append(picture);
    f.Memo(200, 100, 100, 20, "[N]");
    ASSERT_TRUE(f.Prepare());
    EXPECT_EQ(f.PageCount(), 2); // each record's picture is drawn whole at the top of its page

    // A band taller than a fresh page that may not break is drawn once, not moved on for ever.
    ReportFixture r;
    r.AddRows(2);
    r.Band(btMasterData, 100, 3000, "rpQ", 0);
    r.Memo(0, 100, 100, 20, "[N]");
    ASSERT_TRUE(r.Prepare());
    EXPECT_EQ(r.PageCount(), 2);
    EXPECT_EQ(r.TextList(0), QStringList{"1"});
    EXPECT_EQ(r.TextList(1), QStringList{"2"});
}

TEST_F(BuildTest, InvisibleDataBandStillCountsInFooterTotals)
{
    f.AddRows(4);
    TrpBandView* data = f.Band(btMasterData, 100, 20, "rpQ", 0);
    data->Visible = false;
    f.Memo(0, 100, 100, 20, "[N]");
    f.Band(btMasterFooter, 200, 20);
    f.Memo(0, 200, 200, 20, QStringLiteral("total [SUM([VAL], %1, 1)]").arg(data->Name));
    ASSERT_TRUE(f.Prepare());
    EXPECT_EQ(f.TextList(0), QStringList{"total 10"});
}

TEST_F(BuildTest, ScriptNewPageTakesEffectWhenTheBandIsOutput)
{
    f.AddRows(4);
    TrpBandView* data = f.Band(btMasterData, 100, 20, "rpQ", 0);
    data->Script = QStringList{"if [N] = 3 then NewPage"};
    TrpMemoView* m = f.Memo(0, 100, 100, 20, "[N]");
    m->Script = QStringList{"if [N] = 4 then Visible := 0 else Visible := 1"};
    ASSERT_TRUE(f.Prepare());
    ASSERT_EQ(f.PageCount(), 2);
    EXPECT_EQ(f.TextList(0), (QStringList{"1", "2"}));
    EXPECT_EQ(f.TextList(1), QStringList{"3"});
    EXPECT_TRUE(ScriptErrors.isEmpty());
}

TEST_F(BuildTest, MemoFieldTextIsReadInTheTableCodePage)
{
    // A memo holds cp1251 bytes, as a dBASE memo file gives them.
    const QString text = QString::fromUtf8("Освидетельствование\r\nпройдено");
    f.table.Append();
    f.table.FieldByName("N")->SetValue(1);
    f.table.FieldByName("LONG")->SetAsString(text);
    f.table.Post();
    f.table.Append();
    f.table.FieldByName("N")->SetValue(2);
    f.table.Post();
    f.table.First();
    ASSERT_EQ(f.table.FieldByName("LONG")->AsBytes(), rtl::toCp1251(text));
    f.Band(btMasterData, 100, 40, "rpQ", 0);
    f.Memo(0, 100, 200, 40, "[LONG]");                            // the object shows the memo itself
    f.Memo(200, 100, 200, 40, QString::fromUtf8("Итог: [LONG]")); // the memo inside a text
    f.Memo(400, 100, 200, 40, "[Q.LONG]");
    ASSERT_TRUE(f.Prepare());
    const QString lines = QString::fromUtf8("Освидетельствование\nпройдено");
    // A null memo: a bound object shows nothing, inside a text it prints one blank.
    EXPECT_EQ(f.TextList(0), (QStringList{lines, QString::fromUtf8("Итог: ") + lines, lines, "", QString::fromUtf8("Итог:  "), ""}));
}

TEST_F(BuildTest, RecordTextWithAQuotePassesThroughTextFunctions)
{
    f.AddRows(1, {}, {}, [](int) { return QString::fromUtf8("д'Артаньян"); });
    f.Band(btMasterData, 100, 20, "rpQ", 0);
    f.Memo(0, 100, 300, 20, "[UPPERCASE([TXT])] [LOWERCASE([Q.TXT])]");
    f.Memo(0, 120, 300, 20, R"([NAMECASE('o''neil')] [FORMATFLOAT('0"''"', 2)] [FORMATDATETIME('dd"''"mm', 45356)])");
    ASSERT_TRUE(f.Prepare()) << BuildErrorText.toStdString();
    EXPECT_EQ(f.TextList(0), (QStringList{QString::fromUtf8("Д'АРТАНЬЯН д'артаньян"), "O'neil 2' 05'03"}));
}

TEST_F(BuildTest, UnclosedDoubleQuoteInANameFailsTheBuildInsteadOfRecursing)
{
    // The name reads on to the end of the text and comes back one blank longer each time it is
    // worked out as an expression: a chain of names that never repeats exactly.
    f.AddRows(1);
    f.Band(btMasterData, 100, 20, "rpQ", 0);
    f.Memo(0, 100, 300, 20, "[Q.\"TXT]");
    EXPECT_FALSE(f.Prepare());
    EXPECT_TRUE(BuildError);
}

TEST_F(BuildTest, MutatedTemplatesBuildAndDrawWithoutCrashing)
{
    // A template that loads despite damage still builds and draws: no crash, no endless page or
    // recursion. VELT_FUZZ_ROUNDS asks for a longer run by hand (under the sanitizers, say).
    rptest::RecordingBoxes boxes;
    QByteArray good;
    {
        ReportFixture r;
        r.Band(btReportTitle, 0, 40);
        r.Memo(40, 0, 300, 20, "Title [TOTALPAGES]");
        r.Band(btPageHeader, 50, 20, {}, bfPrintOnFirstPage | bfPrintOnLastPage);
        r.Memo(40, 50, 300, 20, "PH [PAGE#]");
        r.Band(btGroupHeader, 80, 20, "[GRP]");
        r.Memo(0, 80, 100, 20, "GH [GRP]");
        r.Band(btMasterData, 110, 20, "rpQ", bfStretched | bfAllowSplit);
        r.Memo(0, 110, 100, 20, "[N] [LINE#] [TXT]");
        r.Band(btGroupFooter, 140, 20);
        r.Memo(0, 140, 300, 20, "GF [SUM([VAL])]");
        r.Band(btPageFooter, 200, 20, {}, bfPrintOnFirstPage | bfPrintOnLastPage);
        r.Memo(0, 200, 300, 20, "PF [PAGE#]/[TOTALPAGES]");
        r.report->TwoPass = true;
        QBuffer b(&good);
        b.open(QIODevice::WriteOnly);
        r.report->SaveToStream(b);
    }
    quint32 seed = 99;
    auto next = [&seed]() { return seed = seed * 1103515245u + 12345u; };
    const int rounds = qEnvironmentVariableIsSet("VELT_FUZZ_ROUNDS") ? qEnvironmentVariableIntValue("VELT_FUZZ_ROUNDS") : 150;
    QImage image(200, 300, QImage::Format_RGB32);
    for (int round = 0; round < rounds; ++round) {
        QByteArray bytes = good;
        const int edits = 1 + int(next() % 3);
        for (int e = 0; e < edits; ++e) {
            const int pos = 1 + int(next() % quint32(bytes.size() - 1));
            const char values[] = {char(next() >> 8), char(0xFF), char(0x80), 0, '"'};
            bytes[pos] = values[next() % 5];
        }
        ReportFixture r;
        r.AddRows(30, [](int n) { return QString("G%1").arg(n / 7); }, {},
                  [](int n) { return n % 5 ? QString("x") : QString("a\nb\nc"); });
        QBuffer b(&bytes);
        b.open(QIODevice::ReadOnly);
        if (!r.report->LoadFromStream(b))
            continue;
        int pages = 0;
        r.report->OnProgress = [&](int) {
            if (++pages > 400)
                r.report->Cancelled = true;
        };
        rpPrepareReport(r.report.get());
        gfx::TCanvas canvas(&image);
        for (int i = 0; i < std::min(3, r.report->EMFPages->Count()); ++i)
            r.report->EMFPages->Draw(i, &canvas, gfx::TRect(0, 0, 200, 300));
    }
}

TEST_F(BuildTest, BuildErrorFailsThePreparationWithItsText)
{
    f.AddRows(2);
    f.Band(btMasterData, 100, 20, "rpQ", 0);
    f.Memo(0, 100, 100, 20, "[ 'x' * 2 ]");
    EXPECT_FALSE(f.Prepare());
    EXPECT_TRUE(BuildError);
    EXPECT_EQ(BuildErrorText, QStringLiteral("An error occured during calculating\r[ 'x' * 2 ]\rReport: TestReport\r"
                                             "Band: Master data"));

    rptest::RecordingBoxes boxes;
    rpShowReport(f.report.get());
    EXPECT_EQ(boxes.texts, QStringList{BuildErrorText});
    EXPECT_EQ(boxes.captions, QStringList{"Error"});
    EXPECT_EQ(f.PageCount(), 0);
}

TEST_F(BuildTest, DataSetThatCannotOpenRaisesAndLeavesNothingBehind)
{
    f.AddRows(2);
    TrpDBDataSet unbound;
    unbound.SetName("rpNone");
    f.owner->Add("rpNone", &unbound);
    TrpBandView* band = f.Band(btMasterData, 100, 20, "rpNone", 0);
    f.Memo(0, 100, 100, 20, "[N]");
    f.report->ShowProgress = true;
    EXPECT_THROW(f.Prepare(), std::exception);
    EXPECT_EQ(f.page->BandsByType[btMasterData], nullptr);
    EXPECT_TRUE(f.page->RunObjects.isEmpty());
    EXPECT_FALSE(DisableDrawing);

    band->FormatStr = "rpQ";
    ASSERT_TRUE(f.Prepare()); // the engine builds again
    EXPECT_EQ(f.TextList(0), (QStringList{"1", "2"}));
}

TEST_F(BuildTest, ProgressWindowRunsTheBuildAndProgressHandlerReplacesIt)
{
    f.AddRows(3);
    f.Band(btMasterData, 100, 20, "rpQ", 0);
    f.Memo(0, 100, 100, 20, "[N]");
    f.report->ShowProgress = true;
    f.report->TwoPass = true;
    ASSERT_TRUE(f.Prepare());
    EXPECT_EQ(f.TextList(0), (QStringList{"1", "2", "3"}));
    EXPECT_FALSE(rpProgressForm().isVisible());

    QList<int> progress;
    f.report->OnProgress = [&](int n) { progress << n; };
    ASSERT_TRUE(f.Prepare());
    EXPECT_FALSE(progress.isEmpty());
    EXPECT_EQ(f.PageCount(), 1);
}

TEST_F(BuildTest, CancelStopsTheBuildAndReportsIt)
{
    f.AddRows(50);
    f.Band(btMasterData, 100, 20, "rpQ", 0);
    f.Memo(0, 100, 100, 20, "[N]");
    f.report->OnBeginBand = [&](TrpBand*) {
        if (f.table.FieldByName("N")->Value().toInt() == 5)
            f.report->Cancelled = true;
    };
    EXPECT_FALSE(f.Prepare());
    EXPECT_FALSE(f.report->Cancelled); // cleared again when the build ends
    EXPECT_LT(f.TextList(0).size(), 50);
}

TEST_F(BuildTest, MultipleReportRepeatsOncePerRecord)
{
    f.AddRows(3);
    TrpUserDataset three;
    three.RangeEnd = reCount;
    three.RangeEndCount = 3;
    f.report->Dataset = &three;
    f.report->ReportType = rtMultiple;
    f.Band(btReportTitle, 0, 20);
    f.Memo(0, 0, 100, 20, "T");
    ASSERT_TRUE(f.Prepare());
    EXPECT_EQ(f.PageCount(), 3);
}

} // namespace
