#!/bin/bash
# The console cleaner under Wine on unlucky machines, each in a throwaway prefix copied from a base one:
#   notepad   a worm copy of our waiting program named notepad.exe runs from the mapped drive M: and lies in
#             C:\RECYCLER, its digest given with --extra-detections, while Windows' own notepad runs (on a
#             private Xvfb): the worm's copies go; C:\windows\notepad.exe, the system folder's notepad.exe
#             and the running notepad stay (exit 1);
#   readonly  the whole planted infection set, and a log folder mounted read-only (a bind mount in the
#             run's own mount namespace): no record can be begun, so nothing at all is changed, the line
#             says so and asks for another folder, and the exit code is 8;
#   linked    a clean prefix whose C:\windows\system is a link to system32: the genuine svchost.exe
#             reached through it is left alone, and nothing else changes either.
# usage: safety_scenario.sh notepad|readonly|linked PELLCLEAN_EXE WORM_EXE WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "$here/infection_names.sh"
. "$here/checks.sh"

[ $# -eq 4 ] || { echo "usage: $0 notepad|readonly|linked PELLCLEAN_EXE WORM_EXE WORK_DIR" >&2; exit 64; }
scenario=$1 pellclean=$(readlink -f "$2") worm=$(readlink -f "$3")
work=$(mkdir -p "$4" && cd "$4" && pwd)
case "$scenario" in notepad | readonly | linked) ;; *) e2e_fail "unknown scenario $scenario" ;; esac
# The read-only log folder is a bind mount in a mount namespace of the scenario's own: the prefix's
# wineserver opens the files its programs create, so it must run in that namespace too.
if [ "$scenario" = readonly ] && [ -z "${E2E_OWN_MOUNTS:-}" ]; then
    exec unshare -m env E2E_OWN_MOUNTS=1 bash "$0" "$@"
fi

base=${E2E_BASE_PREFIX:-$(dirname "$work")/base-prefix}
prefix=$work/prefix
logs=$work/logs
cleanup() {
    e2e_stop_prefix "$prefix"
    e2e_stop_xvfb
}
trap cleanup EXIT

winz() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
md5of() { md5sum <"$(e2e_unix_path "$1")" | cut -c1-32; }

e2e_make_base_prefix "$base"
e2e_fresh_prefix "$base" "$prefix"
rm -rf "$logs"
mkdir -p "$logs"

failures=0
said() { tr -d '\r' <"$work/stdout.txt" | grep -qF -- "$1"; }

run_cleaner() {
    echo "running: wine pellclean.exe $*"
    set +e
    (cd "$work" && unset DISPLAY && timeout 600 wine "$pellclean" "$@" </dev/null >"$work/stdout.txt" 2>"$work/stderr.txt")
    rc=$?
    set -e
    echo "exit code $rc"
    tr -d '\r' <"$work/stdout.txt" | sed 's/^/  | /'
}

