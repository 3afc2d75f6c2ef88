#pragma once
// Test instruments for building reports: a report made in code over an in-memory table, bands and text
// objects placed on its page, and the texts of the prepared pages read back.
#include "platform/data/MemDataSet.h"
#include "report/rpBandView.h"
#include "report/rpComponents.h"
#include "report/rpDBDataSet.h"
#include "report/rpMemoView.h"
#include "report/rpReport.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace buildtest {

struct PageText {
    int x, y;
    QString text; // the object's lines joined by "\n"
};

class ReportFixture {
public:
    // A table "Q" with fields N (integer), GRP (text), VAL (float), TXT (text), LONG (memo, as TXT) bound to the report data
    // set "rpQ" on the report's owner; one A4 page; no progress window.
    ReportFixture();
    ~ReportFixture();

    // Rows n = 1..count with GRP, VAL and TXT from the callbacks (defaults: "", n, "").
    void AddRows(int count, const std::function<QString(int)>& grp = {}, const std::function<double(int)>& val = {},
                 const std::function<QString(int)>& txt = {});
    TrpBandView* Band(int type, int y, int height, const QString& source = QString(), quint16 flags = 48);
    TrpMemoView* Memo(int x, int y, int width, int height, const QString& text);

    bool Prepare();
    int PageCount() const;
    // Texts of a prepared page, top to bottom, left to right.
    std::vector<PageText> Texts(int page) const;
    QStringList TextList(int page) const;
    // Rows of height that fit between the page's top and the given bottom limit.
    int TopMargin() const;
    int BottomMargin() const;

    std::unique_ptr<TrpOwner> owner;
    TMemDataSet table;
    std::unique_ptr<TrpDBDataSet> rpTable;
    std::unique_ptr<TrpReport> report;
    TrpPage* page;
};

} // namespace buildtest

// Readable texts in test failure messages.
#include <ostream>
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
