#include "report/rpDataHelpers.h"

#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "report/rpComponents.h"
#include "report/rpDBDataSet.h"
#include "report/rpGlobals.h"
#include "report/rpLimits.h"
#include "report/rpReport.h"

namespace {

TDataSet* dataSetOf(const TrpComponent* c)
{
    if (!c)
        return nullptr;
    if (c->DataSet)
        return c->DataSet;
    if (auto* db = dynamic_cast<TrpDBDataSet*>(c->RpDataSet)) {
        try {
            return db->GetDataSet();
        } catch (const std::exception&) {
            return nullptr;
        }
    }
    return nullptr;
}

const TrpOwner* reportOwner()
{
    return CurReport ? CurReport->Owner : nullptr;
}

QString unquote(QString name)
{
    if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
        name = name.mid(1, name.size() - 2);
    return name;
}

// Splits at dots outside double quotes.
QStringList splitName(const QString& name)
{
    QStringList parts;
    QString cur;
    bool quoted = false;
    for (QChar c : name) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        if (c == QLatin1Char('.') && !quoted) {
            parts.append(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.append(cur);
    return parts;
}

} // namespace

bool rpIsBlob(const TField* field)
{
    if (!field)
        return false;
    switch (field->DataType()) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
        return true;
    default:
        return false;
    }
}

TBookmark rpGetBookmark(TDataSet* d)
{
    return d->GetBookmark();
}

void rpGotoBookmark(TDataSet* d, const TBookmark& b)
{
    d->GotoBookmark(b);
}

void rpFreeBookmark(TDataSet*, TBookmark& b)
{
    b.clear();
}

bool rpIsBookmarksEqual(TDataSet* d, const TBookmark& b1, const TBookmark& b2)
{
    return d->CompareBookmarks(b1, b2) == 0;
}

void rpGetFieldNames(TDataSet* d, QStringList& list)
{
    d->GetFieldNames(list);
}

TDataSet* rpGetDataSet(const QString& name)
{
    return dataSetOf(rpFindComponent(reportOwner(), name));
}

void rpGetDataSetAndField(const QString& complexName, TDataSet*& dataSet, TField*& field)
{
    field = nullptr;
    const QStringList parts = splitName(complexName);
    QString fieldName;
    if (parts.size() >= 3) {
        dataSet = nullptr;
        for (TrpOwner* o : TrpOwner::Globals())
            if (o->Name().compare(parts[0], Qt::CaseInsensitive) == 0)
                dataSet = dataSetOf(o->Find(parts[1].left(rplimits::ShortString)));
        fieldName = parts.mid(2).join(QLatin1Char('.')).left(rplimits::ShortString);
    } else if (parts.size() == 2) {
        dataSet = dataSetOf(rpFindComponent(reportOwner(), parts[0]));
        fieldName = parts[1].left(rplimits::ShortString);
    } else {
        fieldName = complexName;
    }
    fieldName = unquote(fieldName);
    if (dataSet)
        field = dataSet->FindField(fieldName);
}

namespace {

template <typename Take>
void listComponents(const QList<const TrpOwner*>& owners, const TrpOwner* owner, QStringList& list, Take take)
{
    list.clear();
    for (const TrpOwner* o : owners)
        for (const TrpComponent& c : o->Components())
            if (take(c))
                list.append(o == owner ? c.Name : o->Name() + QLatin1Char('.') + c.Name);
}

} // namespace

void rpGetComponents(const TrpOwner* owner, QStringList& list, const TrpDataset* skip)
{
    listComponents(rpDesignOwners(owner), owner, list,
                   [skip](const TrpComponent& c) { return c.RpDataSet && c.RpDataSet != skip; });
}

QList<const TrpOwner*> rpDesignOwners(const TrpOwner* owner)
{
    QList<const TrpOwner*> owners;
    if (owner)
        owners.append(owner);
    for (const TrpOwner* o : TrpOwner::Globals())
        if (o != owner)
            owners.append(o);
    return owners;
}

void rpGetDataSets(const TrpOwner* owner, QStringList& list)
{
    listComponents(rpDesignOwners(owner), owner, list, [](const TrpComponent& c) { return c.DataSet != nullptr; });
}

TrpDataset* rpBandDataSource(const QString& name, bool& owned)
{
    owned = false;
    if (name.isEmpty())
        return nullptr;
    TrpDataset* result = nullptr;
    if (name[0].unicode() >= '1' && name[0].unicode() <= '9') {
        auto* d = new TrpUserDataset;
        d->RangeEnd = reCount;
        d->RangeEndCount = name.toInt();
        owned = true;
        result = d;
    } else {
        const TrpComponent* c = rpFindComponent(reportOwner(), name);
        if (!c)
            return nullptr;
        if (!c->RpDataSet)
            throw ErpError(QStringLiteral("Invalid class typecast"));
        result = c->RpDataSet;
    }
    result->Init();
    return result;
}
