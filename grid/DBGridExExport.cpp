// TDBGridExExport: the walk over the exported records and columns, the footer sums and the free procedures.
#include "grid/DBGridExExport.h"
#include "grid/ColumnEx.h"
#include "grid/DBGridEx.h"
#include "grid/GridError.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/data/FloatField.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FormatFloat.h"
#include "platform/rtl/ScopeGuard.h"
#include <QFile>
#include <cmath>

namespace {

constexpr size_t kFlushSize = 1 << 16;

} // namespace

TDBGridExExport::TDBGridExExport() = default;
TDBGridExExport::~TDBGridExExport() = default;

QByteArray TDBGridExExport::Encode(const QString& text) const
{
    return Utf8Text ? text.toUtf8() : rtl::toCp1251(text);
}

void TDBGridExExport::Flush()
{
    if (!stream_) {
        out_.clear();  // a walk without a stream drops its output
        return;
    }
    if (!out_.empty() && stream_->write(out_.data(), qint64(out_.size())) != qint64(out_.size()))
        throw EInvalidGridOperation(QStringLiteral("Stream write error"));
    out_.clear();
}

void TDBGridExExport::ExportToStream(QIODevice& stream, bool exportAll)
{
    ExportWalk(&stream, exportAll);
}

void TDBGridExExport::ExportWalk(QIODevice* stream, bool exportAll, int maxRecords)
{
    stream_ = stream;
    out_.clear();
    TCustomDBGridEx* grid = DBGridEx;
    const TDBGridExSelectionType kind = exportAll ? gstAll : grid->Selection().SelectionType();
    if (kind == gstNon)
        return;
    TDataSet* ds = grid->DataLink()->DataSet();
    if (!ds)
        return;
    const rtl::TScopeGuard cleanup([this] {
        footerValues_.clear();
        ExpCols.clear();
    });
    {
        ds->DisableControls();
        grid->SaveBookmark();
        // The grid gets its place back as far as it can, and its controls however the walk ends.
        const rtl::TScopeGuard walkEnd([grid, ds] {
            try {
                grid->RestoreBookmark();
            } catch (...) {
            }
            ds->EnableControls();
        });
        switch (kind) {
        case gstRectangle:
            ExpCols = grid->Selection().Rect().VisibleColumns();
            break;
        case gstColumns: {
            TDBGridExSelectionCols& sc = grid->Selection().Columns();
            for (int i = 0; i < sc.Count(); ++i)
                ExpCols.append(sc.Items(i));
            break;
        }
        default:
            ExpCols = grid->VisibleColumns();
            break;
        }
        footerValues_.assign(size_t(grid->FooterRowCount() * ExpCols.size()), 0);

        WritePrefix();
        if (has(grid->Options(), dgTitles))
            WriteTitle(ExpCols);
        switch (kind) {
        case gstRecordBookmarks: {
            TBookmarkListEx& rows = grid->SelectedRows();
            for (int i = 0; i < rows.Count() && i != maxRecords; ++i) {
                ds->GotoBookmark(rows.Items(i));
                CalcFooterValues();
                WriteRecord(ExpCols);
                if (out_.size() > kFlushSize)
                    Flush();
            }
            break;
        }
        case gstRectangle: {
            int written = 0;
            grid->Selection().Rect().ForEachRow([&] {
                WriteRecord(ExpCols);
                CalcFooterValues();
                if (out_.size() > kFlushSize)
                    Flush();
                return ++written != maxRecords;
            });
            break;
        }
        default:
            ds->First();
            for (int written = 0; !ds->Eof() && written != maxRecords; ++written) {
                WriteRecord(ExpCols);
                CalcFooterValues();
                if (out_.size() > kFlushSize)
                    Flush();
                ds->Next();
            }
            break;
        }
        for (int r = 0; r < grid->FooterRowCount(); ++r)
            WriteFooter(ExpCols, r);
    }
    WriteSuffix();
    Flush();
}

void TDBGridExExport::ExportToFile(const QString& fileName, bool exportAll)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EInvalidGridOperation(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
    ExportToStream(file, exportAll);
    if (!file.flush())
        throw EInvalidGridOperation(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, file.errorString()));
}

void TDBGridExExport::WriteRecord(const TColumnsExList& columns)
{
    gfx::TFont font;
    for (TColumnEx* column : columns) {
        font.Assign(column->Font());
        CellParams.Row = -1;
        CellParams.Col = -1;
        CellParams.State = 0;
        CellParams.Font = &font;
        CellParams.Background = column->Color();
        CellParams.Alignment = column->Alignment();
        CellParams.ImageIndex = column->GetImageIndex();
        CellParams.Text = column->DisplayText();
        CellParams.CheckboxState = column->GetColumnType() == ctCheckboxes ? column->GetCheckboxState() : cbUnchecked;
        CellParams.ReadOnly = column->ReadOnly();
        if (DBGridEx->OnGetCellParams)
            DBGridEx->OnGetCellParams(DBGridEx, column, font, CellParams.Background, 0);
        column->GetColCellParams(false, CellParams);
        WriteDataCell(column, CellParams);
    }
}