if [ "$scenario" = notepad ]; then
    # A private display for Windows' own notepad, set before the prefix's server starts again: the
    # prefix's desktop takes its display from whichever process starts it, once, and a desktop started
    # without one leaves every later window of the prefix without a driver, genuine notepad's too.
    e2e_start_xvfb

    mdrive=$WINEPREFIX/mapped-m
    mkdir -p "$mdrive"
    ln -sfn "$mdrive" "$WINEPREFIX/dosdevices/m:"
    e2e_restart_server

    copy=$work/notepad.exe
    cp "$worm" "$copy"
    printf 'harmless test program named like a Windows program\n' >>"$copy"
    md5sum "$copy" | cut -c1-32 | tr 'a-f' 'A-F' >"$work/extra-detections.txt"
    e2e_put_file "$copy" 'M:\notepad.exe'
    e2e_put_file "$copy" 'C:\RECYCLER\notepad.exe'
    genuine_windows=$(md5of 'C:\windows\notepad.exe')
    genuine_system=$(md5of 'C:\windows\system32\notepad.exe')

    (cd / && setsid wine 'C:\windows\notepad.exe' </dev/null >/dev/null 2>&1 &)
    (cd / && setsid wine 'M:\notepad.exe' </dev/null >/dev/null 2>&1 &)
    for _ in $(seq 150); do
        e2e_process_running 'C:\windows\notepad.exe' && e2e_process_running 'M:\notepad.exe' && break
        sleep 0.1
    done
    e2e_check "genuine notepad started" e2e_process_running 'C:\windows\notepad.exe'
    e2e_check "worm copy started" e2e_process_running 'M:\notepad.exe'

    run_cleaner --log-folder "$(winz "$logs")" --no-restart --extra-detections "$(winz "$work/extra-detections.txt")"

    e2e_check "exit code 1 (removed)" test "$rc" -eq 1
    e2e_check "the running copy was identified" said 'NOTEPAD.EXE ...Identified'
    e2e_check "the running copy was terminated" said 'NOTEPAD.EXE ...Terminated'
    e2e_check "worm copy on M: removed" e2e_not e2e_win_exists 'M:\notepad.exe'
    e2e_check "worm copy in C:\\RECYCLER removed" e2e_not e2e_win_exists 'C:\RECYCLER\notepad.exe'
    e2e_check "worm copy no longer running" e2e_not e2e_process_running 'M:\notepad.exe'
    e2e_check "C:\\windows\\notepad.exe kept as it was" test "$(md5of 'C:\windows\notepad.exe')" = "$genuine_windows"
    e2e_check "the system folder's notepad.exe kept as it was" \
        test "$(md5of 'C:\windows\system32\notepad.exe')" = "$genuine_system"
    e2e_check "genuine notepad still running" e2e_process_running 'C:\windows\notepad.exe'
    e2e_check "no removal of a genuine notepad" e2e_not said 'Found C:\windows\notepad.exe'
    wrong=0
    for f in "$logs"/*.back; do
        [ -e "$f" ] || continue
        [ "$(md5sum <"$f" | cut -c1-32)" = "$(md5sum <"$copy" | cut -c1-32)" ] || wrong=$((wrong + 1))
    done
    e2e_check "backups of both copies, each the worm's bytes" test "$(find "$logs" -iname 'notepad.exe*.back' | wc -l)" -eq 2
    e2e_check "no backup of anything else" test "$wrong" -eq 0
elif [ "$scenario" = readonly ]; then
    "$here/plant_infections.sh" "$worm" "$work/planted" >/dev/null
    e2e_registry_dump "$work/registry-before.txt"
    e2e_file_list "$work/files-before.txt"
    mount --bind "$logs" "$logs"
    mount -o remount,bind,ro "$logs"
    run_cleaner --log-folder "$(winz "$logs")" --no-restart \
        --extra-detections "$(winz "$work/planted/extra-detections.txt")"

    e2e_check "exit code 8 (the log folder cannot hold the record)" test "$rc" -eq 8
    e2e_check "the line says nothing was changed and asks for another folder" \
        said 'nothing was changed. Choose another folder for the log and backups.'
    e2e_check "standard error names no record as written" e2e_not grep -q "the run's record:" "$work/stderr.txt"
    e2e_registry_dump "$work/registry-after.txt"
    e2e_file_list "$work/files-after.txt"
    e2e_check "registry unchanged" diff -u "$work/registry-before.txt" "$work/registry-after.txt"
    e2e_check "files unchanged" diff -u "$work/files-before.txt" "$work/files-after.txt"
    while IFS=$'\t' read -r kind path _; do
        [ "$kind" = process ] || continue
        e2e_check "still running: $path" e2e_process_running "$path"
    done <"$work/planted/manifest.tsv"
    e2e_check "nothing said removed or terminated" e2e_not said '...Removed'
    e2e_check "nothing said terminated" e2e_not said '...Terminated'
    e2e_check "no restart asked for" e2e_not said '[restart not started]'
    e2e_check "nothing written into the log folder" test -z "$(ls -A "$logs")"
else
    system=$(e2e_unix_path 'C:\windows\system')
    rm -rf "$system"
    ln -s system32 "$system"
    svchost_before=$(md5of 'C:\windows\system32\svchost.exe')
    e2e_file_list "$work/files-before.txt"

    run_cleaner --log-folder "$(winz "$logs")" --no-restart

    e2e_check "exit code 0 (nothing found)" test "$rc" -eq 0
    e2e_check "system32\\svchost.exe untouched" test "$(md5of 'C:\windows\system32\svchost.exe')" = "$svchost_before"
    e2e_check "the linked path said left alone" said 'svchost.exe ...left alone: a genuine Windows program'
    e2e_check "nothing said removed" e2e_not said '...Removed'
    e2e_check "no backup made" test -z "$(find "$logs" -name '*.back')"
    e2e_file_list "$work/files-after.txt"
    e2e_check "files unchanged" diff -u "$work/files-before.txt" "$work/files-after.txt"
fi

echo "$failures failed check(s)"
exit $((failures > 0))
