#!/usr/bin/env bash
# Configures, builds and tests the tree as a newcomer would, on a machine
# that lacks every optional test tool: the configure must say what it left
# out and the rest must pass. Then, with every test tool required, the
# configure must stop and name what is missing.
# usage: check_without_test_tools.sh SOURCE_DIR CMAKE CTEST C_COMPILER CXX_COMPILER NINJA AR RANLIB STRIP
set -u
src=$1 cmake=$2 ctest=$3
scratch=$(mktemp -d)
trap "rm -rf \"$scratch\"" EXIT
passed=0 failed=0

check() { # DESCRIPTION COMMAND...: a step that must succeed
    local what=$1
    shift
    if "$@" >"$scratch/log" 2>&1; then
        passed=$((passed + 1))
        echo "ok   $what"
    else
        failed=$((failed + 1))
        echo "FAIL $what"
        sed 's/^/  /' "$scratch/log"
    fi
}

says() { # TEXT: the last step's output holds TEXT, however CMake wrapped it
    if tr -s ' \n' '  ' <"$scratch/log" | grep -qF -- "$1"; then
        passed=$((passed + 1))
        echo "ok   says: $1"
    else
        failed=$((failed + 1))
        echo "FAIL does not say: $1"
    fi
}

# Every tool is hidden from the searches: the standard folders are ignored,
# so the build tools are named by their full paths.
without_tools=(-G Ninja -DCMAKE_C_COMPILER="$4" -DCMAKE_CXX_COMPILER="$5" -DCMAKE_MAKE_PROGRAM="$6"
    -DCMAKE_AR="$7" -DCMAKE_RANLIB="$8" -DCMAKE_STRIP="$9"
    "-DCMAKE_IGNORE_PATH=/usr/bin;/bin;/usr/sbin;/sbin;/usr/local/bin"
    -DCMAKE_DISABLE_FIND_PACKAGE_Python3=ON -DGOOGLETEST_SOURCE_DIR="$scratch/no-googletest"
    -DFEREGTOOL_CHECK_NEWCOMER_BUILD=OFF)

check "configure without test tools" "$cmake" -S "$src" -B "$scratch/build" "${without_tools[@]}"
says "Leaving out the unit tests: GoogleTest sources"
says "Leaving out the process-level tests and the Windows resource check: python3 not found"
says "Leaving out the manual page check: mandoc not found"
says "Leaving out the valgrind runs: valgrind not found"
check "build without test tools" "$cmake" --build "$scratch/build"
check "tests without test tools" "$ctest" --test-dir "$scratch/build" --output-on-failure
says "100% tests passed"

if "$cmake" -S "$src" -B "$scratch/required" "${without_tools[@]}" \
    -DFEREGTOOL_REQUIRE_TEST_TOOLS=ON >"$scratch/log" 2>&1; then
    failed=$((failed + 1))
    echo "FAIL configure with every test tool required went through"
else
    passed=$((passed + 1))
    echo "ok   configure with every test tool required stops"
fi
says "GoogleTest sources in $scratch/no-googletest not found; the unit tests need it (Debian package googletest)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
