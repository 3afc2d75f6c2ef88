#include "platform/rtl/CaseInsensitivePath.h"

#include <QDir>
#include <QFileInfo>

namespace rtl {

QString resolveCaseInsensitive(const QString& path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;
    const QString clean = QDir::cleanPath(path);
    const bool absolute = clean.startsWith(QLatin1Char('/'));
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = absolute ? QStringLiteral("/") : QString();
    bool resolving = true;
    for (const QString& part : parts) {
        const QString base = current.isEmpty() ? QStringLiteral(".") : current;
        QString chosen = part;
        if (resolving && !QFileInfo::exists(QDir(base).filePath(part))) {
            const QStringList entries = QDir(base).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            auto it = std::find_if(entries.begin(), entries.end(),
                                   [&](const QString& e) { return e.compare(part, Qt::CaseInsensitive) == 0; });
            if (it != entries.end())
                chosen = *it;
            else
                resolving = false;  // nothing below a missing folder can exist
        }
        if (current.isEmpty())
            current = chosen;
        else if (current.endsWith(QLatin1Char('/')))
            current += chosen;
        else
            current += QLatin1Char('/') + chosen;
    }
    return current;
}

bool existsCaseInsensitive(const QString& path)
{
    return !path.isEmpty() && QFileInfo::exists(resolveCaseInsensitive(path));
}

} // namespace rtl
