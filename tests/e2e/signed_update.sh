#!/bin/bash
# The downloaded detections decide a real run only when the maker signed them: a running copy of our
# harmless program, known only by its digest, meets three starts of the window program under its own
# Xvfb in a private namespace. The site's list carries that digest unsigned, then altered by one byte
# after signing: each time the run finds nothing and the copy stays, running. Then the list as signed:
# the run removes it. The lists are signed with a throwaway key; the program is the copy that trusts it.
# usage: signed_update.sh WINDOW_EXE PROBE_EXE WORM_EXE RECORDER_EXE WORK_DIR SOURCE_DIR   (as root)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "$here/infection_names.sh"
. "$here/window_lib.sh"
. "$here/update_site.sh"

[ "${1:-}" = --inside ] || e2e_update_enter_namespace "$0" "$@"
shift
[ $# -eq 6 ] || { echo "usage: $0 WINDOW_EXE PROBE_EXE WORM_EXE RECORDER_EXE WORK_DIR SOURCE_DIR" >&2; exit 64; }
shipped=$(readlink -f "$1") probe_exe=$(readlink -f "$2") worm=$(readlink -f "$3") recorder=$(readlink -f "$4")
work=$(mkdir -p "$5" && cd "$5" && pwd)
E2E_SOURCE_DIR=$(cd "$6" && pwd)
base=${E2E_BASE_PREFIX:-$(dirname "$work")/base-prefix}

e2e_window_scene "$work"
e2e_put_file "$recorder" 'C:\windows\system32\shutdown.exe'
wine reg add 'HKCU\Software\Wine\DllOverrides' /v shutdown.exe /d native /f >/dev/null 2>&1
e2e_update_test_key "$work"
exe=$work/PellworthRemover.exe
e2e_update_trusting_copy "$shipped" "$exe"
logs_win='C:\PellworthLogs'
mkdir -p "$(e2e_unix_path "$logs_win")"
export LC_ALL=C.UTF-8
failures=0
main='Pellworth Remover '
box='=Pellworth Remover'

# The copy known only by its digest, running.
copy=$work/$NAME_DIGEST.exe
cp "$worm" "$copy"
printf 'harmless test program known only by a signed digest\n' >>"$copy"
md5sum "$copy" | cut -c1-32 | tr 'a-f' 'A-F' >"$work/digest.txt"
planted="C:\\windows\\$NAME_DIGEST.exe"
e2e_put_file "$copy" "$planted"
(cd / && setsid wine "$planted" </dev/null >/dev/null 2>&1 &)
e2e_check "the copy runs" wait_until 60 e2e_process_running "$planted"

status_line() { probe children "$main" | awk -F'\t' '$2 == "Static" { print $6 }' | sed -n 5p; }
start_enabled() { [ "$(probe children "$main" | awk -F'\t' '$1 == 10 { print $3; exit }')" = 1 ]; }
box_text() { probe children "$box" | awk -F'\t' '$2 == "Static" { print $6; exit }'; }
# Return on a box until it goes: its first button (OK, or Yes) has the focus.
answer_box() {
    local _
    for _ in $(seq 20); do
        xdotool key Return
        wait_until 3 window_gone "$box" && return 0
    done
    return 1
}

# run_with CASE SIGNING: the site serves the list so, the program starts, START, the run, its boxes; the
# program is closed again. Sets final (the run's first box text) and status (the update check's line).
run_with() {
    local name=$1
    e2e_update_serve "$work" 4.6 "$work/digest.txt" "$2"
    (cd "$work" && exec wine "$exe" </dev/null >>"$work/window.out" 2>&1) &
    launcher=$!
    e2e_check "$name: idle after the update check" wait_until 60 start_enabled
    status=$(status_line)
    details=$(probe text "$main" 20)
    shot "$name-idle"
    local x y w h
    IFS=, read -r x y w h <<<"$(probe children "$main" | awk -F'\t' '$1 == 10 { print $5; exit }')"
    xdotool mousemove $((x + w / 2)) $((y + h / 2))
    sleep 0.2
    xdotool click 1
    e2e_check "$name: box 2 comes up" wait_until 30 window_up "$box"
    answer_box
    e2e_check "$name: the folder picker comes up" wait_until 30 window_up "Browse for Folder"
    sleep 0.5
    probe pick "$logs_win"
    e2e_check "$name: the run's first box comes up" wait_until 240 window_up "$box"
    final=$(box_text)
    shot "$name-final"
    answer_box
    # "No virus detected." is followed by the password advice question.
    if wait_until 5 window_up "$box"; then answer_box; fi
    e2e_check "$name: idle after the run" wait_until 60 start_enabled
    set +e
    probe close "$main"
    wait_exit "$launcher" 30
    set -e
    launcher=
}

for signing in unsigned altered; do
    run_with "$signing" "$signing"
    e2e_check "$signing: the update check failed" test "$status" = "Downloading GLAVEN updates failed."
    e2e_check "$signing: and says why" grep -q "^Extra detections refused, nothing added: " <<<"$details"
    e2e_check "$signing: the run found nothing" test "${final%%|*}" = "No virus detected."
    e2e_check "$signing: the copy still runs" e2e_process_running "$planted"
    e2e_check "$signing: its file stays" e2e_win_exists "$planted"
done
run_with signed signed
e2e_check "signed: the digest was added" test "$status" = "Success. 1 GLAVEN detections added!"
e2e_check "signed: the run removed something" test "${final%%|*}" = \
    "Any infected Keys have been removed, the virus has been deleted."
e2e_check "signed: the copy was ended" e2e_not e2e_process_running "$planted"
e2e_check "signed: its file is gone" e2e_not e2e_win_exists "$planted"

echo "screenshots in $shots"
echo "$failures failed check(s)"
exit $((failures > 0))
