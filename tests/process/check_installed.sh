#!/usr/bin/env bash
# Installs a build into a scratch prefix and checks that the installed tool
# finds its card library beside it and loads nothing but it and the C runtime.
# usage: check_installed.sh BUILD_DIR
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail=0

cmake --install "$build" --prefix "$prefix" >/dev/null || exit 1

want=$'\nFE READ Reg=0x001F Data=00'
got=$(cd / && env -u LD_LIBRARY_PATH VELKARO_SIM_DIR="$prefix/state" "$prefix/bin/feregtool" 1 3 -fe_reg_read 1f)
if [ "$got" != "$want" ]; then
    echo "FAIL installed read printed: $got"
    fail=1
fi

needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' '; }
check_needed() {
    local got
    got=$(needed "$1")
    if [ "$got" != "$2" ]; then
        echo "FAIL $1 needs: $got(want: $2)"
        fail=1
    fi
}
check_needed "$prefix/bin/feregtool" "libc.so.6 libvelkaro.so "
check_needed "$prefix/lib/libvelkaro.so" "libc.so.6 "

files=$(cd "$prefix" && find . -type f -not -path './state/*' | sort | tr '\n' ' ')
want_files="./bin/feregtool ./lib/libvelkaro.so ./share/bash-completion/completions/feregtool \
./share/doc/feregtool/LICENSE ./share/doc/feregtool/README.md ./share/man/man1/feregtool.1 "
if [ "$files" != "$want_files" ]; then
    echo "FAIL installed files: $files"
    fail=1
fi

runpath=$(readelf -d "$prefix/bin/feregtool" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
if [ "$runpath" != '$ORIGIN/../lib' ]; then
    echo "FAIL runpath is '$runpath'"
    fail=1
fi

if [ $fail = 0 ]; then
    echo "1 passed, 0 failed"
else
    echo "0 passed, 1 failed"
fi
exit $fail
