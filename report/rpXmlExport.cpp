#include "report/rpXmlExport.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/FormatSettings.h"
#include "report/rpBandView.h"
#include "report/rpDataHelpers.h"
#include "report/rpFormat.h"
#include "report/rpLimits.h"
#include "report/rpLineView.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpPictureView.h"
#include "report/rpReport.h"
#include "report/rpSubReportView.h"

#include <QIODevice>
#include <cmath>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Design pixels to millimetres as the later library measures them.
int toMillimetres(int pixels)
{
    return int(std::nearbyint(pixels / 3.77953 * 1.047741935483871));
}

QString attr(const QString& name, const QString& value)
{
    return QLatin1Char(' ') + name + QStringLiteral("=\"") + rpStrToXML(value) + QLatin1Char('"');
}

QString attr(const QString& name, qint64 value)
{
    return attr(name, QString::number(value));
}

// The class library's component writer: a property is its name as a short string, then its value.
class Writer {
public:
    void name(const QString& text) { shortString(text); }
    void string(const QString& text)
    {
        const QByteArray bytes = rtl::toCp1251(text);
        if (bytes.size() < 256) {
            bytes_.append(char(6)); // a short string
            bytes_.append(char(bytes.size()));
        } else {
            bytes_.append(char(12)); // a long string
            const quint32 n = quint32(bytes.size());
            for (int i = 0; i < 4; ++i)
                bytes_.append(char((n >> (8 * i)) & 0xFF));
        }
        bytes_.append(bytes);
    }
    void nil() { bytes_.append(char(13)); }
    void collectionBegin() { bytes_.append(char(14)); }
    void listBegin() { bytes_.append(char(1)); }
    void end() { bytes_.append(char(0)); }
    QString hex() const { return QString::fromLatin1(bytes_.toHex().toUpper()); }

private:
    void shortString(const QString& text)
    {
        const QByteArray bytes = rtl::toCp1251(text).left(rplimits::ShortString);
        bytes_.append(char(bytes.size()));
        bytes_.append(bytes);
    }
    QByteArray bytes_;
};

QString propertyData(const TrpReport* report)
{
    Writer w;
    QStringList datasets;
    rpGetComponents(report->Owner, datasets);
    w.name(QStringLiteral("Datasets"));
    w.collectionBegin();
    for (const QString& name : datasets) {
        w.listBegin();
        w.name(QStringLiteral("DataSet"));
        w.nil();
        w.name(QStringLiteral("DataSetName"));
        w.string(name);
        w.end();
    }
    w.end();
    w.name(QStringLiteral("Variables"));
    w.collectionBegin();
    for (const QString& line : report->Variables) {
        const int eq = int(line.indexOf(QLatin1Char('=')));
        w.listBegin();
        w.name(QStringLiteral("Name"));
        w.string(eq < 0 ? line : line.left(eq));
        w.name(QStringLiteral("Value"));
        w.string(eq < 0 ? QString() : line.mid(eq + 1));
        w.end();
    }
    w.end();
    return w.hex();
}

QString procedureName(const TrpView* v)
{
    return v->Name + QStringLiteral("OnBeforePrint");
}

QString scriptText(const TrpReport* report)
{
    QStringList out;
    for (int p = 0; p < report->Pages->Count(); ++p) {
        for (const TrpView* v : report->Pages->Pages(p)->Objects) {
            if (v->Script.isEmpty() || (v->Script.size() == 1 && v->Script[0].isEmpty()))
                continue;
            out << QStringLiteral("procedure ") + procedureName(v) + QStringLiteral("(Sender: TrpxComponent);")
                << QStringLiteral("begin") << QStringLiteral("  with ") + v->Name + QStringLiteral(", Engine do")
                << QStringLiteral("  begin");
            const QStringList& s = v->Script;
            if (s.first().trimmed().compare(QLatin1String("begin"), Qt::CaseInsensitive) == 0) {
                for (int i = 1; i < s.size() - 1; ++i)
                    out << s[i];
                out << QStringLiteral("  end") << (s.size() > 1 ? s.last() : QString()) + QLatin1Char(';');
            } else {
                out << s << QStringLiteral("  end") << QStringLiteral("end;");
            }
            out << QString();
        }
    }
    out << QStringLiteral("begin") << QString() << QStringLiteral("end.");
    return out.join(kCrLf);
}

