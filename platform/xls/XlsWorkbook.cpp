#include "platform/xls/XlsWorkbook.h"

#include <algorithm>
#include <set>

namespace xls {
namespace {

bool isCellRecord(uint16_t t)
{
    switch (t) {
    case rt::BLANK: case rt::MULBLANK: case rt::NUMBER: case rt::RK: case rt::MULRK: case rt::LABEL:
    case rt::LABELSST: case rt::RSTRING: case rt::BOOLERR: case rt::FORMULA:
        return true;
    default:
        return false;
    }
}

// Records that belong to the formula cell before them.
bool followsFormula(uint16_t t)
{
    return t == rt::STRING || t == rt::SHRFMLA || t == rt::ARRAY || t == rt::TABLE || t == rt::CONTINUE;
}

bool isCellTable(uint16_t t)
{
    return isCellRecord(t) || followsFormula(t) || t == rt::ROW || t == rt::DBCELL;
}

Record makeRecord(uint16_t type, Bytes data)
{
    Record r;
    r.type = type;
    r.data = std::move(data);
    return r;
}

// Writes records, shifting the stream offsets an INDEX record holds when its substream moved.
void writeMoved(Bytes& out, const std::vector<Record>& records, int64_t shift)
{
    for (const Record& r : records) {
        if (r.type == rt::INDEX && shift != 0 && r.data.size() >= 16) {
            Bytes d = r.data;
            for (size_t at = 16; at + 4 <= d.size(); at += 4)
                set32(d, at, uint32_t(int64_t(get32(d, at)) + shift));
            WriteRecord(out, r.type, d);
        } else {
            WriteRecord(out, r.type, r.data);
        }
    }
}

} // namespace

bool XlsWorkbook::fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

bool XlsWorkbook::Load(const QString& path, QString* error)
{
    *this = XlsWorkbook();
    if (load(path, error))
        return true;
    *this = XlsWorkbook();
    return false;
}

bool XlsWorkbook::load(const QString& path, QString* error)
{
    std::string why;
    if (!ReadCompoundFile(path.toStdString(), streams_, why))
        return fail(error, QString::fromStdString(why));
    auto found = std::find_if(streams_.begin(), streams_.end(),
                              [](const CompoundStream& s) { return QString::fromStdString(s.path).compare(QStringLiteral("Workbook"), Qt::CaseInsensitive) == 0; });
    if (found == streams_.end())
        return fail(error, QStringLiteral("no Excel 97-2003 workbook stream"));
    workbookStream_ = size_t(found - streams_.begin());

    std::vector<Record> records;
    if (!ReadRecords(found->data, records))
        return fail(error, QStringLiteral("the workbook stream ends inside a record"));
    found->data.clear();

    // Substreams: each from its BOF to the EOF that closes it (charts inside a sheet nest their own).
    int depth = 0;
    for (Record& r : records) {
        if (depth == 0) {
            if (r.type != rt::BOF) {
                if (r.type == 0 && r.data.empty())
                    continue;  // padding after the last substream
                return fail(error, QStringLiteral("a record outside any substream"));
            }
            subs_.push_back(Substream{r.offset, {}});
        }
        if (r.type == rt::BOF)
            ++depth;
        else if (r.type == rt::EOF_)
            --depth;
        subs_.back().records.push_back(std::move(r));
    }
    if (depth != 0 || subs_.empty())
        return fail(error, QStringLiteral("the workbook stream is cut short"));
    const Record& bof = subs_[0].records[0];
    if (bof.data.size() < 4 || get16(bof.data, 0) != kBiff8 || get16(bof.data, 2) != kBofGlobals)
        return fail(error, QStringLiteral("not an Excel 97-2003 (BIFF8) workbook"));

    // Globals: the string table is taken out (it is rebuilt on saving), the sheets listed.
    std::vector<Record>& g = subs_[0].records;
    std::vector<const Bytes*> sstParts;
    bool haveSst = false;
    for (size_t i = 0; i < g.size(); ++i) {
        if (g[i].type == rt::SST) {
            haveSst = true;
            sstAt_ = globals_.size();
            sstParts.push_back(&g[i].data);
            while (i + 1 < g.size() && g[i + 1].type == rt::CONTINUE)
                sstParts.push_back(&g[++i].data);
            continue;
        }
        if (g[i].type == rt::EXTSST)
            continue;
        if (g[i].type == rt::BOUNDSHEET) {
            QString name;
            const Bytes& d = g[i].data;
            if (d.size() < 8)
                return fail(error, QStringLiteral("a damaged sheet entry"));
            Bytes longForm(d.begin() + 6, d.end());
            longForm.insert(longForm.begin() + 1, 0);  // the short count read as a long one
            if (!getLongString(longForm, 0, name))
                return fail(error, QStringLiteral("a damaged sheet name"));
            const size_t at = get32(d, 0);
            auto sub = std::find_if(subs_.begin() + 1, subs_.end(), [at](const Substream& s) { return s.start == at; });
            if (sub == subs_.end())
                return fail(error, QStringLiteral("a sheet entry points at no sheet"));
            sheets_.push_back(Sheet{name, globals_.size(), size_t(sub - subs_.begin())});
        }
        globals_.push_back(g[i]);
    }
    if (haveSst && !sst_.Read(sstParts))
        return fail(error, QStringLiteral("a damaged shared string table"));
    if (!haveSst)
        sstAt_ = globals_.size() - 1;  // before the EOF
    g.clear();

    for (const Sheet& s : sheets_) {
        const Record& b = subs_[s.substream].records[0];
        const uint8_t kind = globals_[s.boundsheet].data[5];
        if (kind == 0 && b.data.size() >= 4 && get16(b.data, 2) == kBofWorksheet) {
            first_ = s.substream;
            return loadFirstSheet(subs_[first_], error);
        }
    }
    return fail(error, QStringLiteral("the workbook has no worksheet"));
}

bool XlsWorkbook::loadFirstSheet(const Substream& s, QString* error)
{
    // The records around the cell table are kept in order; the dimensions and the cell table go back at
    // the place of the old dimensions (or of the old table, or before the window settings).
    std::vector<Record> others;
    size_t tableAt = SIZE_MAX, dimensionsAt = SIZE_MAX;
    int depth = 0;
    std::vector<Record>* owner = nullptr;  // the formula cell the records after it belong to
    for (const Record& r : s.records) {
        const bool cellTable = depth == 1 && (r.type == rt::CONTINUE || r.type == rt::STRING ? owner != nullptr : isCellTable(r.type));
        if (!cellTable) {
            owner = nullptr;
            if (r.type == rt::BOF)
                ++depth;
            else if (r.type == rt::EOF_)
                --depth;
            if (depth == 1 && r.type == rt::DIMENSIONS) {
                dimensionsAt = others.size();
                continue;
            }
            if (depth == 1 && r.type == rt::INDEX)
                continue;  // its offsets would be stale; readers do without it
            if (depth == 1 && r.type == rt::COLINFO && r.data.size() >= 8) {
                for (int c = get16(r.data, 0); c <= std::min<int>(get16(r.data, 2), kMaxCols - 1); ++c)
                    columnXf_[c] = get16(r.data, 6);
            }
            if (depth == 1 && r.type == rt::WINDOW2 && tableAt == SIZE_MAX)
                tableAt = others.size();
            others.push_back(r);
            continue;
        }
        if (tableAt == SIZE_MAX)
            tableAt = others.size();
        const Bytes& d = r.data;
        if (r.type == rt::DBCELL)
            continue;
        if (r.type == rt::ROW) {
            if (d.size() < 16)
                return fail(error, QStringLiteral("a damaged row record"));
            rows_[get16(d, 0)] = r;
            continue;
        }
        if (followsFormula(r.type)) {
            if (!owner)
                return fail(error, QStringLiteral("a formula part without its formula"));
            owner->push_back(r);
            continue;
        }
        owner = nullptr;
        if (d.size() < 6)
            return fail(error, QStringLiteral("a damaged cell record"));
        const int row = get16(d, 0);
        const int col = get16(d, 2);
        if (r.type == rt::MULBLANK || r.type == rt::MULRK) {
            // One record for each cell of the run, so that each can be replaced on its own.
            const size_t each = r.type == rt::MULRK ? 6 : 2;
            if (d.size() < 6 + each)
                return fail(error, QStringLiteral("a damaged cell record"));
            const int last = get16(d, d.size() - 2);
            for (int c = col, at = 4; c <= last && size_t(at) + each <= d.size() - 2; ++c, at += int(each)) {
                if (c >= kMaxCols)
                    return fail(error, QStringLiteral("a cell outside the sheet"));
                Bytes one = CellHead(uint32_t(row), uint16_t(c), get16(d, size_t(at)));
                if (r.type == rt::MULRK)
                    put32(one, get32(d, size_t(at) + 2));
                cells_[key(row, c)] = {makeRecord(r.type == rt::MULRK ? rt::RK : rt::BLANK, std::move(one))};
            }
            continue;
        }
        if (col >= kMaxCols)
            return fail(error, QStringLiteral("a cell outside the sheet"));
        if (r.type == rt::LABELSST && (d.size() < 10 || get32(d, 6) >= uint32_t(sst_.Count())))
            return fail(error, QStringLiteral("a cell points past the shared string table"));
        auto& cell = cells_[key(row, col)];
        cell = {r};
        if (r.type == rt::FORMULA)
            owner = &cell;
    }
    if (depth != 0 || others.empty() || others.back().type != rt::EOF_)
        return fail(error, QStringLiteral("the first worksheet is cut short"));
    if (dimensionsAt != SIZE_MAX)
        tableAt = dimensionsAt;
    else if (tableAt == SIZE_MAX)
        tableAt = others.size() - 1;
    pre_.assign(others.begin(), others.begin() + long(tableAt));
    post_.assign(others.begin() + long(tableAt), others.end());
    return true;
}

uint16_t XlsWorkbook::formatForNew(int row, int col) const
{
    if (auto r = rows_.find(uint32_t(row)); r != rows_.end()) {
        const uint32_t flags = get32(r->second.data, 12);
        if (flags & 0x80)
            return uint16_t((flags >> 16) & 0x0FFF);
    }
    if (auto c = columnXf_.find(col); c != columnXf_.end())
        return c->second;
    return kDefaultXf;
}

int XlsWorkbook::CellFormat(int row, int col) const
{
    auto it = cells_.find(key(row, col));
    return it == cells_.end() ? -1 : get16(it->second[0].data, 4);
}

bool XlsWorkbook::place(int row, int col, Record cell)
{
    auto it = cells_.find(key(row, col));
    if (it != cells_.end()) {
        if (it->second[0].type == rt::LABELSST)
            sst_.AddReferences(-1);
        it->second = {std::move(cell)};
    } else {
        cells_.emplace(key(row, col), std::vector<Record>{std::move(cell)});
    }
    return true;
}

bool XlsWorkbook::SetText(int row, int col, const QString& text)
{
    if (row < 0 || row >= kMaxRows || col < 0 || col >= kMaxCols || streams_.empty())
        return false;
    const int had = CellFormat(row, col);
    if (text.isEmpty()) {
        if (had >= 0)
            place(row, col, makeRecord(rt::BLANK, CellHead(uint32_t(row), uint16_t(col), uint16_t(had))));
        return true;
    }
    Bytes d = CellHead(uint32_t(row), uint16_t(col), had >= 0 ? uint16_t(had) : formatForNew(row, col));
    put32(d, sst_.Add(text.left(32767)));
    sst_.AddReferences(1);
    return place(row, col, makeRecord(rt::LABELSST, std::move(d)));
}

bool XlsWorkbook::SetNumber(int row, int col, double value)
{
    if (row < 0 || row >= kMaxRows || col < 0 || col >= kMaxCols || streams_.empty())
        return false;
    const int had = CellFormat(row, col);
    Bytes d = CellHead(uint32_t(row), uint16_t(col), had >= 0 ? uint16_t(had) : formatForNew(row, col));
    putDouble(d, value);
    return place(row, col, makeRecord(rt::NUMBER, std::move(d)));
}

QVariant XlsWorkbook::Value(int row, int col) const
{
    auto it = cells_.find(key(row, col));
    if (it == cells_.end())
        return {};
    const Record& r = it->second[0];
    switch (r.type) {
    case rt::NUMBER:
        return r.data.size() >= 14 ? QVariant(getDouble(r.data, 6)) : QVariant();
    case rt::RK:
        return r.data.size() >= 10 ? QVariant(DecodeRk(get32(r.data, 6))) : QVariant();
    case rt::LABELSST:
        return QVariant(sst_.At(get32(r.data, 6)).text);
    case rt::LABEL:
    case rt::RSTRING: {
        QString text;
        return getLongString(r.data, 6, text) ? QVariant(text) : QVariant();
    }
    default:
        return {};
    }
}

void XlsWorkbook::writeFirstSheet(Bytes& out) const
{
    uint32_t rowMin = 0, rowMax = 0;
    uint16_t colMin = 0, colMax = 0;
    std::set<uint32_t> rows;
    for (const auto& [k, cell] : cells_) {
        const uint32_t r = k >> 8;
        const uint16_t c = uint16_t(k & 0xFF);
        if (rows.empty()) {
            rowMin = r; rowMax = r + 1; colMin = c; colMax = uint16_t(c + 1);
        } else {
            rowMin = std::min(rowMin, r); rowMax = std::max(rowMax, r + 1);
            colMin = std::min(colMin, c); colMax = std::max<uint16_t>(colMax, uint16_t(c + 1));
        }
        rows.insert(r);
    }
    for (const auto& [r, rec] : rows_)
        rows.insert(r);
    Bytes dim;
    put32(dim, rowMin); put32(dim, rowMax); put16(dim, colMin); put16(dim, colMax); put16(dim, 0);

    writeMoved(out, pre_, 0);
    WriteRecord(out, rt::DIMENSIONS, dim);

    // Rows go in blocks of 32: the row records, then the cells of those rows.
    for (auto block = rows.begin(); block != rows.end();) {
        const uint32_t blockNo = *block / 32;
        auto end = block;
        while (end != rows.end() && *end / 32 == blockNo)
            ++end;
        for (auto r = block; r != end; ++r) {
            auto lo = cells_.lower_bound(key(int(*r), 0));
            auto hi = cells_.lower_bound(key(int(*r) + 1, 0));
            Bytes d;
            if (auto t = rows_.find(*r); t != rows_.end()) {
                d = t->second.data;
            } else {
                d = Bytes(16, 0);
                set16(d, 0, uint16_t(*r));
                set16(d, 6, 0x00FF);
                set32(d, 12, 0x100);
            }
            if (lo != hi) {
                set16(d, 2, uint16_t(lo->first & 0xFF));
                set16(d, 4, uint16_t((std::prev(hi)->first & 0xFF) + 1));
            }
            WriteRecord(out, rt::ROW, d);
        }
        for (auto c = cells_.lower_bound(key(int(*block), 0)); c != cells_.end() && (c->first >> 8) / 32 == blockNo; ++c)
            for (const Record& r : c->second)
                WriteRecord(out, r.type, r.data);
        block = end;
    }
    writeMoved(out, post_, 0);
}

bool XlsWorkbook::Save(const QString& path, QString* error) const
{
    if (streams_.empty()) {
        if (error)
            *error = QStringLiteral("no workbook is open");
        return false;
    }
    Bytes out;
    std::vector<size_t> boundsheetAt(globals_.size(), 0);
    for (size_t i = 0; i < globals_.size(); ++i) {
        if (i == sstAt_)
            sst_.Write(out);
        boundsheetAt[i] = out.size() + 4;
        WriteRecord(out, globals_[i].type, globals_[i].data);
    }
    std::vector<size_t> newStart(subs_.size(), 0);
    for (size_t s = 1; s < subs_.size(); ++s) {
        newStart[s] = out.size();
        if (s == first_)
            writeFirstSheet(out);
        else
            writeMoved(out, subs_[s].records, int64_t(newStart[s]) - int64_t(subs_[s].start));
    }
    for (const Sheet& sh : sheets_)
        set32(out, boundsheetAt[sh.boundsheet], uint32_t(newStart[sh.substream]));
    // Small streams go to the container's short-sector area, which some readers of workbooks refuse.
    if (out.size() < 4096)
        out.resize(4096, 0);

    std::vector<CompoundStream> streams = streams_;
    streams[workbookStream_].data = std::move(out);
    std::string why;
    if (!WriteCompoundFile(path.toStdString(), streams, why)) {
        if (error)
            *error = QString::fromStdString(why);
        return false;
    }
    return true;
}

} // namespace xls
