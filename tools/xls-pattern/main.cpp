// velt-xls-pattern <file>: writes the consolidated report's template (REPORTS/pattern.xls): one sheet with
// a wide label column, a left-aligned value column and a bold title cell. Restyling it in a spreadsheet
// program is fine: the report only fills the first sheet's cells.
#include "platform/xls/XlsWorkbook.h"
#include "tools/xls-pattern/WorkbookBuilder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: velt-xls-pattern <file>\n");
        return 2;
    }
    const QString target = QString::fromLocal8Bit(argv[1]);
    xlsbuild::WorkbookBuilder b;
    const int titleFont = b.AddFont(QStringLiteral("Arial"), 240, true);
    const int title = b.AddXf(titleFont);
    const int value = b.AddXf(0, xlsbuild::WorkbookBuilder::Left);
    const int sheet = b.AddSheet(QStringLiteral("Отчёт"));
    b.Column(sheet, 0, 0, 80 * 256, 15);
    b.Column(sheet, 1, 1, 28 * 256, value);
    b.Blank(sheet, 0, 0, title);

    // Through the workbook layer once, which lays the cells out in rows as spreadsheet programs expect.
    QTemporaryDir tmp;
    QString error;
    xls::XlsWorkbook book;
    QDir().mkpath(QFileInfo(target).absolutePath());
    if (!tmp.isValid() || !b.Write(tmp.filePath(QStringLiteral("skeleton.xls")), &error) ||
        !book.Load(tmp.filePath(QStringLiteral("skeleton.xls")), &error) || !book.Save(target, &error)) {
        std::fprintf(stderr, "velt-xls-pattern: %s: %s\n", argv[1], error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
