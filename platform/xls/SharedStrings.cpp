#include "platform/xls/SharedStrings.h"

#include <algorithm>

namespace xls {
namespace {

// Reads across record boundaries; characters that go on in a new record start with a fresh option byte.
class PartReader {
public:
    explicit PartReader(const std::vector<const Bytes*>& parts) : parts_(parts) {}

    bool bytes(size_t n, Bytes* out)
    {
        while (n > 0) {
            if (!ensure())
                return false;
            const Bytes& p = *parts_[part_];
            const size_t take = std::min(n, p.size() - pos_);
            if (out)
                out->insert(out->end(), p.begin() + long(pos_), p.begin() + long(pos_ + take));
            pos_ += take;
            n -= take;
        }
        return true;
    }
    bool u8(uint8_t& v)
    {
        Bytes b;
        if (!bytes(1, &b))
            return false;
        v = b[0];
        return true;
    }
    bool u16(uint16_t& v)
    {
        Bytes b;
        if (!bytes(2, &b))
            return false;
        v = get16(b, 0);
        return true;
    }
    bool u32(uint32_t& v)
    {
        Bytes b;
        if (!bytes(4, &b))
            return false;
        v = get32(b, 0);
        return true;
    }
    bool chars(size_t cch, bool wide, QString& text)
    {
        while (cch > 0) {
            if (pos_ >= parts_[part_]->size()) {
                if (part_ + 1 >= parts_.size())
                    return false;
                ++part_;
                pos_ = 0;
                uint8_t flags = 0;
                if (!u8(flags))
                    return false;
                wide = flags & 1;
            }
            const Bytes& p = *parts_[part_];
            const size_t size = wide ? 2 : 1;
            const size_t fit = std::min(cch, (p.size() - pos_) / size);
            if (fit == 0)
                return false;
            for (size_t i = 0; i < fit; ++i)
                text.append(QChar(wide ? get16(p, pos_ + 2 * i) : p[pos_ + i]));
            pos_ += fit * size;
            cch -= fit;
        }
        return true;
    }

private:
    bool ensure()
    {
        while (pos_ >= parts_[part_]->size()) {
            if (part_ + 1 >= parts_.size())
                return false;
            ++part_;
            pos_ = 0;
        }
        return true;
    }

    const std::vector<const Bytes*>& parts_;
    size_t part_ = 0;
    size_t pos_ = 0;
};

// Builds the SST and its CONTINUE records, noting where every string starts.
class PartWriter {
public:
    explicit PartWriter(size_t streamOffset) : base_(streamOffset) { records_.emplace_back(); }

    size_t room() const { return kMaxRecordData - records_.back().size(); }
    void next() { records_.emplace_back(); }
    Bytes& cur() { return records_.back(); }
    // Stream offset of the next byte and its offset within its record (counting the header).
    std::pair<uint32_t, uint16_t> where() const
    {
        size_t start = base_;
        for (size_t i = 0; i + 1 < records_.size(); ++i)
            start += 4 + records_[i].size();
        return {uint32_t(start + 4 + records_.back().size()), uint16_t(4 + records_.back().size())};
    }
    void bytes(const Bytes& b, size_t unit)
    {
        for (size_t at = 0; at < b.size(); at += unit) {
            if (room() < unit)
                next();
            cur().insert(cur().end(), b.begin() + long(at), b.begin() + long(at + unit));
        }
    }
    const std::vector<Bytes>& records() const { return records_; }

private:
    size_t base_;
    std::vector<Bytes> records_;
};

} // namespace

bool SharedStrings::Read(const std::vector<const Bytes*>& parts)
{
    entries_.clear();
    plain_.clear();
    if (parts.empty() || parts[0]->size() < 8)
        return false;
    PartReader in(parts);
    uint32_t total = 0, unique = 0;
    if (!in.u32(total) || !in.u32(unique))
        return false;
    references_ = total;
    size_t bytes = 0;
    for (const Bytes* p : parts)
        bytes += p->size();
    entries_.reserve(std::min<size_t>(unique, bytes / 3));  // a string takes 3 bytes at least
    for (uint32_t i = 0; i < unique; ++i) {
        uint16_t cch = 0, runs = 0;
        uint8_t flags = 0;
        uint32_t extSize = 0;
        if (!in.u16(cch) || !in.u8(flags))
            return false;
        if ((flags & 0x08) && !in.u16(runs))
            return false;
        if ((flags & 0x04) && !in.u32(extSize))
            return false;
        Entry e;
        if (!in.chars(cch, flags & 1, e.text) || !in.bytes(size_t(runs) * 4, &e.runs) || !in.bytes(extSize, &e.ext))
            return false;
        if (e.runs.empty() && e.ext.empty())
            plain_.insert(e.text, i);
        entries_.push_back(std::move(e));
    }
    return true;
}

uint32_t SharedStrings::Add(const QString& text)
{
    if (auto it = plain_.constFind(text); it != plain_.constEnd())
        return it.value();
    const uint32_t i = uint32_t(entries_.size());
    entries_.push_back(Entry{text, {}, {}});
    plain_.insert(text, i);
    return i;
}

void SharedStrings::Write(Bytes& stream) const
{
    const uint32_t unique = uint32_t(entries_.size());
    const uint16_t perBucket = uint16_t(std::max<uint32_t>(8, (unique + 127) / 128));
    Bytes buckets;
    PartWriter out(stream.size());
    put32(out.cur(), uint32_t(std::max<int64_t>(references_, unique)));
    put32(out.cur(), unique);
    for (uint32_t i = 0; i < unique; ++i) {
        const Entry& e = entries_[i];
        const bool compressed = FitsCompressed(e.text);
        const size_t charSize = compressed ? 1 : 2;
        // The head of a string and its first character stay together in one record.
        const size_t head = 3 + (e.runs.empty() ? 0 : 2) + (e.ext.empty() ? 0 : 4);
        if (out.room() < head + (e.text.isEmpty() ? 0 : charSize))
            out.next();
        if (i % perBucket == 0) {
            const auto [at, inRecord] = out.where();
            put32(buckets, at);
            put16(buckets, inRecord);
            put16(buckets, 0);
        }
        put16(out.cur(), uint16_t(e.text.size()));
        put8(out.cur(), uint8_t((compressed ? 0 : 1) | (e.ext.empty() ? 0 : 0x04) | (e.runs.empty() ? 0 : 0x08)));
        if (!e.runs.empty())
            put16(out.cur(), uint16_t(e.runs.size() / 4));
        if (!e.ext.empty())
            put32(out.cur(), uint32_t(e.ext.size()));
        for (qsizetype c = 0; c < e.text.size();) {
            if (out.room() < charSize) {
                out.next();
                put8(out.cur(), compressed ? 0 : 1);
            }
            const qsizetype fit = std::min<qsizetype>(e.text.size() - c, qsizetype(out.room() / charSize));
            putChars(out.cur(), e.text.mid(c, fit), compressed);
            c += fit;
        }
        out.bytes(e.runs, 4);
        out.bytes(e.ext, 1);
    }
    const auto& records = out.records();
    for (size_t r = 0; r < records.size(); ++r)
        WriteRecord(stream, r == 0 ? rt::SST : rt::CONTINUE, records[r]);
    Bytes ext;
    put16(ext, perBucket);
    ext.insert(ext.end(), buckets.begin(), buckets.end());
    WriteRecord(stream, rt::EXTSST, ext);
}

} // namespace xls