QString bandElement(int type)
{
    switch (type) {
    case btReportTitle: return QStringLiteral("TrpxReportTitle");
    case btReportSummary: return QStringLiteral("TrpxReportSummary");
    case btPageHeader: return QStringLiteral("TrpxPageHeader");
    case btPageFooter: return QStringLiteral("TrpxPageFooter");
    case btMasterHeader: case btDetailHeader: case btSubDetailHeader: return QStringLiteral("TrpxHeader");
    case btMasterData: return QStringLiteral("TrpxMasterData");
    case btMasterFooter: case btDetailFooter: case btSubDetailFooter: return QStringLiteral("TrpxFooter");
    case btDetailData: return QStringLiteral("TrpxDetailData");
    case btSubDetailData: return QStringLiteral("TrpxSubDetailData");
    case btOverlay: return QStringLiteral("TrpxOverlay");
    case btColumnHeader: return QStringLiteral("TrpxColumnHeader");
    case btColumnFooter: return QStringLiteral("TrpxColumnFooter");
    case btGroupHeader: return QStringLiteral("TrpxGroupHeader");
    case btGroupFooter: return QStringLiteral("TrpxGroupFooter");
    default: return QString(); // cross bands and none are not written
    }
}

bool isDataBand(int type)
{
    return type == btMasterData || type == btDetailData || type == btSubDetailData;
}

QString displayFormat(const TrpMemoView* m)
{
    const int category = rpFormatCategory(m->Format);
    const int kind = rpFormatKind(m->Format);
    switch (category) {
    case fcNumber: {
        static const char* const fixed[] = {"%g", "%2.2f", "%2.2n", "%2.2m"};
        const int sep = rpFormatSeparator(m->Format);
        const QString separator =
            sep ? QString(QChar(rtl::charOf(rtl::CodePage::Cp1251, uchar(sep)))) : QString(rtl::formatSettings().DecimalSeparator);
        return attr(QStringLiteral("DisplayFormat.Kind"), QStringLiteral("fkNumeric")) +
               attr(QStringLiteral("DisplayFormat.DecimalSeparator"), separator) +
               attr(QStringLiteral("DisplayFormat.FormatStr"), kind < 4 ? QString::fromLatin1(fixed[kind]) : m->FormatStr);
    }
    case fcDate:
    case fcTime: {
        QString pattern = m->FormatStr;
        if (kind < 4)
            pattern = category == fcDate ? (kind == 3 ? QStringLiteral("dd mmmm yyyy") : rpDateFormat(kind))
                                         : rpTimeFormat(kind);
        return attr(QStringLiteral("DisplayFormat.Kind"), QStringLiteral("fkDateTime")) +
               attr(QStringLiteral("DisplayFormat.FormatStr"), pattern);
    }
    case fcBoolean:
        return attr(QStringLiteral("DisplayFormat.Kind"), QStringLiteral("fkBoolean")) +
               attr(QStringLiteral("DisplayFormat.FormatStr"), kind < 4 ? rpBoolFormat(kind) : m->FormatStr);
    default:
        return QString();
    }
}

int fontStyle(const gfx::TFont& f)
{
    const unsigned s = f.Style();
    return (s & gfx::fsBold ? 1 : 0) | (s & gfx::fsItalic ? 2 : 0) | (s & gfx::fsUnderline ? 4 : 0) |
           (s & gfx::fsStrikeOut ? 8 : 0);
}

