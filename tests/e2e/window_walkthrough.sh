#!/bin/bash
# The window program driven as a person would, under its own Xvfb, in a throwaway prefix planted by
# plant_infections.sh: idle with the START glow, a second copy refused, START, box 2, the folder picker
# (a close from outside refused while it holds the run), the run, box 5, the machine checked as the
# console scenario checks it, the cleaning undone from the system menu, a close accepted when idle, and
# the window again at 144 dpi on an 800 x 600 screen. The start-up update check reaches the update site of a private namespace, which offers no newer
# version and the digest of the copy known only by it. Screenshots of every state are kept in WORK_DIR/shots.
# usage: window_walkthrough.sh WINDOW_EXE PROBE_EXE WORM_EXE RECORDER_EXE WORK_DIR [SOURCE_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "$here/infection_names.sh"
. "$here/checks.sh"
. "$here/window_lib.sh"
. "$here/update_site.sh"

[ "${1:-}" = --inside ] || e2e_update_enter_namespace "$0" "$@"
shift
[ $# -ge 5 ] && [ $# -le 6 ] || { echo "usage: $0 WINDOW_EXE PROBE_EXE WORM_EXE RECORDER_EXE WORK_DIR [SOURCE_DIR]" >&2; exit 64; }
exe=$(readlink -f "$1") probe_exe=$(readlink -f "$2") worm=$(readlink -f "$3") recorder=$(readlink -f "$4")
work=$(mkdir -p "$5" && cd "$5" && pwd)
E2E_SOURCE_DIR=${6:-$(cd "$here/../.." && pwd)}
base=${E2E_BASE_PREFIX:-$(dirname "$work")/base-prefix}
prefix=$work/prefix
out=$work/planted
shots=$work/shots
rm -rf "$out" "$shots"
mkdir -p "$out" "$shots"

# --- Our own display; stopped at the end with the prefix.
e2e_start_xvfb "$work/xvfb.log"
cleanup() {
    probe_stop
    e2e_update_stop
    e2e_stop_prefix "$prefix"
    e2e_stop_xvfb
}
trap cleanup EXIT
echo "display $DISPLAY"

# --- The prefix: unmanaged windows (no window manager here: otherwise every closing window waits 2 s), the
# Wine fonts that draw the caption buttons, the restart recorder, the planted infection set.
e2e_make_base_prefix "$base"
e2e_fresh_prefix "$base" "$prefix"
e2e_prepare_windows
e2e_put_file "$recorder" 'C:\windows\system32\shutdown.exe'
wine reg add 'HKCU\Software\Wine\DllOverrides' /v shutdown.exe /d native /f >/dev/null 2>&1
record=$(e2e_unix_path 'C:\shutdown-record.txt')
logs_win='C:\PellworthLogs'
logs=$prefix/drive_c/PellworthLogs
mkdir -p "$logs"
"$here/plant_infections.sh" "$worm" "$out"
e2e_update_hosts "$work" online
# The site signs its list with a key of this run; the program run here is the copy that trusts that key.
e2e_update_test_key "$work"
e2e_update_trusting_copy "$exe" "$work/PellworthRemover.exe"
exe=$work/PellworthRemover.exe
e2e_update_serve "$work" 4.6 "$out/extra-detections.txt"
probe_serve

# An English system: the checks read the English captions.
export LC_ALL=C.UTF-8
failures=0
main='Pellworth Remover '  # the main window's caption starts so; the message box's is the name alone
box='=Pellworth Remover'
child() {  # child TITLE ID: the probe's line for child ID
    probe children "$1" | awk -F'\t' -v id="$2" '$1 == id { print; exit }'
}
child_enabled() { [ "$(child "$1" "$2" | cut -f3)" = 1 ]; }
child_text() { child "$1" "$2" | cut -f6-; }
static_text() { probe children "$1" | awk -F'\t' '$2 == "Static" { print $6; exit }'; }
click_child() {  # click_child TITLE ID: a click in the middle of the child, as a person would
    local rect x y w h
    rect=$(child "$1" "$2" | cut -f5)
    IFS=, read -r x y w h <<<"$rect"
    xdotool mousemove $((x + w / 2)) $((y + h / 2))
    sleep 0.2
    xdotool click 1
}
start_window() {  # runs the window program in the background; $! is its launcher
    (cd "$work" && exec wine "$exe" </dev/null >>"$work/window.out" 2>&1) &
}
# What a keyboard user meets: the window in front, and the control with the focus. Every wait below ends
# only a hung scenario: a loaded machine may take seconds for each step.
active() { [ "$(probe active "$main")" = 1 ]; }
focus_is() { [ "$(probe focus "$main")" = "$1" ]; }
key_focus() {  # key_focus KEY ID: KEY pressed, then ID has the focus
    xdotool key "$1"
    wait_until 60 focus_is "$2"
}

# --- Start-up to idle.
t0=$(date +%s%N)
start_window
launcher=$!
e2e_check "the window comes up" wait_until 120 window_up "$main"
e2e_check "START is enabled once start-up has finished" wait_until 120 child_enabled "$main" 10
echo "start-up to idle: $((($(date +%s%N) - t0) / 1000000)) ms"
e2e_check "the update check added the site's detection" test "$(probe children "$main" | awk -F'\t' '$2 == "Static" { print $6 }' | sed -n 5p)" = \
    "Success. 1 GLAVEN detections added!"
read -r cx cy cw ch <<<"$(probe find "$main")"
e2e_check "client area 484 x 428 at 96 dpi" test "$cw x $ch" = "484 x 428"
e2e_check "caption as written" xdotool search --name "^Pellworth Remover {23}Virus Database   6\\.70\$"
e2e_check "labels carry their texts" test "$(probe children "$main" | awk -F'\t' '$2 == "Static" { print $6 }' | head -n 4 | tr '\n' '|')" \
    = "Current Operation:|Total Progress:|Details:|Status:  |"
e2e_check "buttons carry their captions" test "$(child_text "$main" 10)/$(child_text "$main" 11)/$(child_text "$main" 12)" = "START/CLOSE/About"
sleep 0.3
shot 01-idle-glow
# The glow: the frame of START changes colour from one moment to the next and is never the grey.
read -r sx sy _ <<<"$(child "$main" 10 | cut -f5 | tr ',' ' ')"
c1=$(pixel $((sx + 30)) "$sy")
glow_moved() { c2=$(pixel $((sx + 30)) "$sy") && [ "$c2" != "$c1" ]; }
e2e_check "START's frame is not grey ($c1)" test "$c1" != "#99A8AC"
e2e_check "START glows: its frame changes colour" wait_until 60 glow_moved
# Keyboard: START has the focus; Tab moves it to CLOSE, About, the language picker, then round to START.
e2e_check "the window is in front" active
e2e_check "START has the keyboard focus" focus_is 10
e2e_check "Tab moves the focus to CLOSE" key_focus Tab 11
e2e_check "then to About" key_focus Tab 12
e2e_check "then to the language picker" key_focus Tab 40
e2e_check "Tab goes round to START" key_focus Tab 10

# --- A second copy shows box 1 and leaves the first alone.
(cd "$work" && exec wine "$exe" </dev/null >>"$work/second.out" 2>&1) &
second=$!
e2e_check "a second copy shows its box" wait_until 60 window_up "$box"
e2e_check "box 1's text" test "$(static_text "$box")" = "Pellworth Remover is already running, please wait..."
shot 02-second-copy-box1
click_child "$box" 1
set +e
wait_exit "$second" 60
second_rc=$?
set -e
e2e_check "the second copy ends (exit 4) after OK" test "$second_rc" -eq 4
e2e_check "the first copy is still idle" child_enabled "$main" 10
e2e_check "and in front again once the box has gone" wait_until 60 active

# --- START, box 2 answered with Enter (the focused first button), the picker.
click_child "$main" 10
e2e_check "box 2 comes up" wait_until 60 window_up "$box"
e2e_check "box 2's text" test "$(static_text "$box")" = \
    "Please choose a folder to save Backup Files and your Pellworth Removal Log file to."
e2e_check "the main window is disabled while the box is up" test "$(probe enabled "$main")" = 0
e2e_check "START and CLOSE are disabled after START" e2e_not child_enabled "$main" 10
sleep 0.3
shot 03-box2
xdotool key Return
e2e_check "box 2 goes" wait_until 60 window_gone "$box"
e2e_check "the folder picker comes up" wait_until 60 window_up "Browse for Folder"
sleep 0.5
shot 04-picker
# A close from outside once the run is committed: refused. It is sent while the picker holds the run,
# so it is served before the cleaning starts; sent during the cleaning itself, it could arrive after
# the run's last stage, when the window rightly accepts it and closes after the final box.
set +e
probe close "$main"
refused=$?
set -e
e2e_check "a close from outside is refused once START is pressed" test "$refused" -eq 2
probe pick "$logs_win"

# --- The run: shots while it goes, taken at once (a probe takes about as long as the run's first second).
for mid in 1 2 3; do
    shot "05-running-$mid"
    sleep 0.2
done
details_written() { [ -n "$(probe text "$main" 20)" ]; }
e2e_check "the run starts" wait_until 60 details_written
# The language box as it is from here until box 5 is answered: its enabled flag and the tip of its arrow.
read -r picker_enabled lx ly _ <<<"$(child "$main" 40 | cut -f3,5 | tr ',\t' '  ')"
arrow_tip=$(pixel $((lx + 92)) $((ly + 18)))
end=$((SECONDS + 600))
while ! window_up "$box" && [ $SECONDS -lt $end ]; do sleep 0.5; done
e2e_check "the language box takes no clicks during the run" test "$picker_enabled" = 0
e2e_check "and its arrow is grey ($arrow_tip)" test "$arrow_tip" = "#99A8AC"
e2e_check "the final box comes up" window_up "$box"
final=$(static_text "$box")
e2e_check "box 5 after the removals" test "${final%%|*}" = "Any infected Keys have been removed, the virus has been deleted."
sleep 0.3
shot 06-final-box5
click_child "$box" 1
e2e_check "the final box goes" wait_until 60 window_gone "$box"
e2e_check "idle again: START enabled" wait_until 60 child_enabled "$main" 10
# Keys work at once: the window is active again (its caption in the active colour) and START has the focus.
e2e_check "the window is active again after the run's boxes" wait_until 60 active
e2e_check "START has the keyboard focus after the run" wait_until 60 focus_is 10
details=$(probe text "$main" 20)
jsonl=$(find "$logs" -maxdepth 1 -name 'Pellworth Removal Log *.jsonl' | head -n 1)
e2e_check "the run's lines end with Done!" test "$(printf '%s\n' "$details" | grep -c '^Done!$')" -eq 1
e2e_check "the details' last line names the run's record" test "$(printf '%s\n' "$details" | tail -n 1)" = \
    "The record of this run: $logs_win\\$(basename "$jsonl")"
shot 07-after-run

# --- The machine, as the console scenario checks it (with the downloaded digest: the copy known only by it
# goes too).
e2e_read_log "$logs" "$work/log-lines.txt"
e2e_check "log header" test "$(head -n 2 "$loglines" | tr '\n' '|')" = "Version: 4.6 Virus DataBase: 6.70||"
e2e_check "log ends with Saving Log..." test "$(tail -n 1 "$loglines")" = "Saving Log..."
e2e_check "the log holds the details box's lines" test "$(sed -n '3,$p' "$loglines")" = \
    "$(printf '%s\n' "$details" | sed '/^Done!$/,$d')"
e2e_check_planted "$logs" "$out" "$worm" "$record" yes

# --- Undo from the system menu (a click on the caption's icon, then its last item by keyboard), the folder,
# Yes; every change comes back.
read -r cx cy _ <<<"$(probe find "$main")"
xdotool mousemove $((cx + 8)) $((cy - 10))
sleep 0.2
xdotool click 1
menu_open() { probe menu "$main"; }
e2e_check "the system menu opens" wait_until 60 menu_open
shot 08-system-menu
xdotool key Up Return
e2e_check "the restore asks for the cleaning's folder" wait_until 60 window_up "Browse for Folder"
probe pick "$logs_win"
e2e_check "and asks before it puts worms back" wait_until 60 window_up "$box"
e2e_check "the question" test "$(static_text "$box")" = "Everything that cleaning removed will be put back, the \
worms it found included.||Nothing that exists again is overwritten. Restore it?"
shot 09-restore-question
xdotool key Return
e2e_check "idle again after the restore" wait_until 300 child_enabled "$main" 10
e2e_check "the window is active again after the restore" wait_until 60 active
e2e_check "START has the keyboard focus after the restore" wait_until 60 focus_is 10
restored=$(probe text "$main" 20)
shot 10-restored
e2e_check "the restore names the record it read" grep -qF "restoring: $logs_win\\Pellworth Removal Log " <<<"$restored"
e2e_check "one line per change of the record" test "$(grep -c '^\(restored\|not started again\) ' <<<"$restored")" -eq \
    "$(grep -c '"record":"change"' "$jsonl")"
missing=0
while IFS=$'\t' read -r kind path _; do
    [ "$kind" = file ] && ! e2e_win_exists "$path" && missing=$((missing + 1))
done <"$out/manifest.tsv"
e2e_check "every planted file is back" test "$missing" -eq 0

# --- Idle: Alt+F4 at once, as a person closes a window, is accepted, and the program ends.
xdotool key alt+F4
set +e
wait_exit "$launcher" 60
closed_rc=$?
set -e
e2e_check "Alt+F4 when idle ends the program (exit 0)" test "$closed_rc" -eq 0

# --- 144 dpi on an 800 x 600 screen: everything half as large again, drawn at that size; the window
# does not fit as designed, so it is placed inside the screen with its details box shorter, and its
# caption, START, CLOSE and the status line stay in view.
# A fresh prefix on a display of that size (the restored worms of the first would start with its server).
e2e_stop_prefix "$prefix"
e2e_stop_xvfb
e2e_start_xvfb "$work/xvfb-800x600.log" 800x600
prefix=$work/prefix-small
e2e_fresh_prefix "$base" "$prefix"
e2e_prepare_windows
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
probe_serve
start_window
launcher=$!
e2e_check "the window comes up at 144 dpi" wait_until 120 child_enabled "$main" 10
read -r cx cy cw ch <<<"$(probe find "$main")"
read -r fx fy fw fh <<<"$(probe frame "$main")"
e2e_check "the whole window inside the 800 x 600 screen ($fx,$fy ${fw}x$fh)" \
    test "$fx" -ge 0 -a "$fy" -ge 0 -a $((fx + fw)) -le 800 -a $((fy + fh)) -le 600
e2e_check "centred across" test $((fx + fw / 2)) -ge 399 -a $((fx + fw / 2)) -le 401
e2e_check "client area 726 wide at 144 dpi, as tall as the screen allows" test "$cw" -eq 726 -a "$ch" -lt 642
e2e_check "START is 122 x 38 at 144 dpi" test "$(child "$main" 10 | cut -f5 | cut -d, -f3-)" = "122,38"
inside_client() {  # inside_client ID: the child lies wholly inside the client area on screen
    local x y w h
    IFS=, read -r x y w h <<<"$(child "$main" "$1" | cut -f5)"
    [ "$x" -ge "$cx" ] && [ "$y" -ge "$cy" ] && [ $((x + w)) -le $((cx + cw)) ] && [ $((y + h)) -le $((cy + ch)) ]
}
e2e_check "START, CLOSE and the details box in view" test "$(inside_client 10 && inside_client 11 && inside_client 20 && echo yes)" = yes
status_rect=$(probe children "$main" | awk -F'\t' '$2 == "Static" { n++ } n == 5 { print $5; exit }')
IFS=, read -r _ sy _ sh <<<"$status_rect"
# (the strip is designed to run a few pixels past the client's bottom edge, at every size)
e2e_check "the status line in view, under START" test $((sy + sh / 2)) -le $((cy + ch)) -a "$sy" -ge $(($(child "$main" 10 | cut -f5 | cut -d, -f2) + 38))
sleep 0.3  # the last repaint, for the picture only
shot 11-dpi144-800x600
click_child "$main" 11
set +e
wait_exit "$launcher" 60
rc=$?
set -e
e2e_check "CLOSE ends the program (exit 0)" test "$rc" -eq 0

echo "screenshots in $shots"
echo "$failures failed check(s)"
exit $((failures > 0))
