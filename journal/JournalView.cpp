#include "journal/JournalView.h"

#include "db/DBInfoPribors.h"
#include "platform/data/ADOQuery.h"

const QString TJournalView::kCaptionAll = QStringLiteral("вся база");
const QString TJournalView::kCaptionToday = QStringLiteral("измерения, сделанные сегодня");
const QString TJournalView::kCaptionFilter = QStringLiteral("фильтр: ");

void TJournalView::Refresh(int maxId)
{
    normaSerial_ = -1; // instruments may have been recorded since the last view
    Filter_.Description = QStringLiteral(" ");
    QString sql = QStringLiteral("SELECT * FROM Base");
    int count = 0;
    if (maxId >= 0) {
        sql += QStringLiteral(" WHERE ID >= :IDp_min AND ID <= :IDp_max");
        ++count;
    }
    const TViewConditions used = AppendFilterConditions(Filter_, sql, count);
    sql += QStringLiteral(" ORDER BY DATA_IZM");

    Query->Close();
    Query->ClearSQL();
    Query->SetSQL(sql);
    SetFilterParameters(Filter_, used, *Query);
    if (maxId >= 0) {
        Query->Parameters().ParamByName(QStringLiteral("IDp_min"))->SetValue(qlonglong(maxId) - IdentWindow);
        Query->Parameters().ParamByName(QStringLiteral("IDp_max"))->SetValue(qlonglong(maxId));
    }
    Query->Open();
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
