#!/bin/bash
# The about box as a person meets it, under its own Xvfb in a throwaway prefix: opened from the idle window
# and during a run, its texts, the credits strip moving and standing still under the mouse on a credit, the
# Dutch row's credit opening link 8 and the Hebrew row's nothing, the tune behind the icon written once
# and opened, Esc, Enter and OK closing the box, CLOSE (or a close from outside) taking the tune file away;
# and the box in Hebrew, and in Russian at 144 dpi. The update check meets a site of the scenario's own
# private namespace. Screenshots are kept in WORK_DIR/shots.
# usage: about_box.sh WINDOW_EXE PROBE_EXE TUNE_FILE WORK_DIR
set -uo pipefail  # no -e: every step is a check, and a failed one must not stop the clean-up
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "$here/window_lib.sh"
. "$here/update_site.sh"

[ "${1:-}" = --inside ] || e2e_update_enter_namespace "$0" "$@"
shift
E2E_SOURCE_DIR=$(cd "$here/../.." && pwd)
[ $# -ge 4 ] || { echo "usage: $0 WINDOW_EXE PROBE_EXE TUNE_FILE WORK_DIR" >&2; exit 64; }
exe=$(readlink -f "$1") probe_exe=$(readlink -f "$2") tune=$(readlink -f "$3")
work=$(mkdir -p "$4" && cd "$4" && pwd)
base=${E2E_BASE_PREFIX:-$(dirname "$work")/base-prefix}
e2e_window_scene "$work"
# Links go to a recorder instead of a browser.
links=$work/links.txt
: >"$links"
printf '#!/bin/sh\necho "$1" >>"%s"\n' "$links" >"$work/browser.sh"
chmod +x "$work/browser.sh"
wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$work/browser.sh" /f >/dev/null 2>&1
mkdir -p "$prefix/drive_c/logs"
rm -f "$work/window.out" "$work/window.err"
temp=$(e2e_unix_path 'C:\users\root\Temp')

failures=0
main='Pellworth Remover '
msgbox='=Pellworth Remover'
about='    '  # the about box's title starts with four blanks, and no other window's does
kids=
look() { kids=$(probe children "$1"); }  # the window's children as last seen: one probe per look
kid() { awk -F'\t' -v id="$1" '$1 == id { print; exit }' <<<"$kids"; }
kid_text() { kid "$1" | cut -f6-; }
statics() { awk -F'\t' '$2 == "Static" { print $6 }' <<<"$kids"; }
rect_of_text() { awk -F'\t' -v t="$1" '$6 == t { print $5; exit }' <<<"$kids" | tr ',' ' '; }
click_at() {
    xdotool mousemove "$1" "$2"
    sleep 0.15
    xdotool click 1
}
click_kid() {  # click_kid ID: the middle of the child, from the last look
    local x y w h
    read -r x y w h <<<"$(kid "$1" | cut -f5 | tr ',' ' ')"
    click_at $((x + w / 2)) $((y + h / 2))
}
idle() { look "$main" && [ "$(kid 10 | cut -f3)" = 1 ]; }
start_window() {  # start_window LOCALE [WINEDEBUG]: the program in the background, $! its launcher
    (cd "$work" && exec env LC_ALL="$1" WINEDEBUG="${2:--all}" wine "$exe" </dev/null >>"$work/window.out" 2>>"$work/window.err") &
}
open_about() {  # About clicked; done once the box is up with the keyboard focus on its OK
    look "$main"
    click_kid 12
    wait_until 60 window_up "$about" && wait_until 60 ok_has_focus
}
about_during_run() {  # clicks About (where the last look of the main window saw it) as the run begins
    local i x y w h
    read -r x y w h <<<"$(kid 12 | cut -f5 | tr ',' ' ')"
    xdotool mousemove $((x + w / 2)) $((y + h / 2))
    # Quick clicks, no look in between: the run is short. Once the box is up they land on its description.
    for i in $(seq 20); do
        xdotool click 1
        sleep 0.2
    done
    wait_until 60 window_up "$about"
}
tune_files() { find "$temp" -maxdepth 1 -name '*.mid' | sort; }
has_tune() { [ -n "$(tune_files)" ]; }
# The credit beside a language's name: the label on the same row, right of it.
credit_rect() {  # credit_rect LANGUAGE: x y w h of its credit, from the last look of the box
    local lx ly
    read -r lx ly _ <<<"$(rect_of_text "$1")"
    awk -F'\t' -v lx="$lx" -v ly="$ly" '$2 == "Static" { split($5, r, ","); d = r[2] - ly
        if (r[1] > lx + 30 && d >= -2 && d <= 2) { print r[1], r[2], r[3], r[4]; exit } }' <<<"$kids"
}
# Rests the mouse on LANGUAGE's credit: waits until the strip brings it into view, moves the mouse onto it,
# and is done once the strip stands still with that credit under the mouse; otherwise (the strip moved on
# before the mouse got there) the mouse goes back to the description and it tries again. Only a hung
# scenario ends the wait.
rest_on_credit() {
    local language=$1 end=$((SECONDS + 300)) cx cy cw ch x y w h py
    read -r cx cy cw ch <<<"$(kid 3 | cut -f5 | tr ',' ' ')"
    while [ $SECONDS -lt $end ]; do
        look "$about"
        read -r x y w h <<<"$(credit_rect "$language")"
        if [ -n "${y:-}" ] && [ "$y" -ge $((cy + 2)) ] && [ $((y + h)) -le $((cy + ch - 2)) ]; then
            py=$((y + h / 2))
            xdotool mousemove $((x + 20)) "$py"
            if strip_still; then
                look "$about"
                read -r x y w h <<<"$(credit_rect "$language")"
                [ "$py" -ge "$y" ] && [ "$py" -lt $((y + h)) ] && return 0
            fi
            to_description
        else
            # Not in view: a mouse still resting on another credit holds the strip, so it goes to the
            # description and lets the strip bring this one up.
            to_description
        fi
        sleep 0.2
    done
    return 1
}
strip_still() {  # two looks a second apart see the strip at the same place
    local t1 t2
    t1=$(strip_top) && sleep 1 && t2=$(strip_top) && [ "$t1" = "$t2" ]
}
strip_moved_from() { local t; t=$(strip_top) && [ "$t" -lt "$1" ]; }
ok_has_focus() { [ "$(probe focus "$about")" = 1 ]; }
strip_top() { look "$about" && kid 4 | cut -f5 | cut -d, -f2; }
to_description() {  # the mouse onto the description, from the last look of the box
    local x y
    read -r x y _ <<<"$(awk -F'\t' 'index($6, "Pellworth remover is a FREE") == 1 { print $5; exit }' <<<"$kids" | tr ',' ' ')"
    xdotool mousemove $((x + 20)) $((y + 10))
}

