#include "journal/JournalErrors.h"

#include "core/Debug.h"
#include "platform/controls/MessageBox.h"

#include <cerrno>
#include <cstring>

bool RunReported(const char* command, const QString& message, const std::function<void()>& run)
{
    try {
        run();
        return true;
    } catch (const std::exception& e) {
        Dbg().Print("%s - error: %s", command, e.what());
    } catch (...) {
        Dbg().Print("%s - error", command);
    }
    ctl::MessageBox(message, QStringLiteral("Ошибка"), ctl::MB_OK | ctl::MB_ICONERROR);
    return false;
}

QString SystemReason(const char* technical)
{
    // The data layer puts the system's own text of the error into its message.
    static const struct {
        int code;
        const char* words;
    } kKnown[] = {
        {ENOSPC, "на диске нет свободного места"},
        {EDQUOT, "исчерпана квота диска"},
        {EFBIG, "файл журнала достиг предельного размера"},
        {EROFS, "диск с журналом доступен только для чтения"},
        {EACCES, "нет права доступа к файлу журнала"},
        {EPERM, "нет права доступа к файлу журнала"},
        {EIO, "ошибка чтения или записи диска"},
        {EISDIR, "на месте файла журнала находится папка"},
        {ENOENT, "файл журнала не найден"},
    };
    const QString text = QString::fromLocal8Bit(technical ? technical : "");
    // The one refusal the data layer words itself: another program holds the table.
    if (text.contains(QLatin1String("in use by another program")))
        return QStringLiteral("файл журнала открыт другой программой");
    for (const auto& k : kKnown)
        if (text.contains(QString::fromLocal8Bit(std::strerror(k.code))))
            return QString::fromUtf8(k.words);
    return QString();
}