// What a memo, a picture and a line add to the common attributes.
QString ownAttributes(const TrpView* v)
{
    QString a;
    if (const auto* m = dynamic_cast<const TrpMemoView*>(v)) {
        if (m->Flags & mfStretch)
            a += attr(QStringLiteral("StretchMode"), QStringLiteral("smMaxHeight"));
        if (!(m->Flags & mfWordWrap))
            a += attr(QStringLiteral("WordWrap"), QStringLiteral("False"));
        if (m->Flags & mfAutoWidth)
            a += attr(QStringLiteral("AutoWidth"), QStringLiteral("True"));
        a += attr(QStringLiteral("Font.Name"), m->Font.Name()) + attr(QStringLiteral("Font.Height"), m->Font.Height()) +
             attr(QStringLiteral("Font.Color"), qint64(m->Font.Color())) +
             attr(QStringLiteral("Font.Style"), fontStyle(m->Font)) + attr(QStringLiteral("LineSpacing"), m->LineSpacing) +
             attr(QStringLiteral("CharSpacing"), m->CharSpacing);
        if (!m->HighlightStr.isEmpty()) {
            const gfx::TFontStyles hs = rpCodeToStyle(m->HighlightFontStyle);
            gfx::TFont styled;
            styled.SetStyle(hs);
            a += attr(QStringLiteral("Highlight.Condition"), m->HighlightStr) +
                 attr(QStringLiteral("Highlight.Font.Style"), fontStyle(styled)) +
                 attr(QStringLiteral("Highlight.Font.Color"), qint64(m->HighlightFontColor)) +
                 attr(QStringLiteral("Highlight.Color"), qint64(m->HighlightFillColor));
        }
        a += displayFormat(m);
    } else if (const auto* p = dynamic_cast<const TrpPictureView*>(v)) {
        if (!p->IsEmpty())
            a += attr(QStringLiteral("Picture.Propdata"), QString::fromLatin1(p->StoredBytes().toHex().toUpper()));
        const QString source = p->Memo.value(0);
        const int dot = int(source.lastIndexOf(QLatin1Char('.')));
        if (dot > 0) {
            QString field = source.mid(dot + 1);
            if (field.startsWith(QLatin1Char('"')) && field.endsWith(QLatin1Char('"')) && field.size() > 1)
                field = field.mid(1, field.size() - 2);
            a += attr(QStringLiteral("DataSet"), source.left(dot)) + attr(QStringLiteral("DataField"), field);
        }
        if (!(p->Flags & pfStretch))
            a += attr(QStringLiteral("Stretched"), QStringLiteral("False"));
        if (p->Flags & pfCenter)
            a += attr(QStringLiteral("Center"), QStringLiteral("True"));
        if (!(p->Flags & pfKeepAspect))
            a += attr(QStringLiteral("KeepAspectRatio"), QStringLiteral("False"));
    } else if (dynamic_cast<const TrpLineView*>(v)) {
        if (!(v->Flags & 1))
            a += attr(QStringLiteral("Stretched"), QStringLiteral("False"));
    } else if (const auto* s = dynamic_cast<const TrpSubReportView*>(v)) {
        a += attr(QStringLiteral("Page"), QStringLiteral("Page") + QString::number(s->SubPage + 1));
    }
    return a;
}

QString bandElementText(const TrpBandView* b)
{
    const int type = b->GetBandType();
    const QString element = bandElement(type);
    if (element.isEmpty())
        return QString();
    QString a = attr(QStringLiteral("Name"), b->Name) + attr(QStringLiteral("Top"), b->y) +
                attr(QStringLiteral("Height"), b->dy);
    if (!b->Visible)
        a += attr(QStringLiteral("Visible"), QStringLiteral("False"));
    const unsigned f = b->Flags;
    if (f & bfStretched)
        a += attr(QStringLiteral("Stretched"), QStringLiteral("True"));
    if (f & bfStartNewPage)
        a += attr(QStringLiteral("StartNewPage"), QStringLiteral("True"));
    if (f & bfPrintIfDetailEmpty)
        a += attr(QStringLiteral("PrintIfDetailEmpty"), QStringLiteral("True"));
    if (f & bfAllowSplit)
        a += attr(QStringLiteral("AllowSplit"), QStringLiteral("True"));
    if (!(f & bfPrintOnFirstPage))
        a += attr(QStringLiteral("PrintOnFirstPage"), QStringLiteral("False"));
    if (!(f & bfPrintOnLastPage))
        a += attr(QStringLiteral("PrintOnLastPage"), QStringLiteral("False"));
    if (f & bfReprintOnNewPage)
        a += attr(QStringLiteral("ReprintOnNewPage"), QStringLiteral("True"));
    if (!b->Script.isEmpty())
        a += attr(QStringLiteral("OnBeforePrint"), procedureName(b));
    if (isDataBand(type))
        a += attr(QStringLiteral("DataSetName"), b->FormatStr);
    else if (type == btGroupHeader)
        a += attr(QStringLiteral("Condition"), b->FormatStr);
    return QLatin1Char('<') + element + a + QStringLiteral("/>") + kCrLf;
}

