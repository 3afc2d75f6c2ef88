#include "platform/rtl/IniFile.h"

#include "platform/rtl/CodePage.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace rtl {

namespace {

std::mutex& iniLock()
{
    static std::mutex lock;
    return lock;
}

QString systemError(int err)
{
    char buf[256];
    return QString::fromLocal8Bit(strerror_r(err, buf, sizeof buf));
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArray trimBlanks(const QByteArray& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

enum class Kind { Other, Section, Key };

struct Line {
    QByteArray raw; // without its line end
    Kind kind = Kind::Other;
    QString name;   // section or key name, trimmed
};

Line classify(const QByteArray& raw)
{
    Line line{raw, Kind::Other, {}};
    const QByteArray t = trimBlanks(raw);
    if (t.startsWith('[')) {
        qsizetype close = t.indexOf(']');
        if (close < 0)
            close = t.size();
        line.kind = Kind::Section;
        line.name = fromCp1251(trimBlanks(t.mid(1, close - 1)));
    } else if (!t.isEmpty() && t[0] != ';') {
        const qsizetype eq = t.indexOf('=');
        if (eq >= 0) {
            line.kind = Kind::Key;
            line.name = fromCp1251(trimBlanks(t.left(eq)));
        }
    }
    return line;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The value as a reader sees it: blanks cut, then one pair of matching quotes.
QString valueOf(const Line& line)
{
    QByteArray v = trimBlanks(line.raw.mid(line.raw.indexOf('=') + 1));
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v[v.size() - 1] == v[0])
        v = v.mid(1, v.size() - 2);
    return fromCp1251(v);
}

// The bytes that make a reader see this value. Blanks at its edges are written as they stand, as the profile
// format has always kept them (a list such as " 3; 5; 7; " reads back as the same list); the reader drops
// them. A value goes inside quotes only where the reader would take away more than those blanks: quotes of its
// own at both ends, or blanks alone, which would read as no value at all.
QByteArray storedValue(const QByteArray& value)
{
    const QByteArray seen = trimBlanks(value);
    if (value.isEmpty())
        return value;
    const bool quotedAlready = seen.size() >= 2 && (seen[0] == '"' || seen[0] == '\'') && seen[seen.size() - 1] == seen[0];
    if (seen.isEmpty() || quotedAlready)
        return '"' + value + '"';
    return value;
}

bool hasLineBreak(const QString& s)
{
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

std::string toStd(const QString& s)
{
    return s.trimmed().toStdString();
}

// Decimal or hexadecimal ("0x", "$") integer with an optional sign; false on anything else or overflow.
bool parseInteger(const QString& text, int& out)
{
    const std::string s = toStd(text);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    int base = 10;
    if (s.compare(i, 2, "0x") == 0 || s.compare(i, 2, "0X") == 0) {
        base = 16;
        i += 2;
    } else if (i < s.size() && s[i] == '$') {
        base = 16;
        i += 1;
    }
    if (i >= s.size())
        return false;
    uint64_t magnitude = 0;
    const char* end = s.data() + s.size();
    const auto res = std::from_chars(s.data() + i, end, magnitude, base);
    if (res.ec != std::errc() || res.ptr != end)
        return false;
    if (base == 16) {
        // Hexadecimal covers the whole 32-bit pattern: 0xFFFFFFFF is -1.
        if (magnitude > 0xFFFFFFFFull)
            return false;
        const auto bits = uint32_t(magnitude);
        out = int(negative ? uint32_t(0u - bits) : bits);
        return true;
    }
    if (magnitude > (negative ? 2147483648ull : 2147483647ull))
        return false;
    out = negative ? int(-int64_t(magnitude)) : int(magnitude);
    return true;
}

bool parseFloat(const QString& text, double& out)
{
    std::string s = toStd(text);
    if (!s.empty() && s[0] == '+')
        s.erase(0, 1);
    if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s[0])) || s[0] == '-' || s[0] == '.'))
        return false;
    double v = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size() || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

} // namespace

struct TIniFile::Document {
    std::vector<Line> lines;
    QByteArray eol = "\r\n";

    void parse(const QByteArray& data)
    {
        lines.clear();
        const qsizetype firstBreak = data.indexOf('\n');
        if (firstBreak >= 0)
            eol = firstBreak > 0 && data[firstBreak - 1] == '\r' ? QByteArray("\r\n") : QByteArray("\n");
        qsizetype start = 0;
        while (start < data.size()) {
            qsizetype end = data.indexOf('\n', start);
            const bool last = end < 0;
            if (last)
                end = data.size();
            QByteArray raw = data.mid(start, end - start);
            if (!last && raw.endsWith('\r'))
                raw.chop(1);
            lines.push_back(classify(raw));
            start = end + 1;
        }
    }

    QByteArray bytes() const
    {
        QByteArray out;
        for (const Line& l : lines)
            out += l.raw + eol;
        return out;
    }

    int findSection(const QString& name, int from = 0) const
    {
        for (int i = from; i < int(lines.size()); ++i)
            if (lines[i].kind == Kind::Section && sameName(lines[i].name, name))
                return i;
        return -1;
    }

