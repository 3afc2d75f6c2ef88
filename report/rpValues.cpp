#include "report/rpValues.h"

#include "report/rpStream.h"

QString rpSpecFuncName(int kind)
{
    static const char* names[9] = {"PAGE#", "", "DATE", "TIME", "LINE#", "LINETHROUGH#", "COLUMN#", "CURRENT#", "TOTALPAGES"};
    return kind >= 0 && kind < 9 ? QString::fromLatin1(names[kind]) : QString();
}

TrpValues::TrpValues() = default;
TrpValues::~TrpValues() = default;

int TrpValues::AddValue()
{
    items_.push_back({QString(), std::make_unique<TrpValue>()});
    return Count() - 1;
}

TrpValue* TrpValues::FindVariable(const QString& name) const
{
    for (const Item& it : items_)
        if (it.name.compare(name, Qt::CaseInsensitive) == 0)
            return it.value.get();
    return nullptr;
}

void TrpValues::Clear()
{
    items_.clear();
}

void TrpValues::Assign(const TrpValues& other)
{
    Clear();
    for (const Item& it : other.items_) {
        const int i = AddValue();
        items_[i].name = it.name;
        *items_[i].value = *it.value;
    }
}

void TrpValues::WriteBinaryData(QIODevice& s) const
{
    rpWriteInt(s, Count());
    for (const Item& it : items_) {
        rpWriteByte(s, it.value->Typ);
        rpWriteInt(s, it.value->OtherKind);
        rpWriteShortString(s, it.value->DataSet);
        rpWriteShortString(s, it.value->Field);
        rpWriteShortString(s, it.name);
    }
}

void TrpValues::ReadBinaryData(QIODevice& s)
{
    Clear();
    const qint32 n = rpReadInt(s);
    if (n < 0)
        throw ErpStreamError("Stream read error");
    for (qint32 k = 0; k < n; ++k) {
        auto v = std::make_unique<TrpValue>();
        const quint8 typ = rpReadByte(s);
        if (typ > vtRPVar)
            throw ErpStreamError("Stream read error");
        v->Typ = TrpValueType(typ);
        v->OtherKind = rpReadInt(s);
        v->DataSet = rpReadShortString(s);
        v->Field = rpReadShortString(s);
        const QString name = rpReadShortString(s);
        items_.push_back({name, std::move(v)});
    }
}
