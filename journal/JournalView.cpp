#include "journal/JournalView.h"

#include "db/DBInfoPribors.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/SqlParser.h"

const QString TJournalView::kCaptionAll = QStringLiteral("вся база");
const QString TJournalView::kCaptionToday = QStringLiteral("измерения, сделанные сегодня");
const QString TJournalView::kCaptionFilter = QStringLiteral("фильтр: ");

QString TJournalView::statement(bool window, TFilter& filter, TViewConditions& used)
{
    QString sql = QStringLiteral("SELECT * FROM Base");
    int count = 0;
    if (window) {
        sql += QStringLiteral(" WHERE ID >= :IDp_min AND ID <= :IDp_max");
        ++count;
    }
    used = AppendFilterConditions(filter, sql, count);
    sql += QStringLiteral(" ORDER BY DATA_IZM");
    return sql;
}

void TJournalView::Refresh(int maxId)
{
    normaSerial_ = -1; // instruments may have been recorded since the last view
    Filter_.Description = QStringLiteral(" ");
    TViewConditions used;
    const QString sql = statement(maxId >= 0, Filter_, used);

    Query->Close();
    Query->ClearSQL();
    Query->SetSQL(sql);
    SetFilterParameters(Filter_, used, *Query);
    if (maxId >= 0) {
        Query->Parameters().ParamByName(QStringLiteral("IDp_min"))->SetValue(qlonglong(maxId) - IdentWindow);
        Query->Parameters().ParamByName(QStringLiteral("IDp_max"))->SetValue(qlonglong(maxId));
    }
    Query->Open();
    if (maxId < 0) {
        // The read after the next filing runs the same view limited to the newest identifiers: that
        // statement is parsed now, not in the filing.
        TFilter filter = Filter_;
        sql::parseKept(statement(true, filter, used));
    }
}

QString TJournalView::showWhole(const QString& caption)
{
    Query->Close();
    Refresh(-1);
    Query->Last();
    return caption;
}

QString TJournalView::ShowAll()
{
    ClearFilter();
    return showWhole(kCaptionAll);
}

QString TJournalView::ShowToday()
{
    ClearFilter();
    SetTodayFilter(Filter_);
    return showWhole(kCaptionToday);
}

QString TJournalView::ShowFilter(const TFilter& filter)
{
    Filter_ = filter;
    showWhole(QString());
    return kCaptionFilter + Filter_.Description;
}

double TJournalView::Norma(int serial, const QString& date)
{
    if (!Info)
        return 0.0;
    if (serial != normaSerial_ || date != normaDate_) {
        normaValue_ = Info->Norma(uint32_t(serial), date);
        normaSerial_ = serial;
        normaDate_ = date;
    }
    return normaValue_;
}
