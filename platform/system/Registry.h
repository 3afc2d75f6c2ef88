#pragma once
// The current user's registry in place of the Windows one: a tree of keys, each with named string values
// and one unnamed (default) value, kept in one ini file under the user's config folder
// ($XDG_CONFIG_HOME/velt/registry.ini, or a file named by VELT_REGISTRY_FILE). A key path is a section
// of that file ("Software\ReportEngine\VELT\TfmMainDBGrid"), a value name a key of it; the default value
// is stored under the name "@". Key paths and value names compare without regard to letter case.
#include "platform/rtl/IniFile.h"
#include <QString>
#include <QStringList>

namespace sys {

// The file that holds the registry of this user.
QString RegistryFile();

// A registry key opened as an ini file: its subkeys are the sections, their values the keys. An empty
// value name means the subkey's default value.
class TRegIniFile {
public:
    // Opens the key with the path (below the current user's root); store names another registry file.
    explicit TRegIniFile(const QString& keyPath, const QString& store = RegistryFile());

    QString KeyPath() const { return key_; }
    QString ReadString(const QString& section, const QString& name, const QString& def) const;
    bool WriteString(const QString& section, const QString& name, const QString& value);
    // Deletes the subkey with all its values.
    bool EraseSection(const QString& section);
    bool ValueExists(const QString& section, const QString& name) const;
    void ReadSection(const QString& section, QStringList& names) const;

private:
    QString sectionOf(const QString& section) const;
    static QString nameOf(const QString& name) { return name.isEmpty() ? QStringLiteral("@") : name; }

    QString key_;
    rtl::TIniFile ini_;
};

} // namespace sys
