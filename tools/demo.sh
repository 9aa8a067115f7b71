#!/bin/sh
# The main job: builds the Windows programs, makes a throwaway Wine prefix under build/demo (never
# ~/.wine), runs one unattended cleaning in it with a log folder, and shows what the run wrote.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
sh tools/install-deps.sh
cmake --preset win64
cmake --build --preset win64 -j2 --target pellclean

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
echo "Running: pellclean.exe --log-folder $logs --no-restart"
set +e
wine 'C:\pellclean.exe' --log-folder "$logs" --no-restart </dev/null >"$demo/stdout.txt" 2>"$demo/stderr.txt"
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
exit "$rc"
