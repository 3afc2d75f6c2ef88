// velt-designer FILE.rpf: opens the report designer on a report template, as the program would if it
// opened it. "Save" writes the template back to the same file. A missing file starts an empty report
// that is saved under that name. velt-designer --snapshot PICTURE.png FILE.rpf shows the designer on
// the file, writes a picture of its window and ends (for looking at it without a screen). The report
// templates of "New from template" are those of the file's folder.
// A file that cannot be read is named with the reason, and the tool ends with status 1 without
// opening the designer (Save would write an empty report over it).
// velt-designer --journal WORKFOLDER [FILE.rpf] designs the journal's report inside the journal's report
// window over the work folder's journal, with its data sets and its answers to the template's variables;
// FILE defaults to the journal template the program prints with (REPORTS of the work folder).
#include "journal/JournalReportDesign.h"
#include "platform/controls/MessageBox.h"
#include "report/designer/rpDesigner.h"
#include "report/designer/rpDesignerForm.h"
#include "report/rpParser.h"
#include "report/rpReport.h"

#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <memory>

namespace {

// Keeps what the engine would say in a message box while the file is read: the tool says it once, with
// the file's name, and a box no one can see would never be answered in snapshot mode.
class TLoadMessages : public ctl::TMessageBoxPort {
public:
    TLoadMessages() : previous_(ctl::SetMessageBoxPort(this)) {}
    ~TLoadMessages() override { ctl::SetMessageBoxPort(previous_); }
    int Show(const QString& text, const QString&, unsigned flags) override
    {
        Said.append(text);
        return ctl::DefaultResult(flags);
    }
    QStringList Said;

private:
    ctl::TMessageBoxPort* previous_;
};

// Reads the file into the report; the reason when it cannot, empty when it was read.
QString load(TrpReport& report, const QString& file)
{
    if (const QString note = rpXmlFormNote(file); !note.isEmpty())
        return note;
    TLoadMessages messages;
    try {
        if (report.LoadFromFile(file))
            return {};
    } catch (const std::exception& e) {
        messages.Said.append(QString::fromUtf8(e.what()));
    }
    return messages.Said.isEmpty() ? QStringLiteral("the file cannot be read") : messages.Said.join(QLatin1Char(' '));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("VELT"));
    QStringList args = QCoreApplication::arguments().mid(1);
    // An option and its value; false when the option is not next.
    auto option = [&args](const char* name, QString& value) {
        if (args.size() < 2 || args[0] != QLatin1String(name))
            return false;
        value = args[1];
        args.remove(0, 2);
        return true;
    };
    QString picture, workDir;
    const bool snapshot = option("--snapshot", picture);
    const bool journal = option("--journal", workDir);
    if (args.size() > 1 || (args.isEmpty() && !journal) || args.value(0).startsWith(QLatin1String("--"))) {
        std::fprintf(stderr, "usage: velt-designer [--snapshot PICTURE.png] FILE.rpf\n"
                             "       velt-designer [--snapshot PICTURE.png] --journal WORKFOLDER [FILE.rpf]\n");
        return 2;
    }
    rpTheParser();
    std::unique_ptr<TJournalReportDesign> around;
    if (journal) {
        around = std::make_unique<TJournalReportDesign>(workDir);
        if (!around->Ok()) {
            std::fprintf(stderr, "velt-designer: %s\n", around->Error.toLocal8Bit().constData());
            return 1;
        }
    }
    const QString file = args.isEmpty() ? around->TemplateFile() : args[0];
    rpDesignerStartup();
    // Templates are kept beside the report forms.
    TrpDesigner component;
    component.TemplateDir = QFileInfo(file).absolutePath();
    component.Loaded();
    int rc = 0;
    {
        TrpReport own;
        TrpReport& report = around ? *around->Report() : own;
        if (QFileInfo::exists(file)) {
            if (const QString reason = load(report, file); !reason.isEmpty()) {
                const QString message = QStringLiteral("Cannot open %1: %2").arg(file, reason);
                std::fprintf(stderr, "velt-designer: %s\n", message.toLocal8Bit().constData());
                if (!snapshot)
                    ctl::MessageBox(message, QStringLiteral("velt-designer"), ctl::MB_OK | ctl::MB_ICONERROR);
                rc = 1;
            }
        }
        if (rc == 0 && snapshot) {
            auto* designer = dynamic_cast<TrpDesignerForm*>(rpDesigner);
            CurReport = &report;
            report.FileName = file;
            designer->resize(1200, 900);
            designer->FormShow();
            designer->show();
            QCoreApplication::processEvents();
            if (!designer->grab().save(picture)) {
                std::fprintf(stderr, "velt-designer: cannot write %s\n", picture.toLocal8Bit().constData());
                rc = 1;
            }
            designer->hide();
            designer->FormHide();
        } else if (rc == 0) {
            report.FileName = file;
            if (around)
                around->Design();
            else
                report.DesignReport();
        }
    }
    rpDesignerShutdown();
    return rc;
}
