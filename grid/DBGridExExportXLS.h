#pragma once
// Spreadsheet export: the cell records of a worksheet (BOF, one LABEL, NUMBER or RK record per cell in
// the order written, EOF), little-endian, rows and columns counted from the first cell written.
#include "grid/DBGridExExport.h"

class TDBGridExExportAsXLS : public TDBGridExExport {
public:
    static std::unique_ptr<TDBGridExExport> Create() { return std::make_unique<TDBGridExExportAsXLS>(); }
    void ExportToStream(QIODevice& stream, bool exportAll) override;

protected:
    void WritePrefix() override;
    void WriteSuffix() override;
    void WriteTitle(const TColumnsExList& columns) override;
    void WriteDataCell(TColumnEx* column, TColCellParamsEx& params) override;
    void WriteFooterCell(int dataCol, int row, TColumnEx* column, gfx::TFont& font, gfx::TColor background,
                         TAlignment alignment, const QString& text) override;

    void WriteLabel(const QString& text);
    void WriteNumber(double value);
    void WriteInteger(qint64 value);
    void IncColRow();

    quint16 Col = 0;
    quint16 Row = 0;

private:
    void putCellHeader(quint16 record, quint16 length);
    bool rowsFull_ = false;
};
