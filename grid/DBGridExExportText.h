#pragma once
// Tab-separated text and CSV: one line per title, record or footer row, lines separated (not ended) by
// CR LF. Text writes cells unchanged between TABs; CSV quotes every cell and puts the separator between.
#include "grid/DBGridExExport.h"

class TDBGridExExportAsText : public TDBGridExExport {
public:
    static std::unique_ptr<TDBGridExExport> Create() { return std::make_unique<TDBGridExExportAsText>(); }
    void ExportToStream(QIODevice& stream, bool exportAll) override;

protected:
    void WriteTitle(const TColumnsExList& columns) override;
    void WriteRecord(const TColumnsExList& columns) override;
    void WriteDataCell(TColumnEx* column, TColCellParamsEx& params) override;
    void WriteFooter(const TColumnsExList& columns, int footerNo) override;
    void WriteFooterCell(int dataCol, int row, TColumnEx* column, gfx::TFont& font, gfx::TColor background,
                         TAlignment alignment, const QString& text) override;
    virtual void CheckFirstRec();
    virtual void CheckFirstCell();
    // A cell's text as this format writes it.
    virtual QByteArray CellText(const QString& text) { return Encode(text); }

    bool FirstRec = false;
    bool FirstCell = false;
};

// The separator CSV exports put between cells.
extern char DBGridExImpExpCsvSeparator;

class TDBGridExExportAsCSV : public TDBGridExExportAsText {
public:
    TDBGridExExportAsCSV() : Separator(DBGridExImpExpCsvSeparator) {}
    static std::unique_ptr<TDBGridExExport> Create() { return std::make_unique<TDBGridExExportAsCSV>(); }

protected:
    void CheckFirstCell() override;
    QByteArray CellText(const QString& text) override;

    char Separator;
};