    // One past the last line of the section whose header is at index header.
    int sectionEnd(int header) const
    {
        int i = header + 1;
        while (i < int(lines.size()) && lines[i].kind != Kind::Section)
            ++i;
        return i;
    }

    int findKey(int header, const QString& key) const
    {
        if (header < 0)
            return -1;
        const int end = sectionEnd(header);
        for (int i = header + 1; i < end; ++i)
            if (lines[i].kind == Kind::Key && sameName(lines[i].name, key))
                return i;
        return -1;
    }

    const Line* key(const QString& section, const QString& ident) const
    {
        const int k = findKey(findSection(section.trimmed()), ident.trimmed());
        return k < 0 ? nullptr : &lines[k];
    }

    QStringList keys(const QString& section) const
    {
        QStringList out;
        const int header = findSection(section.trimmed());
        if (header < 0)
            return out;
        const int end = sectionEnd(header);
        for (int i = header + 1; i < end; ++i)
            if (lines[i].kind == Kind::Key && !out.contains(lines[i].name, Qt::CaseInsensitive))
                out << lines[i].name;
        return out;
    }
};

TIniFile::TIniFile(const QString& fileName) : fileName_(fileName) {}

QString TIniFile::LastError() const
{
    std::lock_guard<std::mutex> guard(iniLock());
    return lastError_;
}

// The file to use: the name as given, or a file of the same name in another letter case when only that exists
// (settings copied over from Windows), or the target of a symbolic link so that the link survives a rewrite.
QString TIniFile::path() const
{
    const QFileInfo info(fileName_);
    if (info.exists())
        return info.isSymLink() ? info.canonicalFilePath() : fileName_;
    const QDir dir = info.absoluteDir();
    if (dir.exists()) {
        const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& entry : entries)
            if (entry.compare(info.fileName(), Qt::CaseInsensitive) == 0)
                return dir.filePath(entry);
    }
    return fileName_;
}

bool TIniFile::load(Document& doc, QString* error) const
{
    doc.lines.clear();
    const QString file = path();
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return true; // no file yet: empty
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(file, systemError(errno));
        return false;
    }
    QByteArray data;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (error)
                *error = QStringLiteral("Cannot read %1: %2").arg(file, systemError(errno));
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        data.append(buf, n);
    }
    ::close(fd);
    doc.parse(data);
    return true;
}

bool TIniFile::fail(const QString& error)
{
    lastError_ = error;
    return false;
}

bool TIniFile::succeed()
{
    lastError_.clear();
    return true;
}

bool TIniFile::store(const Document& doc)
{
    const QString file = path();
    const QByteArray target = QFile::encodeName(file);
    const QFileInfo info(file);
    QByteArray tmpl = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName())
                      + ".XXXXXX";
    const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(QStringLiteral("Cannot write %1: %2").arg(file, systemError(errno)));

    auto abandon = [&](int err) {
        ::close(fd);
        ::unlink(tmpl.constData());
        return fail(QStringLiteral("Cannot write %1: %2").arg(file, systemError(err)));
    };

    // A replaced file keeps its mode; a new one is its owner's only (settings name the operators).
    struct stat st{};
    const mode_t mode = ::stat(target.constData(), &st) == 0 ? (st.st_mode & 07777) : 0600;
    if (::fchmod(fd, mode) != 0)
        return abandon(errno);

    const QByteArray data = doc.bytes();
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return abandon(errno);
        done += n;
    }
    if (::fsync(fd) != 0)
        return abandon(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpl.constData());
        return fail(QStringLiteral("Cannot write %1: %2").arg(file, systemError(err)));
    }
    if (::rename(tmpl.constData(), target.constData()) != 0) {
        const int err = errno;
        ::unlink(tmpl.constData());
        return fail(QStringLiteral("Cannot write %1: %2").arg(file, systemError(err)));
    }
    // Make the rename itself durable; a failure here leaves a whole file either way.
    const int dirFd = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return succeed();
}

QString TIniFile::ReadString(const QString& section, const QString& ident, const QString& def) const
{
    std::lock_guard<std::mutex> guard(iniLock());
    Document doc;
    if (!load(doc, nullptr))
        return def;
    const Line* line = doc.key(section, ident);
    return line ? valueOf(*line) : def;
}

int TIniFile::ReadInteger(const QString& section, const QString& ident, int def) const
{
    int value = def;
    return parseInteger(ReadString(section, ident, QString()), value) ? value : def;
}

bool TIniFile::ReadBool(const QString& section, const QString& ident, bool def) const
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(const QString& section, const QString& ident, double def) const
{
    double value = def;
    return parseFloat(ReadString(section, ident, QString()), value) ? value : def;
}

