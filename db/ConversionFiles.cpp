#include "db/ConversionFiles.h"

#include "platform/data/LockedFile.h"
#include "platform/rtl/CaseInsensitivePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace db {

std::function<void(const char*)> TConversionFiles::CrashPoint;

namespace {

const QString kOldTable = QStringLiteral("oldBASE.DBF");
const QString kOldMemo = QStringLiteral("oldBASE.DBT");

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

bool RenameNoReplace(const QString& from, const QString& to)
{
    const QByteArray f = native(from), t = native(to);
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
    // A file system without the flag: a hard link never replaces either.
    if (::link(f.constData(), t.constData()) == 0) {
        if (::unlink(f.constData()) == 0)
            return true;
        const int err = errno;
        ::unlink(t.constData());
        errno = err;
        return false;
    }
    if (errno == EEXIST || (errno != EPERM && errno != ENOSYS && errno != ENOTSUP))
        return false;
    // Nor links (FAT): only this program touches the folder while it converts, so a check is enough.
    if (QFileInfo::exists(to) || rtl::existsCaseInsensitive(to)) {
        errno = EEXIST;
        return false;
    }
    return std::rename(f.constData(), t.constData()) == 0;
}

TConversionFiles::TConversionFiles(const QString& folder)
    : folder_(folder)
{
}

QString TConversionFiles::path(const QString& name) const
{
    return QDir(folder_).filePath(name);
}

QString TConversionFiles::Find(const QString& name) const
{
    const QString p = rtl::resolveCaseInsensitive(path(name));
    return QFileInfo::exists(p) ? p : QString();
}

bool TConversionFiles::InProgress() const
{
    return QFileInfo::exists(path(QString::fromLatin1(kMarker)));
}

bool TConversionFiles::fail(const QString& what)
{
    error_ = what;
    return false;
}

bool TConversionFiles::writeMarker(const QString& table, const QString& memo)
{
    const QString marker = path(QString::fromLatin1(kMarker));
    const QString temp = marker + QStringLiteral(".new");
    const QByteArray text = (QStringLiteral("TABLE=") + table + QStringLiteral("\nMEMO=") + memo + QStringLiteral("\n")).toUtf8();
    ::unlink(native(temp).constData());  // a marker begun by a start that died before it was whole
    const int fd = ::open(native(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(QStringLiteral("cannot create %1: %2").arg(temp, errnoText()));
    bool ok = ::write(fd, text.constData(), size_t(text.size())) == text.size() && ::fsync(fd) == 0;
    const QString why = errnoText();
    ::close(fd);
    // Renamed into place only when whole: a marker is never read half-written.
    if (!ok || !RenameNoReplace(temp, marker)) {
        const QString reason = ok ? errnoText() : why;
        ::unlink(native(temp).constData());
        return fail(QStringLiteral("cannot write %1: %2").arg(marker, reason));
    }
    dbf::syncFolder(folder_);
    return true;
}

bool TConversionFiles::readMarker(QString* table, QString* memo) const
{
    QFile f(path(QString::fromLatin1(kMarker)));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    bool haveTable = false;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("TABLE="))) {
            *table = line.mid(6);
            haveTable = !table->isEmpty() && !table->contains(QLatin1Char('/'));
        } else if (line.startsWith(QLatin1String("MEMO="))) {
            *memo = line.mid(5);
            if (memo->contains(QLatin1Char('/')))
                memo->clear();
        }
    }
    return haveTable;
}

bool TConversionFiles::removeMarker()
{
    dbf::syncFolder(folder_);  // every move before it is durable before the marker goes
    if (::unlink(native(path(QString::fromLatin1(kMarker))).constData()) != 0 && errno != ENOENT)
        return fail(QStringLiteral("cannot remove the marker: %1").arg(errnoText()));
    dbf::syncFolder(folder_);
    return true;
}

