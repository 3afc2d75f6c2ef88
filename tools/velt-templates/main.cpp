// Writes the shipped report templates (REPORTS/*.rpf) and no_photo.jpg into the folder it is given.
#include "Templates.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: velt-templates <folder>\n");
        return 2;
    }
    const QString error = templates::WriteAll(args[1]);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "velt-templates: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
