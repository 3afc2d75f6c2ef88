// The XML form of a report: every shipped template and a report with awkward texts give a document a
// real XML parser reads whole, with the element and attribute names the later library expects.
#include "report/rpBandView.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpReport.h"
#include "report/rpXmlExport.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QXmlStreamReader>

namespace {

struct Element {
    QString name;
    QHash<QString, QString> attributes;
};

// The document's elements in order; the parser's error when it is not well-formed XML.
std::vector<Element> parse(const QByteArray& xml, QString* error)
{
    std::vector<Element> out;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement) {
            Element e{reader.name().toString(), {}};
            for (const QXmlStreamAttribute& a : reader.attributes())
                e.attributes.insert(a.name().toString(), a.value().toString());
            out.push_back(e);
        }
    }
    *error = reader.hasError() ? reader.errorString() : QString();
    return out;
}

QByteArray exportOf(TrpReport& report)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    rpSaveToRP3Stream(&report, buffer);
    return buffer.data();
}

TEST(XmlExport, EveryShippedTemplateIsWellFormedWithItsPagesInMillimetres)
{
    const QString dir = QStringLiteral(VELT_BINARY_DIR "/templates/REPORTS/");
    for (const char* name : {"Report.rpf", "AktDefault.rpf", "Report_MP.rpf", "AktDefault_MP.rpf"}) {
        TrpReport report;
        ASSERT_TRUE(report.LoadFromFile(dir + name)) << name;
        QTemporaryDir out;
        report.SaveToRP3File(out.filePath("copy.rpf"));
        QFile file(out.filePath("copy.rp3")); // the extension is the XML form's
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        const QByteArray xml = file.readAll();
        EXPECT_TRUE(xml.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"));
        QString error;
        const auto elements = parse(xml, &error);
        ASSERT_TRUE(error.isEmpty()) << name << ": " << error.toStdString();
        ASSERT_GE(elements.size(), 3u);
        EXPECT_EQ(elements[0].name, QString("TrpxReport"));
        EXPECT_EQ(elements[0].attributes.value("ScriptLanguage"), QString("PascalScript"));
        EXPECT_EQ(elements[0].attributes.value("ScriptText.text"), QString("begin\r\n\r\nend."));
        const Element& page = elements[1];
        EXPECT_EQ(page.name, QString("TrpxReportPage"));
        EXPECT_EQ(page.attributes.value("Name"), QString("Page1"));
        const bool landscape = QString(name) == "Report_MP.rpf";
        EXPECT_EQ(page.attributes.value("Orientation"), landscape ? QString("poLandscape") : QString("poPortrait"));
        // A4 in millimetres, within the rounding of the design pixels.
        EXPECT_NEAR(page.attributes.value("PaperWidth").toInt(), landscape ? 297 : 210, 2) << name;
        EXPECT_NEAR(page.attributes.value("PaperHeight").toInt(), landscape ? 210 : 297, 2) << name;
        EXPECT_NEAR(page.attributes.value("LeftMargin").toInt(), 10, 1) << name;
        EXPECT_EQ(page.attributes.value("PaperSize"), QString("9"));
        EXPECT_EQ(page.attributes.value("Columns"), QString("1"));
        QStringList names, texts;
        for (const Element& e : elements) {
            names << e.name;
            texts << e.attributes.value("Memo.text");
        }
        EXPECT_TRUE(names.contains("TrpxReportTitle")) << name;
        EXPECT_TRUE(names.contains("TrpxMemoView")) << name;
        if (QString(name).startsWith("Report")) {
            EXPECT_TRUE(names.contains("TrpxHeader"));
            EXPECT_TRUE(names.contains("TrpxMasterData"));
            EXPECT_TRUE(names.contains("TrpxPageFooter"));
            EXPECT_TRUE(texts.contains(QString::fromUtf8("Журнал измерений")));
            for (const Element& e : elements)
                if (e.name == "TrpxMasterData")
                    EXPECT_EQ(e.attributes.value("DataSetName"), QString("rpDBDataSet1"));
        }
        if (QString(name) == "AktDefault_MP.rpf")
            EXPECT_TRUE(names.contains("TrpxPictureView"));
    }
}

TEST(XmlExport, TextsWithMarkupCharactersAndScriptsReadBackExactly)
{
    TrpReport report;
    CurReport = &report;
    report.Pages->Clear();
    TrpPage* page = report.Pages->Add();
    auto* band = new TrpBandView;
    band->SetBandType(btReportTitle);
    band->SetBounds(0, 20, 700, 100);
    band->Name = "Title";
    page->Objects.append(band);
    auto* memo = new TrpMemoView;
    memo->SetBounds(100, 30, 200, 20);
    memo->Name = "Memo1";
    memo->Memo = QStringList{QString::fromUtf8("Иванов & сын \"<ООО>\""), "2nd line"};
    memo->Script = QStringList{"begin", "  Memo1.Visible := True", "end"};
    page->Objects.append(memo);
    report.Pages->Add(); // a page without objects closes its own element

    const QByteArray xml = exportOf(report);
    EXPECT_TRUE(xml.contains("&#38; "));
    EXPECT_TRUE(xml.contains("&#13;&#10;2nd line"));
    EXPECT_TRUE(xml.contains("&#34;&#60;"));
    QString error;
    const auto elements = parse(xml, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(elements.size(), 5u);
    EXPECT_EQ(elements[2].name, QString("TrpxReportTitle"));
    const Element& m = elements[3];
    EXPECT_EQ(m.name, QString("TrpxMemoView"));
    EXPECT_EQ(m.attributes.value("Memo.text"), QString::fromUtf8("Иванов & сын \"<ООО>\"\r\n2nd line"));
    EXPECT_EQ(m.attributes.value("Left").toInt(), 100 - page->LeftMargin());
    EXPECT_EQ(m.attributes.value("OnBeforePrint"), QString("Memo1OnBeforePrint"));
    EXPECT_EQ(m.attributes.value("StretchMode"), QString("smMaxHeight"));
    EXPECT_EQ(elements[4].name, QString("TrpxReportPage"));
    EXPECT_EQ(elements[4].attributes.value("Name"), QString("Page2"));
    EXPECT_EQ(elements[0].attributes.value("ScriptText.text"),
              QString("procedure Memo1OnBeforePrint(Sender: TrpxComponent);\r\nbegin\r\n  with Memo1, Engine do\r\n"
                      "  begin\r\n  Memo1.Visible := True\r\n  end\r\nend;\r\n\r\nbegin\r\n\r\nend."));
    // Control characters XML cannot carry are left out rather than breaking the document.
    EXPECT_EQ(rpStrToXML(QString("a") + QChar(1) + "b\t"), QString("ab&#9;"));
    CurReport = nullptr;
}

} // namespace
