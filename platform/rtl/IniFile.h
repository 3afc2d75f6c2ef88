#pragma once
// Settings file in the Windows profile format (VELT.ini): "[section]" lines and "key=value" lines, cp1251 bytes.
//
// Reading: section and key names compare case-insensitively (Cyrillic too) and ignore surrounding blanks;
// the first section and the first key of a name win; a value loses its surrounding blanks and then one pair
// of matching surrounding quotes ("..." or '...'); lines before the first section and lines starting with ';'
// are not keys. CR LF and LF line ends are both read. A file that is missing or cannot be read reads as empty,
// so every value takes its default.
//
// Writing: every Write*, EraseSection and DeleteKey rewrites the file at once, atomically (a temporary file
// in the same folder, fsync, rename), keeping every line it does not touch, comments and blank lines included,
// and the file's line-end style. A value is stored as it stands, blanks at its edges included, which a reader
// drops (" 1; 2; " reads back as "1; 2;"); only a value of blanks alone, or one with quotes of its own at both
// ends, is stored inside one more pair of double quotes, so " " and "'x'" read back exactly.
// A write fails (false, LastError set) rather than lose data: when the existing file cannot be read, when a
// name or value holds a line break, or when text has no cp1251 byte.
//
// All objects of the process share one lock, so threads that write their own sections of one file through
// separate objects never lose each other's changes.
#include <QString>
#include <QStringList>

namespace rtl {

class TIniFile {
public:
    explicit TIniFile(const QString& fileName);

    QString FileName() const { return fileName_; }

    QString ReadString(const QString& section, const QString& ident, const QString& def) const;
    // Decimal, or hexadecimal after "0x" or "$", with an optional sign; anything else gives def.
    int ReadInteger(const QString& section, const QString& ident, int def) const;
    // An integer other than 0 is true.
    bool ReadBool(const QString& section, const QString& ident, bool def) const;
    // '.' is the decimal separator whatever the locale; anything else gives def.
    double ReadFloat(const QString& section, const QString& ident, double def) const;

    bool WriteString(const QString& section, const QString& ident, const QString& value);
    bool WriteInteger(const QString& section, const QString& ident, int value);
    bool WriteBool(const QString& section, const QString& ident, bool value); // "1" or "0"
    bool WriteFloat(const QString& section, const QString& ident, double value); // shortest exact text, '.'

    // True when the section holds at least one key (an empty "[section]" line alone does not count).
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& ident) const;
    void ReadSection(const QString& section, QStringList& idents) const;
    void ReadSections(QStringList& sections) const;
    void ReadSectionValues(const QString& section, QStringList& nameEqualsValue) const;
    bool EraseSection(const QString& section);
    bool DeleteKey(const QString& section, const QString& ident);

    // Text of the last failed write, naming the file; empty after a write that succeeded.
    QString LastError() const;

private:
    struct Document;
    bool load(Document& doc, QString* error) const;
    bool store(const Document& doc);
    bool fail(const QString& error);
    bool succeed();
    QString path() const;

    QString fileName_;
    QString lastError_;
};

} // namespace rtl
