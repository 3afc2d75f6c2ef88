#include "reportfixture.h"

#include "platform/graphics/Canvas.h"
#include "report/rpEMFPages.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPrinter.h"
#include "report/rpReport.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace rptest;

TEST(PrinterWrapper, PaperTableOfTheDefaultPrinter)
{
    const QList<TrpPaper>& table = rpPaperTable();
    ASSERT_EQ(table.size(), 67);
    EXPECT_EQ(table[8].Code, 9);
    EXPECT_EQ(table[8].Width, 2100);
    EXPECT_EQ(table[8].Height, 2970);
    EXPECT_EQ(table[47].Code, 50);
    EXPECT_EQ(table.last().Code, 256);
    EXPECT_EQ(rpPaperName(8), QStringLiteral("A4 210 x 297 mm"));
    EXPECT_EQ(rpPaperName(19), QStringLiteral("#10 Envelope, 4 1/8  x 9 1/2\""));
    EXPECT_EQ(rpPaperName(47), QStringLiteral("Letter Extra 9/275 x 12\""));
    EXPECT_EQ(rpPaperName(66), QStringLiteral("Custom"));
    // Inch papers in tenths of a millimetre.
    EXPECT_EQ(table[0].Width, 2159);
    EXPECT_EQ(table[0].Height, 2794);
}

TEST(PrinterWrapper, DefaultPrinterGeometry)
{
    TrpPrinter prn; // no installed printer given
    ASSERT_EQ(prn.Printers, QStringList{QStringLiteral("Default printer")});
    EXPECT_TRUE(prn.IsDefault());
    prn.SetPrinterInfo(9, 0, 0, 0);
    TrpPrnInfo info;
    prn.FillPrnInfo(info);
    EXPECT_EQ(info.Pgw, 752);
    EXPECT_EQ(info.Pgh, 1071);
    EXPECT_EQ(info.Ofx, 18);
    EXPECT_EQ(info.Ofy, 18);
    EXPECT_EQ(info.Pw, 716);
    EXPECT_EQ(info.Ph, 1035);

    const int applied = prn.ApplyCount;
    prn.SetPrinterInfo(9, 1, 2, 0); // the same paper: nothing is applied
    EXPECT_EQ(prn.ApplyCount, applied);
    prn.SetPrinterInfo(9, 0, 0, 1);
    EXPECT_EQ(prn.PaperWidth, 2970);
    EXPECT_EQ(prn.PaperHeight, 2100);
    prn.FillPrnInfo(info);
    EXPECT_EQ(info.Pgw, 1064);
    EXPECT_EQ(info.Pgh, 758);

    prn.SetPrinterInfo(256, 1000, 500, 0);
    EXPECT_EQ(prn.PaperWidth, 1000);
    EXPECT_TRUE(prn.IsEqual(256, 1000, 500, 0));
    EXPECT_FALSE(prn.IsEqual(256, 1001, 500, 0));
    EXPECT_TRUE(TrpPrinter().IsEqual(9, 5, 5, 0));

    EXPECT_EQ(prn.GetArrayPos(9), 8);
    EXPECT_EQ(prn.GetArrayPos(49), 66); // not offered: the last entry
}

TEST(PrinterWrapper, PagesFitToThePrinterAndMargins)
{
    TrpPage page(9, 0, 0, 0);
    EXPECT_EQ(page.pgWidth, 2100);
    EXPECT_EQ(page.LeftMargin(), 18);
    EXPECT_EQ(page.RightMargin(), 18 + 716);
    page.pgMargins = gfx::Rect(36, 40, 30, 20);
    EXPECT_EQ(page.LeftMargin(), 36);
    EXPECT_EQ(page.TopMargin(), 40);
    EXPECT_EQ(page.RightMargin(), 752 - 30);
    EXPECT_EQ(page.BottomMargin(), 1071 - 20);
    page.UseMargins = false;
    EXPECT_EQ(page.LeftMargin(), 0);
    EXPECT_EQ(page.BottomMargin(), 1071);
}

TEST(PrinterWrapper, PreparedPageToPdfReadBackByAnOutsideReader)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    TrpReport report;
    CurReport = &report;
    TrpPage* design = report.Pages->Add();
    report.EMFPages->Add(design);
    TrpMemoView memo;
    memo.SetBounds(40, 40, 300, 30);
    memo.Memo = {QString::fromUtf8("Акт освидетельствования 0,25 мг/л")};
    memo.StreamMode = smPrinting;
    memo.Print(*report.EMFPages->Pages(0).Stream);

    const QString pdf = QDir::temp().filePath(QStringLiteral("velt_report_print_test.pdf"));
    auto printer = Prn().NewPdfPrinter(pdf);
    QPainter painter;
    ASSERT_TRUE(painter.begin(printer.get()));
    gfx::TCanvas canvas(&painter);
    const QRect page = printer->pageRect(QPrinter::DevicePixel).toRect();
    report.EMFPages->Draw(0, &canvas, gfx::TRect(0, 0, page.width(), page.height()));
    painter.end();

    QProcess p;
    p.start(pdftotext, {pdf, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QString::fromUtf8("Акт освидетельствования 0,25 мг/л"))) << text.toStdString();
    QFile::remove(pdf);
    CurReport = nullptr;
    DocMode = dmDesigning;
}
