// velt-designer FILE.rpf: opens the report designer on a report template, as the program would if it
// opened it. "Save" writes the template back to the same file. A missing file starts an empty report
// that is saved under that name. velt-designer --snapshot PICTURE.png FILE.rpf shows the designer on
// the file, writes a picture of its window and ends (for looking at it without a screen).
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
    const bool snapshot = argc == 4 && QByteArray(argv[1]) == "--snapshot";
    if (argc != 2 && !snapshot) {
        std::fprintf(stderr, "usage: velt-designer [--snapshot PICTURE.png] FILE.rpf\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[argc - 1]);
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
        if (rc == 0 && snapshot) {
            auto* designer = dynamic_cast<TrpDesignerForm*>(rpDesigner);
            CurReport = &report;
            report.FileName = file;
            designer->resize(1200, 900);
            designer->FormShow();
            designer->show();
            QCoreApplication::processEvents();
            if (!designer->grab().save(QString::fromLocal8Bit(argv[2])))
                rc = 1;
            designer->hide();
            designer->FormHide();
        } else if (rc == 0) {
            report.FileName = file;
            report.DesignReport();
        }
    }
    rpDesignerShutdown();
    return rc;
}