# --- Idle, in English, with the multimedia trace on: the sequencer's answers are observed from outside.
start_window en_US.UTF-8 trace+mci
launcher=$!
e2e_check "the window comes up idle" wait_until 120 idle
t0=$(date +%s%N)
e2e_check "About opens the box" open_about
echo "About to the box: $((($(date +%s%N) - t0) / 1000000)) ms"
look "$about"
read -r _ _ bw bh <<<"$(probe find "$about")"
e2e_check "client area 383 x 380 at 96 dpi" test "$bw x $bh" = "383 x 380"
e2e_check "the main window waits (disabled)" test "$(probe enabled "$main")" = 0
e2e_check "OK has the keyboard focus" test "$(probe focus "$about")" = 1
e2e_check "OK's caption" test "$(kid_text 1)" = OK
e2e_check "the title strip" test "$(statics | grep -c '^    About    Pellworth Remover$')" = 1
e2e_check "the description" test "$(statics | grep -c '^Pellworth remover is a FREE tool designed to help you remove those pesky ')" = 1
e2e_check "the disclaimer's second line" test "$(statics | grep -c '|Feel free to mirror this program and redistribute it for FREE\.$')" = 1
e2e_check "Sponsored by:" test "$(statics | grep -cx 'Sponsored by:')" = 1
e2e_check "19 language names in the strip" test "$(statics | grep -cxE 'Albanian|Arabic|Brazilian|Dutch|Estonian|French|German|Greek|Hebrew|Hungarian|Italian|Korean|Norwegian|Polish|Portuguese|Russian|Spanish|Swedish|Turkish')" = 19
e2e_check "every row has its credit" test "$(for l in Albanian Hebrew Turkish; do credit_rect $l | wc -l; done | tr -d '\n')" = 111
top1=$(kid 4 | cut -f5 | cut -d, -f2)
shot 01-about-english
e2e_check "the credits strip moves up (from $top1)" wait_until 60 strip_moved_from "$top1"

