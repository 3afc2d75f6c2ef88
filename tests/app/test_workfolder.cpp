#include "printers.h"
#include "app/WorkFolder.h"
#include "common/testutil.h"
#include "platform/controls/MessageBox.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace ctl;
using testutil::TempDir;

TEST(WorkFolder, ChoiceAndCreation)
{
    TempDir dir;
    TScriptedMessageBoxPort boxes;
    const QString app = dir.file("app");
    QDir().mkpath(app);

    // Documents folder not there yet: VELT is made in it, parents too.
    EXPECT_EQ(ResolveWorkDir(app, dir.file("home/Documents")), dir.file("home/Documents/VELT"));
    EXPECT_TRUE(QFileInfo(dir.file("home/Documents/VELT")).isDir());
    EXPECT_EQ(boxes.Count(), 0);

    // No documents folder: a message, then VELT in the program's folder.
    EXPECT_EQ(ResolveWorkDir(app, std::nullopt), app + "/VELT");
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text,
              QString::fromUtf8("Не удалось определить путь к пользовательской папке 'Мои документы//Документы'"
                                "Рабочая папка будет создана внутри каталога программы."));
    EXPECT_EQ(boxes.AskedSoFar()[0].caption, QString::fromUtf8("Ошибка!"));
    EXPECT_EQ(boxes.AskedSoFar()[0].icon(), MB_ICONERROR);

    // MyDocuments beside the program wins.
    QDir().mkpath(app + "/MyDocuments");
    EXPECT_EQ(ResolveWorkDir(app, dir.file("home/Documents")), app + "/MyDocuments");

    // A folder that cannot be made.
    testutil::writeFile(dir.file("file"), "x");
    try {
        ResolveWorkDir(dir.file("other"), dir.file("file"));
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), "Cannot create " + dir.file("file/VELT") + " directory.");
    }
}

TEST(WorkFolder, FilesAreFoundWhateverTheCase)
{
    TempDir dir;
    testutil::writeFile(dir.file("VELT.DAT"), "x");
    QDir().mkpath(dir.file("app/mydocuments"));
    EXPECT_EQ(WorkFile(dir.path(), "VELT.dat"), dir.file("VELT.DAT"));
    EXPECT_EQ(WorkFile(dir.path(), "VELT.ini"), dir.file("VELT.ini"));
    TScriptedMessageBoxPort boxes;
    EXPECT_EQ(ResolveWorkDir(dir.file("app"), dir.file("docs")), dir.file("app/mydocuments"));
}
