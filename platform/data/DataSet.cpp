#include "platform/data/DataSet.h"

#include "platform/rtl/CodePage.h"

#include "platform/data/BlobField.h"
#include "platform/data/BlobStream.h"
#include "platform/data/BooleanField.h"
#include "platform/data/DataSource.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/FloatField.h"
#include "platform/data/IntegerField.h"
#include "platform/data/MemoField.h"
#include "platform/data/StringField.h"
#include "platform/rtl/SameText.h"

#include <QtEndian>
#include <algorithm>

namespace {

void fire(const TDataSet::TDataSetNotifyEvent& handler, TDataSet* self)
{
    if (handler)
        handler(self);
}

bool isEditing(TDataSetState s)
{
    return s == dsEdit || s == dsInsert;
}

TBookmark bookmarkOf(quint64 id)
{
    TBookmark b(8, '\0');
    qToLittleEndian(id, b.data());
    return b;
}

bool idOf(const TBookmark& b, quint64* id)
{
    if (b.size() != 8)
        return false;
    *id = qFromLittleEndian<quint64>(b.constData());
    return true;
}

} // namespace

TDataSet::TDataSet() = default;

TDataSet::~TDataSet()
{
    for (TDataSource* s : std::vector<TDataSource*>(sources_))
        s->SetDataSet(nullptr);
}

void TDataSet::Open()
{
    if (Active())
        return;
    fire(BeforeOpen, this);
    forgetRows();
    ++changeCount_;
    BindFields(InternalOpen());
    const int n = RowCount();
    cur_ = n > 0 ? 0 : -1;
    activeRow_ = cur_;
    bof_ = true;
    eof_ = n == 0;
    modified_ = false;
    SetState(dsBrowse);
    fire(AfterOpen, this);
    fire(AfterScroll, this);
}

void TDataSet::Close()
{
    if (!Active())
        return;
    fire(BeforeClose, this);
    editValues_.clear();
    editChanged_.clear();
    modified_ = false;
    InternalClose();
    forgetRows();
    ++changeCount_;
    cur_ = activeRow_ = -1;
    bof_ = eof_ = true;
    SetState(dsInactive);
    fire(AfterClose, this);
}

void TDataSet::BindFields(const std::vector<TFieldDef>& defs)
{
    // The same columns keep their field objects, so that controls bound to them stay bound.
    if (defs == fieldDefs_ && !fields_.empty())
        return;
    fields_.clear();
    fieldDefs_ = defs;
    for (std::size_t i = 0; i < defs.size(); ++i) {
        fields_.push_back(CreateField(defs[i]));
        fields_.back()->fieldNo_ = static_cast<int>(i);
    }
    for (const LookupDef& d : lookupDefs_)
        createLookupField(d);
}

TField* TDataSet::AddLookupField(const QString& name, TFieldType type, int size, const QString& keyFields,
                                 TDataSet* lookupDataSet, const QString& lookupKeyFields, const QString& lookupResultField)
{
    if (FindField(name))
        throw EDatabaseError(QStringLiteral("Duplicate field name '%1'").arg(name));
    TFieldDef def;
    def.name = name;
    def.dataType = type;
    def.size = size;
    lookupDefs_.push_back({def, keyFields, lookupKeyFields, lookupResultField, lookupDataSet});
    TField* f = fields_.empty() && !Active() ? nullptr : createLookupField(lookupDefs_.back());
    if (f && Active())
        Notify(deLayoutChange, 0);
    return f;
}

TField* TDataSet::createLookupField(const LookupDef& d)
{
    fields_.push_back(CreateField(d.def));
    TField* f = fields_.back().get();
    f->fieldNo_ = -1;
    f->kind_ = fkLookup;
    f->keyFields_ = d.keyFields;
    f->lookupDataSet_ = d.lookupDataSet;
    f->lookupKeyFields_ = d.lookupKeyFields;
    f->lookupResultField_ = d.resultField;
    return f;
}

namespace {
QVariant keyValuesOf(const TDataSet* ds, const QString& names)
{
    QVariantList keys;
    for (const QString& n : names.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QVariant v = ds->FieldByName(n.trimmed())->Value();
        if (v.isNull())
            return {};
        keys << v;
    }
    return keys.size() == 1 ? keys.front() : QVariant(keys);
}
} // namespace

