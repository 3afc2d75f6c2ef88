#pragma once
// Writes a new Excel 97-2003 workbook from nothing: fonts, cell formats, sheets with column widths and a
// few cells. The journal's report template is made with it, and tests make the workbooks they need.
#include "platform/xls/BiffRecord.h"

#include <QString>

#include <map>

namespace xlsbuild {

class WorkbookBuilder {
public:
    enum Align { General = 0, Left = 1, Centre = 2, Right = 3 };

    WorkbookBuilder();
    // A font (height in twentieths of a point) and its index.
    int AddFont(const QString& name, int height, bool bold);
    // A cell format with a font and a horizontal alignment, and its index.
    int AddXf(int font, Align align = General);
    int AddSheet(const QString& name);
    // Width in 1/256 of a character; xf the format of the columns' empty cells.
    void Column(int sheet, int first, int last, int width, int xf);
    void Text(int sheet, int row, int col, const QString& text, int xf = 15);
    void Number(int sheet, int row, int col, double value, int xf = 15);
    void Blank(int sheet, int row, int col, int xf);

    xls::Bytes Stream() const;
    bool Write(const QString& path, QString* error = nullptr) const;

private:
    struct Sheet {
        QString name;
        std::vector<xls::Bytes> columns;
        std::map<uint32_t, std::pair<uint16_t, xls::Bytes>> cells;  // row << 8 | col -> record
    };
    std::vector<xls::Bytes> fonts_;
    std::vector<xls::Bytes> xfs_;
    std::vector<Sheet> sheets_;
    std::vector<QString> texts_;
};

} // namespace xlsbuild
