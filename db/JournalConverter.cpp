#include "db/JournalConverter.h"

#include "core/Debug.h"
#include "db/JournalSchemas.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DbfHeader.h"
#include "platform/rtl/CaseInsensitivePath.h"
#include "platform/rtl/ScopeGuard.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <exception>
#include <stdexcept>

namespace db {

namespace {

// The column names of a table, from its header and field descriptors alone.
QStringList headerFieldNames(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("cannot open %1: %2").arg(path, f.errorString()).toStdString());
    QByteArray head = f.read(32);
    if (head.size() == 32) {
        const quint16 length = qFromLittleEndian<quint16>(head.constData() + 8);
        if (length > 32)
            head += f.read(length - 32);
    }
    QStringList names;
    for (const dbf::Column& c : dbf::Header::parse(head, path).columns)
        names << c.name;
    return names;
}

// The connection lets go of the table files while they are moved: the queries are closed and its tables
// released until the returned guard puts its setting back.
auto letGoOfFiles(TADOConnection* connection, TADOQuery* query, TADOQuery* lookup)
{
    const bool keep = connection ? connection->KeepConnection() : true;
    if (query)
        query->Close();
    if (lookup)
        lookup->Close();
    if (connection)
        connection->SetKeepConnection(false);
    return rtl::TScopeGuard([connection, keep] {
        if (connection)
            connection->SetKeepConnection(keep);
    });
}

} // namespace

QString TJournalConverter::databaseFolder() const
{
    // The folder the connection's statements reach, so that the files moved are the tables converted.
    if (ADOConnection && ADOConnection->Connected())
        return ADOConnection->DataFolder();
    return WorkDir + QStringLiteral("/DATABASE");
}

int TJournalConverter::DetectFormat()
{
    const QString path = rtl::resolveCaseInsensitive(databaseFolder() + QStringLiteral("/Base.DBF"));
    if (!QFileInfo::exists(path))
        return 0;
    try {
        return DetectGeneration(headerFieldNames(path));
    } catch (const std::exception& e) {
        Dbg().Print("TfmConverterDB::DetectFormat - error: %s", e.what());
        return 0;
    }
}

QString TJournalConverter::ReplaceColons(const QString& text)
{
    QString out = text;
    out.replace(u':', u'.');
    return out;
}

bool TJournalConverter::KeepsJournal(int required)
{
    return GenerationOf(Schema::Default) == required || GenerationOf(Schema::DefaultMp) == required;
}

std::optional<TJournalConverter::Target> TJournalConverter::TargetFor(int required, int detected)
{
    // A table of generation 6 lacks the info mark the "default" journal files into; its rows go over, and the
    // place, vehicle and inspector it alone keeps stay in oldBASE.DBF.
    if (required == GenerationOf(Schema::Default) && (detected == 1 || detected == 2 || detected == 6))
        return Target::Default;
    if (required == GenerationOf(Schema::DefaultMp) && (detected == 1 || detected == 2 || detected == 3 || detected == 6))
        return Target::DefaultMp;
    return std::nullopt;
}

TConversionFiles::MoveResult TJournalConverter::MoveToOld()
{
    TConversionFiles files(databaseFolder());
    TConversionFiles::MoveResult result;
    {
        const auto letGo = letGoOfFiles(ADOConnection, ADOQuery, ADOQueryP);
        result = files.MoveToOld();
    }
    error_ = files.LastError();
    if (result == TConversionFiles::MoveResult::Moved)
        Dbg().Print("TfmConverterDB - BASE.DBF -> oldBASE.DBF");
    else if (result == TConversionFiles::MoveResult::Failed)
        Dbg().Print("TfmConverterDB::RenameToOld - %s", error_.toUtf8().constData());
    return result;
}

TConversionFiles::RestoreResult TJournalConverter::PutOldBack()
{
    TConversionFiles files(databaseFolder());
    TConversionFiles::RestoreResult result;
    {
        const auto letGo = letGoOfFiles(ADOConnection, ADOQuery, ADOQueryP);
        result = files.Restore(QDateTime::currentDateTime());
    }
    error_ = files.LastError();
    if (result == TConversionFiles::RestoreResult::Restored)
        Dbg().Print("TfmConverterDB - oldBASE.DBF -> BASE.DBF");
    else
        Dbg().Print("TfmConverterDB::Rollback - %s", error_.toUtf8().constData());
    return result;
}

TConversionFiles::RestoreResult TJournalConverter::RecoverInterrupted(const QString& databaseFolder)
{
    TConversionFiles files(databaseFolder);
    if (!files.InProgress())
        return TConversionFiles::RestoreResult::Restored;
    Dbg().Print("Конвертация БД была прервана - возвращаем прежнюю БД (oldBASE.DBF -> BASE.DBF)...");
    const auto result = files.Restore(QDateTime::currentDateTime());
    if (result == TConversionFiles::RestoreResult::Restored)
        Dbg().Print("Конвертация БД была прервана - прежняя БД возвращена");
    else
        Dbg().Print("Конвертация БД была прервана - %s", files.LastError().toUtf8().constData());
    return result;
}

void TJournalConverter::ReplaceParam(QString& text, const QString& name, int value)
{
    db::ReplaceParam(text, name, value);
}

void TJournalConverter::AddSqlField(const QString& name, const QString& value, QString& cols, QString& params, bool first)
{
    if (first) {
        cols = name;
        params = QStringLiteral(":") + name;
    } else if (!value.isEmpty()) {
        cols += QStringLiteral(", ") + name;
        params += QStringLiteral(", :") + name;
    }
}

void TJournalConverter::AddSqlFieldChar(const QString& name, QChar, QString& cols, QString& params, bool first)
{
    AddSqlFieldValue(name, QVariant(), cols, params, first);
}

void TJournalConverter::AddSqlFieldValue(const QString& name, const QVariant&, QString& cols, QString& params, bool first)
{
    if (first) {
        cols = name;
        params = QStringLiteral(":") + name;
    } else {
        cols += QStringLiteral(", ") + name;
        params += QStringLiteral(", :") + name;
    }
}

void TJournalConverter::SetSqlParam(const QString& name, const QString& value)
{
    if (!value.isEmpty())
        ADOQuery->Parameters().ParamByName(name)->SetValue(value);
}

void TJournalConverter::SetSqlParamChar(const QString& name, QChar value)
{
    ADOQuery->Parameters().ParamByName(name)->SetValue(QString(value));
}

void TJournalConverter::SetSqlParamValue(const QString& name, const QVariant& value)
{
    ADOQuery->Parameters().ParamByName(name)->SetValue(value);
}

} // namespace db
