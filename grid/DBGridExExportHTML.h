#pragma once
// HTML export: a table with one row per title level, record and footer row; cells carry width, alignment,
// background and a FONT element with the cell's font.
#include "grid/DBGridExExport.h"

class TDBGridExExportAsHTML : public TDBGridExExport {
public:
    static std::unique_ptr<TDBGridExExport> Create() { return std::make_unique<TDBGridExExportAsHTML>(); }

protected:
    void WritePrefix() override;
    void WriteSuffix() override;
    void WriteTitle(const TColumnsExList& columns) override;
    void WriteRecord(const TColumnsExList& columns) override;
    void WriteDataCell(TColumnEx* column, TColCellParamsEx& params) override;
    void WriteFooter(const TColumnsExList& columns, int footerNo) override;
    void WriteFooterCell(int dataCol, int row, TColumnEx* column, gfx::TFont& font, gfx::TColor background,
                         TAlignment alignment, const QString& text) override;

    void PutText(const gfx::TFont& font, const QString& text);
    static const char* GetAlignment(TAlignment alignment);
    static QByteArray GetColor(gfx::TColor color);

private:
    void putCellStart(TColumnEx* column, TAlignment alignment, gfx::TColor background);
    // A column's width, measured once per export: a default width measures the font each time.
    int widthOf(TColumnEx* column);
    std::vector<std::pair<TColumnEx*, int>> widths_;
    // The FONT element's opening and closing text of the last font written: most cells share one font.
    struct FontKey {
        QString Name;
        int Size = -1;
        gfx::TFontStyles Style = 0;
        gfx::TColor Color = 0;
        bool operator==(const FontKey&) const = default;
    };
    FontKey fontKey_;
    QByteArray fontOpen_, fontClose_;
    gfx::TColor lastColor_ = gfx::clNone;
    QByteArray lastColorText_;
    const QByteArray& colorText(gfx::TColor color);
};
