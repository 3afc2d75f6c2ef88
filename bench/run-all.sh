#!/usr/bin/env bash
# Runs every benchmark program of a finished build and prints one table. Builds nothing.
#
#   bench/run-all.sh [build-folder]            (build/ unless given)
#   taskset -c 0,1 bench/run-all.sh            (held to two processors)
#
# The journal benchmarks run once for each size in VELT_BENCH_SIZES ("10000 100000 1000000" unless set); their
# journals are generated once into VELT_BENCH_FIXTURES (/tmp/velt-bench-fixtures unless set) and reused by later
# runs. The other programs do not depend on the journal's size and run once. BENCH_MIN_TIME (seconds, 0.2 unless
# set) bounds each warm figure; cold figures are single runs by design. Run as root, the disk-cold start drops the
# page cache (it says disk_cold 0 where it could not).
#
# Each cell is the wall time with the processor time of all the program's threads beside it, then the counters.
# The goal column names each figure's goal; a cell that misses it is marked "!".
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
bin=$build/bench
sizes=${VELT_BENCH_SIZES:-10000 100000 1000000}
min_time=${BENCH_MIN_TIME:-0.2}
sized=(bench_dbf_journal bench_journal_filing bench_grid_paint bench_program_open)
once=()
for path in "$bin"/bench_*; do
    program=$(basename "$path")
    [[ -f $path && -x $path && " ${sized[*]} " != *" $program "* ]] && once+=("$program")
done
for program in "${sized[@]}"; do
    if [[ ! -x $bin/$program ]]; then
        echo "no $bin/$program: build first (make build)" >&2
        exit 1
    fi
done

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
cut -d' ' -f1-3 /proc/loadavg >"$out/load-start"

failed=0
run() { # json-file program [env...]
    local json=$1 program=$2
    shift 2
    echo "running $program ${*}" >&2
    local rc=0
    env "$@" "$bin/$program" --benchmark_min_time="$min_time" --benchmark_format=json \
        --benchmark_out="$json" --benchmark_out_format=json >/dev/null 2>"$json.err" || rc=$?
    if ((rc != 0)); then
        echo "$program ${*} failed (exit $rc):" >&2
        tail -5 "$json.err" >&2
        failed=1
    fi
}

for n in $sizes; do
    for program in "${sized[@]}"; do
        run "$out/$program@$n.json" "$program" VELT_BENCH_RECORDS="$n"
    done
done
for program in "${once[@]}"; do
    run "$out/$program@once.json" "$program"
done
cut -d' ' -f1-3 /proc/loadavg >"$out/load-end"

python3 - "$out" "$(nproc)" "$(nproc --all)" $sizes <<'EOF'
import json, os, re, sys

folder, processors, machine, sizes = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
columns = sizes + ["once"]
rows, order = {}, []
unit_scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}

def seconds_text(s):
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("us", 1e-6)):
        if s >= scale:
            return f"{s / scale:.3g} {unit}"
    return f"{s / 1e-9:.3g} ns"

def ms(b, key="real_time"):
    return b[key] * unit_scale[b["time_unit"]] * 1e3

def at_most(limit, key="real_time"):
    return lambda b: ms(b, key) <= limit

def both(*checks):
    return lambda b: all(c(b) for c in checks)

def counter(name, limit, below=True):
    return lambda b: name in b and (b[name] <= limit if below else b[name] >= limit)

