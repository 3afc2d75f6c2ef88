// Clipboard and delete actions of the grid.
#include "grid/DBGridExClipboard.h"
#include "grid/ColumnEx.h"
#include "grid/DBGridEx.h"
#include "grid/DBGridExExportGRIDBIF.h"
#include "grid/DBGridExExportRTF.h"
#include "grid/DBGridExExportText.h"
#include "grid/DBGridExImportGRIDBIF.h"
#include "grid/DBGridExImportText.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/ScopeGuard.h"
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

const QString CF_GRIDBIF = QStringLiteral("application/x-gridbif");
const QString CF_CSV = QStringLiteral("text/csv");
const QString CF_RTF = QStringLiteral("text/rtf");
const QString CF_TEXT = QStringLiteral("text/plain");

namespace {

QByteArray exported(TDBGridExExportClass exportClass, TCustomDBGridEx* grid, bool whole, bool utf8)
{
    std::unique_ptr<TDBGridExExport> exporter = exportClass();
    exporter->DBGridEx = grid;
    exporter->Utf8Text = utf8;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    exporter->ExportToStream(buffer, whole);
    return bytes;
}

void imported(TDBGridExImportClass importClass, TCustomDBGridEx* grid, QByteArray bytes, bool whole)
{
    std::unique_ptr<TDBGridExImport> importer = importClass();
    importer->DBGridEx = grid;
    importer->Utf8Text = true;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    importer->ImportFromStream(buffer, whole);
}

// Sets the fields of the columns to null in the current record, where they may be changed.
void clearCells(const TColumnsExList& columns)
{
    for (TColumnEx* column : columns)
        if (TField* f = DBGridExEditField(column))
            f->Clear();
}

} // namespace

bool DBGridEx_ClipboardHasGridData()
{
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime && (mime->hasFormat(CF_GRIDBIF) || mime->hasFormat(CF_TEXT));
}

void DBGridEx_DoCopyAction(TCustomDBGridEx* grid, bool forWholeGrid)
{
    TDataSet* ds = grid->DataLink()->DataSet();
    if (!ds)
        return;
    auto mime = std::make_unique<QMimeData>();
    {
        ds->DisableControls();
        const rtl::TScopeGuard enable([ds] { ds->EnableControls(); });
        mime->setData(CF_TEXT, exported(&TDBGridExExportAsText::Create, grid, forWholeGrid, true));
        mime->setData(CF_CSV, exported(&TDBGridExExportAsCSV::Create, grid, forWholeGrid, true));
        mime->setData(CF_RTF, exported(&TDBGridExExportAsRTF::Create, grid, forWholeGrid, false));
        mime->setData(CF_GRIDBIF, exported(&TDBGridExExportAsGRIDBIF::Create, grid, forWholeGrid, true));
    }
    QGuiApplication::clipboard()->setMimeData(mime.release());
}

void DBGridEx_DoPasteAction(TCustomDBGridEx* grid, bool forWholeGrid)
{
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime)
        return;
    if (mime->hasFormat(CF_GRIDBIF)) {
        imported(&TDBGridExImportAsGRIDBIF::Create, grid, mime->data(CF_GRIDBIF), forWholeGrid);
    } else if (mime->hasFormat(CF_TEXT)) {
        // Text ends at its first zero byte, should another program have put one there.
        QByteArray text = mime->data(CF_TEXT);
        const qsizetype zero = text.indexOf('\0');
        if (zero >= 0)
            text.truncate(zero);
        imported(&TDBGridExImportAsText::Create, grid, text, forWholeGrid);
    }
}

void DBGridEx_DoCutAction(TCustomDBGridEx* grid, bool forWholeGrid)
{
    DBGridEx_DoCopyAction(grid, forWholeGrid);
    DBGridEx_DoDeleteAction(grid, forWholeGrid);
}

void DBGridEx_DoDeleteAction(TCustomDBGridEx* grid, bool forWholeGrid)
{
    const TDBGridExSelectionType kind = forWholeGrid ? gstAll : grid->Selection().SelectionType();
    TDataSet* ds = grid->DataLink()->DataSet();
    if (kind == gstNon || !grid->DataSource() || !ds)
        return;
    QString question;
    switch (kind) {
    case gstRecordBookmarks:
        question = grid->SelectedRows().Count() < 2 ? QStringLiteral("Delete record?")
                                                    : QStringLiteral("Delete all selected records?");
        break;
    case gstRectangle:
        question = QStringLiteral("Clear selected cells?");
        break;
    // Everything or whole columns chosen by hand are asked about too: one key would otherwise wipe the
    // data set. The whole-grid flag is a program's own explicit call and is not asked.
    case gstColumns:
        if (!forWholeGrid)
            question = QStringLiteral("Clear selected cells?");
        break;
    case gstAll:
        if (!forWholeGrid)
            question = QStringLiteral("Delete all selected records?");
        break;
    default:
        break;
    }
    if (!question.isEmpty() && !grid->ConfirmDelete(question))
        return;
    grid->SaveBookmark();
    ds->DisableControls();
    const rtl::TScopeGuard enable([ds] { ds->EnableControls(); });
    switch (kind) {
    case gstRecordBookmarks:
        grid->SelectedRows().Delete();
        grid->ClearSelection();
        break;
    case gstRectangle: {
        const TColumnsExList columns = grid->Selection().Rect().VisibleColumns();
        grid->Selection().Rect().ForEachRow([&] {
            clearCells(columns);
            return true;
        });
        ds->CheckBrowseMode();
        grid->RestoreBookmark();
        break;
    }
    case gstColumns: {
        TDBGridExSelectionCols& sc = grid->Selection().Columns();
        TColumnsExList columns;
        for (int i = 0; i < sc.Count(); ++i)
            columns.append(sc.Items(i));
        ds->First();
        while (!ds->Eof()) {
            clearCells(columns);
            ds->Next();
        }
        ds->CheckBrowseMode();
        grid->RestoreBookmark();
        break;
    }
    case gstAll:
        ds->First();
        while (!ds->IsEmpty())
            ds->Delete();
        break;
    default:
        break;
    }
}
