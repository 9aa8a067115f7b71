#!/bin/bash
# One end-to-end scenario of the console cleaner under Wine, in a throwaway prefix copied from a base one:
#   planted  the infection set of plant_infections.sh is planted; the run must remove all of it, keep the
#            backups and service exports, write the log in the run's order and schedule the restart (exit 1);
#   clean    nothing is planted; the run must find nothing (exit 0) and change nothing.
# usage: run_scenario.sh planted|clean PELLCLEAN_EXE WORM_EXE RECORDER_EXE WORK_DIR [SOURCE_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "$here/infection_names.sh"

[ $# -ge 5 ] || { echo "usage: $0 planted|clean PELLCLEAN_EXE WORM_EXE RECORDER_EXE WORK_DIR [SOURCE_DIR]" >&2; exit 64; }
scenario=$1 pellclean=$(readlink -f "$2") worm=$(readlink -f "$3") recorder=$(readlink -f "$4")
work=$(mkdir -p "$5" && cd "$5" && pwd)
source_dir=${6:-$(cd "$here/../.." && pwd)}
case "$scenario" in planted | clean) ;; *) e2e_fail "unknown scenario $scenario" ;; esac

base=${E2E_BASE_PREFIX:-$(dirname "$work")/base-prefix}
prefix=$work/prefix
logs=$work/logs
out=$work/planted
trap 'e2e_stop_prefix "$prefix"' EXIT

if [ "$scenario" = planted ]; then
    "$here/check_listed_names.sh" "$source_dir" $E2E_LISTED_NAMES
    "$here/check_listed_names.sh" --absent "$source_dir" "$NAME_DIGEST"
fi

e2e_make_base_prefix "$base"
e2e_fresh_prefix "$base" "$prefix"
rm -rf "$logs" "$out"
mkdir -p "$logs" "$out"

# The restart is recorded, not performed: our recorder stands in for shutdown.exe (a native override,
# since Wine otherwise keeps running its builtin).
e2e_put_file "$recorder" 'C:\windows\system32\shutdown.exe'
wine reg add 'HKCU\Software\Wine\DllOverrides' /v shutdown.exe /d native /f >/dev/null 2>&1
record=$(e2e_unix_path 'C:\shutdown-record.txt')

args=(--log-folder "$(e2e_winz "$logs")")
if [ "$scenario" = planted ]; then
    "$here/plant_infections.sh" "$worm" "$out"
    args+=(--extra-detections "$(e2e_winz "$out/extra-detections.txt")")
else
    e2e_registry_dump "$work/registry-before.txt"
    e2e_file_list "$work/files-before.txt"
fi

echo "running: wine pellclean.exe ${args[*]}"
start_ns=$(date +%s%N)
set +e
(cd "$work" && timeout 600 wine "$pellclean" "${args[@]}" </dev/null >"$work/stdout.txt" 2>"$work/stderr.txt")
rc=$?
set -e
end_ns=$(date +%s%N)
echo "exit code $rc after $(((end_ns - start_ns) / 1000000)) ms"
tr -d '\r' <"$work/stdout.txt" | sed 's/^/  | /'

. "$here/checks.sh"
failures=0
e2e_read_log "$logs" "$work/log-lines.txt"

e2e_check "log header" test "$(head -n 2 "$loglines" | tr '\n' '|')" = "Version: 4.6 Virus DataBase: 6.70||"
e2e_check "log ends with Saving Log..." test "$(tail -n 1 "$loglines")" = "Saving Log..."

if [ "$scenario" = clean ]; then
    e2e_check "exit code 0 (nothing found)" test "$rc" -eq 0
    e2e_check "the run's stages in order" in_order "$(lines "Starting Scan..." "SmartScanning Processes..." \
        "SmartScanning Registry Items..." "SmartScanning AutoRuns..." "Looking For Virus Services..." \
        "Looking For Virus Processes..." "Looking for Virus Files..." "Scanning Registry..." \
        "Enabling: Task Manager, Regedit, System Restore Config, Command Prompt, Folder Options, Run" \
        "Scanning Hosts File..." "Saving Log...")"
    e2e_check "no finding in the log" e2e_not grep -qE '\.\.\.(Identified|Terminated|Removed)|^Found' "$loglines"
    e2e_check "no restart recorded" e2e_not test -e "$record"
    e2e_registry_dump "$work/registry-after.txt"
    e2e_file_list "$work/files-after.txt"
    e2e_check "registry unchanged" diff -u "$work/registry-before.txt" "$work/registry-after.txt"
    e2e_check "files unchanged" diff -u "$work/files-before.txt" "$work/files-after.txt"
    e2e_check "nothing in the log folder but the log and its record" test "$(find "$logs" -type f | wc -l)" -eq 2
    e2e_check "the record says nothing was found" grep -q '"outcome":"nothing-found"' \
        "$(find "$logs" -maxdepth 1 -name 'Pellworth Removal Log *.jsonl' | head -n 1)"
    echo "$failures failed check(s)"
    exit $((failures > 0))
fi

e2e_check "exit code 1 (removed, restart scheduled)" test "$rc" -eq 1
e2e_check_planted "$logs" "$out" "$worm" "$record" yes

echo "$failures failed check(s)"
exit $((failures > 0))
