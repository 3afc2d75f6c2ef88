// The same canvas on the surfaces the program paints: a widget's paint event, a pixmap and a printer
// page (PDF, read back by pdftotext).
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Edge.h"
#include "common/testutil.h"
#include <QPicture>
#include <QPixmap>
#include <QPrinter>
#include <QProcess>
#include <QWidget>
#include <gtest/gtest.h>

using namespace gfx;

namespace {

class PaintedWidget : public QWidget {
public:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        TCanvas c(&painter);
        c.Brush().SetColor(clBtnFace);
        c.FillRect(Rect(0, 0, width(), height()));
        c.Brush().SetColor(clWindow);
        c.Rectangle(2, 2, 12, 12);
        TRect edge = Rect(14, 2, 28, 12);
        DrawEdge(c, edge, BDR_RAISEDINNER, BF_RECT);
    }
};

TColor pixel(const QImage& img, int x, int y)
{
    return FromQColor(QColor::fromRgb(img.pixel(x, y)));
}

} // namespace

TEST(Surfaces, WidgetPaintEvent)
{
    PaintedWidget w;
    w.resize(30, 16);
    const QImage img = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(pixel(img, 2, 2), clBlack);
    EXPECT_EQ(pixel(img, 11, 11), clBlack);
    EXPECT_EQ(pixel(img, 5, 5), clWhite);
    EXPECT_EQ(pixel(img, 12, 12), ColorToRGB(clBtnFace));
    EXPECT_EQ(pixel(img, 14, 2), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(pixel(img, 27, 11), ColorToRGB(clBtnShadow));
}

TEST(Surfaces, PixmapWithXor)
{
    QPixmap pm(20, 20);
    pm.fill(Qt::white);
    {
        TCanvas c(&pm);
        EXPECT_EQ(c.PixelsPerInch(), pm.logicalDpiY());
        c.Pen().SetColor(clRed);
        c.MoveTo(0, 5);
        c.LineTo(10, 5);
        c.DrawFocusRect(Rect(0, 10, 20, 20));
    }
    const QImage img = pm.toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(pixel(img, 9, 5), clRed);
    EXPECT_EQ(pixel(img, 10, 5), clWhite);
    EXPECT_EQ(pixel(img, 0, 10), clBlack) << "inverted white";
    EXPECT_EQ(pixel(img, 1, 10), clWhite);
}

TEST(Surfaces, PrinterPageKeepsPointSizesAndWritesText)
{
    testutil::TempDir dir;
    const QString file = dir.file("page.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    QPainter painter;
    ASSERT_TRUE(painter.begin(&printer));
    {
        TCanvas c(&painter);
        const int dpi = printer.resolution();
        EXPECT_EQ(c.PixelsPerInch(), dpi);
        EXPECT_EQ(c.Font().Size(), 8) << "the default font keeps its point size on the printer";
        c.Font().Assign(TFont(QStringLiteral("Arial"), 12));
        EXPECT_EQ(c.Font().Size(), 12);
        EXPECT_EQ(c.Font().Height(), PointsToHeight(12, dpi));
        c.Brush().SetStyle(bsClear);
        c.TextOut(dpi, dpi, QStringLiteral("Журнал измерений"));
        TRect r = Rect(dpi, 2 * dpi, 3 * dpi, 3 * dpi);
        c.DrawText(QStringLiteral("Дата: 2024.01.02"), r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        c.Pen().SetMode(pmXor); // no pixel mixing on paper: left out, no failure
        c.Rectangle(r);
        c.DrawFocusRect(r);
    }
    painter.end();

    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")});
    ASSERT_TRUE(pdftotext.waitForFinished(30000));
    const QString html = QString::fromUtf8(pdftotext.readAllStandardOutput());
    EXPECT_TRUE(html.contains(QStringLiteral(">Журнал<"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral(">2024.01.02<")));
    // The word box of 12-point text is roughly 12 points tall.
    const int at = html.indexOf(QStringLiteral(">Журнал<"));
    const QString tag = html.left(at).section(QStringLiteral("<word"), -1);
    auto attr = [&](const char* name) {
        return tag.section(QString::fromLatin1(name) + QStringLiteral("=\""), 1).section(u'"', 0, 0).toDouble();
    };
    const double height = attr("yMax") - attr("yMin");
    EXPECT_GT(height, 9.0);
    EXPECT_LT(height, 16.0);
}

TEST(Surfaces, RebindingToTheSameResolutionKeepsTheFontExactly)
{
    QImage a(10, 10, QImage::Format_RGB32), b(10, 10, QImage::Format_RGB32);
    TCanvas c(&a);
    c.Font().SetHeight(-14); // 10.5 points: not a whole point size
    c.SetDevice(&b);
    EXPECT_EQ(c.Font().Height(), -14);
    QPainter painter(&a);
    c.SetPainter(&painter);
    EXPECT_EQ(c.Font().Height(), -14);
    c.SetPainter(nullptr);
}

TEST(Surfaces, RecordedPictureKeepsWhatLiesBeyondEarlierDrawing)
{
    // A recording grows with what is drawn; its size so far does not bound later figures.
    QPicture picture;
    {
        QPainter painter(&picture);
        TCanvas c(&painter);
        c.Brush().SetColor(clRed);
        c.FillRect(Rect(0, 0, 10, 10));
        c.MoveTo(0, 20);
        c.LineTo(80, 20);
        c.Brush().SetColor(clBlue);
        c.FillRect(Rect(60, 30, 70, 40));
    }
    QImage img(100, 50, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter painter(&img);
        painter.drawPicture(0, 0, picture);
    }
    EXPECT_EQ(pixel(img, 5, 5), clRed);
    EXPECT_EQ(pixel(img, 79, 20), clBlack);
    EXPECT_EQ(pixel(img, 65, 35), clBlue);
}
