#pragma once
// RTF export: a table whose rows are title levels, records and footer rows; the colour and font tables
// are collected while the body is written and put before it.
#include "grid/DBGridExExport.h"
#include <QHash>
#include <functional>
#include <QStringList>

class TDBGridExExportAsRTF : public TDBGridExExport {
public:
    static std::unique_ptr<TDBGridExExport> Create() { return std::make_unique<TDBGridExExportAsRTF>(); }
    void ExportToStream(QIODevice& stream, bool exportAll) override;

protected:
    void WriteSuffix() override;
    void WriteTitle(const TColumnsExList& columns) override;
    void WriteRecord(const TColumnsExList& columns) override;
    void WriteDataCell(TColumnEx* column, TColCellParamsEx& params) override;
    void WriteFooter(const TColumnsExList& columns, int footerNo) override;
    void WriteFooterCell(int dataCol, int row, TColumnEx* column, gfx::TFont& font, gfx::TColor background,
                         TAlignment alignment, const QString& text) override;

    int GetColorIndex(gfx::TColor color);
    int GetFontIndex(const QString& name);
    void WriteCellBorder(bool left, bool top, bool right, bool bottom);
    void PutText(const gfx::TFont& font, const QString& text, gfx::TColor background);

private:
    // Whether the colour and font tables can be filled before the body is written (no hook decides a
    // record's colours or fonts).
    bool TablesKnownBeforehand() const;
    void ResetTables();
    void ResetRepeats();
    void WriteTables(QIODevice& stream);
    // One table row: the cell definitions, then the cells that write() puts out.
    void putRow(const std::vector<gfx::TColor>& shading, const std::vector<unsigned>& borders,
                const std::function<void()>& cells);
    void putCell(TAlignment alignment, const gfx::TFont& font, const QString& text, gfx::TColor background);

    // The cell definitions of the last row and the font part of the last cell: rows and cells mostly repeat.
    std::vector<gfx::TColor> rowShading_;
    std::vector<unsigned> rowBorders_;
    QByteArray rowDefinition_;
    QString fontName_;
    int fontSize_ = -1;
    gfx::TFontStyles fontStyle_ = 0;
    gfx::TColor fontColor_ = 0;
    QByteArray fontPart_;
    gfx::TColor lastBackground_ = 0;
    int lastBackgroundIndex_ = -1;
    std::vector<gfx::TColor> colors_;
    QHash<gfx::TColor, int> colorIndex_;
    QStringList fonts_;
};