M, K = "1000000", "100000"
# (program, benchmark name, goal text, {column: check}); "*" checks every column.
GOALS = [
    ("program_open", r"BM_ProgramOpenAndFirstView", "<= 300 ms wall and processor at 1,000,000 held to two processors, "
     "<= 60 ms at 100,000; under 200 MB resident",
     {M: both(at_most(300), at_most(300, "cpu_time"), counter("rss_mb", 200)), K: both(at_most(60), at_most(60, "cpu_time"))}),
    ("program_open", r"BM_ProgramOpenDiskCold", "disk-cold at 1,000,000 within 1.5 times a cold read of the file (ratio)",
     {M: lambda b: b.get("disk_cold") == 1 and b.get("ratio", 99) <= 1.5}),
    ("program_open", r"BM_ProgramFirstFiling", "<= 0.5 ms at 1,000,000", {M: at_most(0.5)}),
    ("journal_filing", r"BM_ColdFirstFiling", "<= 0.5 ms at 1,000,000", {M: at_most(0.5)}),
    ("journal_filing", r"BM_FileBurstOf1000", "< 1 s with the end-of-burst view at 1,000,000", {M: at_most(1000)}),
    ("dbf_journal", r"BM_ColdOpenAndFirstView", "< 100 ms at 100,000, < 300 ms at 1,000,000", {K: at_most(100), M: at_most(300)}),
    ("dbf_journal", r"BM_ColdFirstFiling", "< 1 ms at 1,000,000", {M: at_most(1)}),
    ("dbf_journal", r"BM_ColdFilteredView", "< 50 ms at 1,000,000; second_ms (the same filter at once after) <= 50 ms",
     {M: both(at_most(50), counter("second_ms", 50))}),
    ("dbf_journal", r"BM_FullScanEveryField", ">= 500 MB/s", {"*": lambda b: b.get("bytes_per_second", 0) >= 500e6}),
    ("grid_paint", r".", "<= 3 ms at every size", {"*": at_most(3)}),
    ("grid_export", r"BM_Export", "< 1 s (100,000 records)", {"once": at_most(1000)}),
    ("grid_export", r"BM_Import", "< 2 s (100,000 records)", {"once": at_most(2000)}),
    ("grid_typing", r".", "< 5 ms a key (100,000 records)", {"once": at_most(5)}),
    ("report_journal_window", r"BM_JournalWindowShow", "< 5 s (100,000 records)", {"once": at_most(5000)}),
    ("report_journal_window", r"BM_PreviewFirstPagePaint", "< 50 ms", {"once": at_most(50)}),
    ("report_build", r"BM_PrepareJournalReport/100000", "< 10 s", {"once": at_most(10000)}),
    ("consolidated_report", r".", "< 2 s (100,000 records)", {"once": at_most(2000)}),
    ("designer", r"BM_MoveSelectionOf200", "< 16 ms a step", {"once": at_most(16)}),
    ("designer", r"BM_OpenTwentyPageTemplate", "< 200 ms", {"once": at_most(200)}),
    ("rq_download", r".", "wire_ratio <= 1.2", {"once": counter("wire_ratio", 1.2)}),
    ("sources_load", r"BM_SixteenIdleSources", "< 2% of one core (cpu_percent)", {"once": counter("cpu_percent", 2)}),
    ("video_frames", r".", "25 frames a second with < 20% of one core",
     {"once": both(counter("frames_per_s", 24, below=False), counter("cpu_pct_of_core", 20))}),
]

def goal_of(program, name):
    for p, pattern, text, checks in GOALS:
        if p == program and re.match(pattern, name):
            return text, checks
    return "", {}

shown_counters = {"iterations", "real_time", "cpu_time", "time_unit", "name", "run_name", "run_type", "repetitions",
                  "repetition_index", "threads", "family_index", "per_family_instance_index", "bytes_per_second",
                  "error_occurred", "error_message", "aggregate_name", "aggregate_unit", "label"}
missed = False
for name in sorted(os.listdir(folder)):
    if not name.endswith(".json"):
        continue
    program, column = name[:-5].split("@")
    program = program.removeprefix("bench_")
    try:
        with open(os.path.join(folder, name)) as f:
            report = json.load(f)
    except (OSError, ValueError):
        continue
    for b in report.get("benchmarks", []):
        if b.get("run_type") == "aggregate":
            continue
        bench = re.sub(r"/(iterations:\d+|real_time|manual_time|process_time)", "", b["name"])
        key = (program, bench)
        if key not in rows:
            rows[key] = {}
            order.append(key)
        if b.get("error_occurred"):
            rows[key][column] = "error: " + b.get("error_message", "")
            continue
        text = seconds_text(b["real_time"] * unit_scale[b["time_unit"]])
        extra = ["cpu " + seconds_text(b["cpu_time"] * unit_scale[b["time_unit"]])]
        if "bytes_per_second" in b:
            extra.append(f"{b['bytes_per_second'] / 1e6:.0f} MB/s")
        for c, v in b.items():
            if c not in shown_counters and isinstance(v, (int, float)):
                extra.append(f"{c} " + (f"{v:,.0f}" if abs(v) >= 1000 else f"{v:.3g}"))
        cell = text + " (" + ", ".join(extra) + ")"
        check = goal_of(program, bench)[1]
        check = check.get(column, check.get("*"))
        if check and not check(b):
            cell = "! " + cell
            missed = True
        rows[key][column] = cell

with open(os.path.join(folder, "load-start")) as f:
    start = f.read().strip()
with open(os.path.join(folder, "load-end")) as f:
    end = f.read().strip()
print(f"processors: {processors} of {machine}; load average (1, 5, 15 min): {start} at the start, {end} at the end")
print()
shown = [c for c in columns if any(c in r for r in rows.values())]
head = ["benchmark"] + [c if c == "once" else f"{int(c):,} records" for c in shown] + ["goal"]
table = [head] + [[f"{p} {n}"] + [rows[(p, n)].get(c, "") for c in shown] + [goal_of(p, n)[0]] for p, n in order]
widths = [max(len(r[i]) for r in table) for i in range(len(head))]
for i, r in enumerate(table):
    print("  ".join(cell.ljust(w) for cell, w in zip(r, widths)).rstrip())
    if i == 0:
        print("  ".join("-" * w for w in widths))
if missed:
    print()
    print("! misses its goal")
EOF
exit $failed
