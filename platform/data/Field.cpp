#include "platform/data/Field.h"

#include "platform/data/DataSet.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/FloatField.h"

TField::TField(TDataSet* dataSet, const QString& fieldName, TFieldType dataType, int size)
    : dataSet_(dataSet), fieldName_(fieldName), dataType_(dataType), size_(size)
{
}

TField::~TField()
{
    auto callbacks = std::move(freeNotifications_);
    for (auto& [key, callback] : callbacks)
        callback(this);
}

int TField::Index() const
{
    for (int i = 0; i < dataSet_->FieldCount(); ++i)
        if (dataSet_->Fields(i) == this)
            return i;
    return -1;
}

void TField::SetIndex(int index)
{
    dataSet_->MoveField(this, index);
}

bool TField::CanModify() const
{
    return !readOnly_ && dataSet_->CanModify();
}

QVariant TField::Value() const
{
    return dataSet_->GetFieldValue(this);
}

void TField::SetValue(const QVariant& value)
{
    dataSet_->SetFieldValue(this, value.isNull() ? QVariant() : Convert(value));
}

QString TField::AsString() const
{
    return FormatValue(Value(), false);
}

qint32 TField::AsInteger() const
{
    return static_cast<qint32>(AsLargeInt());
}

qint64 TField::AsLargeInt() const
{
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Double) {
        // Truncated toward zero; a value with no 64-bit integer (or no number at all) is an error.
        const double d = v.toDouble();
        if (!(d > -9223372036854775808.0 && d < 9223372036854775808.0))
            RaiseConversion(AsString(), "integer");
        return static_cast<qint64>(d);
    }
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int || v.typeId() == QMetaType::Bool)
        return v.toLongLong();
    const QString text = v.toString().trimmed();
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (!ok)
        RaiseConversion(text, "integer");
    return n;
}

double TField::AsFloat() const
{
    const QVariant v = Value();
    if (v.isNull())
        return 0.0;
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
        return v.toDouble();
    const QString text = v.toString();
    double d = 0;
    if (!TFloatField::ParseFloat(text, &d))
        RaiseConversion(text, "floating point");
    return d;
}

bool TField::AsBoolean() const
{
    const QVariant v = Value();
    if (v.isNull())
        return false;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    return AsLargeInt() != 0;
}

QByteArray TField::AsBytes() const
{
    const QVariant v = Value();
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    return AsString().toUtf8();
}

void TField::SetAsString(const QString& value)
{
    SetValue(value);
}

void TField::SetAsLargeInt(qint64 value)
{
    SetValue(QVariant::fromValue<qlonglong>(value));
}

void TField::SetAsFloat(double value)
{
    SetValue(value);
}

void TField::SetAsBytes(const QByteArray& value)
{
    SetValue(value);
}

int TField::AddFreeNotification(std::function<void(TField*)> callback)
{
    const int key = nextNotificationKey_++;
    freeNotifications_.emplace(key, std::move(callback));
    return key;
}

void TField::RemoveFreeNotification(int key)
{
    freeNotifications_.erase(key);
}

QString TField::GetText(bool displayText) const
{
    QString text = FormatValue(Value(), displayText);
    if (OnGetText)
        OnGetText(const_cast<TField*>(this), text, displayText);
    return text;
}

QString TField::FormatValue(const QVariant& value, bool) const
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
        return QString::number(value.toLongLong());
    return value.toString();
}

QVariant TField::Convert(const QVariant& value) const
{
    return value;
}

void TField::RaiseConversion(const QString& text, const char* kind) const
{
    throw EDatabaseError(QStringLiteral("'%1' is not a valid %2 value for field '%3'")
                             .arg(text, QLatin1String(kind), fieldName_));
}