QVariant TDataSet::lookupValue(const TField* field) const
{
    TDataSet* list = field->lookupDataSet_;
    const QVariant keys = keyValuesOf(this, field->keyFields_);
    if (!list || !list->Active() || keys.isNull())
        return {};
    return list->Lookup(field->lookupKeyFields_, keys, field->lookupResultField_);
}

void TDataSet::setLookupValue(TField* field, const QVariant& value)
{
    // The key of the list record showing the value goes to the key fields; a value no record shows
    // clears them.
    TDataSet* list = field->lookupDataSet_;
    const QVariant keys = value.isNull() || !list || !list->Active()
                              ? QVariant()
                              : list->Lookup(field->lookupResultField_, value, field->lookupKeyFields_);
    const QStringList names = field->keyFields_.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    const QVariantList values = names.size() == 1 ? QVariantList{keys} : keys.toList();
    for (qsizetype i = 0; i < names.size(); ++i)
        FieldByName(names[i].trimmed())->SetValue(i < values.size() ? values[i] : QVariant());
}

std::unique_ptr<TField> TDataSet::CreateField(const TFieldDef& def)
{
    switch (def.dataType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
        return std::make_unique<TIntegerField>(this, def.name, def.size);
    case ftFloat:
    case ftCurrency:
    case ftBCD:
        return std::make_unique<TFloatField>(this, def.name, def.size);
    case ftBoolean:
        return std::make_unique<TBooleanField>(this, def.name);
    case ftMemo:
    case ftFmtMemo:
        return std::make_unique<TMemoField>(this, def.name);
    case ftBlob:
    case ftGraphic:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
        return std::make_unique<TBlobField>(this, def.name, def.dataType);
    case ftDate:
    case ftTime:
    case ftDateTime:
        return std::make_unique<TStringField>(this, def.name, def.size, def.dataType);
    default:
        return std::make_unique<TStringField>(this, def.name, def.size);
    }
}

void TDataSet::SetState(TDataSetState state)
{
    if (state_ == state)
        return;
    state_ = state;
    Notify(deUpdateState, 0);
}

int TDataSet::FieldNo(const TField* field)
{
    return field->fieldNo_;
}

void TDataSet::CheckActive() const
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

bool TDataSet::IsEmpty() const
{
    return !Active() || (RowCount() == 0 && state_ != dsInsert);
}

int TDataSet::RecordCount() const
{
    CheckActive();
    return RowCount();
}

int TDataSet::RecNo() const
{
    CheckActive();
    return cur_ + 1;
}

void TDataSet::First()
{
    CheckBrowseMode();
    fire(BeforeScroll, this);
    MoveCursor(RowCount() > 0 ? 0 : -1, false);
    bof_ = true;
    eof_ = RowCount() == 0;
    Notify(deDataSetChange, 0);
    fire(AfterScroll, this);
}

void TDataSet::Last()
{
    CheckBrowseMode();
    fire(BeforeScroll, this);
    MoveCursor(RowCount() - 1, false);
    eof_ = true;
    bof_ = RowCount() == 0;
    Notify(deDataSetChange, 0);
    fire(AfterScroll, this);
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    const int n = RowCount();
    if (n == 0) {
        bof_ = eof_ = true;
        return 0;
    }
    fire(BeforeScroll, this);
    bof_ = eof_ = false;
    long long target = static_cast<long long>(cur_) + distance;
    if (target >= n) {
        target = n - 1;
        eof_ = true;
    } else if (target < 0) {
        target = 0;
        bof_ = true;
    }
    const int moved = static_cast<int>(target) - cur_;
    MoveCursor(static_cast<int>(target), moved != 0);
    fire(AfterScroll, this);
    return moved;
}

void TDataSet::SetRecNo(int recNo)
{
    CheckBrowseMode();
    const int n = RowCount();
    if (n == 0)
        return;
    const int target = std::clamp(recNo, 1, n) - 1;
    if (target == cur_)
        return;
    fire(BeforeScroll, this);
    bof_ = eof_ = false;
    JumpTo(target);
    fire(AfterScroll, this);
}

