// A conversion in a process of its own, for the tests that kill it: converts the journal of the work folder
// and prints each step it passes; it ends itself with SIGKILL at the step numbered kill-at, and presses
// cancel after the row numbered cancel-at.
//   velt-convert-child <work folder> <required> <detected> <kill-at, 0 never> <cancel-at, 0 never>
#include "db/ConversionFiles.h"
#include "db/ConverterDB.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s work required detected kill-at cancel-at\n", argv[0]);
        return 2;
    }
    const QString work = QString::fromLocal8Bit(argv[1]);
    const int required = std::atoi(argv[2]), detected = std::atoi(argv[3]);
    const int killAt = std::atoi(argv[4]), cancelAt = std::atoi(argv[5]);

    ctl::TScriptedMessageBoxPort boxes;
    TADOConnection connection;
    connection.SetConnectionString(QStringLiteral("FILE NAME=") + work + QStringLiteral("/connect.udl"));
    connection.Open();
    TADOQuery query(&connection), lookup(&connection);
    TfmConverterDB converter;
    converter.WorkDir = work;
    converter.ADOQuery = &query;
    converter.ADOQueryP = &lookup;
    converter.ADOConnection = &connection;
    converter.RollbackDelay = 0;

    int step = 0, rows = 0;
    db::TConversionFiles::CrashPoint = [&](const char* name) {
        std::printf("%d %s\n", ++step, name);
        std::fflush(stdout);
        if (step == killAt)
            std::raise(SIGKILL);
        if (std::strcmp(name, "row-copied") == 0 && ++rows == cancelAt)
            converter.bCancelClick();
    };
    return converter.Convert(required, detected) ? 0 : 1;
}
