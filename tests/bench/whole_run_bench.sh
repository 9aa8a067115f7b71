#!/bin/bash
# The whole cleaning run under Wine, timed: the console program with the shipped database, and the
# benchmark program with the shipped and with a 6.70-size synthetic database, each on a clean and on a
# planted prefix, with the file pass indexed against the literal per-path probing. Prints the figures.
# With BASELINE set to another build's pellclean.exe, it instead runs that program and this build's in
# turns, each on a fresh prefix of the same kind, and prints the best of five of each and their ratio.
# With SCAN=1, it times a --scan and the cleaning that follows it on the same planted prefix instead.
# With ONLY=run-values it prints only the line of many Run values naming one large file (for BASELINE too).
# usage: [BASELINE=OTHER/pellclean.exe] [ONLY=run-values | SCAN=1] whole_run_bench.sh BUILD_DIR [WORK_DIR]
#        (BUILD_DIR: the win64 build with its programs)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
e2e=$here/../e2e
. "$e2e/lib.sh"

build=$(cd "${1:?usage: $0 BUILD_DIR [WORK_DIR]}" && pwd)
work=$(mkdir -p "${2:-$build/bench-whole-run}" && cd "${2:-$build/bench-whole-run}" && pwd)
needed=(pellclean e2e_test_worm e2e_shutdown_recorder)
{ [ -n "${SCAN:-}" ] || [ "${ONLY:-}" = run-values ]; } || needed+=(win_whole_run)
for p in "${needed[@]}"; do
    [ -f "$build/$p.exe" ] || e2e_fail "$build/$p.exe is missing: build the win64 preset first"
done
base=${E2E_BASE_PREFIX:-$build/e2e/base-prefix}
prefix=$work/prefix
trap 'e2e_stop_prefix "$prefix"' EXIT
winz() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }

e2e_make_base_prefix "$base" >/dev/null

# A fresh prefix, planted or not; sets $args to the switches the run needs.
prepare() {
    local scenario=$1
    e2e_fresh_prefix "$base" "$prefix"
    e2e_put_file "$build/e2e_shutdown_recorder.exe" 'C:\windows\system32\shutdown.exe'
    wine reg add 'HKCU\Software\Wine\DllOverrides' /v shutdown.exe /d native /f >/dev/null 2>&1
    rm -rf "$work/logs" "$work/planted"
    mkdir -p "$work/logs"
    args=(--log-folder "$(winz "$work/logs")")
    if [ "$scenario" = planted ]; then
        "$e2e/plant_infections.sh" "$build/e2e_test_worm.exe" "$work/planted" >/dev/null
        args+=(--extra-detections "$(winz "$work/planted/extra-detections.txt")")
    fi
    wine cmd /c exit >/dev/null 2>&1  # the prefix's programs are up before anything is timed
}

# Peak resident memory (VmHWM) of the console program's process while it runs, in MB.
watch_peak() {
    local peak=0 pid v
    while kill -0 "$1" 2>/dev/null; do
        for pid in $(pgrep -f 'pellclean\.exe' || true); do
            { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
            v=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0)
            [ "${v:-0}" -gt "$peak" ] && peak=$v
        done
        sleep 0.05
    done
    echo $((peak / 1024))
}

# Runs a console program on the prepared prefix; sets $ms (wall, program start included), $rc and $peak.
time_run() {
    local start end
    start=$(date +%s%N)
    set +e
    (cd "$work" && wine "$1" "${args[@]}" </dev/null >"$work/pellclean.out" 2>&1) &
    runner=$!
    peak=$(watch_peak $runner)
    wait $runner
    rc=$?
    set -e
    end=$(date +%s%N)
    ms=$(((end - start) / 1000000))
}

# Many Run values naming one large program: the run with 20 against the run with one, each the best of
# three on a fresh clean prefix. A file is read for its digest once however often it is named, so the
# ratio stays near 1 (at most 1.5 is wanted).
run_values_line() {
    local exe=$1 label=$2 count best round v
    local -A bests
    for count in 1 20; do
        best=0
        for round in 1 2 3; do
            prepare clean
            mkdir -p "$WINEPREFIX/drive_c/big"
            { cat "$build/e2e_test_worm.exe"; head -c $((200 * 1024 * 1024)) /dev/zero; } >"$WINEPREFIX/drive_c/big/big.exe"
            for v in $(seq "$count"); do
                wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v "Big$v" /d 'C:\big\big.exe' /f \
                    >/dev/null 2>&1
            done
            time_run "$exe"
            { [ $best = 0 ] || [ $ms -lt $best ]; } && best=$ms
        done
        bests[$count]=$best
    done
    awk -v l="$label" -v one="${bests[1]}" -v many="${bests[20]}" \
        'BEGIN { printf "%s: 20 Run values at one 200 MB file %d ms, one value %d ms, ratio %.2f (best of 3)\n", l, many, one, many / one }'
}

