#include "report/rpStdFunctionLibrary.h"

#include "platform/controls/DialogPort.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/FormatFloat.h"
#include "report/rpBand.h"
#include "report/rpDataHelpers.h"
#include "report/rpFormat.h"
#include "report/rpGlobals.h"
#include "report/rpView.h"

#include <QInputDialog>

bool rpInputQuery(const QString& caption, const QString& prompt, QString& value)
{
    QInputDialog dialog;
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(value);
    if (ctl::ExecDialog(dialog) != QDialog::Accepted)
        return false;
    value = dialog.textValue();
    return true;
}

namespace {

enum { fnAvg, fnCount, fnFormatDateTime, fnFormatFloat, fnInput, fnLowerCase, fnMax, fnMin, fnNameCase,
       fnStrToDate, fnStrToTime, fnSum, fnUpperCase };

QVariant eval(const QVariant& p)
{
    if (!rpParser)
        throw ErpError(QStringLiteral("Undefined symbol \"") + p.toString() + QLatin1Char('"'));
    return rpParser->Calc(p.toString());
}

// The result is read back as an expression: a quote inside the text is doubled, or it would end the
// literal (a name such as "O'Neil" would break the report).
QString quoted(QString s)
{
    s.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

QString numberText(double v)
{
    return rtl::FloatToStr(v);
}

double numberOf(const QVariant& v)
{
    return v.isNull() || !v.isValid() ? 0.0 : rpVarToFloat(v);
}

bool isFooterType(int t)
{
    switch (t) {
    case btReportSummary:
    case btPageFooter:
    case btMasterFooter:
    case btDetailFooter:
    case btSubDetailFooter:
    case btGroupFooter:
    case btCrossFooter:
        return true;
    default:
        return false;
    }
}

} // namespace

TrpStdFunctionLibrary::TrpStdFunctionLibrary()
{
    for (const char* name : {"AVG", "COUNT", "FORMATDATETIME", "FORMATFLOAT", "INPUT", "LOWERCASE", "MAX", "MIN",
                             "NAMECASE", "STRTODATE", "STRTOTIME", "SUM", "UPPERCASE"})
        AddFunction(QString::fromLatin1(name));
}

void TrpStdFunctionLibrary::DoFunction(int fNo, const QVariant& p1, const QVariant& p2, const QVariant& p3,
                                       QString& value)
{
    switch (fNo) {
    case fnAvg: aggregate(akAvg, QStringLiteral("AVG"), p1.toString(), p2.toString(), p3.toString(), value); break;
    case fnCount: aggregate(akCount, QStringLiteral("COUNT"), p1.toString(), p2.toString(), p3.toString(), value); break;
    case fnMax: aggregate(akMax, QStringLiteral("MAX"), p1.toString(), p2.toString(), p3.toString(), value); break;
    case fnMin: aggregate(akMin, QStringLiteral("MIN"), p1.toString(), p2.toString(), p3.toString(), value); break;
    case fnSum: aggregate(akSum, QStringLiteral("SUM"), p1.toString(), p2.toString(), p3.toString(), value); break;
    case fnFormatDateTime: {
        const QVariant date = eval(p2);
        value = quoted(rtl::FormatDateTime(eval(p1).toString(), rpVarToFloat(date)));
        break;
    }
    case fnFormatFloat:
        value = quoted(rtl::FormatFloat(eval(p1).toString(), rpVarToFloat(eval(p2))));
        break;
    case fnInput: {
        QString text = eval(p2).toString();
        rpInputQuery(QString(), eval(p1).toString(), text);
        value = quoted(text);
        break;
    }
    case fnLowerCase:
        value = quoted(eval(p1).toString().toLower());
        break;
    case fnUpperCase:
        value = quoted(eval(p1).toString().toUpper());
        break;
    case fnNameCase: {
        QString s = eval(p1).toString().toLower();
        if (!s.isEmpty())
            s[0] = s[0].toUpper();
        value = quoted(s);
        break;
    }
    case fnStrToDate:
        value = QStringLiteral("%d'") + eval(p1).toString() + QLatin1Char('\'');
        break;
    case fnStrToTime:
        value = QStringLiteral("%t'") + eval(p1).toString() + QLatin1Char('\'');
        break;
    default:
        break;
    }
}

void TrpStdFunctionLibrary::aggregate(TrpAggregateKind kind, const QString& fName, const QString& p1,
                                      const QString& p2, const QString& p3, QString& value)
{
    // Data-set form: p1 names a field of a data set (COUNT: a data set).
    TDataSet* dataSet = nullptr;
    TField* field = nullptr;
    if (kind == akCount)
        dataSet = rpGetDataSet(p1);
    else
        rpGetDataSetAndField(p1, dataSet, field);
    if (dataSet) {
        if (CurBand && !CurBand->Visible)
            return;
        double sum = 0, mn = 1e200, mx = -1e200;
        int count = 0;
        for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) {
            const double v = field ? numberOf(field->Value()) : 0.0;
            sum += v;
            mn = qMin(mn, v);
            mx = qMax(mx, v);
            ++count;
        }
        switch (kind) {
        case akSum: value = numberText(sum); break;
        case akMin: value = numberText(mn); break;
        case akMax: value = numberText(mx); break;
        case akAvg: value = numberText(count ? sum / count : 0.0); break;
        case akCount: value = numberText(count); break;
        }
        return;
    }

    // Band form: the footer holding the expression keeps a running value per record of the named band.
    TrpBand* aggBand = CurView ? CurView->Parent : nullptr;
    if (!aggBand || !CurBand || !isFooterType(aggBand->Typ))
        return;
    const QString bandName = p2.isEmpty() ? CurBand->Name() : p2;
    const QString flag = kind == akCount ? p2 : p3;
    if (flag != QLatin1String("1") && !CurBand->Visible)
        return;
    QString key = fName + p1;
    if (aggBand->Typ == btCrossFooter)
        key += QStringLiteral("00");
    else if (aggBand->CountColumns)
        key += QString::number(aggBand->ColumnNo);
    const QString prefix = key + QLatin1Char('=');
    int index = -1;
    for (int i = 0; i < aggBand->Values.size(); ++i)
        if (aggBand->Values[i].startsWith(prefix)) {
            index = i;
            break;
        }
    const QString stored = index >= 0 ? aggBand->Values[index].mid(prefix.size()) : QString();
    if (!aggBand->Visible) {
        if (CurBand->Name().compare(bandName, Qt::CaseInsensitive) != 0 || stored.startsWith(QLatin1Char('1')))
            return;
        const QString rest = stored.mid(1);
        double running = kind == akMin ? 1e200 : kind == akMax ? -1e200 : 0.0;
        if (!rest.isEmpty())
            running = rtl::StrToFloat(rest);
        if (kind == akCount) {
            running += 1;
        } else {
            const double v = numberOf(eval(p1));
            if (kind == akMin)
                running = qMin(running, v);
            else if (kind == akMax)
                running = qMax(running, v);
            else
                running += v;
        }
        const QString entry = prefix + QLatin1Char('1') + numberText(running);
        if (index >= 0)
            aggBand->Values[index] = entry;
        else
            aggBand->Values.append(entry);
        return;
    }
    QString result = stored.mid(1);
    if (result.isEmpty())
        return;
    if (kind == akAvg) {
        const double v = rtl::StrToFloat(result);
        result = numberText(aggBand->AggregateCount ? v / aggBand->AggregateCount : 0.0);
    }
    value = result;
}
