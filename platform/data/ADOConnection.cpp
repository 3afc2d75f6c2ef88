#include "platform/data/ADOConnection.h"

#include "platform/data/DatabaseError.h"
#include "platform/data/DbfTable.h"
#include "platform/rtl/CaseInsensitivePath.h"
#include "platform/rtl/CodePage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// "key=value;key="quoted;value"" into pairs (keys upper case).
QList<QPair<QString, QString>> splitPairs(const QString& text)
{
    QList<QPair<QString, QString>> out;
    int i = 0;
    const int n = static_cast<int>(text.size());
    while (i < n) {
        const int eq = static_cast<int>(text.indexOf(QLatin1Char('='), i));
        if (eq < 0)
            break;
        const QString key = text.mid(i, eq - i).trimmed().toUpper();
        int j = eq + 1;
        while (j < n && text[j] == QLatin1Char(' '))
            ++j;
        QString value;
        if (j < n && (text[j] == QLatin1Char('"') || text[j] == QLatin1Char('\''))) {
            const QChar q = text[j];
            const int close = static_cast<int>(text.indexOf(q, j + 1));
            value = text.mid(j + 1, (close < 0 ? n : close) - j - 1);
            j = close < 0 ? n : close + 1;
            const int semi = static_cast<int>(text.indexOf(QLatin1Char(';'), j));
            i = semi < 0 ? n : semi + 1;
        } else {
            const int semi = static_cast<int>(text.indexOf(QLatin1Char(';'), j));
            value = text.mid(j, (semi < 0 ? n : semi) - j).trimmed();
            i = semi < 0 ? n : semi + 1;
        }
        out.append({key, value});
    }
    return out;
}

QString valueOf(const QList<QPair<QString, QString>>& pairs, const QString& key)
{
    for (const auto& p : pairs)
        if (p.first == key)
            return p.second;
    return {};
}

QString slashes(QString path)
{
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

} // namespace

TADOConnection::TADOConnection() = default;

TADOConnection::~TADOConnection()
{
    Close();
}

void TADOConnection::SetConnectionString(const QString& text)
{
    if (connected_)
        throw EDatabaseError(QStringLiteral("Cannot change the connection string of an open connection"));
    connectionString_ = text;
}

void TADOConnection::SetProvider(const QString& provider)
{
    if (connected_)
        throw EDatabaseError(QStringLiteral("Cannot change the provider of an open connection"));
    provider_ = provider;
}

void TADOConnection::SetKeepConnection(bool keep)
{
    keepConnection_ = keep;
    if (!keep)
        ReleaseFiles();
}

bool TADOConnection::ReadDataLink(const QString& path, QString* provider, QString* dataSource)
{
    QFile f(rtl::resolveCaseInsensitive(path));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    QString text;
    if (bytes.startsWith("\xFF\xFE"))
        text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    else if (bytes.startsWith("\xEF\xBB\xBF"))
        text = QString::fromUtf8(bytes.mid(3));
    else
        text = rtl::fromCp1251(bytes);
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts)) {
        const QString l = line.trimmed();
        if (l.startsWith(QLatin1Char(';')) || l.startsWith(QLatin1Char('[')) || !l.contains(QLatin1Char('=')))
            continue;
        const auto pairs = splitPairs(l);
        *provider = valueOf(pairs, QStringLiteral("PROVIDER"));
        *dataSource = valueOf(pairs, QStringLiteral("DATA SOURCE"));
        return true;
    }
    *provider = *dataSource = QString();
    return true;
}

QString TADOConnection::resolveFolder() const
{
    const auto pairs = splitPairs(connectionString_);
    QString udl = slashes(valueOf(pairs, QStringLiteral("FILE NAME")));
    if (udl.isEmpty() && provider_.endsWith(QLatin1String(".udl"), Qt::CaseInsensitive))
        udl = slashes(provider_);
    QString base = udl.isEmpty() ? QDir::currentPath() : QFileInfo(udl).absolutePath();
    QString source = slashes(valueOf(pairs, QStringLiteral("DATA SOURCE")));
    if (!udl.isEmpty()) {
        QString provider, fromFile;
        if (ReadDataLink(udl, &provider, &fromFile))
            source = slashes(fromFile);
    }
    if (source.isEmpty())
        return rtl::resolveCaseInsensitive(QDir(base).filePath(QStringLiteral("DATABASE")));
    // A Windows path ("C:/.../DATABASE") names a folder of the machine the file came from: take its
    // last part beside the data link file.
    if (QRegularExpression(QStringLiteral("^[A-Za-z]:/")).match(source).hasMatch() || source.startsWith(QLatin1String("//")))
        source = QFileInfo(source).fileName();
    return rtl::resolveCaseInsensitive(QDir::isAbsolutePath(source) ? source : QDir(base).filePath(source));
}

void TADOConnection::Open()
{
    if (connected_)
        return;
    const QString folder = resolveFolder();
    if (!QDir().mkpath(folder))
        throw EDatabaseError(QStringLiteral("Cannot create the database folder %1").arg(folder));
    folder_ = folder;
    connected_ = true;
}

void TADOConnection::Close()
{
    ReleaseFiles();
    connected_ = false;
}

void TADOConnection::ReleaseFiles()
{
    std::map<QString, std::shared_ptr<dbf::Table>> released;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        released.swap(tables_);
    }
}

void TADOConnection::Sync()
{
    std::lock_guard<std::mutex> guard(mutex_);
    for (auto& [name, table] : tables_)
        table->sync();
}

QString TADOConnection::checkedName(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char('.')))
        throw EDatabaseError(QStringLiteral("Invalid table name '%1'").arg(name));
    return name;
}

QString TADOConnection::TablePath(const QString& name) const
{
    if (!connected_)
        throw EDatabaseError(QStringLiteral("The connection is closed"));
    return rtl::resolveCaseInsensitive(QDir(folder_).filePath(checkedName(name) + QStringLiteral(".DBF")));
}

bool TADOConnection::TableExists(const QString& name) const
{
    return QFileInfo::exists(TablePath(name));
}

std::shared_ptr<dbf::Table> TADOConnection::openTable(const QString& name)
{
    Open();
    const QString key = checkedName(name).toUpper();
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = tables_.find(key);
    if (it != tables_.end()) {
        // A table renamed or removed behind the connection is not the one the name means now. The name
        // as written is what the case-insensitive look-up tries first: when it leads to the table, so does
        // the look-up, and every statement spares its walk.
        if (it->second->isAt(folder_ + QLatin1Char('/') + checkedName(name) + QStringLiteral(".DBF")) || it->second->isAt(TablePath(name)))
            return it->second;
        tables_.erase(it);
    }
    const QString path = TablePath(name);
    if (!QFileInfo::exists(path))
        throw EDatabaseError(QStringLiteral("The table '%1' does not exist (%2)").arg(name, path));
    auto table = dbf::Table::open(path);
    if (keepConnection_)
        tables_[key] = table;
    return table;
}

std::shared_ptr<dbf::Table> TADOConnection::createTable(const QString& name, const std::vector<dbf::Column>& columns)
{
    Open();
    const QString path = TablePath(name);
    if (QFileInfo::exists(path))
        throw EDatabaseError(QStringLiteral("The table '%1' already exists (%2)").arg(name, path));
    auto table = dbf::Table::create(path, columns);
    std::lock_guard<std::mutex> guard(mutex_);
    if (keepConnection_)
        tables_[checkedName(name).toUpper()] = table;
    return table;
}
