# Sourced by the benchmarks beside it, after `set -eu`, with the build folder
# (default: build/default) and the commands they need besides valgrind.
# Installs that build into a scratch prefix, gives it a simulated card of
# its own with register 0x1F of span 1, channel 3 written, and sets
# $tool, $work (removed at exit) and instructions().
# usage: . bench/setup.sh BUILD_DIR COMMAND...
bench_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$bench_top/build/default}
shift
for cmd in valgrind "$@"; do
    command -v "$cmd" >/dev/null || { echo "missing: $cmd" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
tool=$work/prefix/bin/feregtool
export VELKARO_SIM_DIR=$work/state
unset VELKARO_SIM_TRACE VELKARO_SIM_FAIL_OPEN VELKARO_SIM_READ_STATUS VELKARO_SIM_WRITE_STATUS
"$tool" 1 3 -fe_reg_write 1f 0a >/dev/null

# Instructions that one run of a command executes, as callgrind counts them.
instructions() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
        sed -n 's/.*Collected : //p'
}
