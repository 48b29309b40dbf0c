#!/usr/bin/env bash
# Drives the bash completion as bash does, and checks what it offers at
# each position of a command line.
# usage: check_completion.sh COMPLETION_SCRIPT
set -u
# shellcheck source=/dev/null
source "$1"
passed=0 failed=0

check() { # WANT LINE...: LINE is the words typed, the last one being completed
    local want=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _feregtool feregtool "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got="${COMPREPLY[*]}"
    if [ "$got" = "$want" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL after '$*': offers '$got', want '$want'"
    fi
}

# Registered for feregtool, with no fallback to file names.
got=$(complete -p feregtool)
if [ "$got" = "complete -F _feregtool feregtool" ]; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    echo "FAIL registration: $got"
fi

check "" feregtool ""
check "" feregtool "-"
check "" feregtool "-1"
check "--help --version" feregtool "--"
check "--version" feregtool "--v"
check "" feregtool 1 "--"
check "" feregtool 1 ""
all="-fe_reg_read -fe_reg_write -fe_reg_dump -fe_reg_modify"
check "$all" feregtool 1 3 ""
check "$all" feregtool 1 3 "-"
check "$all" feregtool 1 3 "-fe_reg_"
check "-fe_reg_read" feregtool 1 3 "-fe_reg_r"
check "-fe_reg_write" feregtool 1 3 "-fe_reg_w"
check "-fe_reg_dump" feregtool 1 3 "-fe_reg_d"
check "-fe_reg_modify" feregtool 1 3 "-fe_reg_m"
check "" feregtool 1 3 "-FE"
check "" feregtool 1 3 "x"
check "" feregtool 1 3 "--"
check "" feregtool 1 3 -fe_reg_read ""
check "" feregtool 1 3 -fe_reg_read "-"
check "" feregtool 1 3 -fe_reg_write 20 ""
check "" feregtool 1 3 -fe_reg_write 20 5 ""
check "" feregtool 1 3 -fe_reg_dump 0 ""
check "" feregtool 1 3 -fe_reg_modify 20 1 ""

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
