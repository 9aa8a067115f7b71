#!/bin/bash
# The window program's languages as a person meets them, under its own Xvfb in a throwaway prefix: the
# system language chosen at start-up (German, Portuguese, Hebrew, and English for Dutch), the picker
# opened with its arrow and not with the name, the hover highlight, the greyed Chinese and Japanese
# entries inert, the panel closed by a click elsewhere and when another window takes the focus, French
# and Russian picked and the captions changed with them, then every selectable language on one contact
# sheet. Screenshots are kept in WORK_DIR/shots.
# usage: language_picker.sh WINDOW_EXE PROBE_EXE WORK_DIR SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "$here/checks.sh"
. "$here/window_lib.sh"

[ $# -ge 4 ] || { echo "usage: $0 WINDOW_EXE PROBE_EXE WORK_DIR SOURCE_DIR" >&2; exit 64; }
exe=$(readlink -f "$1") probe_exe=$(readlink -f "$2")
work=$(mkdir -p "$3" && cd "$3" && pwd)
src=$(cd "$4" && pwd)
base=${E2E_BASE_PREFIX:-$(dirname "$work")/base-prefix}
prefix=$work/prefix
shots=$work/shots
rm -rf "$shots"
mkdir -p "$shots"

e2e_start_xvfb "$work/xvfb.log"
cleanup() {
    e2e_stop_prefix "$prefix"
    e2e_stop_xvfb
}
trap cleanup EXIT
e2e_make_base_prefix "$base"
e2e_fresh_prefix "$base" "$prefix"
e2e_prepare_windows

failures=0
main='Pellworth Remover '
box='=Pellworth Remover'
# The main window's children as last seen (one probe per look: every probe is a Wine start).
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
    sleep 0.2
}
click_entry() {  # click_entry INDEX: the middle of the panel's entry
    local x y w h
    read -r x y w h <<<"$(rect_of $((300 + $1)))"
    click_at $((x + w / 2)) $((y + h / 2))
}
click_arrow() { click_at $((bx + bw - 12)) $((by + bh / 2)); }
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
    wait_exit "$second" 20
    rc=$?
    set -e
    [ "$rc" -eq 4 ]
}

# --- A German system starts in German.
t0=$(date +%s%N)
(cd "$work" && LC_ALL=de_DE.UTF-8 exec wine "$exe" </dev/null >>"$work/window.out" 2>&1) &
launcher=$!
e2e_check "the window comes up idle" wait_until 30 idle
e2e_check "the picker box shows Deutsch" test "$(child_text 40)" = Deutsch
e2e_check "German captions" test "$(labels)" = "$(captions_of german)"
e2e_check "German buttons" test "$(buttons)" = "$(buttons_of german)"
read -r bx by bw bh <<<"$(rect_of 40)"
# The arrow's exact pixels in the idle colour, on the arrow area's fill.
e2e_check "arrow line and tip drawn" test "$(pixel $((bx + 85)) $((by + 5)))/$(pixel $((bx + 92)) $((by + 18)))" = "#13171A/#13171A"
e2e_check "arrow ends where it should" test "$(pixel $((bx + 100)) $((by + 5)))/$(pixel $((bx + 92)) $((by + 19)))" = "#2E343A/#2E343A"
shot 01-german-start

# --- The name part does nothing; the arrow opens the panel; the panel lists 23 names in their own scripts.
click_at $((bx + 20)) $((by + bh / 2))
e2e_check "a click on the name leaves the panel closed" panel_closed
click_arrow
e2e_check "the arrow opens the panel" panel_open
e2e_check "23 names in their own scripts" test "$(awk -F'\t' '$1 >= 300 && $1 <= 322 { print $6 }' <<<"$kids")" = "$names"
e2e_check "only the Chinese and Japanese entries are greyed" test \
    "$(awk -F'\t' '$1 >= 300 && $1 <= 322 && $3 == 0 { printf "%s ", $1 - 300 }' <<<"$kids")" = "3 4 14 "

