#include "reportfixture.h"

#include "platform/graphics/JPEGImage.h"
#include "report/rpBandView.h"
#include "report/rpLineView.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPictureView.h"
#include "report/rpPrinter.h"
#include "report/rpReport.h"
#include "report/rpSubReportView.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

namespace {

// Page geometry in the tests is that of the "Default printer", whatever printers the machine has.
class DefaultPrinterEnvironment : public ::testing::Environment {
public:
    void SetUp() override { Prn().SetPrinterIndex(Prn().DefaultIndex); }
};

[[maybe_unused]] ::testing::Environment* const defaultPrinter =
    ::testing::AddGlobalTestEnvironment(new DefaultPrinterEnvironment);

} // namespace

namespace rptest {

QVariant TestParser::Calc(const QString& expression)
{
    ++calls;
    const QString e = expression.trimmed();
    // Top-level "+": numbers add, texts join.
    int depth = 0;
    bool quoted = false;
    for (int i = int(e.size()) - 1; i > 0; --i) {
        const QChar c = e[i];
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char(']'))
            ++depth;
        else if (!quoted && c == QLatin1Char('['))
            --depth;
        else if (!quoted && depth == 0 && c == QLatin1Char('+')) {
            const QVariant a = Calc(e.left(i));
            const QVariant b = Calc(e.mid(i + 1));
            if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
                return a.toString() + b.toString();
            return a.toDouble() + b.toDouble();
        }
    }
    if (e.startsWith(QLatin1Char('\'')) && e.endsWith(QLatin1Char('\'')) && e.size() >= 2)
        return e.mid(1, e.size() - 2);
    bool ok = false;
    const double d = QString(e).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (ok)
        return d;
    QVariant v;
    if (e.startsWith(QLatin1Char('[')) && e.endsWith(QLatin1Char(']')))
        CurReport->GetVariableValue(e.mid(1, e.size() - 2), v);
    else
        CurReport->GetVariableValue(e.toUpper(), v);
    return v;
}

ParserScope::ParserScope() : previous_(rpParser)
{
    rpParser = &parser;
}

ParserScope::~ParserScope()
{
    rpParser = previous_;
}

RecordingBoxes::RecordingBoxes() : previous_(ctl::SetMessageBoxPort(this)) {}

RecordingBoxes::~RecordingBoxes()
{
    ctl::SetMessageBoxPort(previous_);
}

int RecordingBoxes::Show(const QString& text, const QString& caption, unsigned)
{
    texts.append(text);
    captions.append(caption);
    return ctl::IDOK;
}

QByteArray sampleBmp()
{
    QImage img(3, 2, QImage::Format_RGB32);
    img.fill(Qt::red);
    img.setPixelColor(1, 1, Qt::blue);
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "BMP");
    return bytes;
}

QByteArray sampleJpeg()
{
    gfx::TJPEGImage jpeg;
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(Qt::green);
    jpeg.Assign(gfx::TBitmap(img));
    return jpeg.SaveToBytes();
}

void buildSampleReport(TrpReport& report)
{
    CurReport = &report;
    report.Pages->Clear();
    TrpPage* p1 = report.Pages->Add();
    TrpPage* p2 = report.Pages->Add();
    p2->ChangePaper(9, 0, 0, 1);
    p2->pgMargins = gfx::Rect(36, 36, 36, 36);
    p2->ColCount = 2;
    p2->ColGap = 18;
    p2->PrintToPrevPage = true;

    auto* band = new TrpBandView;
    band->SetBandType(btMasterData);
    band->SetBounds(0, 100, 700, 40);
    band->FormatStr = QStringLiteral("rpDBDataSet1");
    band->CreateUniqueName();
    p1->Objects.append(band);

    auto* memo = new TrpMemoView;
    memo->SetBounds(20, 104, 200, 30);
    memo->CreateUniqueName();
    memo->Memo = QStringList{QString::fromUtf8("Фамилия: [OBSL_FAM]"), QString(), QStringLiteral("[Sum #N0.00]")};
    memo->Script = QStringList{QStringLiteral("begin"), QStringLiteral("end")};
    memo->Font.SetName(QStringLiteral("Times New Roman"));
    memo->Font.SetSize(12);
    memo->Font.SetStyle(gfx::fsBold | gfx::fsItalic);
    memo->Font.SetColor(gfx::clNavy);
    memo->Font.SetCharset(204);
    memo->Adjust = adCenter | adMiddle;
    memo->FrameTyp = frAll;
    memo->FrameWidth = 2.5;
    memo->FrameColor = gfx::clRed;
    memo->FrameStyle = 1;
    memo->FillColor = gfx::clYellow;
    memo->HighlightStr = QStringLiteral("[IZM] > 0,3");
    memo->HighlightFontColor = gfx::clRed;
    memo->Format = 0x0101022C;
    memo->FormatStr = QStringLiteral("#,##0.00");
    p1->Objects.append(memo);

    auto* line = new TrpLineView;
    line->SetBounds(10, 150, 300, 0);
    line->FrameWidth = 12; // a whole width above 10
    line->CreateUniqueName();
    p1->Objects.append(line);

    auto* bmp = new TrpPictureView;
    bmp->SetBounds(400, 10, 100, 80);
    bmp->Picture.LoadFromBytes(sampleBmp());
    bmp->Memo = QStringList{QStringLiteral("OBSL_PHOTO")};
    bmp->CreateUniqueName();
    p1->Objects.append(bmp);

    auto* jpg = new TrpPictureView;
    jpg->SetBounds(10, 10, 60, 60);
    jpg->Picture.LoadFromBytes(sampleJpeg());
    jpg->Flags = pfStretch | pfCenter;
    jpg->Visible = false;
    jpg->CreateUniqueName();
    p2->Objects.append(jpg);

    auto* empty = new TrpPictureView;
    empty->SetBounds(100, 10, 60, 60);
    empty->CreateUniqueName();
    p2->Objects.append(empty);

    auto* sub = new TrpSubReportView;
    sub->SetBounds(10, 200, 300, 50);
    sub->SubPage = 1;
    sub->CreateUniqueName();
    p1->Objects.append(sub);

    report.Values.Clear();
    const struct {
        const char* name;
        TrpValueType typ;
        int kind;
        const char* dataSet;
        const char* field;
    } values[] = {
        {"Date", vtOther, svDate, "", ""},
        {"Operator", vtDBField, 0, "ADOQuery1", "OPER"},
        {"Total", vtOther, svExpression, "", "[A] + 1"},
        {"Script var", vtRPVar, 0, "", "Counter"},
        {"Unbound", vtNotAssigned, 0, "", ""},
    };
    for (const auto& v : values) {
        const int i = report.Values.AddValue();
        report.Values.SetName(i, QString::fromLatin1(v.name));
        TrpValue* value = report.Values.GetValue(i);
        value->Typ = v.typ;
        value->OtherKind = v.kind;
        value->DataSet = QString::fromLatin1(v.dataSet);
        value->Field = QString::fromLatin1(v.field);
    }
    report.SetVars(QStringList{QString::fromUtf8("Журнал"), QStringLiteral(" Date"), QStringLiteral(" Operator"),
                               QStringLiteral("Act"), QStringLiteral(" Number")});
    report.TwoPass = true;
}

QByteArray saveToBytes(TrpReport& report)
{
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    report.SaveToStream(b);
    return bytes;
}

bool loadFromBytes(TrpReport& report, const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer b(&copy);
    b.open(QIODevice::ReadOnly);
    return report.LoadFromStream(b);
}

} // namespace rptest
