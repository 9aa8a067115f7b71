#!/bin/sh
# The main job: builds the Windows programs and opens the window program on a throwaway Wine prefix under
# build/demo (never ~/.wine) planted with one harmless infection of every kind (tests/e2e/plant_infections.sh:
# our own waiting program under listed worm names, autorun values, a worm service, policy values, hosts
# lines, an autorun.inf on a mapped drive).
#   With a display: the window opens for you to press START; the script says what to expect, and when
#   you close the window it shows what the run wrote and what is left of the infection.
#   Without one: the window runs under its own Xvfb and is driven through a whole run as a person would
#   (tests/e2e/window_walkthrough.sh); the screenshots of every state are listed at the end.
#   --console: the unattended console program instead, with the planted set and a log folder.
# usage: sh tools/demo.sh [--console]
[ -n "${BASH_VERSION:-}" ] || exec bash "$0" "$@"
set -eu
case "${1:-}" in
"" | --console) [ $# -le 1 ] ;;
*) false ;;
esac || { echo "usage: sh tools/demo.sh [--console]" >&2; exit 64; }
cd "$(dirname "$0")/.."
root=$(pwd)
. tests/e2e/lib.sh
sh tools/install-deps.sh
cmake --preset win64
cmake --build --preset win64 -j2 --target PellworthRemover pellclean pell_window_probe e2e_test_worm \
    e2e_shutdown_recorder release_zip
echo "Release package: $root/build/win64/PellworthRemover-4.6.zip"

# Whatever an earlier demo left (either mode, finished or cut short): every prefix under build/demo
# stopped and its processes waited for, then everything but the untouched base prefix removed.
demo=$root/build/demo
export E2E_BASE_PREFIX=$demo/base-prefix
for p in "$demo/wineprefix" "$demo/window/prefix" "$E2E_BASE_PREFIX"; do e2e_stop_prefix "$p"; done
mkdir -p "$demo"
find "$demo" -mindepth 1 -maxdepth 1 ! -name base-prefix -exec rm -rf {} +

mode=${1:-}
if [ "$mode" != --console ] && ! { [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; }; then
    echo "No display: the window runs under its own Xvfb and is driven through a whole run."
    exec bash tests/e2e/window_walkthrough.sh build/win64/PellworthRemover.exe build/win64/pell_window_probe.exe \
        build/win64/e2e_test_worm.exe build/win64/e2e_shutdown_recorder.exe "$demo/window" "$root"
fi

export WINEDLLOVERRIDES="mscoree,mshtml="
trap 'e2e_stop_prefix "$demo/wineprefix"' EXIT
echo "Creating the demo prefix $demo/wineprefix ..."
e2e_make_base_prefix "$E2E_BASE_PREFIX"
# A copy of the base with its persistent server, whose services start apart from this script's output.
e2e_fresh_prefix "$E2E_BASE_PREFIX" "$demo/wineprefix"

logs='C:\PellworthLogs'
mkdir -p "$WINEPREFIX/drive_c/PellworthLogs"
cp build/win64/pellclean.exe "$WINEPREFIX/drive_c/pellclean.exe"
cp build/win64/PellworthRemover.exe "$WINEPREFIX/drive_c/PellworthRemover.exe"
# The restart a cleaning asks for is recorded, not performed.
cp build/win64/e2e_shutdown_recorder.exe "$WINEPREFIX/drive_c/windows/system32/shutdown.exe"
wine reg add 'HKCU\Software\Wine\DllOverrides' /v shutdown.exe /d native /f >/dev/null 2>&1

echo "Planting the test infection set ..."
bash tests/e2e/plant_infections.sh build/win64/e2e_test_worm.exe "$demo/planted"
cp "$demo/planted/extra-detections.txt" "$WINEPREFIX/drive_c/extra-detections.txt"
echo "----- the planted infection set, before the run -----"
bash tests/e2e/show_planted.sh "$demo/planted/manifest.tsv"

if [ "$mode" = --console ]; then
    printf '%s\n' "Running: pellclean.exe --log-folder $logs --extra-detections C:\\extra-detections.txt --no-restart"
    set +e
    wine 'C:\pellclean.exe' --log-folder "$logs" --extra-detections 'C:\extra-detections.txt' --no-restart \
        </dev/null >"$demo/stdout.txt" 2>"$demo/stderr.txt"
    rc=$?
    set -e
    echo "----- details lines and message boxes (standard output) -----"
    tr -d '\r' <"$demo/stdout.txt"
    if [ -s "$demo/stderr.txt" ]; then
        echo "----- standard error -----"
        tr -d '\r' <"$demo/stderr.txt"
    fi
    echo "----- exit code: $rc -----"
else
    cat <<EOF
----- the window -----
Pellworth Remover opens now. What to expect:
  1. START glows: press it. A message asks for a folder: press OK.
  2. In the folder picker choose My Computer, then C:, then PellworthLogs, and press OK.
  3. The bars move and the details list every finding: worm processes ended, files copied (.back) and
     deleted, autorun values, the worm service, the policy values and the hosts lines removed.
  4. The final message says the keys were removed and the computer restarts in two minutes (here the
     restart is only recorded). Press OK, then CLOSE.
This script waits for the window to close, then shows the log and what is left of the infection.
EOF
    set +e
    (cd "$WINEPREFIX/drive_c" && wine 'C:\PellworthRemover.exe' </dev/null >"$demo/window.txt" 2>&1)
    wrc=$?
    set -e
    echo "----- the window program ended (exit code $wrc) -----"
    rc=1  # as the console program's "something removed": judged below by what is left of the infection
fi
found=0
for log in "$WINEPREFIX/drive_c/PellworthLogs"/Pellworth\ Removal\ Log\ *.txt; do
    [ -f "$log" ] || continue
    found=1
    echo "----- removal log: $logs\\$(basename "$log") -----"
    echo "(on this machine: $log)"
    iconv -f CP1252 -t UTF-8 "$log" | tr -d '\r'
done
[ "$found" -eq 1 ] || echo "----- no removal log was written -----"
for record in "$WINEPREFIX/drive_c/PellworthLogs"/Pellworth\ Removal\ Log\ *.jsonl; do
    [ -f "$record" ] || continue
    echo "----- the run's record (pellclean --restore reads it): $logs\\$(basename "$record") -----"
    cat "$record"
done
echo "----- backups and service exports in $logs -----"
ls -1 "$WINEPREFIX/drive_c/PellworthLogs" | grep -v '^Pellworth Removal Log ' || echo "(none)"
echo "----- the planted infection set, after the run -----"
set +e
bash tests/e2e/show_planted.sh --after "$demo/planted/manifest.tsv"
left=$?
set -e
if [ "$mode" != --console ]; then
    echo "(A copy known only by its digest stays unless the window's update check reached a site that lists"
    echo " that digest; the walk-through without a display serves one, and pellclean takes --extra-detections.)"
    exit 0
fi
# Exit code 1 is the console program's "something removed": with nothing of the infection left, the
# demo has shown what it should.
if [ "$rc" -eq 1 ] && [ "$left" -eq 0 ]; then exit 0; fi
echo "The demo's cleaning did not remove the whole infection set (exit code $rc)." >&2
if [ "$rc" -gt 1 ]; then exit "$rc"; fi
exit 1