void TDataSet::JumpTo(int row)
{
    MoveCursor(row, false);
    Notify(deDataSetChange, kCenterCurrentRecord);
}

void TDataSet::MoveCursor(int row, bool scrollEvent)
{
    const int moved = row - cur_;
    cur_ = row;
    activeRow_ = row;
    if (scrollEvent)
        Notify(deDataSetScroll, moved);
}

void TDataSet::RaiseFieldIndex(int index)
{
    throw EDatabaseError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

namespace {

// Names mostly come as the fields have them (a painter asks for several a cell): found without folding case first.
template <class Name>
TField* findField(const std::vector<std::unique_ptr<TField>>& fields, const Name& name)
{
    for (const auto& f : fields)
        if (f->FieldName() == name)
            return f.get();
    for (const auto& f : fields)
        if (rtl::SameText(f->FieldName(), name))
            return f.get();
    return nullptr;
}

} // namespace

TField* TDataSet::FindField(const QString& name) const
{
    return findField(fields_, name);
}

TField* TDataSet::FindField(QLatin1StringView name) const
{
    return findField(fields_, name);
}

TField* TDataSet::FieldByName(const QString& name) const
{
    if (TField* f = FindField(name))
        return f;
    throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
}

QStringList TDataSet::FieldNames() const
{
    QStringList names;
    for (const auto& f : fields_)
        names << f->FieldName();
    return names;
}

void TDataSet::MoveField(TField* field, int index)
{
    auto it = std::find_if(fields_.begin(), fields_.end(), [&](const auto& p) { return p.get() == field; });
    if (it == fields_.end())
        return;
    index = std::clamp(index, 0, FieldCount() - 1);
    std::unique_ptr<TField> owned = std::move(*it);
    fields_.erase(it);
    fields_.insert(fields_.begin() + index, std::move(owned));
    if (Active())
        Notify(deLayoutChange, 0);
}

QVariant TDataSet::GetFieldValue(const TField* field) const
{
    // The common read, taken first: a whole scan asks this for every field of every record.
    if (state_ == dsBrowse && field->kind_ == fkData && activeRow_ >= 0 && activeRow_ < RowCount())
        return RowValue(activeRow_, field->fieldNo_);
    CheckActive();
    if (field->kind_ == fkLookup)
        return lookupValue(field);
    const int no = field->fieldNo_;
    if (isEditing(state_) && activeRow_ == cur_)
        return editValues_[no];
    const int row = RowOfView(activeRow_);
    if (row < 0)
        return {};
    return RowValue(row, no);
}

int TDataSet::RowOfView(int position) const
{
    int row = position;
    if (state_ == dsInsert && position >= cur_)
        row = position == cur_ ? -1 : position - 1;
    return row >= 0 && row < RowCount() ? row : -1;
}

void TDataSet::SetFieldValue(TField* field, const QVariant& value)
{
    CheckActive();
    if (!isEditing(state_))
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    if (field->ReadOnly())
        throw EDatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(field->FieldName()));
    if (field->kind_ == fkLookup) {
        setLookupValue(field, value);
        return;
    }
    editValues_[field->fieldNo_] = value;
    editChanged_[field->fieldNo_] = true;
    modified_ = true;
    Notify(deFieldChange, reinterpret_cast<qintptr>(field));
}

void TDataSet::Edit()
{
    if (isEditing(state_))
        return;
    CheckActive();
    if (RowCount() == 0) {
        Insert();
        return;
    }
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
    fire(BeforeEdit, this);
    editValues_.assign(fieldDefs_.size(), QVariant());
    for (std::size_t i = 0; i < fieldDefs_.size(); ++i)
        editValues_[i] = RowValue(cur_, static_cast<int>(i));
    editChanged_.assign(fieldDefs_.size(), false);
    editRow_ = cur_;
    activeRow_ = cur_;
    modified_ = false;
    SetState(dsEdit);
    fire(AfterEdit, this);
}