void TDBGridExExport::FooterCellParams(int row, int col, gfx::TFont& font, gfx::TColor& background,
                                       TAlignment& alignment, QString& text)
{
    TColumnEx* column = ExpCols[col];
    TColumnFooterEx& footer = column->UsedFooter(row);
    font.Assign(footer.Font());
    background = footer.Color();
    alignment = footer.Alignment();
    if (footer.ValueType() == fvtSum || footer.ValueType() == fvtCount)
        text = GetFooterValue(row, col);
    else
        text = DBGridEx->GetFooterValue(row, column);
    if (DBGridEx->OnGetFooterParams)
        DBGridEx->OnGetFooterParams(DBGridEx, column->Index(), row, column, font, background, alignment, 0, text);
}

void TDBGridExExport::WriteFooter(const TColumnsExList& columns, int footerNo)
{
    gfx::TFont font;
    for (int c = 0; c < columns.size(); ++c) {
        gfx::TColor background;
        TAlignment alignment;
        QString text;
        FooterCellParams(footerNo, c, font, background, alignment, text);
        WriteFooterCell(c, footerNo, columns[c], font, background, alignment, text);
    }
}

void TDBGridExExport::WriteFooterCell(int, int, TColumnEx*, gfx::TFont&, gfx::TColor, TAlignment, const QString&) {}

namespace {
TField* footerField(TDataSet* ds, TColumnEx* column, TColumnFooterEx& footer)
{
    const QString name = footer.FieldName().isEmpty() ? column->FieldName() : footer.FieldName();
    return ds->FindField(name);
}
} // namespace

void TDBGridExExport::CalcFooterValues()
{
    const int rows = DBGridEx->FooterRowCount();
    if (rows == 0)
        return;
    TDataSet* ds = DBGridEx->DataLink()->DataSet();
    const int n = int(ExpCols.size());
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < n; ++c) {
            TColumnFooterEx& footer = ExpCols[c]->UsedFooter(r);
            const TFooterValueType t = footer.ValueType();
            if (t != fvtSum && t != fvtCount)
                continue;
            TField* f = footerField(ds, ExpCols[c], footer);
            if (!f)
                continue;
            qint64& acc = footerValues_[size_t(r * n + c)];
            if (t == fvtCount)
                acc += 10000;
            else if (!f->IsNull())
                acc += std::llround(f->AsFloat() * 10000.0);
        }
    }
}

QString TDBGridExExport::GetFooterValue(int row, int col)
{
    TColumnEx* column = ExpCols[col];
    TColumnFooterEx& footer = column->UsedFooter(row);
    if (footer.ValueType() != fvtSum && footer.ValueType() != fvtCount)
        return {};
    // A footer naming a field the data set does not have shows nothing.
    TField* f = footerField(DBGridEx->DataLink()->DataSet(), column, footer);
    if (!f)
        return {};
    const double value = double(FooterAccumulator(row, col)) / 10000.0;
    if (footer.ValueType() == fvtCount)
        return rtl::FloatToStr(value);
    auto* ff = dynamic_cast<TFloatField*>(f);
    switch (f->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        if (ff && !ff->DisplayFormat().isEmpty())
            return rtl::FormatFloat(ff->DisplayFormat(), value);
        return QString::number(std::llround(value));
    case ftFloat:
    case ftCurrency:
    case ftBCD:
        if (ff && !ff->DisplayFormat().isEmpty())
            return rtl::FormatFloat(ff->DisplayFormat(), value);
        if (ff && ff->Currency())
            return rtl::FloatToStrF(value, rtl::TFloatFormat::ffCurrency, 15, rtl::formatSettings().CurrencyDecimals);
        return rtl::FloatToStrF(value, rtl::TFloatFormat::ffGeneral, 15, 0);
    default:
        return {};
    }
}

void WriteDBGridExToExportStream(TDBGridExExportClass exportClass, TCustomDBGridEx* grid, QIODevice& stream,
                                 bool exportAll)
{
    RunOnGrid(exportClass, grid, [&](TDBGridExExport& e) { e.ExportToStream(stream, exportAll); });
}

void SaveDBGridExToExportFile(TDBGridExExportClass exportClass, TCustomDBGridEx* grid, const QString& fileName,
                              bool exportAll)
{
    RunOnGrid(exportClass, grid, [&](TDBGridExExport& e) { e.ExportToFile(fileName, exportAll); });
}
