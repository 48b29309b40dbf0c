#!/usr/bin/env bash
# What a user pays for one feregtool run and for a sweep of 1,000 register
# reads, side by side with the floor of a process start (/bin/true), in one
# run so that the machine's noise falls on both alike. Run by hand:
#   bench/startup.sh [BUILD_DIR]        (default: build/default)
# Needs valgrind, hyperfine and GNU time (apt-get install valgrind hyperfine time).
set -eu
. "$(dirname "$0")/setup.sh" "${1:-}" callgrind_annotate hyperfine /usr/bin/time python3
read_cmd="$tool 1 3 -fe_reg_read 1f"

peak_kib() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }
mean_seconds() { # JSON_FILE INDEX
    python3 -c 'import json, sys
mean = json.load(open(sys.argv[1]))["results"][int(sys.argv[2])]["mean"]
print("%.4f" % mean)' "$@"
}
ratio() { python3 -c 'import sys; print(f"{float(sys.argv[1]) / float(sys.argv[2]):.3f}")' "$@"; }
report() { # UNIT TOOL_VALUE TRUE_VALUE
    echo "  feregtool       $2 $1"
    echo "  /bin/true       $3 $1"
    echo "  ratio           $(ratio "$2" "$3")"
}
ms() { python3 -c 'import sys; print(f"{float(sys.argv[1]) * 1000:.3f}")' "$1"; }

echo "instructions (callgrind), one run:"
report "" "$(instructions $read_cmd)" "$(instructions /bin/true)"

echo "wall time, 1,000 sequential runs each (hyperfine):"
hyperfine -N --warmup 100 --runs 1000 --export-json "$work/runs.json" "$read_cmd" /bin/true \
    >/dev/null 2>"$work/hyperfine.log"
report ms "$(ms "$(mean_seconds "$work/runs.json" 0)")" "$(ms "$(mean_seconds "$work/runs.json" 1)")"

echo "wall time, a sweep of registers 0-3E7 from a shell loop (hyperfine, 5 runs):"
loop='for ((r = 0; r < 1000; r++)); do printf -v reg %x $r; CMD 1 3 -fe_reg_read $reg; done >/dev/null'
hyperfine --warmup 1 --runs 5 --export-json "$work/sweep.json" \
    "bash -c '${loop/CMD/$tool}'" "bash -c '${loop/CMD//bin/true}'" >/dev/null 2>>"$work/hyperfine.log"
report s "$(mean_seconds "$work/sweep.json" 0)" "$(mean_seconds "$work/sweep.json" 1)"

echo "peak resident memory, one run (GNU time):"
report KiB "$(peak_kib $read_cmd)" "$(peak_kib /bin/true)"