void TDataSet::Insert()
{
    CheckBrowseMode();
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
    fire(BeforeInsert, this);
    editValues_.assign(fieldDefs_.size(), QVariant());
    editChanged_.assign(fieldDefs_.size(), false);
    editRow_ = -1;
    if (cur_ < 0)
        cur_ = 0;
    activeRow_ = cur_;
    modified_ = false;
    SetState(dsInsert);
    // The view grew by the new row: the links re-read their windows.
    Notify(deDataSetChange, 0);
    fire(AfterInsert, this);
}

void TDataSet::Post()
{
    CheckActive();
    if (!isEditing(state_))
        return;
    Notify(deUpdateRecord, 0);
    fire(BeforePost, this);
    const int row = InternalPost(editRow_, editValues_, editChanged_);
    ++changeCount_;
    if (editRow_ < 0) {
        if (row == rowsMapped_ && row == RowCount() - 1) {
            rowOfId_.insert(RowId(row), row);  // appended after mapped rows: the map stays whole
            ++rowsMapped_;
        } else {
            RowsMovedFrom(row);
        }
    } else if (row != editRow_) {
        RowsMovedFrom(std::min(row, editRow_));
    }
    editValues_.clear();
    editChanged_.clear();
    modified_ = false;
    cur_ = activeRow_ = row;
    bof_ = eof_ = false;
    SetState(dsBrowse);
    Notify(deDataSetChange, 0);
    fire(AfterPost, this);
}

void TDataSet::Cancel()
{
    if (!isEditing(state_))
        return;
    fire(BeforeCancel, this);
    editValues_.clear();
    editChanged_.clear();
    modified_ = false;
    if (cur_ >= RowCount())
        cur_ = RowCount() - 1;
    activeRow_ = cur_;
    SetState(dsBrowse);
    Notify(deDataSetChange, 0);
    fire(AfterCancel, this);
}

void TDataSet::Delete()
{
    CheckActive();
    if (state_ == dsInsert) {
        Cancel();
        return;
    }
    if (RowCount() == 0)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    Notify(deCheckBrowseMode, 0);
    fire(BeforeDelete, this);
    fire(BeforeScroll, this);
    const quint64 gone = RowId(cur_);
    InternalDelete(cur_);
    rowOfId_.remove(gone);
    RowsMovedFrom(cur_);
    editValues_.clear();
    editChanged_.clear();
    modified_ = false;
    if (state_ != dsBrowse)
        state_ = dsBrowse;  // the notification below tells the links
    RowsChanged(cur_);
    fire(AfterDelete, this);
    fire(AfterScroll, this);
}

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    Notify(deCheckBrowseMode, 0);
    if (isEditing(state_)) {
        // What the controls hold and have not written yet decides between posting and cancelling.
        Notify(deUpdateRecord, 0);
        if (modified_)
            Post();
        else
            Cancel();
    }
}

void TDataSet::RowsChanged(int currentRow)
{
    ++changeCount_;
    const int n = RowCount();
    cur_ = n == 0 ? -1 : std::clamp(currentRow, 0, n - 1);
    activeRow_ = cur_;
    bof_ = n == 0 || (bof_ && cur_ == 0);
    eof_ = n == 0;
    Notify(deDataSetChange, 0);
}


std::unique_ptr<TBlobStream> TDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode)
{
    CheckActive();
    if (!field || !field->IsBlob())
        throw EDatabaseError(QStringLiteral("Field '%1' is not a blob field").arg(field ? field->FieldName() : QString()));
    if (mode != bmRead && !isEditing(state_))
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    return std::make_unique<TBlobStream>(field, mode != bmRead);
}

TBookmark TDataSet::GetBookmark() const
{
    if (!Active() || cur_ < 0 || cur_ >= RowCount() || state_ == dsInsert)
        return {};
    return bookmarkOf(RowId(cur_));
}

TBookmark TDataSet::ActiveBookmark() const
{
    if (!Active() || activeRow_ == cur_)
        return GetBookmark();
    const int row = RowOfView(activeRow_);
    return row < 0 ? TBookmark() : bookmarkOf(RowId(row));
}

