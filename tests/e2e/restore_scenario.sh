#!/bin/bash
# The round trip under Wine: a throwaway prefix is planted with the whole infection set, cleaned by the
# console program, and put back with --restore from the run's record. The registry and the files must then
# equal the planted snapshot; only processes (ended, not started again) and the service's running state
# may differ. A dry run before the restore must change nothing, and crafted records are refused.
# usage: restore_scenario.sh PELLCLEAN_EXE WORM_EXE WORK_DIR [SOURCE_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "$here/infection_names.sh"

[ $# -ge 3 ] || { echo "usage: $0 PELLCLEAN_EXE WORM_EXE WORK_DIR [SOURCE_DIR]" >&2; exit 64; }
pellclean=$(readlink -f "$1") worm=$(readlink -f "$2")
work=$(mkdir -p "$3" && cd "$3" && pwd)

base=${E2E_BASE_PREFIX:-$(dirname "$work")/base-prefix}
prefix=$work/prefix
logs=$work/logs
out=$work/planted
trap 'e2e_stop_prefix "$prefix"' EXIT

e2e_make_base_prefix "$base"
e2e_fresh_prefix "$base" "$prefix"
rm -rf "$logs" "$out"
mkdir -p "$logs" "$out"

"$here/plant_infections.sh" "$worm" "$out"

# The machine as planted: the registry, and every file of drive C: and of the mapped drive M:.
snapshot() {  # snapshot NAME
    e2e_registry_dump "$work/registry-$1.txt"
    e2e_file_list "$work/files-$1.txt"
    (cd "$WINEPREFIX/mapped-m" && find . -type f -print0 | sort -z | xargs -0 -r md5sum) >>"$work/files-$1.txt"
}
snapshot planted

pell() {  # pell NAME ARGS...: runs the console program, its output kept under NAME
    local name=$1
    shift
    set +e
    (cd "$work" && timeout 600 wine "$pellclean" "$@" </dev/null >"$work/$name.stdout" 2>"$work/$name.stderr")
    local rc=$?
    set -e
    echo "pellclean $* -> exit code $rc"
    tr -d '\r' <"$work/$name.stdout" | sed 's/^/  | /'
    return $rc
}


rc=0
pell clean --log-folder "$(e2e_winz "$logs")" --no-restart --extra-detections "$(e2e_winz "$out/extra-detections.txt")" || rc=$?
e2e_check "the cleaning run removed the infection (exit 1)" test "$rc" -eq 1
record=$(find "$logs" -maxdepth 1 -name 'Pellworth Removal Log *.jsonl' | head -n 1)
e2e_check "the record lies beside the log under its name" test -n "$record" -a -f "${record%.jsonl}.txt"
e2e_check "standard error names the record" grep -q "^pellclean: the run's record: " "$work/clean.stderr"
e2e_check "the record ends with its summary" grep -q '"record":"summary","outcome":"removed"' "$record"
snapshot cleaned
e2e_check "the cleaning changed the registry" e2e_not cmp -s "$work/registry-planted.txt" "$work/registry-cleaned.txt"
e2e_check "the cleaning changed the files" e2e_not cmp -s "$work/files-planted.txt" "$work/files-cleaned.txt"

rc=0
pell restore-without-yes --restore "$(e2e_winz "$logs")" || rc=$?
e2e_check "restore without --yes is refused (exit 64)" test "$rc" -eq 64

rc=0
pell dry-run --restore "$(e2e_winz "$logs")" --dry-run || rc=$?
e2e_check "the dry run would restore everything (exit 0)" test "$rc" -eq 0
e2e_check "the dry run says what it would do" grep -q '^would restore service ' "$work/dry-run.stdout"
snapshot dry-run
e2e_check "the dry run changed no registry value" cmp -s "$work/registry-cleaned.txt" "$work/registry-dry-run.txt"
e2e_check "the dry run changed no file" cmp -s "$work/files-cleaned.txt" "$work/files-dry-run.txt"

# Crafted records, each with one change no cleaning makes, are refused whole: the machine stays as cleaned.
forged=$work/forged
rm -rf "$forged" && mkdir -p "$forged"
header=$(head -n 1 "$record")
utf16_hex() { printf '%s\0' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -d ' \n'; }
evil=$(utf16_hex 'C:\evil.exe')
{
    echo "$header"
    echo '{"record":"change","kind":"autorun","root":"HKCU","view":"64","key":"Software\\Microsoft\\Windows\\CurrentVersion\\Run","name":"Fine","type":1,"data":"'"$evil"'"}'
    echo '{"record":"change","kind":"autorun","root":"HKLM","view":"64","key":"Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\notepad.exe","name":"Debugger","type":1,"data":"'"$evil"'"}'
} >"$forged/debugger.jsonl"
printf 'REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\EvilSvc]\r\n"Start"=dword:00000002\r[HKEY_LOCAL_MACHINE\\Software\\EvilKey]\r\n"x"="y"\r\n' >"$forged/EvilSvc.reg"
{
    echo "$header"
    echo '{"record":"change","kind":"service","name":"EvilSvc","image_path":"C:\\evil.exe","export":"EvilSvc.reg"}'
} >"$forged/export.jsonl"
sed '1s/"machine":"[^"]*"/"machine":"ANOTHERPC"/' "$record" >"$forged/other-machine.jsonl"
mkfifo "$forged/fifo.jsonl"
for name in debugger export other-machine fifo; do
    rc=0
    pell "forged-$name" --restore "$(e2e_winz "$forged/$name.jsonl")" --yes || rc=$?
    e2e_check "the crafted record $name is refused (exit 10)" test "$rc" -eq 10
done
rc=0
pell forged-com1 --restore COM1 --yes || rc=$?
e2e_check "a device given as the record is refused at once (exit 10)" test "$rc" -eq 10
e2e_check "the device is named as no record" grep -q '^refused: the record ' "$work/forged-com1.stdout"
e2e_check "the pipe is named as no plain disk file" grep -q '^refused: the record is not a plain disk file' "$work/forged-fifo.stdout"
e2e_check "the refusal names the line and the key" \
    grep -q '^refused: line 3 names a registry key no cleaning changes: HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\notepad.exe' "$work/forged-debugger.stdout"
e2e_check "the refusal names the export's extra key" \
    grep -q "^refused: line 2 names the export EvilSvc.reg, which line 4 names a key outside the service's own: HKEY_LOCAL_MACHINE\\\\Software\\\\EvilKey" "$work/forged-export.stdout"
e2e_check "the refusal names the other computer" grep -q '^refused: the record was written on the computer "ANOTHERPC"' "$work/forged-other-machine.stdout"
snapshot forged
e2e_check "the crafted records changed no registry value" cmp -s "$work/registry-cleaned.txt" "$work/registry-forged.txt"
e2e_check "the crafted records changed no file" cmp -s "$work/files-cleaned.txt" "$work/files-forged.txt"

rc=0
pell restore --restore "$(e2e_winz "$record")" --yes || rc=$?
e2e_check "the restore put everything back (exit 0)" test "$rc" -eq 0
e2e_check "one line per change" test "$(grep -c '^\(restored\|not started again\) ' "$work/restore.stdout")" -eq \
    "$(grep -c '"record":"change"' "$record")"
snapshot restored
e2e_check "the registry equals the planted one" diff -u "$work/registry-planted.txt" "$work/registry-restored.txt"
e2e_check "the files equal the planted ones" diff -u "$work/files-planted.txt" "$work/files-restored.txt"

rc=0
pell again --restore "$(e2e_winz "$logs")" --yes || rc=$?
e2e_check "a second restore leaves everything alone (exit 9)" test "$rc" -eq 9
e2e_check "and overwrites nothing" e2e_not grep -q '^restored ' "$work/again.stdout"

echo "$failures failed check(s)"
exit $((failures > 0))
