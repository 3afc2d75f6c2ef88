// Converting an older journal: a generated 100,000-row journal of the third generation, with a photo file in
// PHOTOS for 1% of its rows, into the "default_mp" journal with its memo. Timed from the rename to the
// success message (new files and folder on disk); the table is put back in place outside the timed part.
#include "bench/support/BenchMain.h"
#include "app/ConverterDB.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DbfTable.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

const int kRows = qEnvironmentVariableIntValue("VELT_BENCH_ROWS") > 0 ? qEnvironmentVariableIntValue("VELT_BENCH_ROWS") : 100000;

QString dateOf(int i)
{
    const int minutes = i * 53;
    const int day = minutes / 1440, minute = minutes % 1440;
    return QString("%1.%2.%3 %4:%5:%6")
        .arg(2001 + day / 336)
        .arg(day / 28 % 12 + 1, 2, 10, QChar('0'))
        .arg(day % 28 + 1, 2, 10, QChar('0'))
        .arg(minute / 60, 2, 10, QChar('0'))
        .arg(minute % 60, 2, 10, QChar('0'))
        .arg(i % 60, 2, 10, QChar('0'));
}

struct OldJournal {
    QTemporaryDir dir;
    QString work = dir.path();
    QString original = dir.filePath("original.DBF");

    OldJournal()
    {
        QDir(work).mkpath("DATABASE");
        QDir(work).mkpath("PHOTOS");
        const auto n = [](const char* name) { return dbf::Column{name, 'N', 11, 0, 0}; };
        const auto t = [](const char* name, int length) { return dbf::Column{name, 'C', length, 0, 0}; };
        auto table = dbf::Table::create(original, {n("ID"), n("PRIBOR"), t("DATA_IZM", 19), dbf::Column{"IZM", 'N', 12, 4, 0},
                                                   t("STAT", 1), t("OPER", 19), t("OBSL_FAM", 20), t("OBSL_NAME", 19),
                                                   t("OBSL_PAT", 19), n("NUM_VIDOH"), t("PAGE_FOOT", 1)});
        const QByteArray photo(20000, '\x5A');
        for (int i = 0; i < kRows; ++i) {
            const QString date = dateOf(i);
            const int pribor = 100 + i % 7;
            table->append({i + 1, pribor, date, (i % 900) / 1000.0 + 0.0004, QString::number(i % 2), QString::fromUtf8("ОПЕРАТОР"),
                           QString::fromUtf8("ИВАНОВ"), QString::fromUtf8("ИВАН"), QString::fromUtf8("ИВАНОВИЧ"), i, "0"});
            if (i % 100 == 0) {
                QFile f(work + "/PHOTOS/" + QString(date).replace(':', '.') + QString::asprintf("_%04i.jpg", pribor));
                if (!f.open(QIODevice::WriteOnly) || f.write(photo) != photo.size())
                    std::abort();
            }
        }
    }

    // Base.DBF of the old generation again, nothing else in DATABASE.
    void reset() const
    {
        QDir db(work + "/DATABASE");
        for (const QString& f : db.entryList(QDir::Files))
            db.remove(f);
        if (!QFile::copy(original, db.filePath("BASE.DBF")))
            std::abort();
    }
};

void BM_ConvertToDefaultMp(benchmark::State& state)
{
    static OldJournal journal;
    ctl::TScriptedMessageBoxPort boxes;
    for (auto _ : state) {
        state.PauseTiming();
        journal.reset();
        TADOConnection connection;
        connection.SetConnectionString("FILE NAME=" + journal.work + "/connect.udl");
        connection.Open();
        TADOQuery query(&connection), lookup(&connection);
        TfmConverterDB converter;
        converter.WorkDir = journal.work;
        converter.ADOQuery = &query;
        converter.ADOQueryP = &lookup;
        converter.ADOConnection = &connection;
        state.ResumeTiming();
        if (!converter.Convert(7, 3))
            state.SkipWithError("the conversion failed");
    }
    state.counters["rows"] = kRows;
}
BENCHMARK(BM_ConvertToDefaultMp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv)
{
    return benchfx::RunBenchmarks(argc, argv);
}
