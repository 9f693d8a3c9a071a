#!/usr/bin/env bash
# The Wine prefix of one test run: "create DIR [ARCH]" makes a fresh prefix there (any old one is
# removed first; ARCH win32 makes a 32-bit prefix, as a 32-bit client's is) whose windows need no X server (the null graphics driver); "remove DIR" ends
# its Wine processes and removes it. Without wine, both say so and succeed: the tests that need
# the prefix then skip.
set -euo pipefail
action="${1:-}"
dir="${2:-}"
if [ -z "$dir" ] || { [ "$action" != create ] && [ "$action" != remove ]; }; then
    echo "usage: WinePrefix.sh create DIR [win32|win64] | remove DIR" >&2
    exit 64
fi
if ! command -v wine >/dev/null; then
    echo "WinePrefix: no wine on this machine; the Wine tests skip"
    exit 0
fi
export WINEPREFIX="$dir" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -d "$dir" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$dir"
fi
if [ "$action" = remove ]; then
    exit 0
fi
mkdir -p "$(dirname "$dir")"
if [ -n "${3:-}" ]; then
    export WINEARCH="$3"
fi
start=$(date +%s)
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
# The registry reaches its files when the server ends.
wineserver -w
if [ ! -f "$dir/system.reg" ]; then
    echo "WinePrefix: wine made no prefix in $dir" >&2
    exit 1
fi
echo "WinePrefix: $dir made in $(( $(date +%s) - start )) s ($(sed -n 's/^#arch=//p' "$dir/system.reg"))"
