#pragma once
// TField: one column of a data set, read and written on the data set's current record (or on the record a
// data link made active for painting). The typed fields below it convert between their kind and the others.
#include "platform/data/DataSetTypes.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <map>

class TDataSet;

class TField {
public:
    TField(TDataSet* dataSet, const QString& fieldName, TFieldType dataType, int size);
    virtual ~TField();
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TDataSet* DataSet() const { return dataSet_; }
    const QString& FieldName() const { return fieldName_; }
    TFieldType DataType() const { return dataType_; }
    TFieldKind FieldKind() const { return kind_; }
    // A lookup field (TDataSet::AddLookupField) reads LookupResultField of the LookupDataSet record whose
    // LookupKeyFields equal this record's KeyFields; writing it writes those key fields.
    QString KeyFields() const { return keyFields_; }
    TDataSet* LookupDataSet() const { return lookupDataSet_; }
    QString LookupKeyFields() const { return lookupKeyFields_; }
    QString LookupResultField() const { return lookupResultField_; }
    int Size() const { return size_; }
    // Position in the data set's field list; setting it moves the field there.
    int Index() const;
    void SetIndex(int index);

    QString DisplayLabel() const { return displayLabel_.isEmpty() ? fieldName_ : displayLabel_; }
    void SetDisplayLabel(const QString& label) { displayLabel_ = label; }
    QString DisplayName() const { return DisplayLabel(); }
    int DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : DefaultDisplayWidth(); }
    void SetDisplayWidth(int width) { displayWidth_ = width; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment) { alignment_ = alignment; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    // Whether a typed character can be part of this field's value (numbers take digits, sign and, for
    // floats, a decimal separator and exponent).
    virtual bool IsValidChar(QChar ch) const { return !ch.isNull(); }
    // The data set can write this field now or after Edit (not read-only, data set modifiable).
    bool CanModify() const;
    virtual bool IsBlob() const { return false; }

    // Value of the active record; a null QVariant for NULL. Reading a closed data set raises.
    QVariant Value() const;
    void SetValue(const QVariant& value);
    bool IsNull() const { return Value().isNull(); }
    void Clear() { SetValue(QVariant()); }

    virtual QString AsString() const;
    virtual qint32 AsInteger() const;
    virtual qint64 AsLargeInt() const;
    virtual double AsFloat() const;
    virtual bool AsBoolean() const;
    virtual QByteArray AsBytes() const;
    virtual void SetAsString(const QString& value);
    virtual void SetAsInteger(qint32 value) { SetAsLargeInt(value); }
    virtual void SetAsLargeInt(qint64 value);
    virtual void SetAsFloat(double value);
    virtual void SetAsBytes(const QByteArray& value);

    // The text shown in a grid (DisplayText) or edited (Text); OnGetText may replace both.
    QString DisplayText() const { return GetText(true); }
    QString Text() const { return GetText(false); }
    void SetText(const QString& text) { SetAsString(text); }
    std::function<void(TField* sender, QString& text, bool displayText)> OnGetText;

    // Called with this field just before it is destroyed (when its data set rebuilds its fields or goes):
    // holders of the pointer drop it. Returns a key for RemoveFreeNotification.
    int AddFreeNotification(std::function<void(TField*)> callback);
    void RemoveFreeNotification(int key);

protected:
    virtual QString GetText(bool displayText) const;
    virtual QString FormatValue(const QVariant& value, bool displayText) const;
    virtual int DefaultDisplayWidth() const { return size_ > 0 ? size_ : 10; }
    // Converts a value given in any kind into this field's stored kind; raises for a text that is no value
    // of the kind.
    virtual QVariant Convert(const QVariant& value) const;
    [[noreturn]] void RaiseConversion(const QString& text, const char* kind) const;

private:
    friend class TDataSet;
    TDataSet* dataSet_;
    int fieldNo_ = -1;  // column of the data set's rows this field reads; -1 for a lookup field
    TFieldKind kind_ = fkData;
    QString keyFields_, lookupKeyFields_, lookupResultField_;
    TDataSet* lookupDataSet_ = nullptr;
    QString fieldName_;
    TFieldType dataType_;
    int size_;
    QString displayLabel_;
    int displayWidth_ = 0;
    TAlignment alignment_ = taLeftJustify;
    bool visible_ = true;
    bool readOnly_ = false;
    int nextNotificationKey_ = 1;
    std::map<int, std::function<void(TField*)>> freeNotifications_;
};
