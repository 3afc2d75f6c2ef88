// TCustomDBGridEx: saving and restoring the columns' arrangement and the row geometry in an ini file or a
// registry key. The stored values come from a file a user may edit: a value that is damaged, or that
// names a column no longer there, restores what it can and leaves the rest as it is.
#include "grid/DBGridEx.h"
#include "grid/ColumnTitleEx.h"
#include "platform/rtl/IniFile.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/system/Registry.h"
#include <QRegularExpression>
#include <QVector>

// The two kinds of storage: a registry key (its sections are subkeys, the grid record is a subkey's
// default value) and an ini file (the grid record is the key "(Default)").
class TCustomDBGridEx::TLayoutStore {
public:
    virtual ~TLayoutStore() = default;
    virtual bool Registry() const = 0;
    virtual QString Read(const QString& section, const QString& name) = 0;
    virtual bool Write(const QString& section, const QString& name, const QString& value) = 0;
    virtual bool Erase(const QString& section) = 0;
    // The name of the grid record.
    QString DefaultName() const { return Registry() ? QString() : QStringLiteral("(Default)"); }
};

namespace {

class RegistryStore final : public TCustomDBGridEx::TLayoutStore {
public:
    explicit RegistryStore(sys::TRegIniFile& reg) : reg_(reg) {}
    bool Registry() const override { return true; }
    QString Read(const QString& s, const QString& n) override { return reg_.ReadString(s, n, QString()); }
    bool Write(const QString& s, const QString& n, const QString& v) override { return reg_.WriteString(s, n, v); }
    bool Erase(const QString& s) override { return reg_.EraseSection(s); }

private:
    sys::TRegIniFile& reg_;
};

class IniStore final : public TCustomDBGridEx::TLayoutStore {
public:
    explicit IniStore(rtl::TIniFile& ini) : ini_(ini) {}
    bool Registry() const override { return false; }
    QString Read(const QString& s, const QString& n) override { return ini_.ReadString(s, n, QString()); }
    // The ini file itself keeps a value that begins and ends with a quote in one more pair of quotes.
    bool Write(const QString& s, const QString& n, const QString& v) override { return ini_.WriteString(s, n, v); }
    bool Erase(const QString& s) override { return ini_.EraseSection(s); }

private:
    rtl::TIniFile& ini_;
};

// The fields of a stored value: separated by blanks and commas, several in a row counting as one.
class StoredFields {
public:
    explicit StoredFields(const QString& value)
    {
        static const QRegularExpression separators(QStringLiteral("[ ,]+"));
        fields_ = value.split(separators, Qt::SkipEmptyParts);
    }
    // Field n (from 1) as a number, or the fallback when it is missing or no number.
    int At(int n, int fallback) const
    {
        if (n < 1 || n > fields_.size())
            return fallback;
        bool ok = false;
        const int v = fields_[n - 1].toInt(&ok, 10);
        return ok ? v : fallback;
    }

private:
    QStringList fields_;
};

QString columnKey(const QString& gridName, const TColumnEx* column)
{
    return QStringLiteral("%1.%2").arg(gridName, column->FieldName());
}

} // namespace

QString TCustomDBGridEx::DefaultSectionOf(const QWidget* component)
{
    if (!component)
        return {};
    if (component->isWindow())
        return QString::fromLatin1(component->metaObject()->className());
    const QWidget* form = component->window();
    if (form && form != component)
        return QString::fromLatin1(form->metaObject()->className()) + component->objectName();
    if (const QWidget* parent = component->parentWidget())
        return parent->objectName() + component->objectName();
    return component->objectName();
}

bool TCustomDBGridEx::SaveColumnsLayoutProducer(TLayoutStore& store, const QString& section, bool deleteSection)
{
    bool ok = true;
    if (store.Registry() || deleteSection)
        ok = store.Erase(section);
    for (int i = 0; ok && i < columns_->Count(); ++i) {
        TColumnEx* c = columns_->Items(i);
        const QString value = QStringLiteral("%1,%2,%3,%4,%5,%6,%7")
                                  .arg(c->Index())
                                  .arg(c->Width())
                                  .arg(int(c->Title().SortMarker()))
                                  .arg(c->Visible() ? 1 : 0)
                                  .arg(c->Title().SortIndex())
                                  .arg(c->DropDownRows())
                                  .arg(c->DropDownWidth());
        ok = store.Write(section, columnKey(objectName(), c), value);
    }
    return ok;
}

