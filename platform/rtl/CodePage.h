#pragma once
// The two single-byte code pages the program's files hold: cp1251 (Windows Cyrillic: DBF tables,
// VELT.ini, VELT.dat, templates) and cp866 (DOS Cyrillic: older dBASE tables).
#include <QByteArray>
#include <QString>

namespace rtl {

enum class CodePage { Cp1251, Cp866 };

// Characters with no byte in the code page become '?'; their number goes to *unmappable when given,
// so a caller can refuse or report the loss instead of storing it unnoticed.
QByteArray encode(CodePage cp, const QString& text, int* unmappable = nullptr);
QString decode(CodePage cp, const QByteArray& bytes);
QString decode(CodePage cp, const char* bytes, qsizetype length);

// The character of one byte, and the byte of one character (-1 when it has none).
char16_t charOf(CodePage cp, unsigned char byte);
int byteOf(CodePage cp, char16_t ch);

inline QByteArray toCp1251(const QString& text, int* unmappable = nullptr) { return encode(CodePage::Cp1251, text, unmappable); }
inline QString fromCp1251(const QByteArray& bytes) { return decode(CodePage::Cp1251, bytes); }
inline QByteArray toCp866(const QString& text, int* unmappable = nullptr) { return encode(CodePage::Cp866, text, unmappable); }
inline QString fromCp866(const QByteArray& bytes) { return decode(CodePage::Cp866, bytes); }

} // namespace rtl
