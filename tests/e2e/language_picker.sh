#!/bin/bash
# The window program's languages as a person meets them, under its own Xvfb in a throwaway prefix: the
# system language chosen at start-up (German, Portuguese, Hebrew, and English for Dutch), the picker
# opened with its arrow and not with the name, the hover highlight, the greyed Chinese and Japanese
# entries inert, the panel closed by a click elsewhere and when another window takes the focus, French
# and Russian picked and the captions changed with them, then every selectable language on one contact
# sheet. The update check meets a site of the scenario's own private namespace. Screenshots are kept in
# WORK_DIR/shots.
# usage: language_picker.sh WINDOW_EXE PROBE_EXE WORK_DIR SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "$here/checks.sh"
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

failures=0
main='Pellworth Remover '
box='=Pellworth Remover'
# The main window's children as last seen (one probe per look: the checks after it read the same state).
look() { kids=$(probe children "$main"); }
child() { awk -F'\t' -v id="$1" '$1 == id { print; exit }' <<<"$kids"; }
child_text() { child "$1" | cut -f6-; }
idle() { look && [ "$(child 10 | cut -f3)" = 1 ]; }
labels() { awk -F'\t' '$2 == "Static" { print $6 }' <<<"$kids" | head -n 3 | tr '\n' '|'; }
buttons() { echo "$(child_text 10)|$(child_text 11)|$(child_text 12)"; }
panel_open() { look && [ "$(child 41 | cut -f4)" = 1 ]; }
panel_closed() { look && [ "$(child 41 | cut -f4)" = 0 ]; }
rect_of() { child "$1" | cut -f5 | tr ',' ' '; }
click_at() {  # click_at X Y (screen)
    xdotool mousemove "$1" "$2"
    sleep 0.1
    xdotool click 1
}
click_entry() {  # click_entry INDEX: the middle of the panel's entry
    local x y w h
    read -r x y w h <<<"$(rect_of $((300 + $1)))"
    click_at $((x + w / 2)) $((y + h / 2))
}
click_arrow() { click_at $((bx + bw - 12)) $((by + bh / 2)); }
# A click lands on what is there when the window takes it: the panel is waited for before its entries
# are clicked. Every wait ends only a hung scenario.
open_panel() { click_arrow && wait_until 60 panel_open; }
shows() { look && [ "$(child_text 40)" = "$1" ]; }  # shows NAME: the picker box shows NAME
pick() {  # pick INDEX NAME: the entry picked; the panel closes and the box shows NAME
    open_panel && click_entry "$1" && wait_until 60 panel_closed && wait_until 60 shows "$2"
}
entry_colour() {  # entry_colour INDEX: the entry's background, next to its top-left corner
    local x y w h
    read -r x y w h <<<"$(rect_of $((300 + $1)))"
    pixel $((x + 2)) $((y + 2))
}
# Lines of a translation source as the window shows them (the sources are UTF-8).
line() { sed -n "$2p" "$src/resources/lang/$1.txt" | tr -d '\r'; }
captions_of() { echo "$(line "$1" 1)|$(line "$1" 2)|$(line "$1" 3)|"; }
buttons_of() { echo "$(line "$1" 5)|$(line "$1" 4)|$(line "$1" 9)"; }
# The picker names, in picker order, as the probe shows them (line feeds as "|").
names=$(sed -n 's/^PELL_LANGUAGE([^"]*"\([^"]*\)".*/\1/p' "$src/i18n/languages.inc" | sed 's/\\n/|/g')
start_second_copy() {  # start_second_copy LOCALE: a second copy with that system language
    (cd "$work" && LC_ALL=$1 exec wine "$exe" </dev/null >>"$work/second.out" 2>&1) &
    second=$!
}
box_text() { probe children "$box" | awk -F'\t' '$2 == "Static" { print $6; exit }'; }
answer_second_copy() {
    local x y w h rc
    read -r x y w h <<<"$(probe children "$box" | awk -F'\t' '$1 == 1 { print $5; exit }' | tr ',' ' ')"
    click_at $((x + w / 2)) $((y + h / 2))
    set +e
    wait_exit "$second" 60
    rc=$?
    set -e
    [ "$rc" -eq 4 ]
}

