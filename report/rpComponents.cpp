#include "report/rpComponents.h"

namespace {
QList<TrpOwner*>& globals()
{
    static QList<TrpOwner*> list;
    return list;
}
} // namespace

TrpOwner::TrpOwner(const QString& name, Kind kind, bool global) : name_(name), kind_(kind), global_(global)
{
    if (global_)
        globals().append(this);
}

TrpOwner::~TrpOwner()
{
    globals().removeAll(this);
}

void TrpOwner::Add(const QString& name, TDataSet* dataSet)
{
    Remove(name);
    components_.append({name, dataSet, nullptr});
}

void TrpOwner::Add(const QString& name, TrpDataset* dataSet)
{
    Remove(name);
    components_.append({name, nullptr, dataSet});
}

void TrpOwner::Remove(const QString& name)
{
    for (qsizetype i = 0; i < components_.size(); ++i)
        if (components_[i].Name.compare(name, Qt::CaseInsensitive) == 0) {
            components_.removeAt(i);
            return;
        }
}

const TrpComponent* TrpOwner::Find(const QString& name) const
{
    for (const TrpComponent& c : components_)
        if (c.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

QList<TrpOwner*> TrpOwner::Globals()
{
    QList<TrpOwner*> out;
    for (TrpOwner* o : globals())
        if (o->kind_ == Form)
            out.append(o);
    for (TrpOwner* o : globals())
        if (o->kind_ == DataModule)
            out.append(o);
    return out;
}

const TrpComponent* rpFindComponent(const TrpOwner* owner, const QString& name)
{
    const int dot = int(name.indexOf(QLatin1Char('.')));
    if (dot >= 0) {
        const QString ownerName = name.left(dot);
        for (TrpOwner* o : TrpOwner::Globals())
            if (o->Name().compare(ownerName, Qt::CaseInsensitive) == 0)
                return o->Find(name.mid(dot + 1));
        return nullptr;
    }
    return owner ? owner->Find(name) : nullptr;
}
