#include "platform/system/Registry.h"
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace sys {

QString RegistryFile()
{
    const QString env = qEnvironmentVariable("VELT_REGISTRY_FILE");
    if (!env.isEmpty())
        return env;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(QStringLiteral("velt/registry.ini"));
}

namespace {
QString trimmedPath(QString p)
{
    p.replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (p.startsWith(QLatin1Char('\\')))
        p.remove(0, 1);
    while (p.endsWith(QLatin1Char('\\')))
        p.chop(1);
    return p;
}

// The ini file writes into an existing folder only.
QString prepared(const QString& store)
{
    QDir().mkpath(QFileInfo(store).absolutePath());
    return store;
}
} // namespace

TRegIniFile::TRegIniFile(const QString& keyPath, const QString& store)
    : key_(trimmedPath(keyPath)), ini_(prepared(store))
{
}

QString TRegIniFile::sectionOf(const QString& section) const
{
    const QString sub = trimmedPath(section);
    if (sub.isEmpty())
        return key_;
    return key_.isEmpty() ? sub : key_ + QLatin1Char('\\') + sub;
}

QString TRegIniFile::ReadString(const QString& section, const QString& name, const QString& def) const
{
    return ini_.ReadString(sectionOf(section), nameOf(name), def);
}

bool TRegIniFile::WriteString(const QString& section, const QString& name, const QString& value)
{
    return ini_.WriteString(sectionOf(section), nameOf(name), value);
}

bool TRegIniFile::EraseSection(const QString& section)
{
    // A key goes with its subkeys.
    const QString target = sectionOf(section);
    QStringList sections;
    ini_.ReadSections(sections);
    bool ok = true;
    for (const QString& s : sections)
        if (s.compare(target, Qt::CaseInsensitive) == 0
            || s.startsWith(target + QLatin1Char('\\'), Qt::CaseInsensitive))
            ok = ini_.EraseSection(s) && ok;
    return ok;
}

bool TRegIniFile::ValueExists(const QString& section, const QString& name) const
{
    return ini_.ValueExists(sectionOf(section), nameOf(name));
}

void TRegIniFile::ReadSection(const QString& section, QStringList& names) const
{
    ini_.ReadSection(sectionOf(section), names);
    for (QString& n : names)
        if (n == QLatin1String("@"))
            n.clear();
}

} // namespace sys
