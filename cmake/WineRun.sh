#!/usr/bin/env bash
# Runs one test program of the Windows cross build under Wine, headless (the cross build's
# CMAKE_CROSSCOMPILING_EMULATOR). WINEPREFIX names a prefix made by WinePrefix.sh.
# Wine's exit status alone proves nothing: a 32-bit program that Wine cannot start (no 32-bit
# Wine) ends with status 0 without having run. So the program's output must hold GoogleTest's
# closing line; without it the run fails, or is skipped (status 77) for a 32-bit program that
# this Wine cannot run.
set -uo pipefail
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
wine "$@" 2>&1 | tee "$out"
status=${PIPESTATUS[0]}
if grep -Eq '^\[  (PASSED|FAILED)  \]' "$out"; then
    exit "$status"
fi
# The machine field of the PE header: 0x014c is a 32-bit x86 program.
pe_offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
# Debian's 32-bit Wine is the loader /usr/lib/wine/wine (package wine32); other systems call it wine32.
if [ "$machine" = "014c" ] && [ ! -x /usr/lib/wine/wine ] && ! command -v wine32 >/dev/null; then
    echo "SKIPPED: $1 is a 32-bit program and this Wine has no 32-bit part (wine32)"
    exit 77
fi
echo "WineRun: $1 printed no test summary: it did not run to its end (status $status)"
exit 1