void TCustomDBGridEx::RestoreColumnsLayoutProducer(TLayoutStore& store, const QString& section,
                                                   TColumnExRestoreParams params)
{
    struct Entry {
        TColumnEx* column;
        int index;
        int sortIndex;
    };
    BeginUpdate();
    // Widths are taken as they are stored, not fitted; fitting runs again once they are all in.
    const bool autoFit = autoFitColWidths_;
    autoFitColWidths_ = false;
    const rtl::TScopeGuard finish([this, autoFit] {
        EndUpdate();
        if (autoFit)
            SetAutoFitColWidths(true);
        else
            LayoutChanged();
    });

    QVector<Entry> entries;
    for (int i = 0; i < columns_->Count(); ++i) {
        TColumnEx* c = columns_->Items(i);
        entries.push_back({c, c->Index(), 0});
    }
    for (Entry& e : entries) {
        TColumnEx* c = e.column;
        const QString value = store.Read(section, columnKey(objectName(), c));
        if (value.isEmpty())
            continue;
        const StoredFields f(value);
        e.index = f.At(1, e.index);
        // A number out of a property's range keeps the property as it is.
        if (has(params, crpColWidthsEx)) {
            const int w = f.At(2, c->Width());
            if (w >= 0)
                c->SetWidth(w);
        }
        if (has(params, crpSortMarkerEx)) {
            const int m = f.At(3, int(c->Title().SortMarker()));
            if (m >= smNoneEx && m <= smUpEx)
                c->Title().SetSortMarker(TSortMarkerEx(m));
            e.sortIndex = f.At(5, 0);
        }
        if (has(params, crpColVisibleEx))
            c->SetVisible(f.At(4, c->Visible() ? 1 : 0) != 0);
        if (has(params, crpDropDownRowsEx)) {
            const int rows = f.At(6, int(c->DropDownRows()));
            if (rows >= 1)
                c->SetDropDownRows(unsigned(rows));
        }
        if (has(params, crpDropDownWidthEx))
            c->SetDropDownWidth(f.At(7, c->DropDownWidth()));
    }
    if (has(params, crpSortMarkerEx))
        for (const Entry& e : entries)
            e.column->Title().SetSortIndex(e.sortIndex);
    if (has(params, crpColIndexEx)) {
        // Target positions in ascending order; the first entry naming a position takes it.
        for (int pos = 0; pos < columns_->Count(); ++pos)
            for (const Entry& e : entries)
                if (e.index == pos) {
                    e.column->SetIndex(pos);
                    break;
                }
    }
}

bool TCustomDBGridEx::SaveGridLayoutProducer(TLayoutStore& store, const QString& section, bool deleteSection)
{
    if (!SaveColumnsLayoutProducer(store, section, deleteSection))
        return false;
    return store.Write(section, store.DefaultName(), QStringLiteral("%1,%2").arg(rowHeight_).arg(rowLines_));
}

void TCustomDBGridEx::RestoreGridLayoutProducer(TLayoutStore& store, const QString& section,
                                                TDBGridExRestoreParams params)
{
    static constexpr std::pair<TDBGridExRestoreParam, TColumnExRestoreParam> map[] = {
        {grpColIndexEx, crpColIndexEx},         {grpColWidthsEx, crpColWidthsEx},
        {grpSortMarkerEx, crpSortMarkerEx},     {grpColVisibleEx, crpColVisibleEx},
        {grpDropDownRowsEx, crpDropDownRowsEx}, {grpDropDownWidthEx, crpDropDownWidthEx}};
    TColumnExRestoreParams columnParams = 0;
    for (const auto& [g, c] : map)
        if (has(params, g))
            columnParams |= bit(c);
    RestoreColumnsLayoutProducer(store, section, columnParams);
    if (has(params, grpRowHeightEx)) {
        const StoredFields f(store.Read(section, store.DefaultName()));
        SetRowHeight(f.At(1, 0));
        SetRowLines(f.At(2, 0));
    }
}