# --- A German system starts in German.
t0=$(date +%s%N)
(cd "$work" && LC_ALL=de_DE.UTF-8 exec wine "$exe" </dev/null >>"$work/window.out" 2>&1) &
launcher=$!
e2e_check "the window comes up idle" wait_until 120 idle
e2e_check "the picker box shows Deutsch" test "$(child_text 40)" = Deutsch
e2e_check "German captions" test "$(labels)" = "$(captions_of german)"
e2e_check "German buttons" test "$(buttons)" = "$(buttons_of german)"
read -r bx by bw bh <<<"$(rect_of 40)"
# The arrow's exact pixels in the idle colour, on the arrow area's fill.
e2e_check "arrow line and tip drawn" test "$(pixel $((bx + 85)) $((by + 5)))/$(pixel $((bx + 92)) $((by + 18)))" = "#13171A/#13171A"
e2e_check "arrow ends where it should" test "$(pixel $((bx + 100)) $((by + 5)))/$(pixel $((bx + 92)) $((by + 19)))" = "#2E343A/#2E343A"
shot 01-german-start

# --- The name part does nothing; the arrow opens the panel; the panel lists 23 names in their own scripts.
# Clicks are taken in order: had the click on the name opened the panel, the arrow's would close it.
click_at $((bx + 20)) $((by + bh / 2))
click_arrow
e2e_check "a click on the name does nothing, one on the arrow opens the panel" wait_until 60 panel_open
e2e_check "23 names in their own scripts" test "$(awk -F'\t' '$1 >= 300 && $1 <= 322 { print $6 }' <<<"$kids")" = "$names"
e2e_check "only the Chinese and Japanese entries are greyed" test \
    "$(awk -F'\t' '$1 >= 300 && $1 <= 322 && $3 == 0 { printf "%s ", $1 - 300 }' <<<"$kids")" = "3 4 14 "

# --- Hover: exactly the entry under the mouse is highlighted, and it stays until another is touched.
hover() {  # hover INDEX: the mouse onto the middle of the entry
    local x y w h
    read -r x y w h <<<"$(rect_of $((300 + $1)))"
    xdotool mousemove $((x + w / 2)) $((y + h / 2))
}
colours() { [ "$(entry_colour "$1")/$(entry_colour "$2")" = "$3" ]; }
hover 8
e2e_check "Français highlighted, Deutsch not" wait_until 60 colours 8 9 "#2E343A/#000000"
hover 9
e2e_check "then Deutsch, and Français no longer" wait_until 60 colours 8 9 "#000000/#2E343A"
shot 02-panel-open

# --- The greyed entries take no click; a click on the window closes the panel; the arrow toggles it.
# Once the mouse over Français has been taken, so have the two clicks before it.
click_entry 3
click_entry 14
hover 8
e2e_check "(the clicks on the greyed entries taken)" wait_until 60 colours 8 9 "#2E343A/#000000"
e2e_check "Chinese and Japanese do nothing, and the panel stays open" panel_open
e2e_check "still Deutsch" test "$(child_text 40)" = Deutsch
read -r cx cy cw ch <<<"$(probe find "$main")"
click_at $((cx + 3)) $((cy + 200))
e2e_check "a click on the window closes the panel" wait_until 60 panel_closed
e2e_check "the arrow opens it again" open_panel
click_arrow
e2e_check "and closes it" wait_until 60 panel_closed

# --- French picked.
e2e_check "the panel closes on a pick, and the box shows Français" pick 8 Français
e2e_check "French captions" test "$(labels)" = "$(captions_of french)"
e2e_check "French buttons" test "$(buttons)" = "$(buttons_of french)"
shot 03-french

# --- By keyboard: Tab reaches the picker box; an arrow opens the panel on the current language, the arrows
# move the highlight over the entries that can be chosen (the greyed ones passed over), Esc closes,
# Space opens again and Enter picks. Each key is taken before the next: the screen is waited for.
focus_is() { [ "$(probe focus "$main")" = "$1" ]; }
tab_to() {  # tab_to ID: Tab until ID has the focus, at most once round the window
    local i before
    for i in 1 2 3 4 5; do
        focus_is "$1" && return 0
        before=$(probe focus "$main")
        xdotool key Tab
        wait_until 60 e2e_not focus_is "$before" || return 1
    done
    focus_is "$1"
}
highlighted() { [ "$(entry_colour "$1")" = "#2E343A" ]; }
key_to() {  # key_to KEY INDEX: KEY pressed, then the highlight is on INDEX
    xdotool key "$1"
    wait_until 60 highlighted "$2"
}
xdotool mousemove $((cx + 3)) $((cy + 3))  # on the banner, away from the panel: only the keys move the highlight
e2e_check "Tab reaches the picker box" tab_to 40
xdotool key Down
e2e_check "Down opens the panel" wait_until 60 panel_open
e2e_check "on the current language, Français" wait_until 60 highlighted 8
e2e_check "Down: Deutsch" key_to Down 9
for i in 8 7 6 5; do key_to Up $i; done
e2e_check "Up from Nederlands passes over the two greyed Chinese entries to Brasileiro" key_to Up 2
e2e_check "Right: the same row of the other column, 한국어" key_to Right 15
e2e_check "the Japanese entry was passed over: only 한국어 highlighted" test "$(entry_colour 14)/$(entry_colour 2)" = "#000000/#000000"
shot 03-panel-by-keyboard
xdotool key Escape
e2e_check "Esc closes the panel" wait_until 60 panel_closed
e2e_check "and nothing was picked" shows Français
xdotool key space
e2e_check "Space opens it again, on Français" wait_until 60 highlighted 8
key_to Down 9
xdotool key Return
e2e_check "Enter picks Deutsch and the panel closes" wait_until 60 shows Deutsch
e2e_check "the panel is closed" panel_closed
e2e_check "German captions again" test "$(labels)" = "$(captions_of german)"
e2e_check "the picker box keeps the focus" focus_is 40

