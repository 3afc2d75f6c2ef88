#include "journal/Filter.h"

#include "platform/data/ADOQuery.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/FormatFloat.h"

namespace {

const QString kUnset = QStringLiteral("0");

void join(QString& sql, int count)
{
    sql += count == 0 ? QStringLiteral(" WHERE") : QStringLiteral(" AND");
}

} // namespace

void ClearFilter(TFilter& f)
{
    f.DateMode = 0;
    f.From = kUnset;
    f.To = kUnset;
    f.FamOn = 0;
    f.Fam = kUnset;
    f.PriborOn = 0;
    f.Pribor = 0;
    f.MinMaxOn = 0;
    f.Min = 0;
    f.Max = 0;
}

QString DayText(double dateTime)
{
    return rtl::FormatDateTime(QStringLiteral("yyyy.mm.dd"), dateTime);
}

void SetTodayFilter(TFilter& f)
{
    const QString today = DayText(rtl::Now());
    f.DateMode = 1;
    f.From = today + QStringLiteral(" 00:00:00");
    f.To = today + QStringLiteral(" 23:59:59");
}

TViewConditions AppendFilterConditions(TFilter& f, QString& sql, int& count)
{
    TViewConditions used;
    if (f.DateMode != 0 && f.From != kUnset) {
        join(sql, count);
        sql += QStringLiteral(" DATA_IZM >= '") + f.From + QStringLiteral("' AND DATA_IZM <= '") + f.To + QLatin1Char('\'');
        if (count > 0)
            f.Description += QStringLiteral(", ");
        if (f.FirstDay != kUnset && f.FirstDay == f.LastDay)
            f.Description += QStringLiteral("дата: ") + f.FirstDay;
        else
            f.Description += QStringLiteral("с ") + f.FirstDay + QStringLiteral(" по ") + f.LastDay;
        ++count;
    }
    if (f.FamOn && f.Fam != kUnset) {
        const QString upper = f.Fam.toUpper();
        join(sql, count);
        sql += QStringLiteral(" OBSL_FAM LIKE :FAMp");
        if (count > 0)
            f.Description += QStringLiteral(", ");
        f.Description += QStringLiteral("фамилия: ") + upper;
        used.UsesFam = true;
        ++count;
    }
    if (f.PriborOn && f.Pribor != 0) {
        join(sql, count);
        sql += QStringLiteral(" PRIBOR = ") + QString::number(f.Pribor);
        if (count > 0)
            f.Description += QStringLiteral(", ");
        f.Description += QStringLiteral("VELT №") + QString::number(f.Pribor);
        ++count;
    }
    if (f.MinMaxOn && f.Min != 0) {
        join(sql, count);
        sql += QStringLiteral(" IZM >= :MinIzmp");
        if (count > 0)
            f.Description += QStringLiteral(", ");
        f.Description += QStringLiteral("с ") + rtl::FloatToStr(f.Min) + QStringLiteral(" мг/л");
        used.UsesMin = true;
        ++count;
    }
    if (f.MinMaxOn && f.Max != 0) {
        join(sql, count);
        sql += QStringLiteral(" IZM <= :MaxIzmp");
        f.Description += QStringLiteral(" по ") + rtl::FloatToStr(f.Max) + QStringLiteral(" мг/л");
        used.UsesMax = true;
        ++count;
    }
    return used;
}

void SetFilterParameters(const TFilter& f, const TViewConditions& used, TADOQuery& query)
{
    if (used.UsesFam)
        query.Parameters().ParamByName(QStringLiteral("FAMp"))->SetValue(f.Fam.toUpper() + QLatin1Char('%'));
    if (used.UsesMin)
        query.Parameters().ParamByName(QStringLiteral("MinIzmp"))->SetValue(f.Min);
    if (used.UsesMax)
        query.Parameters().ParamByName(QStringLiteral("MaxIzmp"))->SetValue(f.Max);
}