namespace {
// The three places a layout is kept: the registry under the grid's own section, a section of an open ini
// file, and a section of an ini file opened by name for the one call.
template <class Fn>
auto inRegistry(sys::TRegIniFile& reg, Fn fn)
{
    RegistryStore s(reg);
    return fn(static_cast<TCustomDBGridEx::TLayoutStore&>(s));
}
template <class Fn>
auto inIni(rtl::TIniFile& ini, Fn fn)
{
    IniStore s(ini);
    return fn(static_cast<TCustomDBGridEx::TLayoutStore&>(s));
}
template <class Fn>
auto inIniFile(const QString& fileName, Fn fn)
{
    rtl::TIniFile ini(fileName);
    return inIni(ini, fn);
}
using Store = TCustomDBGridEx::TLayoutStore;
} // namespace

bool TCustomDBGridEx::SaveColumnsLayout(sys::TRegIniFile& reg)
{
    return inRegistry(reg, [&](Store& s) { return SaveColumnsLayoutProducer(s, DefaultSectionOf(this), true); });
}

bool TCustomDBGridEx::SaveColumnsLayout(rtl::TIniFile& ini, const QString& section)
{
    return inIni(ini, [&](Store& s) { return SaveColumnsLayoutProducer(s, section, false); });
}

bool TCustomDBGridEx::SaveColumnsLayoutIni(const QString& fileName, const QString& section, bool deleteSection)
{
    return inIniFile(fileName, [&](Store& s) { return SaveColumnsLayoutProducer(s, section, deleteSection); });
}

void TCustomDBGridEx::RestoreColumnsLayout(sys::TRegIniFile& reg, TColumnExRestoreParams params)
{
    inRegistry(reg, [&](Store& s) { RestoreColumnsLayoutProducer(s, DefaultSectionOf(this), params); });
}

void TCustomDBGridEx::RestoreColumnsLayout(rtl::TIniFile& ini, const QString& section, TColumnExRestoreParams params)
{
    inIni(ini, [&](Store& s) { RestoreColumnsLayoutProducer(s, section, params); });
}

void TCustomDBGridEx::RestoreColumnsLayoutIni(const QString& fileName, const QString& section,
                                              TColumnExRestoreParams params)
{
    inIniFile(fileName, [&](Store& s) { RestoreColumnsLayoutProducer(s, section, params); });
}

bool TCustomDBGridEx::SaveGridLayout(sys::TRegIniFile& reg)
{
    return inRegistry(reg, [&](Store& s) { return SaveGridLayoutProducer(s, DefaultSectionOf(this), true); });
}

bool TCustomDBGridEx::SaveGridLayout(rtl::TIniFile& ini, const QString& section)
{
    return inIni(ini, [&](Store& s) { return SaveGridLayoutProducer(s, section, false); });
}

bool TCustomDBGridEx::SaveGridLayoutIni(const QString& fileName, const QString& section, bool deleteSection)
{
    return inIniFile(fileName, [&](Store& s) { return SaveGridLayoutProducer(s, section, deleteSection); });
}

void TCustomDBGridEx::RestoreGridLayout(sys::TRegIniFile& reg, TDBGridExRestoreParams params)
{
    inRegistry(reg, [&](Store& s) { RestoreGridLayoutProducer(s, DefaultSectionOf(this), params); });
}

void TCustomDBGridEx::RestoreGridLayout(rtl::TIniFile& ini, const QString& section, TDBGridExRestoreParams params)
{
    inIni(ini, [&](Store& s) { RestoreGridLayoutProducer(s, section, params); });
}

void TCustomDBGridEx::RestoreGridLayoutIni(const QString& fileName, const QString& section,
                                           TDBGridExRestoreParams params)
{
    inIniFile(fileName, [&](Store& s) { RestoreGridLayoutProducer(s, section, params); });
}
