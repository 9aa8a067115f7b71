#!/bin/sh
# The console program under Wine, whole: usage errors, help, a second copy refused, and one run on the
# clean test prefix (exit 0, the details lines of an empty run in order, the message boxes, the log).
# Usage: console_program.sh WINE_RUN PELLCLEAN_EXE INSTANCE_HOLDER_EXE RESOURCE_PATCHER_EXE WORK_DIR
set -u
[ $# -eq 5 ] || { echo "usage: $0 WINE_RUN PELLCLEAN_EXE INSTANCE_HOLDER_EXE RESOURCE_PATCHER_EXE WORK_DIR" >&2; exit 64; }
WINE_RUN=$1 EXE=$2 HOLDER=$3 PATCHER=$4 WORK=$5
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_rc() { [ "$2" -eq "$1" ] || fail "$3: exit code $2, expected $1"; }

rm -rf "$WORK" && mkdir -p "$WORK/logs"
out=$WORK/out.txt err=$WORK/err.txt

"$WINE_RUN" "$EXE" --help >"$out" 2>"$err"; expect_rc 0 $? "--help"
grep -q '^Usage: pellclean' "$out" || fail "--help prints no usage"
grep -q -- '--log-folder DIR' "$out" || fail "--help does not name --log-folder"

for bad in "--bogus" "--log-folder" "--yes --yes" "C:\\Logs"; do
    # shellcheck disable=SC2086
    "$WINE_RUN" "$EXE" $bad >"$out" 2>"$err"; expect_rc 64 $? "usage error '$bad'"
    grep -q '^pellclean: ' "$err" || fail "usage error '$bad' says nothing on stderr"
    [ -s "$out" ] && fail "usage error '$bad' printed to stdout"
done

"$WINE_RUN" "$EXE" --extra-detections 'C:\no\such\file.txt' >"$out" 2>"$err"; expect_rc 6 $? "missing extra detections"
[ -s "$out" ] && fail "missing extra detections: something was run"
# Devices are no lists: each would never end (a serial port) or never be a file; refused at once.
for device in COM1 NUL 'C:\lists\com2.txt' 'Z:\dev\zero'; do
    "$WINE_RUN" "$EXE" --extra-detections "$device" >"$out" 2>"$err"; expect_rc 6 $? "extra detections from $device"
    grep -q "^pellclean: the extra detections file .* \(is\|cannot\) " "$err" || fail "$device: no reason given"
    [ -s "$out" ] && fail "extra detections from $device: something was run"
done

# A copy whose signature database is damaged, and one without it: refused, nothing scanned.
cp "$EXE" "$WORK/damaged.exe" && cp "$EXE" "$WORK/nodb.exe"
printf 'not a signature database' >"$WORK/garbage.bin"
"$WINE_RUN" "$PATCHER" "$WORK/damaged.exe" SIGDB 1 "$WORK/garbage.bin" || fail "could not damage the database"
"$WINE_RUN" "$PATCHER" "$WORK/nodb.exe" SIGDB 1 --delete || fail "could not remove the database"
"$WINE_RUN" "$WORK/damaged.exe" --log-folder 'C:\pelltest\damaged' >"$out" 2>"$err"; expect_rc 5 $? "damaged database"
grep -q '^pellclean: the signature database was refused: ' "$err" || fail "damaged database: no reason given"
[ -s "$out" ] && fail "damaged database: something was run"
"$WINE_RUN" "$WORK/nodb.exe" --log-folder 'C:\pelltest\nodb' >"$out" 2>"$err"; expect_rc 5 $? "missing database"
grep -q '^pellclean: the signature database is missing' "$err" || fail "missing database: not said"
[ -s "$out" ] && fail "missing database: something was run"

# A second copy beside a running one is refused with message-box code 1. The holder says when it holds
# the name, and keeps it until it is told to let go (a loaded machine may take long to start either).
release=$WORK/release-holder
rm -f "$release"
"$WINE_RUN" "$HOLDER" 300000 "Z:$(printf '%s' "$release" | sed 's|/|\\|g')" </dev/null >"$WORK/holder.txt" 2>&1 &
holder=$!
waited=0
until grep -q holding "$WORK/holder.txt" 2>/dev/null || ! kill -0 "$holder" 2>/dev/null || [ $waited -ge 1200 ]; do
    sleep 0.1
    waited=$((waited + 1))
done
grep -q holding "$WORK/holder.txt" || fail "the running copy did not start"
"$WINE_RUN" "$EXE" --log-folder 'C:\pelltest\refused' >"$out" 2>"$err"; expect_rc 4 $? "second copy"
tr -d '\r' <"$out" | grep -qx '\[message box 1\] Pellworth Remover is already running, please wait...' || fail "second copy: no message box 1"
touch "$release"
wait "$holder" 2>/dev/null

# One run on the clean prefix.
logs_win='Z:'$(printf '%s' "$WORK/logs" | sed 's|/|\\|g')
printf '900150983cd24fb0d6963f7d28e17f72\r\nnot a digest\r\n\r\n' >"$WORK/extra.txt"
extra_win='Z:'$(printf '%s' "$WORK/extra.txt" | sed 's|/|\\|g')
"$WINE_RUN" "$EXE" --log-folder "$logs_win" --no-restart --extra-detections "$extra_win" >"$out" 2>"$err"
expect_rc 0 $? "clean run"
tr -d '\r' <"$err" >"$err.lf"
grep -q 'line 2 skipped, not 32 hexadecimal digits: "not a digest"' "$err.lf" || fail "extra detections: the bad line is not named"
grep -q '^pellclean: 1 extra detections added' "$err.lf" || fail "extra detections: the count is not told"
[ "$(grep -c skipped "$err.lf")" -eq 1 ] || fail "extra detections: more than one line refused"
tr -d '\r' <"$out" >"$out.lf"
expected='[message box 2] Please choose a folder to save Backup Files and your Pellworth Removal Log file to.
[answered OK]
Starting Scan...
SmartScanning Processes...
Looking For Virus Services...
Looking For Virus Processes...
Looking for Virus Files...
Scanning Registry...
Enabling: Task Manager, Regedit, System Restore Config, Command Prompt, Folder Options, Run
Scanning Hosts File...
Saving Log...
Done!
[message box 6] No virus detected.
[answered OK]'
# The stages that are built report their lines; the order of those present must be this one.
printf '%s\n' "$expected" >"$WORK/expected.txt"
grep -Fx -f "$WORK/expected.txt" "$out.lf" >"$WORK/present.txt"
grep -Fx -f "$out.lf" "$WORK/expected.txt" >"$WORK/expected_present.txt"
cmp -s "$WORK/present.txt" "$WORK/expected_present.txt" || { fail "clean run: lines out of order"; cat "$out.lf"; }
for line in 'Starting Scan...' 'SmartScanning Processes...' 'Saving Log...' 'Done!' '[message box 6] No virus detected.'; do
    grep -qxF "$line" "$out.lf" || fail "clean run: missing line '$line'"
done
grep -q '^\[message box 7\] Would you like' "$out.lf" || fail "clean run: no message box 7"
tail -n 1 "$out.lf" | grep -qx '\[answered No\]' || fail "clean run: the password question was not answered No"
grep -q 'restart not started' "$out.lf" && fail "clean run: a restart was asked for"

set -- "$WORK"/logs/Pellworth\ Removal\ Log\ *.txt
[ $# -eq 1 ] && [ -f "$1" ] || fail "clean run: expected one removal log, found: $*"
if [ -f "$1" ]; then
    log=$1
    printf 'Version: 4.6 Virus DataBase: 6.70\r\n\r\nStarting Scan...\r\n' >"$WORK/head.want"
    head -c "$(wc -c <"$WORK/head.want")" "$log" | cmp -s - "$WORK/head.want" || fail "log: header wrong"
    [ "$(tail -c 15 "$log")" = "$(printf 'Saving Log...\r\n')" ] || fail "log: does not end with 'Saving Log...' CR LF"
    grep -q 'Done!' "$log" && fail "log: holds Done!"
    name=$(basename "$log")
    echo "$name" | grep -Eq '^Pellworth Removal Log [0-9_]+ [0-9_]+( [AP]M)?\.txt$' || fail "log: name '$name'"
fi

[ "$failures" -eq 0 ] && echo "console program: all checks passed"
exit "$failures"
