#pragma once
// TADOConnection: the journal database, a folder of dBASE tables. Where the folder is comes from the
// data link file (connect.udl: "Provider=...;Data Source=<folder>", UTF-16LE or 8-bit text) named by
// "FILE NAME=<path>" in the connection string or by the provider; when the file or its data source is
// missing, the folder is DATABASE beside the file. The folder is created on Open.
//
// Table names map to "<folder>/<name>.DBF", found whatever the case of the file's name. Tables are
// opened on first use and held (exclusively) while KeepConnection is on; switching it off, or
// ReleaseFiles, closes every table no open query still reads, so that files can be renamed.
#include "platform/data/SqlCatalog.h"

#include <QString>
#include <map>
#include <memory>
#include <mutex>

class TADOConnection : public sql::Catalog {
public:
    enum TConnectMode { cmUnknown, cmRead, cmWrite, cmReadWrite, cmShareDenyRead, cmShareDenyWrite, cmShareExclusive, cmShareDenyNone };

    TADOConnection();
    ~TADOConnection() override;

    void SetConnectionString(const QString& text);
    // A provider naming a .udl file is read like "FILE NAME=" (the way the program sets it).
    void SetProvider(const QString& provider);
    bool LoginPrompt() const { return loginPrompt_; }
    void SetLoginPrompt(bool on) { loginPrompt_ = on; }
    TConnectMode Mode() const { return mode_; }
    void SetMode(TConnectMode mode) { mode_ = mode; }  // tables are always held exclusively
    bool KeepConnection() const { return keepConnection_; }
    void SetKeepConnection(bool keep);

    void Open();
    void Close();
    bool Connected() const { return connected_; }
    // The folder of the tables (valid after Open).
    QString DataFolder() const { return folder_; }
    // The path a table name maps to (an existing file of any case, else "<folder>/<name>.DBF").
    QString TablePath(const QString& name) const;
    bool TableExists(const QString& name) const;
    // Closes the tables held for reuse; open queries keep theirs until they close.
    void ReleaseFiles();
    // Makes every write to the held tables durable.
    void Sync();

    // Reads a data link file's provider and data source; false when it cannot be read.
    static bool ReadDataLink(const QString& path, QString* provider, QString* dataSource);

    std::shared_ptr<dbf::Table> openTable(const QString& name) override;
    std::shared_ptr<dbf::Table> createTable(const QString& name, const std::vector<dbf::Column>& columns) override;

private:
    QString resolveFolder() const;
    static QString checkedName(const QString& name);

    QString connectionString_;
    QString provider_ = QStringLiteral("Microsoft.Jet.OLEDB.4.0");
    bool loginPrompt_ = true;
    TConnectMode mode_ = cmUnknown;
    bool keepConnection_ = true;
    bool connected_ = false;
    QString folder_;
    mutable std::mutex mutex_;
    std::map<QString, std::shared_ptr<dbf::Table>> tables_;
};