bool TIniFile::WriteString(const QString& section, const QString& ident, const QString& value)
{
    std::lock_guard<std::mutex> guard(iniLock());
    const QString sec = section.trimmed(), key = ident.trimmed();
    if (sec.isEmpty() || hasLineBreak(sec) || sec.contains(QLatin1Char(']')))
        return fail(QStringLiteral("Cannot write %1: bad section name \"%2\"").arg(fileName_, section));
    if (key.isEmpty() || hasLineBreak(key) || key.contains(QLatin1Char('=')) || key.startsWith(QLatin1Char(';'))
        || key.startsWith(QLatin1Char('[')))
        return fail(QStringLiteral("Cannot write %1: bad key name \"%2\"").arg(fileName_, ident));
    if (hasLineBreak(value))
        return fail(QStringLiteral("Cannot write %1: the value of %2 holds a line break").arg(fileName_, key));
    int lost = 0;
    const QByteArray secBytes = toCp1251(sec, &lost);
    const QByteArray keyBytes = toCp1251(key, &lost);
    const QByteArray valueBytes = storedValue(toCp1251(value, &lost));
    if (lost)
        return fail(QStringLiteral("Cannot write %1: [%2] %3 holds characters that cp1251 has no byte for")
                        .arg(fileName_, sec, key));

    Document doc;
    QString error;
    if (!load(doc, &error))
        return fail(error);
    const QByteArray before = doc.bytes();

    const int header = doc.findSection(sec);
    const int k = doc.findKey(header, key);
    if (k >= 0) {
        const QByteArray& raw = doc.lines[k].raw;
        doc.lines[k] = classify(trimBlanks(raw.left(raw.indexOf('='))) + '=' + valueBytes);
    } else if (header >= 0) {
        // After the section's last non-blank line, so blank lines before the next section stay there.
        int at = doc.sectionEnd(header);
        while (at > header + 1 && trimBlanks(doc.lines[at - 1].raw).isEmpty())
            --at;
        doc.lines.insert(doc.lines.begin() + at, classify(keyBytes + '=' + valueBytes));
    } else {
        doc.lines.push_back(classify('[' + secBytes + ']'));
        doc.lines.push_back(classify(keyBytes + '=' + valueBytes));
    }
    if (doc.bytes() == before)
        return succeed();
    return store(doc);
}

bool TIniFile::WriteInteger(const QString& section, const QString& ident, int value)
{
    return WriteString(section, ident, QString::number(value));
}

bool TIniFile::WriteBool(const QString& section, const QString& ident, bool value)
{
    return WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TIniFile::WriteFloat(const QString& section, const QString& ident, double value)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return WriteString(section, ident, QString::fromLatin1(buf, res.ptr - buf));
}

bool TIniFile::SectionExists(const QString& section) const
{
    QStringList idents;
    ReadSection(section, idents);
    return !idents.isEmpty();
}

bool TIniFile::ValueExists(const QString& section, const QString& ident) const
{
    std::lock_guard<std::mutex> guard(iniLock());
    Document doc;
    return load(doc, nullptr) && doc.key(section, ident) != nullptr;
}

void TIniFile::ReadSection(const QString& section, QStringList& idents) const
{
    std::lock_guard<std::mutex> guard(iniLock());
    idents.clear();
    Document doc;
    if (load(doc, nullptr))
        idents = doc.keys(section);
}

void TIniFile::ReadSections(QStringList& sections) const
{
    std::lock_guard<std::mutex> guard(iniLock());
    sections.clear();
    Document doc;
    if (!load(doc, nullptr))
        return;
    for (const Line& l : doc.lines)
        if (l.kind == Kind::Section && !sections.contains(l.name, Qt::CaseInsensitive))
            sections << l.name;
}

void TIniFile::ReadSectionValues(const QString& section, QStringList& nameEqualsValue) const
{
    std::lock_guard<std::mutex> guard(iniLock());
    nameEqualsValue.clear();
    Document doc;
    if (!load(doc, nullptr))
        return;
    for (const QString& name : doc.keys(section))
        nameEqualsValue << name + QLatin1Char('=') + valueOf(*doc.key(section, name));
}

bool TIniFile::EraseSection(const QString& section)
{
    std::lock_guard<std::mutex> guard(iniLock());
    Document doc;
    QString error;
    if (!load(doc, &error))
        return fail(error);
    bool changed = false;
    for (int header = doc.findSection(section.trimmed()); header >= 0; header = doc.findSection(section.trimmed(), header)) {
        doc.lines.erase(doc.lines.begin() + header, doc.lines.begin() + doc.sectionEnd(header));
        changed = true;
    }
    if (!changed)
        return succeed();
    return store(doc);
}

bool TIniFile::DeleteKey(const QString& section, const QString& ident)
{
    std::lock_guard<std::mutex> guard(iniLock());
    Document doc;
    QString error;
    if (!load(doc, &error))
        return fail(error);
    bool changed = false;
    for (int header = doc.findSection(section.trimmed()); header >= 0;
         header = doc.findSection(section.trimmed(), header + 1)) {
        for (int k = doc.findKey(header, ident.trimmed()); k >= 0; k = doc.findKey(header, ident.trimmed())) {
            doc.lines.erase(doc.lines.begin() + k);
            changed = true;
        }
    }
    if (!changed)
        return succeed();
    return store(doc);
}

} // namespace rtl
