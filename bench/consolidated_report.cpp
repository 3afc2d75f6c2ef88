// The consolidated report of a 100,000-record journal over 10 instruments (norms, exceedances, interlock
// events and gaps in the exhalation numbers), from the window's save to the written workbook.
#include "bench/support/BenchMain.h"
#include "db/DBInfoPribors.h"
#include "db/InfoPribCopy.h"
#include "db/JournalSchemas.h"
#include "journal/ConsReport.h"
#include "platform/controls/DialogPort.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DbfTable.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>
#include <utility>

namespace {

constexpr int kRecords = 100000;
constexpr int kInstruments = 10;

QString dateOf(int i)
{
    // About 27 records a day over ten years, in filing order.
    const int minutes = i * 53;
    const int day = minutes / 1440, minute = minutes % 1440;
    const int year = 2005 + day / 365, dayOfYear = day % 365;
    return QString("%1.%2.%3 %4:%5:%6")
        .arg(year)
        .arg(dayOfYear / 31 % 12 + 1, 2, 10, QChar('0'))
        .arg(dayOfYear % 28 + 1, 2, 10, QChar('0'))
        .arg(minute / 60, 2, 10, QChar('0'))
        .arg(minute % 60, 2, 10, QChar('0'))
        .arg(i % 60, 2, 10, QChar('0'));
}

struct Journal {
    QTemporaryDir dir;
    std::unique_ptr<TADOConnection> conn;
    std::unique_ptr<TDBInfoPribors> info;

    Journal()
    {
        QDir(dir.path()).mkpath("DATABASE");
        QDir(dir.path()).mkpath("REPORTS");
        conn = std::make_unique<TADOConnection>();
        conn->SetLoginPrompt(false);
        conn->SetConnectionString("FILE NAME=" + dir.filePath("connect.udl"));
        conn->Open();
        TADOQuery create(conn.get());
        create.SetSQL(db::CreateTableText(db::Schema::DefaultMp));
        create.ExecSQL();
        auto table = conn->openTable("Base");
        const int columns = int(table->columns().size());
        for (int i = 0; i < kRecords; ++i) {
            std::vector<QVariant> v(static_cast<size_t>(columns));
            const int n = i / kInstruments;
            v[0] = i + 1;
            v[2] = 1000 + i % kInstruments;
            v[3] = dateOf(i);
            if (i % 50 == 7) {  // an interlock event
                v[4] = int(0x80000001u + uint32_t(i / 50 % 6));
                v[22] = 2;
            } else {
                v[4] = n + n / 40;  // a gap every 40 numbers
                v[5] = i % 53 == 0 ? 0.5 : (i % 97) / 1000.0;  // now and then over the norm
                v[6] = QString::number(i % 13 == 0 ? 1 : i % 17 == 0 ? 2 : 0);
                v[22] = 1;
            }
            table->append(v);
        }
        table.reset();
        conn->ReleaseFiles();
        info = std::make_unique<TDBInfoPribors>(dir.path());
        for (int k = 0; k < kInstruments; ++k) {
            TInfoPriborRecord r;
            r.PRIBOR = uint32_t(1000 + k);
            r.DATECONST = DateTimeTextToLong("2005.01.01 00:00:00");
            r.DATEGET = r.DATECONST;
            r.NORMA = 0.1 + 0.02 * k;
            r.LIFEZAPIS = uint32_t(20000 + k);
            info->Add(r);
        }
        const QString generator = QCoreApplication::applicationDirPath() + "/../bin/velt-xls-pattern";
        if (QProcess::execute(generator, {dir.filePath("REPORTS/pattern.xls")}) != 0)
            qFatal("cannot run %s", qPrintable(generator));
    }
};

// The save dialog answers with one file; no other dialog is expected.
class SaveAs : public ctl::TScopedDialogPort {
public:
    explicit SaveAs(QString file) : file_(std::move(file)) {}
    int Exec(QDialog&) override { return QDialog::Rejected; }
    bool AskFile(ctl::TFileQuestion& question, QWidget*) override
    {
        question.FileName = file_;
        return true;
    }
    void Popup(QMenu&, const QPoint&) override {}

private:
    QString file_;
};

void BM_ConsolidatedReport(benchmark::State& state)
{
    static Journal j;
    const QString out = j.dir.filePath("report.xls");
    const SaveAs saveAs(out);
    int rows = 0;
    for (auto _ : state) {
        TfmConsReport form;
        form.SetDatabase(j.conn.get(), j.dir.path(), j.info.get());
        form.OpenSavedFile = [](const QString&) {};
        form.FormShow();
        for (int i = 0; i < form.clbPribors->count(); ++i)
            form.clbPribors->item(i)->setCheckState(Qt::Checked);
        form.bSaveToExcelClick();
        if (form.result() != QDialog::Accepted)
            state.SkipWithError("the report was not saved");
        rows = form.clbPribors->count();
    }
    state.counters["instruments"] = rows;
    state.counters["bytes"] = double(QFile(out).size());
}
BENCHMARK(BM_ConsolidatedReport)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv)
{
    ctl::TScriptedMessageBoxPort boxes; // a message would be a failure; none is waited for
    return benchfx::RunBenchmarks(argc, argv, {}, [&] { return boxes.Count() == 0 ? 0 : 1; });
}