echo "== whole-run benchmark under Wine ($(wine --version 2>/dev/null)), $(nproc) cores, $(date -u +%FT%TZ)"
if [ "${ONLY:-}" = run-values ]; then
    [ -z "${BASELINE:-}" ] || run_values_line "$(readlink -f "$BASELINE")" "baseline $BASELINE"
    run_values_line "$build/pellclean.exe" "this build"
    exit 0
fi
if [ -n "${BASELINE:-}" ]; then
    baseline=$(readlink -f "$BASELINE")
    [ -f "$baseline" ] || e2e_fail "$BASELINE is missing"
    echo "-- pellclean.exe, shipped database: baseline $baseline against $build/pellclean.exe"
    for scenario in clean planted; do
        best_base=0 best_this=0
        for round in 1 2 3 4 5; do
            line="   $scenario round $round:"
            for which in baseline this; do
                exe=$build/pellclean.exe
                [ $which = baseline ] && exe=$baseline
                prepare "$scenario"
                time_run "$exe"
                line="$line $which $ms ms (exit $rc)"
                if [ $which = baseline ]; then
                    { [ $best_base = 0 ] || [ $ms -lt $best_base ]; } && best_base=$ms
                else
                    { [ $best_this = 0 ] || [ $ms -lt $best_this ]; } && best_this=$ms
                fi
            done
            echo "$line"
        done
        awk -v s="$scenario" -v b=$best_base -v t=$best_this \
            'BEGIN { printf "   %s prefix, best of 5: baseline %d ms, this build %d ms, ratio %.3f (%+.1f%%)\n", s, b, t, t / b, (t / b - 1) * 100 }'
    done
    run_values_line "$baseline" "baseline"
    run_values_line "$build/pellclean.exe" "this build"
    exit 0
fi
# SCAN=1: the scan against the cleaning that follows it on the same planted prefix, best of three each.
if [ -n "${SCAN:-}" ]; then
    echo "-- pellclean.exe --scan against the cleaning that follows it, planted prefix, shipped database"
    best_scan=0 best_clean=0
    for round in 1 2 3; do
        prepare planted
        cleaning=("${args[@]}")
        args=(--scan "${cleaning[@]}")
        time_run "$build/pellclean.exe"
        scan_ms=$ms scan_rc=$rc
        args=("${cleaning[@]}")
        time_run "$build/pellclean.exe"
        echo "   round $round: scan $scan_ms ms (exit $scan_rc), cleaning $ms ms (exit $rc)"
        { [ $best_scan = 0 ] || [ $scan_ms -lt $best_scan ]; } && best_scan=$scan_ms
        { [ $best_clean = 0 ] || [ $ms -lt $best_clean ]; } && best_clean=$ms
    done
    awk -v c=$best_clean -v s=$best_scan \
        'BEGIN { printf "   planted prefix, best of 3: cleaning %d ms, scan %d ms, scan/cleaning ratio %.3f\n", c, s, s / c }'
    exit 0
fi
for scenario in clean planted; do
    prepare "$scenario"
    time_run "$build/pellclean.exe"
    printf 'pellclean.exe, shipped database, %-7s prefix: %5d ms wall (program start included), exit %d, peak RSS %d MB (Wine process)\n' \
        "$scenario" $ms $rc "$peak"
done
for db in shipped synthetic; do
    for scenario in clean planted; do
        prepare "$scenario"
        echo "-- win_whole_run.exe, $db database, $scenario prefix"
        extra=()
        [ "$db" = synthetic ] && extra=(--synthetic)
        (cd "$work" && wine "$build/win_whole_run.exe" "${extra[@]}" "${args[@]}" </dev/null 2>&1) | tr -d '\r' | sed 's/^/   /'
    done
done
run_values_line "$build/pellclean.exe" "pellclean.exe"
