// TDBGridExImport: where imported rows go, the error question and the free procedures.
#include "grid/DBGridExImport.h"
#include "grid/ColumnEx.h"
#include "grid/DBGridEx.h"
#include "grid/GridError.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/data/FloatField.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/ScopeGuard.h"
#include <QFile>
#include <cstring>

namespace {
// "No" to the error question: ends the import without a message.
struct EImportAbort {};
} // namespace

TDBGridExImport::TDBGridExImport() = default;
TDBGridExImport::~TDBGridExImport() = default;

bool TDBGridExImport::ReadBytes(char* dst, qsizetype n)
{
    if (n < 0 || data_.size() - pos_ < n)
        return false;
    std::memcpy(dst, data_.constData() + pos_, size_t(n));
    pos_ += n;
    return true;
}

QString TDBGridExImport::Decode(const QByteArray& bytes) const
{
    return Utf8Text ? QString::fromUtf8(bytes) : rtl::fromCp1251(bytes);
}

void TDBGridExImport::ReadRecord(const TColumnsExList& columns)
{
    for (TColumnEx* column : columns)
        ReadDataCell(column);
}

TField* DBGridExEditField(TColumnEx* column)
{
    // A lookup cell takes its key.
    if (!column || !column->CanModify(false))
        return nullptr;
    TField* f = StoredFieldOf(column->Field());
    TDataSet* ds = f ? f->DataSet() : nullptr;
    if (!ds || !ds->CanModify())
        return nullptr;
    if (ds->State() == dsBrowse)
        ds->Edit();
    return ds->State() == dsEdit || ds->State() == dsInsert ? f : nullptr;
}

void TDBGridExImport::ValueError(const QString& message)
{
    if (IgnoreAll)
        return;
    const QString text = QStringLiteral("Error during insert value:\n") + message + QStringLiteral("\n\nIgnore error?");
    switch (ctl::MessageBox(text, QStringLiteral("Error"), ctl::MB_YESNOALL | ctl::MB_ICONERROR)) {
    case ctl::IDNO: throw EImportAbort{};
    case ctl::IDALL: IgnoreAll = true; break;
    default: break;
    }
}

void TDBGridExImport::CheckFits(const TField* field, const QVariant& value) const
{
    if (field->DataType() != ftString || field->Size() <= 0 || value.isNull())
        return;
    // The text the field would store, trailing blanks dropped.
    QString text = value.typeId() == QMetaType::Double ? TFloatField::FormatFloat(value.toDouble(), QLatin1Char('.'))
                                                       : value.toString();
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    if (text.size() > field->Size())
        throw EInvalidGridOperation(QStringLiteral("Row %1, column %2: a value of %3 characters is longer than field %4 (%5 characters)")
                                        .arg(ImportRow)
                                        .arg(ImportCol)
                                        .arg(text.size())
                                        .arg(field->FieldName())
                                        .arg(field->Size()));
}

void TDBGridExImport::insertRows(bool append)
{
    TDataSet* ds = DBGridEx->DataLink()->DataSet();
    while (!Eof) {
        const bool appending = append || ds->Eof();
        appending ? ds->Append() : ds->Insert();
        ReadRecord(ImpCols);
        ds->Post();
        if (!appending)
            ds->Next();
    }
}

void TDBGridExImport::ImportFromStream(QIODevice& stream, bool loadToAll)
{
    data_ = stream.readAll();
    pos_ = 0;
    Eof = false;
    IgnoreAll = false;
    ImportRow = 0;
    ImportCol = 0;
    Validate();
    TCustomDBGridEx* grid = DBGridEx;
    TDataSet* ds = grid->DataLink()->DataSet();
    if (!ds)
        return;
    if (loadToAll) {
        grid->ClearSelection();
        ds->First();
        if (!grid->VisibleColumns().isEmpty())
            grid->SetSelectedIndex(grid->VisibleColumns().first()->Index());
    }
    const bool inserting = ds->State() == dsInsert;
    if (!inserting)
        grid->SaveBookmark();
    ds->DisableControls();
    const rtl::TScopeGuard enable([ds] { ds->EnableControls(); });
    TDBGridExSelection& sel = grid->Selection();
    TDBGridColumnsEx& all = grid->Columns();
    ImpCols.clear();
    try {
        // A failure leaves the record in hand with none of its half-read values; what was posted stays.
        rtl::TScopeGuard cancel([ds] { ds->Cancel(); });
        switch (sel.SelectionType()) {
        case gstNon:
            for (int i = std::max(0, grid->SelectedIndex()); i < all.Count(); ++i)
                if (all[i]->Visible())
                    ImpCols.append(all[i]);
            ReadPrefix();
            if (inserting) {
                insertRows(false);
                break;
            }
            grid->RestoreBookmark();
            while (!ds->Eof() && !Eof) {
                ReadRecord(ImpCols);
                ds->Next();
            }
            if (has(grid->AllowedOperations(), alopAppendEx))
                insertRows(true);
            break;
        case gstRecordBookmarks: {
            ImpCols = grid->VisibleColumns();
            ReadPrefix();
            if (inserting) {
                insertRows(false);
                break;
            }
            TBookmarkListEx& rows = grid->SelectedRows();
            for (int i = 0; i < rows.Count(); ++i) {
                ds->GotoBookmark(rows.Items(i));
                ReadRecord(ImpCols);
            }
            break;
        }
        case gstRectangle:
            ImpCols = sel.Rect().VisibleColumns();
            ReadPrefix();
            if (inserting) {
                insertRows(false);
                break;
            }
            sel.Rect().ForEachRow([&] {
                ReadRecord(ImpCols);
                return true;
            });
            break;
        case gstColumns:
        case gstAll:
            if (sel.SelectionType() == gstColumns) {
                for (int i = 0; i < sel.Columns().Count(); ++i)
                    ImpCols.append(sel.Columns().Items(i));
            } else {
                ImpCols = grid->VisibleColumns();
            }
            ReadPrefix();
            if (inserting) {
                insertRows(false);
                break;
            }
            ds->First();
            while (!ds->Eof()) {
                ReadRecord(ImpCols);
                ds->Next();
            }
            break;
        }
        if (!inserting) {
            ds->CheckBrowseMode();
            grid->RestoreBookmark();
        }
        cancel.Dismiss();
    } catch (const EImportAbort&) {
        if (!inserting)
            grid->RestoreBookmark();
    }
    ImpCols.clear();
}

void TDBGridExImport::ImportFromFile(const QString& fileName, bool loadToAll)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EInvalidGridOperation(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    ImportFromStream(file, loadToAll);
}

void ReadDBGridExFromImportStream(TDBGridExImportClass importClass, TCustomDBGridEx* grid, QIODevice& stream,
                                  bool loadToAll)
{
    RunOnGrid(importClass, grid, [&](TDBGridExImport& i) { i.ImportFromStream(stream, loadToAll); });
}

void LoadDBGridExFromImportFile(TDBGridExImportClass importClass, TCustomDBGridEx* grid, const QString& fileName,
                                bool loadToAll)
{
    RunOnGrid(importClass, grid, [&](TDBGridExImport& i) { i.ImportFromFile(fileName, loadToAll); });
}
