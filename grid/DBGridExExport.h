#pragma once
// Writing a grid's rows to a stream: the base exporter walks the records and columns to export (all, the
// selected rows, a rectangle or columns), keeps the footer sums, and calls virtual writers that each format
// overrides. Texts go out in the ANSI code page (cp1251) unless Utf8Text is set.
#include "grid/ColCellParamsEx.h"
#include "grid/DBGridExTypes.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include <QByteArray>
#include <QString>
#include <charconv>
#include <memory>
#include <string>
#include <vector>

class QIODevice;
class TCustomDBGridEx;
class TColumnEx;

class TDBGridExExport {
public:
    TDBGridExExport();
    virtual ~TDBGridExExport();
    TDBGridExExport(const TDBGridExExport&) = delete;
    TDBGridExExport& operator=(const TDBGridExExport&) = delete;

    static std::unique_ptr<TDBGridExExport> Create() { return std::make_unique<TDBGridExExport>(); }

    TCustomDBGridEx* DBGridEx = nullptr;
    // Texts as UTF-8 instead of the ANSI code page (the desktop clipboard's text formats).
    bool Utf8Text = false;

    virtual void ExportToStream(QIODevice& stream, bool exportAll);
    void ExportToFile(const QString& fileName, bool exportAll);

protected:
    virtual void WritePrefix() {}
    virtual void WriteSuffix() {}
    virtual void WriteTitle(const TColumnsExList& columns) { (void)columns; }
    virtual void WriteRecord(const TColumnsExList& columns);
    virtual void WriteDataCell(TColumnEx* column, TColCellParamsEx& params) { (void)column; (void)params; }
    virtual void WriteFooter(const TColumnsExList& columns, int footerNo);
    virtual void WriteFooterCell(int dataCol, int row, TColumnEx* column, gfx::TFont& font, gfx::TColor background,
                                 TAlignment alignment, const QString& text);

    void CalcFooterValues();
    QString GetFooterValue(int row, int col);
    // The raw accumulator of footer row r and exported column c (value x 10000).
    qint64 FooterAccumulator(int row, int col) const { return footerValues_[size_t(row * ExpCols.size() + col)]; }
    // The footer text and parameters as a footer row writes them (OnGetFooterParams applied).
    void FooterCellParams(int row, int col, gfx::TFont& font, gfx::TColor& background, TAlignment& alignment,
                          QString& text);

    // Output, buffered and flushed to the stream at the end of the walk.
    void Put(const QByteArray& bytes) { out_.append(bytes.constData(), size_t(bytes.size())); }
    void Put(const char* text) { out_.append(text); }
    void Put(char c) { out_.push_back(c); }
    void PutL(const QByteArray& bytes) { Put(bytes); out_.append("\r\n", 2); }
    void PutL(const char* text) { out_.append(text); out_.append("\r\n", 2); }
    void PutInt(qint64 v)
    {
        char buf[24];
        out_.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr - buf);
    }
    void PutRaw(const void* data, int size) { out_.append(static_cast<const char*>(data), size_t(size)); }
    // A text in the output's character set, and that character set's code page number (1251, or 65001
    // for UTF-8), which every format declares as it prescribes.
    QByteArray Encode(const QString& text) const;
    int CodePage() const { return Utf8Text ? 65001 : 1251; }
    void Flush();
    // The walk itself, its output buffered and written to the stream in pieces; maxRecords >= 0 stops it
    // after that many records (the footers still follow).
    void ExportWalk(QIODevice* stream, bool exportAll, int maxRecords = -1);
    // The buffered output itself (a writer may build a piece aside and keep it).
    std::string& out() { return out_; }
    QIODevice* Stream() const { return stream_; }
    void SetStream(QIODevice* stream) { stream_ = stream; }

    TColCellParamsEx CellParams;
    TColumnsExList ExpCols;

private:
    QIODevice* stream_ = nullptr;
    std::string out_;
    std::vector<qint64> footerValues_;
};

using TDBGridExExportClass = std::unique_ptr<TDBGridExExport> (*)();

void WriteDBGridExToExportStream(TDBGridExExportClass exportClass, TCustomDBGridEx* grid, QIODevice& stream,
                                 bool exportAll);
void SaveDBGridExToExportFile(TDBGridExExportClass exportClass, TCustomDBGridEx* grid, const QString& fileName,
                              bool exportAll);