# --- Hover: exactly the entry under the mouse is highlighted, and it stays until another is touched.
read -r x y w h <<<"$(rect_of 308)"
xdotool mousemove $((x + w / 2)) $((y + h / 2))
sleep 0.3
e2e_check "Français highlighted, Deutsch not" test "$(entry_colour 8)/$(entry_colour 9)" = "#2E343A/#000000"
read -r x y w h <<<"$(rect_of 309)"
xdotool mousemove $((x + w / 2)) $((y + h / 2))
sleep 0.3
e2e_check "then Deutsch, and Français no longer" test "$(entry_colour 8)/$(entry_colour 9)" = "#000000/#2E343A"
shot 02-panel-open

# --- The greyed entries take no click; a click on the window closes the panel; the arrow toggles it.
click_entry 3
click_entry 14
e2e_check "Chinese and Japanese do nothing, and the panel stays open" panel_open
e2e_check "still Deutsch" test "$(child_text 40)" = Deutsch
read -r cx cy cw ch <<<"$(probe find "$main")"
click_at $((cx + 3)) $((cy + 200))
e2e_check "a click on the window closes the panel" panel_closed
click_arrow
click_arrow
e2e_check "the arrow twice: closed again" panel_closed

# --- French picked.
click_arrow
click_entry 8
e2e_check "the panel closes on a pick" panel_closed
e2e_check "the box shows Français" test "$(child_text 40)" = Français
e2e_check "French captions" test "$(labels)" = "$(captions_of french)"
e2e_check "French buttons" test "$(buttons)" = "$(buttons_of french)"
shot 03-french

# --- Another window takes the focus: the panel closes. A Portuguese system starts in Portuguese (Portugal)
# and a Dutch one in English, as their "already running" boxes show.
click_arrow
e2e_check "panel open before the second copy" panel_open
start_second_copy pt_BR.UTF-8
e2e_check "a second copy shows its box" wait_until 20 window_up "$box"
e2e_check "a Portuguese system's second copy speaks Portuguese" test "$(box_text)" = "$(line portuguese 10)"
e2e_check "the first copy's panel closed when the box took the focus" wait_until 2 panel_closed
shot 04-second-copy-portuguese
e2e_check "the second copy ends after OK" answer_second_copy
start_second_copy he_IL.UTF-8
e2e_check "a second copy shows its box" wait_until 20 window_up "$box"
e2e_check "a Hebrew system's second copy speaks Hebrew, read right to left" test "$(box_text)" = "$(line hebrew 10)"
shot 04-second-copy-hebrew
e2e_check "the second copy ends after OK" answer_second_copy
start_second_copy nl_NL.UTF-8
e2e_check "a second copy shows its box" wait_until 20 window_up "$box"
e2e_check "a Dutch system's second copy speaks English" test "$(box_text)" = "$(line english 10)"
e2e_check "the second copy ends after OK" answer_second_copy

# --- Scripts of their own: Russian (checked) and Arabic (looked at).
click_arrow
click_entry 19
look
e2e_check "Russian captions" test "$(labels)" = "$(captions_of russian)"
e2e_check "Russian buttons" test "$(buttons)" = "$(buttons_of russian)"
shot 05-russian
click_arrow
click_entry 1
look
e2e_check "the box shows العربية" test "$(child_text 40)" = "العربية"
shot 06-arabic

# --- Every selectable language once, for a person to look at side by side: one contact sheet.
read -r cx cy cw ch <<<"$(probe find "$main")"
stems=$(sed -n 's/^PELL_LANGUAGE(\([0-9]*\),.*"\([a-z_]*\)")$/\1 \2/p' "$src/i18n/languages.inc")
sheet=()
while read -r index stem; do
    case $index in 3 | 4 | 14) continue ;; esac
    click_arrow
    click_entry "$index"
    sleep 0.1
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
wait_exit "$launcher" 20
rc=$?
set -e
e2e_check "CLOSE ends the program (exit 0)" test "$rc" -eq 0
echo "walk through the picker: $((($(date +%s%N) - t0) / 1000000)) ms"
echo "screenshots in $shots"
echo "$failures failed check(s)"
exit $((failures > 0))
