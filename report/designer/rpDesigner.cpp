#include "report/designer/rpDesigner.h"

#include "report/designer/rpTemplForm.h"

#include <QCoreApplication>
#include <QDir>

void TrpDesigner::Loaded()
{
    QString folder = TemplateDir;
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (folder.isEmpty()) {
        rpTemplateDir.clear();
        return;
    }
    if (QDir::isRelativePath(folder))
        folder = QDir(QCoreApplication::applicationDirPath()).filePath(folder);
    rpTemplateDir = QDir::cleanPath(folder);
}
