#!/usr/bin/env bash
# Checks that a Windows executable imports the card library and the C
# runtime and nothing else (KERNEL32 is part of every Windows process).
# usage: check_imports.sh OBJDUMP EXE CARD_DLL
set -u
objdump=$1 exe=$2 card=$3
got=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -f | tr '\n' ' ')
want=$(printf '%s\n' KERNEL32.dll msvcrt.dll "$card" | sort -f | tr '\n' ' ')
if [ -z "$got" ] || [ "${got,,}" != "${want,,}" ]; then
    echo "FAIL $exe imports: $got(want: $want)"
    echo "0 passed, 1 failed"
    exit 1
fi
echo "imports: $got"
echo "1 passed, 0 failed"
