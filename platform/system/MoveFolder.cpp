#include "platform/system/MoveFolder.h"

#include "platform/rtl/CaseInsensitivePath.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

namespace sys {
namespace {

// The entry of `folder` that `name` means: the work folder is read case-insensitively, so an entry
// whose name differs only in letter case is the same one (a clash for a file, a folder to merge into).
QString targetEntry(const QString& folder, const QString& name)
{
    return rtl::resolveCaseInsensitive(QDir(folder).filePath(name));
}

bool renameNoReplace(const QString& from, const QString& to, bool* crossDevice)
{
    *crossDevice = false;
    // rename() would replace an existing file; the caller has checked the target is absent.
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *crossDevice = (errno == EXDEV);
    return false;
}

bool copyFile(const QString& from, const QString& to)
{
    QFile src(from);
    if (!src.open(QIODevice::ReadOnly))
        return false;
    // A temporary name of our own: a file of the target that bears the name is left alone.
    QString part;
    QFile dst;
    for (int i = 0; i < 100 && !dst.isOpen(); ++i) {
        part = to + (i == 0 ? QStringLiteral(".part~") : QStringLiteral(".part%1~").arg(i));
        dst.setFileName(part);
        if (!dst.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !QFileInfo::exists(part) && !QFileInfo(part).isSymLink())
            return false;
    }
    if (!dst.isOpen())
        return false;
    char buf[1 << 16];
    bool ok = true;
    for (;;) {
        const qint64 n = src.read(buf, sizeof buf);
        if (n < 0) { ok = false; break; }
        if (n == 0) break;
        if (dst.write(buf, n) != n) { ok = false; break; }
    }
    ok = ok && dst.flush();
    dst.setPermissions(src.permissions());
    dst.close();
    if (ok && dst.error() == QFileDevice::NoError && QFileInfo(part).size() == QFileInfo(from).size()
        && !QFileInfo::exists(to) && QFile::rename(part, to))
        return true;
    QFile::remove(part);
    return false;
}

bool moveFile(const QString& from, const QString& to)
{
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink())
        return false;
    bool cross = false;
    if (renameNoReplace(from, to, &cross))
        return true;
    if (!cross)
        return false;
    if (!copyFile(from, to))
        return false;
    // Both copies exist when the source cannot be removed: reported, nothing lost.
    return QFile::remove(from);
}

bool moveTree(const QString& from, const QString& to)
{
    const QFileInfo target(to);
    if (!target.exists() && !target.isSymLink()) {
        bool cross = false;
        if (renameNoReplace(from, to, &cross))
            return true;
        if (!cross)
            return false;
        if (!QDir().mkdir(to))
            return false;
    } else if (!target.isDir() || target.isSymLink()) {
        return false;
    }
    bool all = true;
    const QDir src(from);
    const auto entries = src.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& e : entries) {
        const QString dest = targetEntry(to, e.fileName());
        const bool ok = (e.isDir() && !e.isSymLink()) ? moveTree(e.filePath(), dest) : moveFile(e.filePath(), dest);
        all = all && ok;
    }
    if (all)
        all = QDir().rmdir(from);
    return all;
}

} // namespace

bool MoveFolder(const QString& from, const QString& to)
{
    const QFileInfo src(from);
    if (!src.isDir() || src.isSymLink())
        return false;
    if (!QDir().mkpath(to))
        return false;
    const QString cleanFrom = QDir::cleanPath(src.absoluteFilePath());
    const QString dest = QDir::cleanPath(targetEntry(QDir(to).absolutePath(), src.fileName()));
    // A folder cannot go inside itself.
    if (dest == cleanFrom || dest.startsWith(cleanFrom + QLatin1Char('/')))
        return false;
    return moveTree(cleanFrom, dest);
}

} // namespace sys
