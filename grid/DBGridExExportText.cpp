// Tab-separated text and CSV exporters.
#include "grid/DBGridExExportText.h"
#include "grid/ColumnEx.h"

char DBGridExImpExpCsvSeparator = ';';

void TDBGridExExportAsText::ExportToStream(QIODevice& stream, bool exportAll)
{
    FirstRec = true;
    TDBGridExExport::ExportToStream(stream, exportAll);
}

void TDBGridExExportAsText::CheckFirstRec()
{
    if (!FirstRec)
        Put("\r\n");
    FirstRec = false;
}

void TDBGridExExportAsText::CheckFirstCell()
{
    if (!FirstCell)
        Put('\t');
    FirstCell = false;
}

void TDBGridExExportAsText::WriteTitle(const TColumnsExList& columns)
{
    CheckFirstRec();
    FirstCell = true;
    for (TColumnEx* column : columns) {
        CheckFirstCell();
        Put(CellText(column->Title().Caption()));
    }
}

void TDBGridExExportAsText::WriteRecord(const TColumnsExList& columns)
{
    CheckFirstRec();
    FirstCell = true;
    TDBGridExExport::WriteRecord(columns);
}

void TDBGridExExportAsText::WriteDataCell(TColumnEx*, TColCellParamsEx& params)
{
    CheckFirstCell();
    Put(CellText(params.Text));
}

void TDBGridExExportAsText::WriteFooter(const TColumnsExList& columns, int footerNo)
{
    CheckFirstRec();
    FirstCell = true;
    TDBGridExExport::WriteFooter(columns, footerNo);
}

void TDBGridExExportAsText::WriteFooterCell(int, int, TColumnEx*, gfx::TFont&, gfx::TColor, TAlignment,
                                            const QString& text)
{
    CheckFirstCell();
    Put(CellText(text));
}

void TDBGridExExportAsCSV::CheckFirstCell()
{
    if (!FirstCell)
        Put(Separator);
    FirstCell = false;
}

QByteArray TDBGridExExportAsCSV::CellText(const QString& text)
{
    QByteArray bytes = Encode(text);
    bytes.replace('"', "\"\"");
    bytes.prepend('"');
    bytes.append('"');
    return bytes;
}