echo "[$SECONDS s]"
# --- A credit under the mouse holds the strip; the Dutch row's opens link 8, the Hebrew row's nothing.
e2e_check "the mouse rests on the Dutch row's credit, and the strip stands still under it" rest_on_credit Dutch
shot 02-resting-on-dutch
xdotool click 1
e2e_check "link 8 opened" wait_until 60 grep -qx 'http://go.pellworth.example/?id=8' "$links"
e2e_check "the mouse rests on the Hebrew row's credit" rest_on_credit Hebrew
xdotool click 1  # opens nothing: checked once the program has ended, long after the click was taken
to_description
moved1=$(strip_top)
e2e_check "over the description the strip moves on (from $moved1)" wait_until 60 strip_moved_from "$moved1"

echo "[$SECONDS s]"
# --- The icon: the tune written on the first click only, opened, and played after the open.
e2e_check "no tune file before the icon is clicked" test -z "$(tune_files)"
click_kid 2
e2e_check "the tune file is written" wait_until 60 has_tune
file=$(tune_files)
e2e_check "one tune file, named after the window: $(basename "$file")" test "$(tune_files | wc -l)" = 1 -a -n "$(basename "$file" .mid | grep -x '[0-9]*')"
e2e_check "its bytes are the bound tune" cmp -s "$file" "$tune"
written=$(stat -c %Y.%y "$file")
sleep 1.1  # so that a second write would show in the file's time
click_kid 2
mci_opens() { [ "$(tr -d '\r' <"$work/window.err" | grep -c 'trace:mci:mciSendStringW (L"open ')" -ge "$1" ]; }
e2e_check "the second click opens the tune again" wait_until 60 mci_opens 2
e2e_check "the second click does not write it again" test "$(stat -c %Y.%y "$file")" = "$written"
# The sequencer's answers, from the trace: each command's last "=> 2/ N" is its result.
mci=$(tr -d '\r' <"$work/window.err" | awk '/trace:mci:mciSendStringW \(L"/ { sub(/.*\(L"/, ""); sub(/",.*/, ""); cmd = $0; next }
    /trace:mci:mciSendStringW => 2\// { split($0, p, "=> 2/ "); split(p[2], q, " "); print q[1] " " cmd }')
e2e_check "open answered 0, twice" test "$(grep -c '^0 open .*\.mid type sequencer alias midi$' <<<"$mci")" = 2
e2e_check "play sent after each open" test "$(grep -c '^0 play midi$' <<<"$mci")" = 2

echo "[$SECONDS s]"
# --- Esc, Enter and OK close the box; the main window takes input again.
xdotool key Escape
e2e_check "Esc closes the box" wait_until 60 window_gone "$about"
e2e_check "the main window takes input again" test "$(probe enabled "$main")" = 1
e2e_check "About opens the box again" open_about
xdotool key Return
e2e_check "Enter closes the box" wait_until 60 window_gone "$about"
e2e_check "and again" open_about
look "$about"
click_kid 1
e2e_check "OK closes the box" wait_until 60 window_gone "$about"
e2e_check "the tune file stays while the program runs" test -f "$file"

echo "[$SECONDS s]"
# --- During a run About stays enabled; the box opens over the running window.
look "$main"
click_kid 10
e2e_check "START asks for the folder (box 2)" wait_until 60 window_up "$msgbox"
box_ok_focus() { [ "$(probe focus "$msgbox")" = 1 ]; }
e2e_check "with the focus on its OK" wait_until 60 box_ok_focus
xdotool key Return
e2e_check "the folder picker comes up" wait_until 60 window_up "Browse for Folder"
probe pick 'C:\logs'
e2e_check "the box opens during the run" about_during_run
look "$main"
e2e_check "the run is on (START disabled)" test "$(kid 10 | cut -f3)" = 0
e2e_check "and not finished" e2e_not grep -qx "Done!" <<<"$(probe text "$main" 20)"
shot 03-about-during-run
look "$about"
click_kid 1
e2e_check "OK closes it" wait_until 60 window_gone "$about"
answer_boxes() {  # the run's last boxes answered with Esc (no page opened), until the window is idle
    if window_up "$msgbox"; then xdotool key Escape; fi
    idle
}
e2e_check "the run ends and the window is idle" wait_until 300 answer_boxes
e2e_check "the run's lines end with Done!" grep -qx "Done!" <<<"$(probe text "$main" 20)"

echo "[$SECONDS s]"
# --- CLOSE stops the tune and takes its file away.
look "$main"
click_kid 11
wait_exit "$launcher" 60
rc=$?
e2e_check "CLOSE ends the program (exit 0)" test "$rc" -eq 0
e2e_check "the tune file is gone" test -z "$(tune_files)"
e2e_check "the Hebrew row's credit opened nothing" test "$(wc -l <"$links")" = 1
e2e_check "stop and close sent at CLOSE" test "$(tr -d '\r' <"$work/window.err" | grep -o 'mciSendStringW (L"[a-z]* midi"' | tail -n 2 | tr '\n' '|')" = \
    'mciSendStringW (L"stop midi"|mciSendStringW (L"close midi"|'

echo "[$SECONDS s]"
# --- A right-to-left and a Cyrillic language: the title in the language's own script. In Russian the
# tune is played and the window closed from outside: the file goes all the same.
for lang in he_IL.UTF-8 ru_RU.UTF-8; do
    # Russian at 144 dpi: the box grows with the main window.
    if [ "$lang" = ru_RU.UTF-8 ]; then
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
        probe_serve
    fi
    start_window "$lang"
    launcher=$!
    e2e_check "$lang: the window comes up idle" wait_until 120 idle
    caption=$(kid_text 12)
    e2e_check "$lang: About opens the box" open_about
    look "$about"
    if [ "$lang" = ru_RU.UTF-8 ]; then
        read -r _ _ bw bh <<<"$(probe find "$about")"
        e2e_check "$lang: client area 575 x 570 at 144 dpi" test "$bw x $bh" = "575 x 570"
    fi
    e2e_check "$lang: the title strip is the window's About caption ($caption)" \
        test "$(statics | grep -cxF "    $caption    Pellworth Remover")" = 1
    e2e_check "$lang: OK has its caption ($(kid_text 1))" test -n "$(kid_text 1)"
    sleep 0.3  # the last repaint, for the picture only
    shot "04-about-${lang%%_*}"
    if [ "$lang" = ru_RU.UTF-8 ]; then
        click_kid 2
        e2e_check "$lang: the tune file is written" wait_until 60 has_tune
    fi
    xdotool key Escape
    e2e_check "$lang: Esc closes the box" wait_until 60 window_gone "$about"
    probe close "$main"
    closed=$?
    wait_exit "$launcher" 60
    rc=$?
    e2e_check "$lang: a close from outside ends the program when idle" test "$closed$rc" = 00
    e2e_check "$lang: no tune file left" test -z "$(tune_files)"
done

echo "screenshots in $shots"
echo "$failures failed check(s)"
exit $((failures > 0))
