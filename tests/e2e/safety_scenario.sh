#!/bin/bash
# The console cleaner under Wine on unlucky machines, each in a throwaway prefix copied from a base one:
#   notepad   a worm copy of our waiting program named notepad.exe runs from the mapped drive M: and lies in
#             C:\RECYCLER, its digest given with --extra-detections, while Windows' own notepad runs (on a
#             private Xvfb): the worm's copies go; C:\windows\notepad.exe, the system folder's notepad.exe
#             and the running notepad stay (exit 1);
#   readonly  worm copies under a listed name and a worm hosts line, and a log folder nothing can be
#             written into: nothing is deleted, the lines say why, and the exit code is 7.
# usage: safety_scenario.sh notepad|readonly PELLCLEAN_EXE WORM_EXE WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "$here/infection_names.sh"
. "$here/checks.sh"

[ $# -eq 4 ] || { echo "usage: $0 notepad|readonly PELLCLEAN_EXE WORM_EXE WORK_DIR" >&2; exit 64; }
scenario=$1 pellclean=$(readlink -f "$2") worm=$(readlink -f "$3")
work=$(mkdir -p "$4" && cd "$4" && pwd)
case "$scenario" in notepad | readonly) ;; *) e2e_fail "unknown scenario $scenario" ;; esac

base=${E2E_BASE_PREFIX:-$(dirname "$work")/base-prefix}
prefix=$work/prefix
logs=$work/logs
cleanup() {
    e2e_stop_prefix "$prefix"
    e2e_stop_xvfb
    [ ! -d "$logs" ] || chattr -i "$logs" 2>/dev/null || true
}
trap cleanup EXIT

winz() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
md5of() { md5sum <"$(e2e_unix_path "$1")" | cut -c1-32; }

e2e_make_base_prefix "$base"
e2e_fresh_prefix "$base" "$prefix"
[ ! -d "$logs" ] || chattr -i "$logs" 2>/dev/null || true
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
else
    n=$NAME_FILES
    e2e_put_file "$worm" "C:\\windows\\$n.exe"
    e2e_put_file "$worm" "C:\\RECYCLER\\$n.exe"
    hosts=$(e2e_unix_path 'C:\windows\system32\drivers\etc\hosts')
    printf '127.0.0.1       avp.ch\r\n' >>"$hosts"
    hosts_before=$(md5sum <"$hosts" | cut -c1-32)
    chattr +i "$logs"

    run_cleaner --log-folder "$(winz "$logs")" --no-restart

    e2e_check "exit code 7 (a known worm left behind)" test "$rc" -eq 7
    for p in "C:\\windows\\$n.exe" "C:\\RECYCLER\\$n.exe"; do
        e2e_check "kept without a backup: $p" test "$(md5of "$p")" = "$(md5sum <"$worm" | cut -c1-32)"
    done
    e2e_check "hosts file unchanged" test "$(md5sum <"$hosts" | cut -c1-32)" = "$hosts_before"
    e2e_check "backup failure said for the files" said "Unable to backup \"$n.exe\""
    e2e_check "backup failure said for the hosts file" said 'Unable to backup "hosts"'
    e2e_check "the left-behind count said" said 'Left behind: 3 known worm item(s)'
    e2e_check "the closing box says items stayed" said '[message box 9] Some infected items could not be removed'
    e2e_check "and claims no virus deleted" e2e_not said '[message box 5]'
    e2e_check "the unsaved log said" said 'Unable to save Log'
    e2e_check "nothing said removed" e2e_not said '...Removed'
    e2e_check "the restart asked for" said '[restart not started]'
    e2e_check "nothing written into the log folder" test -z "$(ls -A "$logs")"
fi

echo "$failures failed check(s)"
exit $((failures > 0))
