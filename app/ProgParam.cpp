#include "app/ProgParam.h"

#include "platform/controls/MessageBox.h"
#include "platform/rtl/CodePage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace ctl;

namespace {

const char kHeader[12] = {0x01, 0x02, 0x03, 0x04, 0x10, 0x11, char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF)};

QString tr8(const char* utf8) { return QString::fromUtf8(utf8); }

void error(const char* text)
{
    MessageBox(tr8(text), tr8("Ошибка!"), MB_OK | MB_ICONERROR);
}

QByteArray field(const char (&f)[16])
{
    return QByteArray(f, qsizetype(strnlen(f, sizeof f)));
}

// The cp1251 bytes of a typed text, or nothing when a character has no byte there.
bool encode(const QString& text, QByteArray* bytes)
{
    int lost = 0;
    *bytes = rtl::toCp1251(text, &lost);
    return lost == 0 && !bytes->contains('\0');
}

void putLE32(QByteArray& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace

TProgParam::TProgParam() = default;
TProgParam::~TProgParam() = default;

int TProgParam::LoadFromFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        error("Не найден файл параметров!");
        return -1;
    }
    const QString canonical = info.absoluteFilePath();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        unreadable_ = canonical;
        error("Ошибка при попытке открытия файла параметров!");
        return -1;
    }
    const qint64 size = f.size();
    QByteArray head = f.read(16);
    uint32_t length = 0;
    if (head.size() == 16)
        for (int i = 0; i < 4; ++i)
            length |= uint32_t(uint8_t(head[12 + i])) << (8 * i);
    // The length is checked against the file before anything is read or allocated by it.
    QByteArray payload;
    if (head.size() == 16 && qint64(length) <= size - 16)
        payload = f.read(qint64(length));
    if (head.size() < 16 || qint64(length) > size - 16 || payload.size() != qint64(length)) {
        unreadable_ = canonical;
        error("Ошибка во время чтения файла параметров!");
        return -1;
    }
    const size_t n = length / sizeof(TOperatorRec);
    records_.resize(n);
    if (n > 0)
        std::memcpy(records_.data(), payload.constData(), n * sizeof(TOperatorRec));
    if (unreadable_ == canonical)
        unreadable_.clear();
    return 0;
}

int TProgParam::SaveToFile(const QString& path)
{
    const QFileInfo info(path);
    if (!unreadable_.isEmpty() && unreadable_ == info.absoluteFilePath())
        return -1;

    QByteArray out(kHeader, sizeof kHeader);
    const uint32_t length = uint32_t(records_.size() * sizeof(TOperatorRec) + 8);
    putLE32(out, length);
    if (!records_.empty())
        out.append(reinterpret_cast<const char*>(records_.data()), qsizetype(records_.size() * sizeof(TOperatorRec)));
    putLE32(out, uint32_t(trailer1_));
    putLE32(out, uint32_t(trailer2_));

    // Written beside the file and renamed over it, so a failed save leaves the old file whole.
    // Passwords are plain text in this format: the file is readable by its owner only.
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    QByteArray temp = target + ".tmp~";
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error("Ошибка при попытке открытия файла параметров!");
        return -1;
    }
    ::fchmod(fd, 0600);
    bool ok = writeAll(fd, out.constData(), size_t(out.size())) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.constData(), target.constData()) == 0;
    if (!ok) {
        ::unlink(temp.constData());
        error("Ошибка во время записи файла параметров!");
        return -1;
    }
    return 0;
}

int TProgParam::AddOper(const QString& name, const QString& password)
{
    QByteArray n, p;
    const bool nameOk = encode(name, &n);
    const bool passOk = encode(password, &p);
    if (!nameOk || n.size() > MaxTextLength) {
        MessageBox(tr8("Имя оператора слишком длинное или содержит недопустимые символы (допускается не более 15 символов)!"),
                   tr8("Ошибка!"), MB_OK | MB_ICONERROR);
        return -4;
    }
    if (!passOk || p.size() > MaxTextLength) {
        MessageBox(tr8("Пароль оператора слишком длинный или содержит недопустимые символы (допускается не более 15 символов)!"),
                   tr8("Ошибка!"), MB_OK | MB_ICONERROR);
        return -4;
    }
    for (const TOperatorRec& r : records_) {
        if (field(r.Name) == n) {
            error("Оператор с таким именем уже существует!");
            return -1;
        }
    }
    TOperatorRec rec{};
    std::memcpy(rec.Name, n.constData(), size_t(n.size()));
    std::memcpy(rec.Password, p.constData(), size_t(p.size()));
    rec.Deleted = 0;
    records_.push_back(rec);
    return 0;
}

int TProgParam::findLive(const QByteArray& name) const
{
    for (size_t i = 0; i < records_.size(); ++i)
        if (records_[i].Deleted == 0 && field(records_[i].Name) == name)
            return int(i);
    return -1;
}

int TProgParam::DelOper(const QString& name, const QString& password)
{
    if (const int checked = CheckOper(name, password); checked != 0)
        return checked;
    QByteArray n;
    encode(name, &n);
    const int i = findLive(n);
    if (MessageBox(tr8("Вы уверены что хотите удалить оператора?"), tr8("Внимание"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return -3;
    records_[size_t(i)].Deleted = 1;
    Compact();
    return 0;
}

void TProgParam::Compact()
{
    std::erase_if(records_, [](const TOperatorRec& r) { return r.Deleted != 0; });
}

QStringList TProgParam::GetOperList() const
{
    QStringList names;
    for (const TOperatorRec& r : records_)
        if (r.Deleted == 0)
            names << rtl::fromCp1251(field(r.Name));
    return names;
}

int TProgParam::CheckOper(const QString& name, const QString& password) const
{
    QByteArray n, p;
    const int i = encode(name, &n) ? findLive(n) : -1;
    if (i < 0)
        return -1;
    if (!encode(password, &p) || field(records_[size_t(i)].Password) != p)
        return -2;
    return 0;
}
