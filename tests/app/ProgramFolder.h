#pragma once
// A program folder with its work folder and the operators a first start leaves, and a runtime (lock) folder of
// its own for the life of the test.
#include "app/ProgParam.h"
#include "common/testutil.h"
#include "common/dialogscript.h"

#include <QDir>
#include <initializer_list>
#include <utility>

struct ProgramFolder {
    testutil::DialogScript dialogs; // a login or window its test does not answer is cancelled
    testutil::TempDir dir;
    const QString app = dir.file("app"), work = app + "/MyDocuments";
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");

    explicit ProgramFolder(
        std::initializer_list<std::pair<const char*, const char*>> operators = {{"ОПЕРАТОР", "1111"}})
    {
        QDir().mkpath(work);
        QDir().mkpath(dir.file("run"));
        qputenv("XDG_RUNTIME_DIR", dir.file("run").toLocal8Bit());
        TProgParam store;
        for (const auto& [name, password] : operators)
            store.AddOper(QString::fromUtf8(name), QString::fromUtf8(password));
        store.SaveToFile(work + "/VELT.dat");
    }
    ~ProgramFolder()
    {
        if (savedRuntime.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", savedRuntime);
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;
};