TConversionFiles::MoveResult TConversionFiles::MoveToOld()
{
    const QString table = Find(QStringLiteral("BASE.DBF"));
    if (table.isEmpty())
        return MoveResult::NoTable;
    if (!Find(kOldTable).isEmpty())
        return MoveResult::OldTableExists;
    // The memo file belongs to the table by its base name, whatever the case.
    const QString memo = Find(QFileInfo(table).completeBaseName() + QStringLiteral(".DBT"));
    if (!memo.isEmpty() && !Find(kOldMemo).isEmpty())
        return MoveResult::OldMemoExists;

    if (!writeMarker(QFileInfo(table).fileName(), memo.isEmpty() ? QString() : QFileInfo(memo).fileName()))
        return MoveResult::Failed;
    Reached("marker-written");
    if (!RenameNoReplace(table, path(kOldTable))) {
        fail(QStringLiteral("cannot rename %1 to %2: %3").arg(table, kOldTable, errnoText()));
        removeMarker();
        return MoveResult::Failed;
    }
    Reached("table-moved-to-old");
    if (!memo.isEmpty()) {
        if (!RenameNoReplace(memo, path(kOldMemo))) {
            fail(QStringLiteral("cannot rename %1 to %2: %3").arg(memo, kOldMemo, errnoText()));
            if (RenameNoReplace(path(kOldTable), table))
                removeMarker();
            return MoveResult::Failed;
        }
        Reached("memo-moved-to-old");
    }
    dbf::syncFolder(folder_);
    return MoveResult::Moved;
}

QString TConversionFiles::stampFree(const QDateTime& now) const
{
    const QString stamp = now.toString(QStringLiteral(" (yyyy.MM.dd hh.mm.ss)"));
    QString candidate = stamp;
    // Two rollbacks within one second must not meet: the later one takes a number.
    for (int n = 2; !Find(QStringLiteral("BASE_del") + candidate + QStringLiteral(".DBF")).isEmpty()
                    || !Find(QStringLiteral("BASE_del") + candidate + QStringLiteral(".DBT")).isEmpty();
         ++n)
        candidate = stamp + QStringLiteral(" %1").arg(n);
    return candidate;
}

bool TConversionFiles::moveAside(const QString& from, const QString& target)
{
    if (RenameNoReplace(from, path(target)))
        return true;
    return fail(QStringLiteral("cannot rename %1 to %2: %3").arg(from, target, errnoText()));
}

TConversionFiles::RestoreResult TConversionFiles::Restore(const QDateTime& now)
{
    QString table, memo;
    if (!readMarker(&table, &memo)) {
        // No marker, or one that names nothing: the old table goes back under the name it always had.
        table = QStringLiteral("BASE.DBF");
        memo = Find(kOldMemo).isEmpty() ? QString() : QStringLiteral("BASE.DBT");
    }
    const QString stamp = stampFree(now);
    const QString oldTable = Find(kOldTable);
    const bool oldHadMemo = !memo.isEmpty();
    if (!oldTable.isEmpty()) {
        // The old table is aside, so whatever stands as Base is the new table, whole or not.
        if (const QString current = Find(QStringLiteral("BASE.DBF")); !current.isEmpty()) {
            if (!moveAside(current, QStringLiteral("BASE_del") + stamp + QStringLiteral(".DBF")))
                return RestoreResult::NewTableAsideFailed;
            Reached("new-table-aside");
        }
        // A Base memo is the new one unless the old memo has not been moved yet.
        if (const QString current = Find(QStringLiteral("BASE.DBT")); !current.isEmpty() && (!oldHadMemo || !Find(kOldMemo).isEmpty())) {
            if (!moveAside(current, QStringLiteral("BASE_del") + stamp + QStringLiteral(".DBT")))
                return RestoreResult::NewMemoAsideFailed;
            Reached("new-memo-aside");
        }
        if (!RenameNoReplace(oldTable, path(table))) {
            fail(QStringLiteral("cannot rename %1 back to %2: %3").arg(oldTable, table, errnoText()));
            return RestoreResult::OldTableBackFailed;
        }
        Reached("old-table-back");
    }
    if (const QString oldMemo = Find(kOldMemo); oldHadMemo && !oldMemo.isEmpty()) {
        if (const QString current = Find(memo); !current.isEmpty()) {
            if (!moveAside(current, QStringLiteral("BASE_del") + stamp + QStringLiteral(".DBT")))
                return RestoreResult::NewMemoAsideFailed;
        }
        if (!RenameNoReplace(oldMemo, path(memo))) {
            fail(QStringLiteral("cannot rename %1 back to %2: %3").arg(oldMemo, memo, errnoText()));
            return RestoreResult::OldMemoBackFailed;
        }
        Reached("old-memo-back");
    }
    if (!removeMarker())
        return RestoreResult::OldTableBackFailed;
    return RestoreResult::Restored;
}

bool TConversionFiles::Commit()
{
    Reached("before-commit");
    return removeMarker();
}

} // namespace db
