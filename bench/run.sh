#!/usr/bin/env bash
# Builds the benchmark (release), generates the registers once (S: 100,000 discs,
# 10,000 people, 200,000 loans; L: ten times that) and prints, for each scale, the
# median of every action, its floor and the ratio, and the peak RSS; then the command
# line's export and import of the discs and the loans.
#   bench/run.sh            both scales
#   bench/run.sh S          one scale
#   ORDISK_KEPT_ROWS=off bench/run.sh S    the same with the kept rows switched off
#   ORDISK_PAGED_LISTS=off bench/run.sh S  the same with the loan lists read whole
#   (and, last, launch to the first frame: see the end)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/tools/setup.sh" --bench
cd "$here"
cmake --preset bench >/dev/null
cmake --build --preset bench
data=build/bench-data
mkdir -p "$data"
declare -A size=([S]="100000 10000 200000" [L]="1000000 100000 2000000")
for scale in "${@:-S L}"; do
    for s in $scale; do
        [ -f "$data/$s.zaz" ] || build/bench/bench/ordisk_generate "$data/$s.zaz" ${size[$s]} 1
        echo "== scale $s (${size[$s]} discs, people, loans)"
        # Seven runs of each action at S, three at L (where the whole history takes seconds).
        runs=7; [ "$s" = L ] && runs=3
        ORDISK_BENCH_RUNS=${ORDISK_BENCH_RUNS:-$runs} ORDISK_BENCH_DB="$data/$s.zaz" \
            build/bench/bench/ordisk_bench --benchmark_repetitions=3 \
            --benchmark_report_aggregates_only=true --benchmark_format=json --benchmark_min_time=0.2 \
            >"$data/$s.json" 2>"$data/$s.err"
        grep "peak RSS" "$data/$s.err" || true
        python3 - "$data/$s.json" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
median = {b["run_name"].split("/")[0]: b["real_time"] for b in runs if b.get("aggregate_name") == "median"}
print(f"{'action':28} {'median ms':>10} {'floor ms':>10} {'ratio':>6}")
for name, t in median.items():
    if name.endswith(" [floor]"):
        continue
    floor = median.get(name + " [floor]")
    ratio = f"{t / floor:6.2f}" if floor else "     -"
    print(f"{name:28} {t:10.2f} {floor if floor is not None else float('nan'):10.2f} {ratio}")
PY
        # The command line's export and import, the whole program's run: the median of three,
        # and the peak memory (an export's and an import's must not grow with the rows).
        python3 bench/command_line.py "$data/$s.zaz" build/bench/app/ordisk
    done
done
# Launch to the first frame on a virtual X server, each register's beside an empty register's
# and an empty QMainWindow of the main window's size, in turn (median of 15 starts each).
#   ORDISK_FIRST_ROWS=off bench/run.sh S   the same without the first rows kept from the last run
#   ORDISK_READ_AHEAD=off bench/run.sh S   the same with every row read before the window shows
frames=(empty=)
for s in ${*:-S L}; do
    frames+=("$s=$data/$s.zaz")
done
echo "== launch to the first frame"
python3 bench/first_frame/first_frame.py build/bench "${frames[@]}"
