#!/usr/bin/env bash
# Runs the built program with its command-line options, with no display at all:
# --help and --version print and end, an unknown option is refused with status 2,
# and none of them opens or creates a register.
set -u
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failed=0
check() { # what, expected status, expected text in the output, command...
    local what=$1 status=$2 text=$3
    shift 3
    local out got=0
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" 2>&1) || got=$?
    if [ "$got" -ne "$status" ] || ! grep -qF -- "$text" <<<"$out"; then
        echo "FAILED: $what: status $got, output:"
        echo "$out"
        failed=1
    fi
}
check "--help" 0 "Použití: ordisk" "$program" --help
check "-h" 0 "~/Ordisk/db1.zaz" "$program" -h
check "--version" 0 "Ordisk $2" "$program" --version
check "-v" 0 "Ordisk $2" "$program" -v
check "unknown option" 2 "neznámá volba „bogus“" "$program" --bogus
check "argument" 2 "nečekaný argument „soubor.zaz“" "$program" soubor.zaz
if [ -n "$(ls -A)" ]; then
    echo "FAILED: files were created: $(ls -A)"
    failed=1
fi
exit $failed