QString objectElementText(const TrpView* v, const TrpPage* page)
{
    if (const auto* b = dynamic_cast<const TrpBandView*>(v))
        return bandElementText(b);
    QString element = v->ClassName();
    if (element.startsWith(QLatin1String("Trp")))
        element = QStringLiteral("Trpx") + element.mid(3);
    if (element == QLatin1String("TrpxSubReportView"))
        element = QStringLiteral("TrpxSubreport");
    QString a = attr(QStringLiteral("Name"), v->Name) + attr(QStringLiteral("Left"), v->x - page->LeftMargin()) +
                attr(QStringLiteral("Top"), v->y) + attr(QStringLiteral("Width"), v->dx) +
                attr(QStringLiteral("Height"), v->dy) + attr(QStringLiteral("Color"), qint64(v->FillColor));
    if (!v->Visible)
        a += attr(QStringLiteral("Visible"), QStringLiteral("False"));
    // Frame lines as the later library numbers them: left 1, right 2, top 4, bottom 8.
    const unsigned t = v->FrameTyp;
    const int frame = (t & frLeft ? 1 : 0) | (t & frRight ? 2 : 0) | (t & frTop ? 4 : 0) | (t & frBottom ? 8 : 0);
    a += attr(QStringLiteral("Frame.Typ"), frame) +
         attr(QStringLiteral("Frame.Width"), QString::number(v->FrameWidth, 'g', 6)) +
         attr(QStringLiteral("Frame.Color"), qint64(v->FrameColor)) + attr(QStringLiteral("Frame.Style"), v->FrameStyle) +
         attr(QStringLiteral("GapX"), v->GapX) + attr(QStringLiteral("GapY"), v->GapY) +
         attr(QStringLiteral("Memo.text"), v->Memo.join(kCrLf));
    if (!v->Script.isEmpty())
        for (const char* event : {"OnBeforePrint", "OnClick", "OnActivate"})
            a += attr(QLatin1String(event), procedureName(v));
    a += ownAttributes(v);
    return QLatin1Char('<') + element + a + QStringLiteral("/>") + kCrLf;
}

QString pageElementText(const TrpPage* page, int number)
{
    const TrpPrnInfo& info = page->PrnInfo;
    QString a = attr(QStringLiteral("Name"), QStringLiteral("Page") + QString::number(number)) +
                attr(QStringLiteral("Orientation"), page->pgOr == 1 ? QStringLiteral("poLandscape")
                                                                    : QStringLiteral("poPortrait")) +
                attr(QStringLiteral("PaperWidth"), toMillimetres(info.Pgw)) +
                attr(QStringLiteral("PaperHeight"), toMillimetres(info.Pgh)) +
                attr(QStringLiteral("PaperSize"), page->pgSize) +
                attr(QStringLiteral("LeftMargin"), toMillimetres(page->LeftMargin())) +
                attr(QStringLiteral("RightMargin"), toMillimetres(info.Pgw - page->RightMargin())) +
                attr(QStringLiteral("TopMargin"), toMillimetres(page->TopMargin())) +
                attr(QStringLiteral("BottomMargin"), toMillimetres(info.Pgh - page->BottomMargin())) +
                attr(QStringLiteral("Columns"), page->ColCount) + attr(QStringLiteral("ColumnWidth"), page->ColWidth);
    if (page->PrintToPrevPage)
        a += attr(QStringLiteral("PrintOnPreviousPage"), QStringLiteral("True"));
    return QStringLiteral("<TrpxReportPage") + a;
}

} // namespace

QString rpStrToXML(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\r' || u == '\n' || u == '\t' || u == '"' || u == '<' || u == '>' || u == '&')
            out += QStringLiteral("&#") + QString::number(u) + QLatin1Char(';');
        else if (u >= 0x20)
            out += c;
    }
    return out;
}

void rpSaveToRP3Stream(TrpReport* report, QIODevice& s)
{
    QString doc = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>") + kCrLf;
    doc += QStringLiteral("<TrpxReport") + attr(QStringLiteral("ScriptLanguage"), QStringLiteral("PascalScript")) +
           attr(QStringLiteral("ScriptText.text"), scriptText(report)) +
           attr(QStringLiteral("Propdata"), propertyData(report)) + QLatin1Char('>') + kCrLf;
    for (int p = 0; p < report->Pages->Count(); ++p) {
        const TrpPage* page = report->Pages->Pages(p);
        doc += pageElementText(page, p + 1);
        if (page->Objects.isEmpty()) {
            doc += QStringLiteral("/>") + kCrLf;
            continue;
        }
        doc += QLatin1Char('>') + kCrLf;
        for (const TrpView* v : page->Objects)
            doc += objectElementText(v, page);
        doc += QStringLiteral("</TrpxReportPage>") + kCrLf;
    }
    doc += QStringLiteral("</TrpxReport>") + kCrLf;
    const QByteArray bytes = doc.toUtf8();
    if (s.write(bytes) != bytes.size())
        throw ErpError(QStringLiteral("Cannot write the XML form of the report"));
}