# --- Another window takes the focus: the panel closes. A Portuguese system starts in Portuguese (Portugal)
# and a Dutch one in English, as their "already running" boxes show.
e2e_check "panel open before the second copy" open_panel
start_second_copy pt_BR.UTF-8
e2e_check "a second copy shows its box" wait_until 60 window_up "$box"
e2e_check "a Portuguese system's second copy speaks Portuguese" test "$(box_text)" = "$(line portuguese 10)"
e2e_check "the first copy's panel closed when the box took the focus" wait_until 60 panel_closed
shot 04-second-copy-portuguese
e2e_check "the second copy ends after OK" answer_second_copy
start_second_copy he_IL.UTF-8
e2e_check "a second copy shows its box" wait_until 60 window_up "$box"
e2e_check "a Hebrew system's second copy speaks Hebrew, read right to left" test "$(box_text)" = "$(line hebrew 10)"
shot 04-second-copy-hebrew
e2e_check "the second copy ends after OK" answer_second_copy
start_second_copy nl_NL.UTF-8
e2e_check "a second copy shows its box" wait_until 60 window_up "$box"
e2e_check "a Dutch system's second copy speaks English" test "$(box_text)" = "$(line english 10)"
e2e_check "the second copy ends after OK" answer_second_copy

# --- Scripts of their own: Russian (checked) and Arabic (looked at).
e2e_check "Русский picked" pick 19 "$(sed -n 20p <<<"$names")"
e2e_check "Russian captions" test "$(labels)" = "$(captions_of russian)"
e2e_check "Russian buttons" test "$(buttons)" = "$(buttons_of russian)"
shot 05-russian
e2e_check "the box shows العربية" pick 1 "العربية"
shot 06-arabic

# --- Every selectable language once, for a person to look at side by side: one contact sheet.
read -r cx cy cw ch <<<"$(probe find "$main")"
stems=$(sed -n 's/^PELL_LANGUAGE(\([0-9]*\),.*"\([a-z_]*\)")$/\1 \2/p' "$src/i18n/languages.inc")
sheet=()
while read -r index stem; do
    case $index in 3 | 4 | 14) continue ;; esac
    e2e_check "$stem picked" pick "$index" "$(sed -n "$((index + 1))p" <<<"$names")"
    sleep 0.3  # the repaint after the pick, for the picture only
    import -window root -crop "${cw}x${ch}+${cx}+${cy}" +repage "$shots/idle-$stem.png"
    sheet+=(-label "$index $stem" "$shots/idle-$stem.png")
done <<<"$stems"
montage "${sheet[@]}" -tile 5x4 -geometry +6+6 -background '#202020' -fill white "$shots/idle-languages.png"
echo "contact sheet $shots/idle-languages.png"
look
e2e_check "the last one picked, Türkçe, is shown" test "$(child_text 40)" = Türkçe
e2e_check "Turkish captions" test "$(labels)" = "$(captions_of turkish)"

# --- CLOSE, in whatever language it is, ends the program.
read -r x y w h <<<"$(rect_of 11)"
click_at $((x + w / 2)) $((y + h / 2))
set +e
wait_exit "$launcher" 60
rc=$?
set -e
e2e_check "CLOSE ends the program (exit 0)" test "$rc" -eq 0
echo "walk through the picker: $((($(date +%s%N) - t0) / 1000000)) ms"
echo "screenshots in $shots"
echo "$failures failed check(s)"
exit $((failures > 0))
