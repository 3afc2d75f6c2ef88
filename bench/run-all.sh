#!/usr/bin/env bash
# Runs every benchmark program of a finished build and prints one table. Builds nothing.
#
#   bench/run-all.sh [build-folder]            (build/ unless given)
#
# The journal benchmarks run once for each size in VELT_BENCH_SIZES ("10000 100000 1000000" unless set); their
# journals are generated once into VELT_BENCH_FIXTURES (/tmp/velt-bench-fixtures unless set) and reused by later
# runs. The other programs do not depend on the journal's size and run once. BENCH_MIN_TIME (seconds, 0.2 unless
# set) bounds each warm figure; cold figures are single runs by design.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
bin=$build/bench
sizes=${VELT_BENCH_SIZES:-10000 100000 1000000}
min_time=${BENCH_MIN_TIME:-0.2}
sized=(bench_dbf_journal bench_journal_filing bench_grid_paint)
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

python3 - "$out" $sizes <<'EOF'
import json, os, re, sys

folder, sizes = sys.argv[1], sys.argv[2:]
columns = sizes + ["once"]
rows, order = {}, []
unit_scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}

def seconds_text(s):
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("us", 1e-6)):
        if s >= scale:
            return f"{s / scale:.3g} {unit}"
    return f"{s / 1e-9:.3g} ns"

for name in sorted(os.listdir(folder)):
    if not name.endswith(".json"):
        continue
    program, column = name[:-5].split("@")
    try:
        with open(os.path.join(folder, name)) as f:
            report = json.load(f)
    except (OSError, ValueError):
        continue
    for b in report.get("benchmarks", []):
        if b.get("run_type") == "aggregate":
            continue
        key = (program.removeprefix("bench_"), re.sub(r"/(iterations:\d+|real_time|manual_time)", "", b["name"]))
        if key not in rows:
            rows[key] = {}
            order.append(key)
        if b.get("error_occurred"):
            rows[key][column] = "error: " + b.get("error_message", "")
            continue
        text = seconds_text(b["real_time"] * unit_scale[b["time_unit"]])
        extra = []
        if "bytes_per_second" in b:
            extra.append(f"{b['bytes_per_second'] / 1e6:.0f} MB/s")
        for counter in ("rss_mb", "rss_growth_mb", "rows", "records", "wire_ratio", "wire_s", "pauses_s", "download_s"):
            if counter in b:
                v = b[counter]
                extra.append(f"{counter} " + (f"{v:,.0f}" if v >= 1000 else f"{v:.3g}"))
        rows[key][column] = text + (" (" + ", ".join(extra) + ")" if extra else "")

shown = [c for c in columns if any(c in r for r in rows.values())]
head = ["benchmark"] + [c if c == "once" else f"{int(c):,} records" for c in shown]
table = [head] + [[f"{p} {n}"] + [rows[(p, n)].get(c, "") for c in shown] for p, n in order]
widths = [max(len(r[i]) for r in table) for i in range(len(head))]
for i, r in enumerate(table):
    print("  ".join(cell.ljust(w) for cell, w in zip(r, widths)).rstrip())
    if i == 0:
        print("  ".join("-" * w for w in widths))
EOF
exit $failed
