// velt-designer FILE.rpf: opens the report designer on a report template, as the program would if it
// opened it. "Save" writes the template back to the same file. A missing file starts an empty report
// that is saved under that name.
#include "report/designer/rpDesignerForm.h"
#include "report/rpParser.h"
#include "report/rpReport.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("VELT"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: velt-designer FILE.rpf\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    rpTheParser();
    rpDesignerStartup();
    int rc = 0;
    {
        TrpReport report;
        try {
            if (QFileInfo::exists(file) && !report.LoadFromFile(file)) {
                std::fprintf(stderr, "velt-designer: cannot read %s\n", argv[1]);
                rc = 1;
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "velt-designer: %s\n", e.what());
            rc = 1;
        }
        if (rc == 0) {
            report.FileName = file;
            report.DesignReport();
        }
    }
    rpDesignerShutdown();
    return rc;
}
