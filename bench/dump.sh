#!/usr/bin/env bash
# What a sweep of 256 registers costs: one dump, beside one single read and
# beside a shell loop of 256 single reads, on the simulated card, in one run
# so that the machine's noise falls on all three alike. The dump's target is
# at most 1.5 times one read's wall time; the script fails when it is missed.
# Run by hand:
#   bench/dump.sh [BUILD_DIR]        (default: build/default)
# Needs valgrind and hyperfine (apt-get install valgrind hyperfine).
set -eu
. "$(dirname "$0")/setup.sh" "${1:-}" hyperfine python3

dump_cmd="$tool 1 3 -fe_reg_dump 0"
read_cmd="$tool 1 3 -fe_reg_read 1f"
loop_cmd="bash -c 'for ((r = 0; r < 256; r++)); do printf -v reg %x \$r; $tool 1 3 -fe_reg_read \$reg; done >/dev/null'"

echo "instructions (callgrind), one run:"
echo "  dump of 256     $(instructions $dump_cmd)"
echo "  single read     $(instructions $read_cmd)"

echo "wall time (hyperfine; 1,000 runs of each command, 20 of the loop):"
hyperfine -N --warmup 100 --runs 1000 --export-json "$work/one.json" "$dump_cmd" "$read_cmd" \
    >/dev/null 2>"$work/hyperfine.log"
hyperfine --warmup 2 --runs 20 --export-json "$work/loop.json" "$loop_cmd" \
    >/dev/null 2>>"$work/hyperfine.log"
python3 - "$work/one.json" "$work/loop.json" <<'PY'
import json, sys
one = json.load(open(sys.argv[1]))["results"]
loop = json.load(open(sys.argv[2]))["results"][0]["mean"]
dump, read = one[0]["mean"], one[1]["mean"]
print(f"  dump of 256     {dump * 1000:8.3f} ms")
print(f"  single read     {read * 1000:8.3f} ms")
print(f"  loop of 256     {loop * 1000:8.3f} ms")
print(f"  dump / read     {dump / read:8.2f}   (target: at most 1.5)")
print(f"  loop / dump     {loop / dump:8.1f}")
sys.exit(0 if dump <= 1.5 * read else 1)
PY
