#!/bin/bash
# The window program under Wine and its own Xvfb, timed: start-up to idle and peak memory of
# PellworthRemover.exe, then the whole run in the real main window against the same run without a window,
# both with a 6.70-size synthetic database (win_window_run.exe). The start-up's update check meets an update
# site in a private namespace of the benchmark's own (as root). Prints the figures.
# usage: window_bench.sh BUILD_DIR [WORK_DIR]     (BUILD_DIR: the win64 build with its programs)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
e2e=$here/../e2e
. "$e2e/lib.sh"
. "$e2e/update_site.sh"
[ "${1:-}" = --inside ] || e2e_update_enter_namespace "$0" "$@"
shift
E2E_SOURCE_DIR=$(cd "$here/../.." && pwd)

build=$(cd "${1:?usage: $0 BUILD_DIR [WORK_DIR]}" && pwd)
work=$(mkdir -p "${2:-$build/bench-window}" && cd "${2:-$build/bench-window}" && pwd)
for p in PellworthRemover pell_window_probe win_window_run; do
    [ -f "$build/$p.exe" ] || e2e_fail "$build/$p.exe is missing: build the win64 preset first"
done
base=${E2E_BASE_PREFIX:-$build/e2e/base-prefix}
prefix=$work/prefix
e2e_start_xvfb "$work/xvfb.log"
trap 'e2e_update_stop; e2e_stop_prefix "$prefix"; e2e_stop_xvfb' EXIT
e2e_update_site_quiet "$work"
e2e_make_base_prefix "$base" >/dev/null
e2e_fresh_prefix "$base" "$prefix"
e2e_prepare_windows
mkdir -p "$prefix/drive_c/bench-logs"
probe() { wine "$build/pell_window_probe.exe" "$@" 2>/dev/null | tr -d '\r'; }
wine cmd /c exit >/dev/null 2>&1  # the prefix's programs are up before anything is timed

# The window program's Linux process in this prefix.
window_pid() {
    local pid
    for pid in $(pgrep -f 'PellworthRemover\.exe' || true); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && { echo "$pid"; return 0; }
    done
    return 1
}

echo "== window benchmark under Wine ($(wine --version 2>/dev/null)), $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg), $(date -u +%FT%TZ)"
for round in 1 2 3; do
    start=$(date +%s%N)
    (cd "$work" && exec wine "$build/PellworthRemover.exe" </dev/null >/dev/null 2>&1) &
    launcher=$!
    # Idle is the window shown with START enabled (start-up ends in the update check's Finish).
    xdotool search --sync --name '^Pellworth Remover .*Virus Database' >/dev/null
    shown=$(date +%s%N)
    until [ "$(probe children 'Pellworth Remover ' | awk -F'\t' '$1 == 10 { print $3 }')" = 1 ]; do sleep 0.05; done
    idle=$(date +%s%N)
    pid=$(window_pid)
    peak=$(awk '/^VmHWM:/ { print int($2 / 1024) }' "/proc/$pid/status")
    printf 'start-up %d: window shown %d ms after launch, idle (update check done, START enabled) at %d ms, peak resident memory %d MB\n' \
        "$round" $(((shown - start) / 1000000)) $(((idle - start) / 1000000)) "$peak"
    probe close 'Pellworth Remover ' >/dev/null || true
    wait "$launcher" || true
done
echo "-- win_window_run.exe, synthetic 6.70-size database, clean prefix"
(cd "$work" && wine "$build/win_window_run.exe" --log-folder 'C:\bench-logs' --rounds 5 </dev/null 2>&1) | tr -d '\r' | sed 's/^/   /'
