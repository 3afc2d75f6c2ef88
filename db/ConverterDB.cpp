#include "db/ConverterDB.h"

#include "core/Debug.h"
#include "db/JournalSchemas.h"
#include "platform/data/ADOQuery.h"
#include "platform/rtl/CaseInsensitivePath.h"

#include <exception>

int TfmConverterDB::DetectFormat()
{
    if (!rtl::existsCaseInsensitive(WorkDir + QStringLiteral("/DATABASE/Base.DBF")))
        return 0;
    if (!ADOQuery) {
        Dbg().Print("TfmConverterDB::DetectFormat - no journal query");
        return 0;
    }
    const QString select = QStringLiteral("SELECT * FROM BASE");
    QStringList names;
    try {
        if (ADOQuery->Active() && ADOQuery->SQL() == select) {
            ADOQuery->GetFieldNames(names);
        } else {
            ADOQuery->Close();
            ADOQuery->SetSQL(select);
            ADOQuery->Open();
            ADOQuery->GetFieldNames(names);
            ADOQuery->Close();
        }
    } catch (const std::exception& e) {
        ADOQuery->Close();
        Dbg().Print("TfmConverterDB::DetectFormat - error: %s", e.what());
        return 0;
    }
    return db::DetectGeneration(names);
}

QString TfmConverterDB::ReplaceColons(const QString& text)
{
    QString out = text;
    out.replace(u':', u'.');
    return out;
}
