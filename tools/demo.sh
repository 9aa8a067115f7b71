#!/bin/sh
# The main job: builds the Windows programs, makes a throwaway Wine prefix under build/demo (never
# ~/.wine), plants one harmless infection of every kind in it (tests/e2e/plant_infections.sh: our own
# waiting program under listed worm names, a copy known only by its digest, autorun values, a worm
# service, policy values, hosts lines, an autorun.inf on a mapped drive), runs one unattended cleaning
# with a log folder, and shows what the run wrote and what is left of the infection.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
sh tools/install-deps.sh
cmake --preset win64
cmake --build --preset win64 -j2 --target pellclean e2e_test_worm

demo=$root/build/demo
export WINEPREFIX="$demo/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="winealsa.drv=d;mscoree,mshtml="
if [ -d "$WINEPREFIX" ]; then wineserver -k 2>/dev/null || true; wineserver -w || true; fi
rm -rf "$demo"
mkdir -p "$demo"
trap 'wineserver -k 2>/dev/null || true' EXIT
echo "Creating the demo prefix $WINEPREFIX ..."
wineboot -i </dev/null >/dev/null 2>&1
# The server and the prefix's services start apart from this script's output, which they would hold.
wineserver -p </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1

logs='C:\PellworthLogs'
mkdir -p "$WINEPREFIX/drive_c/PellworthLogs"
cp build/win64/pellclean.exe "$WINEPREFIX/drive_c/pellclean.exe"

echo "Planting the test infection set ..."
bash tests/e2e/plant_infections.sh build/win64/e2e_test_worm.exe "$demo/planted"
cp "$demo/planted/extra-detections.txt" "$WINEPREFIX/drive_c/extra-detections.txt"
echo "----- the planted infection set, before the run -----"
bash tests/e2e/show_planted.sh "$demo/planted/manifest.tsv"

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
# Exit code 1 is the console program's "something removed": with nothing of the infection left, the
# demo has shown what it should.
if [ "$rc" -eq 1 ] && [ "$left" -eq 0 ]; then exit 0; fi
echo "The demo's cleaning did not remove the whole infection set (exit code $rc)." >&2
if [ "$rc" -gt 1 ]; then exit "$rc"; fi
exit 1
