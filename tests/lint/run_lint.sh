#!/usr/bin/env bash
# Static analysis of the whole tree: clang-tidy (checks in .clang-tidy) and
# cppcheck (options below). Any finding fails.
# usage: run_lint.sh clang-tidy|cppcheck BUILD_DIR
# BUILD_DIR holds the compile_commands.json of a Linux build.
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
cd "$top"
build=$2
posix_sources=(tool/*.cpp card_sim/velkaro_sim.cpp card_sim/sim_store_posix.cpp
    tests/unit/*.cpp tests/fuzz/*.cpp)

case $1 in
clang-tidy)
    clang-tidy --quiet -p "$build" "${posix_sources[@]}" || exit 1
    # The Windows store is checked as the 32-bit Windows compiler sees it.
    mingw=i686-w64-mingw32-g++-posix
    if command -v $mingw >/dev/null; then
        includes=()
        while read -r dir; do includes+=(-isystem "$dir"); done < <(
            echo | $mingw -E -x c++ - -v 2>&1 |
                sed -n '/#include <...> search starts here:/,/End of search list/{/^ /s/^ //p}')
        clang-tidy --quiet card_sim/sim_store_win32.cpp -- --target=i686-w64-mingw32 \
            -std=c++17 -nostdinc "${includes[@]}" -Icard_access -DVELKARO_BUILDING_LIBRARY ||
            exit 1
    else
        echo "skipped card_sim/sim_store_win32.cpp: $mingw is not installed"
    fi
    ;;
cppcheck)
    cppcheck --quiet --error-exitcode=1 --std=c++17 --inline-suppr \
        --enable=warning,style,performance,portability --library=googletest \
        --suppress=missingIncludeSystem -Itool -Icard_access -Icard_sim \
        tool card_sim card_access tests/unit tests/fuzz || exit 1
    ;;
*)
    echo "usage: run_lint.sh clang-tidy|cppcheck BUILD_DIR" >&2
    exit 2
    ;;
esac
echo "$1: clean"
