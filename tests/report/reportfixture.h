#pragma once
// Test instruments of the report engine tests: a small expression evaluator standing in for the
// parser (numbers, quoted texts, names and [names] through the report, "+"), a message-box port that
// records, and a report built in code with every kind of object.
#include "platform/controls/MessageBox.h"
#include "report/rpGlobals.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

class TrpReport;

namespace rptest {

class TestParser : public TrpParserBase {
public:
    QVariant Calc(const QString& expression) override;
    int calls = 0;
};

// Installs itself as rpParser for its lifetime.
class ParserScope {
public:
    ParserScope();
    ~ParserScope();
    TestParser parser;

private:
    TrpParserBase* previous_;
};

class RecordingBoxes : public ctl::TMessageBoxPort {
public:
    RecordingBoxes();
    ~RecordingBoxes() override;
    int Show(const QString& text, const QString& caption, unsigned flags) override;
    QStringList texts;
    QStringList captions;

private:
    ctl::TMessageBoxPort* previous_;
};

// Two pages; memo (font, highlight, format, script), band, line, sub-report, a BMP and a JPEG picture,
// values of every type and a variables list.
void buildSampleReport(TrpReport& report);
QByteArray saveToBytes(TrpReport& report);
bool loadFromBytes(TrpReport& report, const QByteArray& bytes);
QByteArray sampleBmp();
QByteArray sampleJpeg();

} // namespace rptest
