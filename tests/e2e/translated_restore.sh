#!/bin/bash
# The undo of a cleaning in the language the user picked, under its own Xvfb in a throwaway prefix: the
# window started in English, Russian then Arabic picked, and for each the system menu's item, the folder
# picker's title and the question before anything is put back, all in that language and whole in its box;
# No puts nothing back and leaves the window idle. The update check meets a site of the scenario's own
# private namespace.
# Screenshots are kept in WORK_DIR/shots.
# usage: translated_restore.sh WINDOW_EXE PROBE_EXE WORK_DIR SOURCE_DIR
set -uo pipefail  # no -e: every step is a check, and a failed one must not stop the clean-up
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "$here/window_lib.sh"
. "$here/update_site.sh"

[ "${1:-}" = --inside ] || e2e_update_enter_namespace "$0" "$@"
shift
[ $# -ge 4 ] || { echo "usage: $0 WINDOW_EXE PROBE_EXE WORK_DIR SOURCE_DIR" >&2; exit 64; }
exe=$(readlink -f "$1") probe_exe=$(readlink -f "$2")
work=$(mkdir -p "$3" && cd "$3" && pwd)
src=$(cd "$4" && pwd)
E2E_SOURCE_DIR=$src
base=${E2E_BASE_PREFIX:-$(dirname "$work")/base-prefix}
e2e_window_scene "$work"
logs_win='C:\PellworthLogs'
mkdir -p "$prefix/drive_c/PellworthLogs"

failures=0
main='Pellworth Remover '
box='=Pellworth Remover'
picker='Browse for Folder'  # Wine's own title of the dialog, in the English system this starts on
kids=
look() { kids=$(probe children "$main"); }  # the window's children as last seen: one probe per look
kid() { awk -F'\t' -v id="$1" '$1 == id { print; exit }' <<<"$kids"; }
idle() { look && [ "$(kid 10 | cut -f3)" = 1 ]; }
statics_of() { probe children "$1" | awk -F'\t' '$2 == "Static" { print $6 }'; }
has_static() { statics_of "$1" | grep -qxF -- "$2"; }
click_at() {
    xdotool mousemove "$1" "$2"
    sleep 0.15
    xdotool click 1
}
pick_language() {  # pick_language INDEX: the picker's arrow, then the entry
    local x y w h
    look
    read -r x y w h <<<"$(kid 40 | cut -f5 | tr ',' ' ')"
    click_at $((x + w - 12)) $((y + h / 2))
    wait_until 10 panel_open || return 1
    read -r x y w h <<<"$(kid $((300 + $1)) | cut -f5 | tr ',' ' ')"
    click_at $((x + w / 2)) $((y + h / 2))
    wait_until 10 panel_closed
}
panel_open() { look && [ "$(kid 41 | cut -f4)" = 1 ]; }
panel_closed() { look && [ "$(kid 41 | cut -f4)" = 0 ]; }
# The box's label holds its whole text: its last pixel column shows only the box's background (a line
# drawn wider than the label leaves its ink there).
label_holds_text() {  # label_holds_text WINDOW
    local x y w h
    read -r x y w h <<<"$(probe children "$1" | awk -F'\t' '$2 == "Static" { print $5; exit }' | tr ',' ' ')"
    [ -n "$h" ] || return 1
    ! import -window root -crop "1x$h+$((x + w - 1))+$y" -depth 8 txt:- | tail -n +2 | grep -qv '#2E343A'
}
# Line N of a translation source as a window shows it: " >> " is a line break, which the probe shows as
# "||" (CR LF).
line() { sed -n "$2p" "$src/resources/lang/$1.txt" | sed 's/ >> /||/g'; }

start_window() {
    (cd "$work" && exec env LC_ALL=C.UTF-8 wine "$exe" </dev/null >>"$work/window.out" 2>&1) &
    launcher=$!
}

# The system menu from its icon at the caption's left, its last item by keyboard, the folder, then the
# question, answered No (Esc). Every text on the way is the language's own.
restore_asked_in() {  # restore_asked_in STEM INDEX
    local stem=$1 cx cy
    e2e_check "$stem picked" pick_language "$2"
    e2e_check "idle in $stem" wait_until 20 idle
    local before
    before=$(probe text "$main" 20)
    read -r cx cy _ <<<"$(probe find "$main")"
    xdotool mousemove $((cx + 8)) $((cy - 10))
    sleep 0.2
    xdotool click 1
    sleep 0.5
    shot "$stem-1-system-menu"
    xdotool key Up Return
    e2e_check "$stem: the restore asks for the folder" wait_until 20 window_up "$picker"
    e2e_check "$stem: the picker's title" has_static "$picker" "$(line "$stem" 43)"
    shot "$stem-2-picker"
    probe pick "$logs_win"
    e2e_check "$stem: the question comes up" wait_until 20 window_up "$box"
    e2e_check "$stem: the question in its words" test "$(statics_of "$box" | head -n 1)" = "$(line "$stem" 44)"
    shot "$stem-3-question"
    e2e_check "$stem: the question's lines end inside the box" label_holds_text "$box"
    xdotool key Escape
    e2e_check "$stem: No closes the question" wait_until 10 window_gone "$box"
    e2e_check "$stem: idle again" wait_until 20 idle
    e2e_check "$stem: nothing was restored" test "$(probe text "$main" 20)" = "$before"
}

start_window
e2e_check "the window comes up" wait_until 30 window_up "$main"
e2e_check "START is enabled once start-up has finished" wait_until 60 idle
restore_asked_in russian 19
restore_asked_in arabic 1

probe close "$main" >/dev/null
wait_exit "$launcher" 30
rc=$?
e2e_check "an idle window closes from outside (exit $rc)" test "$rc" = 0
launcher=
echo "$failures failed check(s)"
exit $((failures > 0))
