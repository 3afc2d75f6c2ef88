// Keys a user types into a grid over 100,000 records: characters into the in-place editor (the record
// goes into editing on the first), and characters of an incremental search whose match lies at the far
// end of the table (the first key walks the records, the later ones find the current record at once); and
// the first key after a record changed, which takes the column's texts again; and characters typed into a
// long memo note edited on several lines.
#include "bench/support/BenchMain.h"
#include "fixture.h"
#include "grid/DBGridEx.h"
#include "platform/controls/InplaceEdit.h"
#include "platform/data/DataSource.h"
#include "platform/data/Field.h"
#include "platform/data/MemDataSet.h"
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>

namespace {

struct Grid {
    TMemDataSet ds;
    TDataSource source;
    TDBGridEx grid;

    explicit Grid(int records)
    {
        ds.AddFieldDef("FIO", ftString, 40);
        ds.AddFieldDef("NUM_VIDOH", ftInteger);
        ds.Open();
        for (int i = 0; i < records; ++i)
            ds.AppendRecord({QStringLiteral("Иванов Иван %1").arg(i), i});
        ds.AppendRecord({QStringLiteral("Яковлев Яков"), records});
        ds.First();
        source.SetDataSet(&ds);
        grid.resize(900, 700);
        grid.SetOptions(bit(dgTitles) | bit(dgIndicator) | bit(dgColLines) | bit(dgRowLines) | bit(dgEditing));
        grid.SetAllowedOperations(bit(alopUpdateEx));
        grid.SetDataSource(&source);
        grid.show();
        grid.setFocus();
        QApplication::processEvents();
    }
};

void key(QWidget* w, int k, const QString& text, Qt::KeyboardModifiers m = {})
{
    QKeyEvent press(QEvent::KeyPress, k, m, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, m, text);
    QApplication::sendEvent(w, &release);
}

void BM_TypeIntoEditor(benchmark::State& state)
{
    Grid g(int(state.range(0)));
    key(g.grid.viewport(), Qt::Key_F2, {});
    QWidget* editor = g.grid.InplaceEditor();
    for (auto _ : state) {
        key(editor, Qt::Key_X, QStringLiteral("x"));
        QApplication::processEvents();
        state.PauseTiming();
        if (static_cast<QLineEdit*>(editor)->text().size() > 30)
            static_cast<QLineEdit*>(editor)->clear();
        state.ResumeTiming();
    }
}

// The same into a word-wrapped memo cell of a grid with rows three lines high, holding a note of the given
// length: each key goes through the multi-line view, and its text back to the editor and the grid.
void BM_TypeIntoWrappedMemo(benchmark::State& state)
{
    const int records = int(state.range(0));
    QString note;
    while (note.size() < state.range(1))
        note += QStringLiteral("в присутствии понятых без замечаний\r\n");
    TMemDataSet ds;
    ds.AddFieldDef("FIO", ftString, 40);
    ds.AddFieldDef("PRIM", ftMemo);
    ds.Open();
    ds.AppendRecord({QStringLiteral("Яковлев Яков"), note});
    for (int i = 1; i < records; ++i)
        ds.AppendRecord({QStringLiteral("Иванов Иван %1").arg(i), QStringLiteral("примечание %1").arg(i)});
    ds.First();
    TDataSource source;
    source.SetDataSet(&ds);
    TDBGridEx grid;
    grid.resize(900, 700);
    grid.SetOptions(bit(dgTitles) | bit(dgIndicator) | bit(dgColLines) | bit(dgRowLines) | bit(dgEditing));
    grid.SetAllowedOperations(bit(alopUpdateEx));
    grid.SetDrawMemoText(true);
    grid.SetRowLines(3);
    grid.SetDataSource(&source);
    grid.show();
    grid.setFocus();
    QApplication::processEvents();
    key(grid.viewport(), Qt::Key_Right, {});
    key(grid.viewport(), Qt::Key_F2, {});
    auto* editor = static_cast<TInplaceEdit*>(grid.InplaceEditor());
    if (!editor->WrapView()) {
        state.SkipWithError("the memo cell is not edited on several lines");
        return;
    }
    for (auto _ : state) {
        key(editor->WrapView(), Qt::Key_X, QStringLiteral("x"));
        QApplication::processEvents();
        state.PauseTiming();
        if (editor->text().size() > note.size() + 30) {
            editor->SetTextQuietly(note);
            editor->end(false);
        }
        state.ResumeTiming();
    }
}

// One key of a search: "я" walks to the last record; "к" and "о" match it where it stands.
void BM_IncrementalSearchKey(benchmark::State& state)
{
    Grid g(int(state.range(0)));
    g.grid.SetOptions(g.grid.Options() & ~bit(dgEditing));
    g.grid.SetOptionsEx(g.grid.OptionsEx() | bit(dghIncSearch));
    const QString typed = state.range(1) == 0 ? QStringLiteral("я") : QStringLiteral("як");
    for (auto _ : state) {
        state.PauseTiming();
        g.grid.StopInplaceSearch();
        g.ds.First();
        if (state.range(1) != 0)
            key(g.grid.viewport(), Qt::Key_unknown, typed.left(1));
        state.ResumeTiming();
        key(g.grid.viewport(), Qt::Key_unknown, typed.right(1));
        QApplication::processEvents();
        if (g.grid.InplaceSearchText().size() != typed.size())
            state.SkipWithError("the search did not find the record");
    }
}

// The first key after a record was changed: the search takes the column's texts again before it looks.
void BM_IncrementalSearchKeyAfterChange(benchmark::State& state)
{
    Grid g(int(state.range(0)));
    g.grid.SetOptions(g.grid.Options() & ~bit(dgEditing));
    g.grid.SetOptionsEx(g.grid.OptionsEx() | bit(dghIncSearch));
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        g.grid.StopInplaceSearch();
        g.ds.First();
        g.ds.Edit();
        g.ds.FieldByName(QStringLiteral("NUM_VIDOH"))->SetAsInteger(++n);
        g.ds.Post();
        state.ResumeTiming();
        key(g.grid.viewport(), Qt::Key_unknown, QStringLiteral("я"));
        QApplication::processEvents();
        if (g.grid.InplaceSearchText().size() != 1)
            state.SkipWithError("the search did not find the record");
    }
}

