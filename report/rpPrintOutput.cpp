#include "report/rpPrintOutput.h"

#include "platform/controls/MessageBox.h"
#include "platform/system/SystemInfo.h"
#include "report/rpPrinter.h"
#include "report/rpReport.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrinter>
#include <algorithm>

namespace {

QString u(const char* text)
{
    return QString::fromUtf8(text);
}

QString absolute(const QString& file)
{
    return QFileInfo(file).absoluteFilePath();
}

} // namespace

QString rpProposedPrintFile(const TrpReport& report)
{
    QString name = report.Title.trimmed();
    if (name.isEmpty())
        name = QFileInfo(report.FileName).completeBaseName();
    if (name.isEmpty())
        name = QStringLiteral("Report");
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString folder = sys::DocumentsFolder().value_or(QDir::homePath());
    return QDir(folder).filePath(name + QStringLiteral(".pdf"));
}

QString rpPrintFileProblem(const QString& file)
{
    if (file.trimmed().isEmpty())
        return u("Не указано имя файла.");
    const QFileInfo info(file);
    if (info.isDir())
        return u("Это папка, а не файл.");
    if (!QFileInfo(info.absolutePath()).isDir())
        return u("Папка %1 не существует.").arg(info.absolutePath());
    // Only a real open tells: the superuser passes every permission test, yet not every folder takes a file.
    QFile f(file);
    if (info.exists()) {
        if (!f.open(QIODevice::Append))
            return u("Файл нельзя перезаписать.");
        f.close();
    } else {
        if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return u("В папку %1 нельзя записывать.").arg(info.absolutePath());
        f.close();
        f.remove();
    }
    return QString();
}

bool rpAcceptPrintFile(const QString& file)
{
    const QString path = absolute(file);
    const QString problem = rpPrintFileProblem(path);
    if (!problem.isEmpty()) {
        ctl::MessageBox(u("Отчёт нельзя сохранить в файл\n%1\n\n%2").arg(path, problem), u("Ошибка!"),
                        ctl::MB_OK | ctl::MB_ICONERROR);
        return false;
    }
    if (!QFileInfo::exists(path))
        return true;
    return ctl::MessageBox(u("Файл\n%1\nуже существует. Заменить его?").arg(path), u("Печать"),
                           ctl::MB_YESNO | ctl::MB_ICONQUESTION | ctl::MB_DEFBUTTON2) == ctl::IDYES;
}

void rpTellPrintedToFile(const QString& file)
{
    ctl::MessageBox(u("Отчёт сохранён в файл\n%1").arg(absolute(file)), u("Печать"),
                    ctl::MB_OK | ctl::MB_ICONINFORMATION);
}

void rpTellFileNotWritten(const QString& file)
{
    const QString path = absolute(file);
    QString problem = rpPrintFileProblem(path);
    if (problem.isEmpty())
        problem = u("Файл не удалось записать.");
    ctl::MessageBox(u("Отчёт не сохранён в файл\n%1\n\n%2").arg(path, problem), u("Ошибка!"),
                    ctl::MB_OK | ctl::MB_ICONERROR);
}

void rpTellPrinterRefused(const QString& printer)
{
    ctl::MessageBox(u("Принтер «%1» не принял задание. Отчёт не напечатан.").arg(printer), u("Ошибка!"),
                    ctl::MB_OK | ctl::MB_ICONERROR);
}

// ---- the system's print dialog ------------------------------------------------------------------------

TrpSystemPrintDialog::TrpSystemPrintDialog(QPrinter* printer, QWidget* parent) : QPrintDialog(printer, parent)
{
    // The toolkit's dialog asks about an existing file in a box of its own; the file is checked in done()
    // instead, so that the user is asked once, by the program's own boxes.
    if (auto* buttons = findChild<QDialogButtonBox*>()) {
        disconnect(buttons, &QDialogButtonBox::accepted, this, nullptr);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    }
    // The whole path of the proposed file in view, not only its tail.
    if (auto* field = findChild<QLineEdit*>(QStringLiteral("filename"))) {
        const int wanted = field->fontMetrics().horizontalAdvance(printer->outputFileName()) + 16;
        field->setMinimumWidth(std::min(wanted, 640));
    }
}

void TrpSystemPrintDialog::done(int result)
{
    if (result == QDialog::Accepted && !rpAcceptPrintDialogChoice(*printer()))
        return;
    QPrintDialog::done(result);
}

bool rpAcceptPrintDialogChoice(const QPrinter& printer)
{
    return printer.outputFileName().isEmpty() || rpAcceptPrintFile(printer.outputFileName());
}

void rpPreparePrintDialogPrinter(QPrinter& printer, const TrpReport& report)
{
    TrpPrinter& prn = Prn();
    const QString proposed = rpProposedPrintFile(report);
    // The toolkit names a file it proposes itself after the document.
    printer.setDocName(QFileInfo(proposed).completeBaseName());
    if (!prn.IsDefault() && prn.Printer)
        printer.setPrinterName(prn.Printers[prn.PrinterIndex]);
    else
        printer.setOutputFileName(proposed);
}

void rpTakePrintDialogChoice(const QPrinter& printer)
{
    TrpPrinter& prn = Prn();
    const QString file = printer.outputFileName();
    const int index = int(prn.Printers.indexOf(printer.printerName()));
    // A file, or a printer the engine does not know, goes through the engine's own PDF output.
    if (!file.isEmpty() || index < 0 || index == prn.DefaultIndex) {
        if (prn.PrinterIndex != prn.DefaultIndex)
            prn.SetPrinterIndex(prn.DefaultIndex);
        prn.OutputFile = file.isEmpty() ? QString() : absolute(file);
    } else {
        if (index != prn.PrinterIndex)
            prn.SetPrinterIndex(index);
        prn.OutputFile.clear();
    }
}