int TDataSet::RowOfId(quint64 id) const
{
    const int n = RowCount();
    rowsMapped_ = std::min(rowsMapped_, n);
    auto it = rowOfId_.constFind(id);
    if (it != rowOfId_.constEnd() && *it < rowsMapped_ && RowId(*it) == id)
        return *it;
    if (it != rowOfId_.constEnd() && *it < rowsMapped_)
        forgetRows();  // rows changed behind the map's back
    if (rowsMapped_ == n)
        return -1;
    for (int i = rowsMapped_; i < n; ++i)
        rowOfId_.insert(RowId(i), i);
    rowsMapped_ = n;
    it = rowOfId_.constFind(id);
    return it != rowOfId_.constEnd() && *it < n && RowId(*it) == id ? *it : -1;
}

bool TDataSet::BookmarkValid(const TBookmark& bookmark) const
{
    quint64 id = 0;
    return Active() && idOf(bookmark, &id) && RowOfId(id) >= 0;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark)
{
    CheckBrowseMode();
    quint64 id = 0;
    const int row = idOf(bookmark, &id) ? RowOfId(id) : -1;
    if (row < 0)
        throw EDatabaseError(QStringLiteral("Record not found"));
    fire(BeforeScroll, this);
    bof_ = eof_ = false;
    JumpTo(row);
    fire(AfterScroll, this);
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const
{
    quint64 ia = 0, ib = 0;
    const bool va = idOf(a, &ia), vb = idOf(b, &ib);
    if (!va || !vb)
        return va == vb ? 0 : (va ? 1 : -1);
    if (ia == ib)
        return 0;
    const int ra = Active() ? RowOfId(ia) : -1;
    const int rb = Active() ? RowOfId(ib) : -1;
    if (ra >= 0 && rb >= 0)
        return ra < rb ? -1 : 1;
    return ia < ib ? -1 : 1;
}

namespace {

// Locate's comparison of a row's value with one wanted value, prepared once per search: the wanted text
// is trimmed and the wanted number parsed before the rows are read, not for each row.
class TLocateMatcher {
public:
    TLocateMatcher(const TField* field, const QVariant& want, TLocateOptions options)
        : want_(want), wantNull_(want.isNull()), partial_(options.testFlag(loPartialKey)),
          cs_(options.testFlag(loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive)
    {
        switch (field->DataType()) {
        case ftString: case ftDate: case ftTime: case ftDateTime: case ftMemo: case ftFmtMemo:
            kind_ = Text;
            text_ = want.toString();
            while (text_.endsWith(QLatin1Char(' ')))
                text_.chop(1);
            firstFolded_ = text_.isEmpty() ? 0 : QChar::toCaseFolded(text_.front().unicode());
            break;
        case ftBoolean:
            kind_ = Boolean;
            break;
        default:
            kind_ = Integer;
            if (want.typeId() == QMetaType::QString) {
                kind_ = TFloatField::ParseFloat(want.toString(), &number_) ? Float : Never;
            } else if (want.typeId() == QMetaType::Double) {
                kind_ = Float;
                number_ = want.toDouble();
            }
            break;
        }
    }

    bool Matches(const QVariant& have) const
    {
        // A kept text is read where it lies, without a copy (and without the variant's slower null test).
        const QString* kept = have.typeId() == QMetaType::QString ? static_cast<const QString*>(have.constData()) : nullptr;
        const bool haveNull = kept ? kept->isNull() : have.isNull();
        if (wantNull_ || haveNull)
            return wantNull_ && haveNull;
        switch (kind_) {
        case Text:
            if (kept)
                return compare(*kept);
            return compare(have.typeId() == QMetaType::QByteArray ? rtl::fromCp1251(have.toByteArray()) : have.toString());
        case Boolean:
            return have.toBool() == want_.toBool();
        case Float:
            return have.toDouble() == number_;
        case Integer:
            if (have.typeId() == QMetaType::Double)
                return have.toDouble() == want_.toDouble();
            return have.toLongLong() == want_.toLongLong();
        case Never:
            break;
        }
        return false;
    }

private:
    bool compare(const QString& have) const
    {
        // Most rows differ in their first letter: told apart here, before the full comparison.
        if (!text_.isEmpty()) {
            if (have.isEmpty())
                return false;
            const QChar c = have.front();
            if (cs_ == Qt::CaseSensitive ? c != text_.front()
                                         : !c.isSurrogate() && !text_.front().isSurrogate()
                                               && QChar::toCaseFolded(c.unicode()) != firstFolded_)
                return false;
        }
        return partial_ ? have.startsWith(text_, cs_) : have.compare(text_, cs_) == 0;
    }

    enum { Text, Boolean, Float, Integer, Never } kind_ = Integer;
    const QVariant& want_;
    bool wantNull_;
    QString text_;
    char32_t firstFolded_ = 0;
    double number_ = 0;
    bool partial_;
    Qt::CaseSensitivity cs_;
};

} // namespace

bool TDataSet::LocateMatches(const TField* field, const QVariant& have, const QVariant& want, TLocateOptions options)
{
    return TLocateMatcher(field, want, options).Matches(have);
}

const QVariant* TDataSet::rowValueAt(int row, int field, QVariant& copy) const
{
    if (const QVariant* kept = PeekRowValue(row, field))
        return kept;
    copy = RowValue(row, field);
    return &copy;
}

int TDataSet::FindRow(const QString& keyFields, const QVariant& keyValues, TLocateOptions options) const
{
    const QStringList names = keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    std::vector<const TField*> fields;
    for (const QString& n : names) {
        fields.push_back(FieldByName(n.trimmed()));
        if (fields.back()->FieldKind() == fkLookup)
            throw EDatabaseError(QStringLiteral("Field '%1' is a lookup field and cannot be searched").arg(n.trimmed()));
    }
    QVariantList wanted;
    if (fields.size() == 1)
        wanted << keyValues;
    else
        wanted = keyValues.toList();
    if (static_cast<std::size_t>(wanted.size()) != fields.size())
        throw EDatabaseError(QStringLiteral("Locate: %1 values for %2 fields").arg(wanted.size()).arg(fields.size()));
    std::vector<TLocateMatcher> matchers;
    matchers.reserve(fields.size());
    for (std::size_t k = 0; k < fields.size(); ++k)
        matchers.emplace_back(fields[k], wanted[static_cast<int>(k)], options);
    QVariant copy;
    for (int row = 0, rows = RowCount(); row < rows; ++row) {
        bool all = true;
        for (std::size_t k = 0; k < fields.size() && all; ++k)
            all = matchers[k].Matches(*rowValueAt(row, fields[k]->fieldNo_, copy));
        if (all)
            return row;
    }
    return -1;
}

bool TDataSet::Locate(const QString& keyFields, const QVariant& keyValues, TLocateOptions options)
{
    CheckBrowseMode();
    const int row = FindRow(keyFields, keyValues, options);
    if (row < 0)
        return false;
    fire(BeforeScroll, this);
    bof_ = eof_ = false;
    JumpTo(row);
    fire(AfterScroll, this);
    return true;
}

QVariant TDataSet::Lookup(const QString& keyFields, const QVariant& keyValues, const QString& resultFields)
{
    CheckBrowseMode();
    const int row = TDataSet::FindRow(keyFields, keyValues, {});
    if (row < 0)
        return {};
    const QStringList names = resultFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QVariantList out;
    for (const QString& n : names)
        out << RowValue(row, FieldByName(n.trimmed())->fieldNo_);
    return out.size() == 1 ? out.front() : QVariant(out);
}

void TDataSet::DisableControls()
{
    if (disableCount_++ == 0)
        disableState_ = state_;
}

void TDataSet::EnableControls()
{
    if (disableCount_ == 0 || --disableCount_ > 0)
        return;
    if (disableState_ != state_)
        Notify(deUpdateState, 0);
    if (disableState_ != dsInactive && state_ != dsInactive)
        Notify(deDataSetChange, 0);
}

void TDataSet::Notify(TDataEvent event, qintptr info)
{
    if (disableCount_ > 0 && event != deFocusControl)
        return;
    for (TDataSource* s : std::vector<TDataSource*>(sources_))
        s->DataEvent(event, info);
}

void TDataSet::AttachDataSource(TDataSource* source)
{
    if (std::find(sources_.begin(), sources_.end(), source) == sources_.end())
        sources_.push_back(source);
}

void TDataSet::DetachDataSource(TDataSource* source)
{
    sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}