// The same over the journal's own table: the search asks the table's Locate, which narrows through the
// column's index, instead of taking every record's text again.
void BM_IncrementalSearchKeyAfterChangeOnJournal(benchmark::State& state)
{
    QTemporaryDir dir;
    benchfx::CopyJournal(benchfx::CachedJournal(benchfx::Records()), dir.path());
    TADOConnection conn;
    conn.SetConnectionString("FILE NAME=" + dir.path() + "/connect.udl");
    TADOQuery q(&conn);
    q.SetSQL("SELECT * FROM Base");
    q.Open();
    TDataSource source;
    source.SetDataSet(&q);
    TDBGridEx grid;
    grid.resize(900, 700);
    grid.SetOptions(bit(dgTitles) | bit(dgIndicator) | bit(dgColLines) | bit(dgRowLines));
    grid.SetOptionsEx(grid.OptionsEx() | bit(dghIncSearch));
    grid.SetDataSource(&source);
    grid.Columns().Clear();
    grid.Columns().Add()->SetFieldName(QStringLiteral("OBSL_FAM"));
    grid.Columns().Add()->SetFieldName(QStringLiteral("NUM_VIDOH"));
    grid.show();
    grid.setFocus();
    QApplication::processEvents();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        grid.StopInplaceSearch();
        q.First();
        q.Edit();
        q.FieldByName(QStringLiteral("NUM_VIDOH"))->SetAsInteger(++n);
        q.Post();
        q.First();
        state.ResumeTiming();
        key(grid.viewport(), Qt::Key_unknown, QStringLiteral("м"));
        QApplication::processEvents();
        if (grid.InplaceSearchText().size() != 1)
            state.SkipWithError("the search did not find the record");
    }
}

} // namespace

BENCHMARK(BM_IncrementalSearchKeyAfterChangeOnJournal)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_TypeIntoEditor)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_TypeIntoWrappedMemo)->Args({100000, 200})->Args({100000, 20000})->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_IncrementalSearchKey)->Args({100000, 0})->Args({100000, 1})->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_IncrementalSearchKeyAfterChange)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

int main(int argc, char** argv)
{
    return benchfx::RunBenchmarks(argc, argv);
}
