// Spreadsheet exporter.
#include "grid/DBGridExExportXLS.h"
#include "grid/ColumnEx.h"
#include "grid/GridError.h"
#include "platform/data/Field.h"
#include "platform/xls/XlsLimits.h"
#include <QtEndian>
#include <cstring>

namespace {
// The longest text a LABEL record can hold (its data length is 16 bits, 8 of them the cell header).
constexpr int kMaxLabel = 65527;

void putU16(QByteArray& b, quint16 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}
} // namespace

void TDBGridExExportAsXLS::ExportToStream(QIODevice& stream, bool exportAll)
{
    Col = 0;
    Row = 0;
    rowsFull_ = false;
    TDBGridExExport::ExportToStream(stream, exportAll);
}

void TDBGridExExportAsXLS::WritePrefix()
{
    static const char bof[] = {'\x09', '\x08', '\x08', '\x00', '\x00', '\x00', '\x10', '\x00', '\x00', '\x00', '\x00', '\x00'};
    PutRaw(bof, sizeof bof);
    // CODEPAGE: the labels' bytes are in this code page; without it readers take them for Latin-1.
    QByteArray codePage;
    putU16(codePage, 0x0042);
    putU16(codePage, 2);
    putU16(codePage, quint16(CodePage()));
    Put(codePage);
}

void TDBGridExExportAsXLS::WriteSuffix()
{
    static const char eof[] = {'\x0A', '\x00', '\x00', '\x00'};
    PutRaw(eof, sizeof eof);
}

void TDBGridExExportAsXLS::IncColRow()
{
    if (Col + 1 >= ExpCols.size()) {
        // Row numbers are 16 bits: a row past the last would overwrite the first ones.
        if (Row == xls::kMaxRows - 1)
            rowsFull_ = true;
        ++Row;
        Col = 0;
    } else {
        ++Col;
    }
}

void TDBGridExExportAsXLS::putCellHeader(quint16 record, quint16 length)
{
    if (rowsFull_)
        throw EInvalidGridOperation(
            QStringLiteral("Too many rows for a spreadsheet file: at most %1").arg(xls::kMaxRows));
    QByteArray b;
    b.reserve(10);
    putU16(b, record);
    putU16(b, length);
    putU16(b, Row);
    putU16(b, Col);
    putU16(b, 0);
    Put(b);
}

void TDBGridExExportAsXLS::WriteLabel(const QString& text)
{
    QByteArray bytes = Encode(text);
    if (bytes.size() > kMaxLabel)
        bytes.truncate(kMaxLabel);
    putCellHeader(0x0204, quint16(8 + bytes.size()));
    QByteArray n;
    putU16(n, quint16(bytes.size()));
    Put(n);
    Put(bytes);
    IncColRow();
}

void TDBGridExExportAsXLS::WriteNumber(double value)
{
    putCellHeader(0x0203, 14);
    char raw[8];
    qToLittleEndian(value, raw);
    PutRaw(raw, 8);
    IncColRow();
}

void TDBGridExExportAsXLS::WriteInteger(qint64 value)
{
    // An RK value keeps 30 bits; a larger integer goes as a NUMBER, which holds it exactly.
    if (value < -(qint64(1) << 29) || value >= (qint64(1) << 29)) {
        WriteNumber(double(value));
        return;
    }
    putCellHeader(0x027E, 10);
    char raw[4];
    qToLittleEndian(qint32(value * 4 + 2), raw);
    PutRaw(raw, 4);
    IncColRow();
}

void TDBGridExExportAsXLS::WriteTitle(const TColumnsExList& columns)
{
    for (TColumnEx* column : columns)
        WriteLabel(column->Title().Caption());
}

void TDBGridExExportAsXLS::WriteDataCell(TColumnEx* column, TColCellParamsEx& params)
{
    TField* f = column->Field();
    if (!f) {
        WriteLabel(QString());
        return;
    }
    if (column->GetColumnType() == ctKeyPickList) {
        WriteLabel(params.Text);
        return;
    }
    switch (f->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        // An empty number stays an empty cell: a zero would claim a value the record does not have.
        if (f->IsNull())
            WriteLabel(QString());
        else
            WriteInteger(f->AsLargeInt());
        break;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
        if (f->IsNull())
            WriteLabel(QString());
        else
            WriteNumber(f->AsFloat());
        break;
    default:
        WriteLabel(params.Text);
        break;
    }
}

void TDBGridExExportAsXLS::WriteFooterCell(int dataCol, int row, TColumnEx* column, gfx::TFont&, gfx::TColor,
                                           TAlignment, const QString& text)
{
    const TFooterValueType t = column->UsedFooter(row).ValueType();
    if (t == fvtSum || t == fvtCount)
        WriteNumber(double(FooterAccumulator(row, dataCol)) / 10000.0);
    else
        WriteLabel(text);
}
