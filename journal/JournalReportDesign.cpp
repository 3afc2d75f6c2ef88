#include "journal/JournalReportDesign.h"

#include "db/DBInfoPribors.h"
#include "journal/Default_MP_Report.h"
#include "journal/Default_Report.h"
#include "journal/JournalView.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DataSource.h"
#include "platform/rtl/CaseInsensitivePath.h"
#include "platform/rtl/IniFile.h"
#include "report/rpReport.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <exception>

namespace {

QString workFile(const QString& workDir, const QString& name)
{
    return rtl::resolveCaseInsensitive(QDir(workDir).filePath(name));
}

} // namespace

TJournalReportDesign::TJournalReportDesign(const QString& workDir)
{
    if (!QFileInfo(workDir).isDir()) {
        Error = QStringLiteral("no work folder %1").arg(workDir);
        return;
    }
    const rtl::TIniFile ini(workFile(workDir, QStringLiteral("VELT.ini")));
    const QString appType = ini.ReadString(QStringLiteral("Methods"), QStringLiteral("AppType"), QStringLiteral("default_mp"));
    if (appType != QLatin1String("default_mp") && appType != QLatin1String("default")) {
        Error = QStringLiteral("AppType=%1 of %2 has no journal report").arg(appType, ini.FileName());
        return;
    }
    const QString udl = workFile(workDir, QStringLiteral("connect.udl"));
    try {
        connection_ = std::make_unique<TADOConnection>();
        connection_->SetLoginPrompt(false);
        connection_->SetConnectionString(QStringLiteral("FILE NAME=") + udl);
        connection_->SetProvider(udl);
        // Opening would make a missing database folder: a mistyped work folder must stay untouched.
        QString provider, dataSource;
        const bool linked = TADOConnection::ReadDataLink(udl, &provider, &dataSource);
        if (!linked && !rtl::existsCaseInsensitive(QDir(workDir).filePath(QStringLiteral("DATABASE/Base.DBF")))) {
            Error = QStringLiteral("no journal in %1 (DATABASE/Base.DBF)").arg(workDir);
            return;
        }
        connection_->Open();
        if (!connection_->TableExists(QStringLiteral("Base"))) {
            Error = QStringLiteral("no journal %1").arg(connection_->TablePath(QStringLiteral("Base")));
            return;
        }
        query_ = std::make_unique<TADOQuery>(connection_.get());
        source_ = std::make_unique<TDataSource>(query_.get());
        info_ = std::make_unique<TDBInfoPribors>(workDir);
        TJournalView view;
        view.Bind(query_.get(), info_.get());
        view.ShowAll();
    } catch (const std::exception& e) {
        Error = QStringLiteral("the journal %1 cannot be read: %2")
                    .arg(connection_->TablePath(QStringLiteral("Base")), QString::fromUtf8(e.what()));
        return;
    }
    const QString operatorName = ini.ReadString(QStringLiteral("Methods"), QStringLiteral("Operator"), QString());
    if (appType == QLatin1String("default_mp")) {
        auto window = std::make_unique<TfmDefault_MP_Report>();
        window->BindJournal(query_.get(), source_.get(), info_.get(), workDir, operatorName);
        templateFile_ = workFile(workDir, QStringLiteral("REPORTS/") + TfmDefault_MP_Report::JournalTemplate);
        window_ = std::move(window);
    } else {
        auto window = std::make_unique<TfmDefault_Report>();
        window->BindJournal(query_.get(), source_.get(), workDir, operatorName);
        templateFile_ = workFile(workDir, QStringLiteral("REPORTS/") + TfmDefault_Report::JournalTemplate);
        window_ = std::move(window);
    }
}

TJournalReportDesign::~TJournalReportDesign()
{
    window_.reset();
    source_.reset();
    query_.reset();
}

TrpReport* TJournalReportDesign::Report() const
{
    return window_ ? window_->rpRep.get() : nullptr;
}

void TJournalReportDesign::Design()
{
    TrpReport* report = Report();
    if (!report)
        return;
    // The window stays hidden: the pages go to the engine's preview window.
    const QPointer<QObject> preview = report->Preview;
    report->Preview = nullptr;
    report->DesignReport();
    report->Preview = preview;
}
