// The program's entry point. Until the main window lands it fixes the work folder, starts the log there and
// says so.
#include "core/Debug.h"
#include "platform/system/SystemInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("VELT");

    // MyDocuments beside the program when it exists; else VELT in the user's documents folder (the program's
    // own folder when there is none), created with its parents: a fresh Linux account often has no Documents.
    const QString appDir = QCoreApplication::applicationDirPath();
    QString workDir = appDir + "/MyDocuments";
    if (!QFileInfo(workDir).isDir()) {
        const std::optional<QString> docs = sys::DocumentsFolder();
        if (!docs)
            std::fprintf(stderr, "%s\n",
                         "Не удалось определить путь к пользовательской папке 'Мои документы//Документы'"
                         "Рабочая папка будет создана внутри каталога программы.");
        workDir = docs.value_or(appDir) + "/VELT";
        if (!QDir().mkpath(workDir)) {
            std::fprintf(stderr, "%s\n", ("Cannot create " + workDir + " directory.").toUtf8().constData());
            return 1;
        }
    }

    Dbg().SetBaseName(workDir + "/" + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    Dbg().Print("Construct - OK");
    if (!Dbg().OpenFile()) {
        std::fprintf(stderr, "velt: cannot write the log %s\n", Dbg().FileName().toUtf8().constData());
        return 1;
    }
    std::printf("velt: the log is %s\n", Dbg().FileName().toUtf8().constData());
    std::printf("velt: the main window is not built yet\n");
    return 0;
}
