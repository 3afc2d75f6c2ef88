#include "app/WorkFolder.h"

#include "platform/controls/MessageBox.h"
#include "platform/rtl/CaseInsensitivePath.h"

#include <QDir>
#include <QFileInfo>

#include <stdexcept>

QString ResolveWorkDir(const QString& appDir, const std::optional<QString>& documents)
{
    const QString mine = WorkFile(appDir, QStringLiteral("MyDocuments"));
    if (QFileInfo(mine).isDir())
        return mine;
    QString base;
    if (documents && !documents->isEmpty()) {
        base = *documents;
    } else {
        ctl::MessageBox(QString::fromUtf8("Не удалось определить путь к пользовательской папке 'Мои документы//Документы'"
                                          "Рабочая папка будет создана внутри каталога программы."),
                        QString::fromUtf8("Ошибка!"), ctl::MB_OK | ctl::MB_ICONERROR);
        base = appDir;
    }
    const QString work = QDir(base).filePath(QStringLiteral("VELT"));
    if (!QFileInfo(work).isDir() && !QDir().mkpath(work))
        throw std::runtime_error(("Cannot create " + work + " directory.").toStdString());
    return work;
}

QString WorkFile(const QString& folder, const QString& name)
{
    return rtl::resolveCaseInsensitive(QDir(folder).filePath(name));
}
