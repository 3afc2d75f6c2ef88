// A conversion in a process of its own, for the tests that kill it: converts the journal of the work folder
// and prints each step it passes; it ends itself with SIGKILL at the step numbered kill-at, and stops the copy
// after the row numbered cancel-at, as the window's cancel button does.
//   velt-convert-child <work folder> <required> <detected> <kill-at, 0 never> <cancel-at, 0 never>
#include "db/ConversionFiles.h"
#include "db/JournalConverter.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s work required detected kill-at cancel-at\n", argv[0]);
        return 2;
    }
    const QString work = QString::fromLocal8Bit(argv[1]);
    const int required = std::atoi(argv[2]), detected = std::atoi(argv[3]);
    const int killAt = std::atoi(argv[4]), cancelAt = std::atoi(argv[5]);

    TADOConnection connection;
    connection.SetConnectionString(QStringLiteral("FILE NAME=") + work + QStringLiteral("/connect.udl"));
    connection.Open();
    TADOQuery query(&connection), lookup(&connection);
    db::TJournalConverter converter;
    converter.WorkDir = work;
    converter.ADOQuery = &query;
    converter.ADOQueryP = &lookup;
    converter.ADOConnection = &connection;

    int step = 0;
    db::TConversionFiles::CrashPoint = [&](const char* name) {
        std::printf("%d %s\n", ++step, name);
        std::fflush(stdout);
        if (step == killAt)
            std::raise(SIGKILL);
    };
    const auto target = db::TJournalConverter::TargetFor(required, detected);
    if (!target || converter.MoveToOld() != db::TConversionFiles::MoveResult::Moved)
        return 1;
    const auto rows = converter.ConvertRows(*target, detected, [&](int done, int) { return done != cancelAt; });
    if (rows == db::TJournalConverter::Rows::Converted)
        return 0;
    converter.PutOldBack();
    return 1;
}
