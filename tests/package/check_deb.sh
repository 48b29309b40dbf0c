#!/usr/bin/env bash
# Makes the .deb of a build and checks the files it installs, exactly.
# usage: check_deb.sh BUILD_DIR
set -u
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null || exit 1
deb=$(ls "$out"/*.deb)
got=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
want=$(sort <<'LIST'
./usr/bin/feregtool
./usr/lib/libvelkaro.so
./usr/share/bash-completion/completions/feregtool
./usr/share/doc/feregtool/LICENSE
./usr/share/doc/feregtool/README.md
./usr/share/man/man1/feregtool.1
LIST
)
echo "$deb holds:"
echo "$got"
if [ "$got" != "$want" ]; then
    echo "FAIL: want"
    echo "$want"
    echo "0 passed, 1 failed"
    exit 1
fi
echo "1 passed, 0 failed"
