#!/bin/bash
# The scan under Wine: a throwaway prefix is planted with the whole infection set and scanned by the console
# program; the machine must be exactly as planted afterwards (files with digests, registry with services,
# hosts, running programs, service states), and the scan's record must list the same changes as the
# cleaning run that follows it on the same machine. Its record is refused by --restore.
# usage: scan_scenario.sh PELLCLEAN_EXE WORM_EXE WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "$here/infection_names.sh"

[ $# -ge 3 ] || { echo "usage: $0 PELLCLEAN_EXE WORM_EXE WORK_DIR" >&2; exit 64; }
pellclean=$(readlink -f "$1") worm=$(readlink -f "$2")
work=$(mkdir -p "$3" && cd "$3" && pwd)

base=${E2E_BASE_PREFIX:-$(dirname "$work")/base-prefix}
prefix=$work/prefix
scans=$work/scans
logs=$work/logs
out=$work/planted
trap 'e2e_stop_prefix "$prefix"' EXIT

e2e_make_base_prefix "$base"
e2e_fresh_prefix "$base" "$prefix"
rm -rf "$scans" "$logs" "$out"
mkdir -p "$scans" "$logs" "$out"

"$here/plant_infections.sh" "$worm" "$out"

# The Windows programs running in this prefix, by their command lines (Wine's own services left out).
programs() {
    local pid
    for pid in $(pgrep -f '\.exe' || true); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
        tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null; echo
    done | grep -iv 'wineserver\|winedevice\|services\.exe\|plugplay\|explorer\.exe\|rpcss\|svchost\|conhost' | sort
}

# The machine: the registry (services, Run keys, policies, Winlogon), every file of C: and of the mapped
# drive with its digest (the hosts file among them), the running programs and the planted service's state.
snapshot() {  # snapshot NAME
    e2e_registry_dump "$work/registry-$1.txt"
    e2e_file_list "$work/files-$1.txt"
    (cd "$WINEPREFIX/mapped-m" && find . -type f -print0 | sort -z | xargs -0 -r md5sum) >>"$work/files-$1.txt"
    programs >"$work/programs-$1.txt"
    wine sc query "$NAME_SERVICE" 2>/dev/null | tr -d '\r' | grep STATE >"$work/service-$1.txt" || true
}

pell() {  # pell NAME ARGS...: runs the console program, its output kept under NAME; sets $secs
    local name=$1 start
    shift
    start=$(date +%s%N)
    set +e
    (cd "$work" && timeout 600 wine "$pellclean" "$@" </dev/null >"$work/$name.stdout" 2>"$work/$name.stderr")
    local rc=$?
    set -e
    secs=$(awk -v n=$(( $(date +%s%N) - start )) 'BEGIN { printf "%.2f", n / 1e9 }')
    echo "pellclean $* -> exit code $rc (${secs} s)"
    tr -d '\r' <"$work/$name.stdout" | sed 's/^/  | /'
    return $rc
}

# The kind and the names of every change a record lists, one line each, in order.
changes() {
    python3 -c '
import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    r = json.loads(line)
    if r.get("record") == "change":
        print(r["kind"], r.get("root", ""), r.get("view", ""), r.get("key", ""), r.get("name", ""), r.get("path", ""), sep=" | ")
' "$1"
}

snapshot planted
e2e_check "the planted service runs" grep -q RUNNING "$work/service-planted.txt"

extra=(--extra-detections "$(e2e_winz "$out/extra-detections.txt")")
rc=0
pell scan-yes --scan --yes || rc=$?
e2e_check "--scan with --yes is a usage error (exit 64)" test "$rc" -eq 64

rc=0
pell scan --scan --log-folder "$(e2e_winz "$scans")" "${extra[@]}" || rc=$?
scan_secs=$secs
e2e_check "the scan found what a cleaning would change (exit 11)" test "$rc" -eq 11
snapshot scanned
for part in registry files programs service; do
    e2e_check "the scan changed no $part" diff -u "$work/$part-planted.txt" "$work/$part-scanned.txt"
done
record=$(find "$scans" -maxdepth 1 -name 'Pellworth Scan *.jsonl' | head -n 1)
e2e_check "the scan's record is the only file it wrote" test -n "$record" -a "$(find "$scans" -type f | wc -l)" -eq 1
e2e_check "standard error names it" grep -q "^pellclean: the scan's record: " "$work/scan.stderr"
e2e_check "its header says it is a scan" sh -c 'head -n 1 "$1" | grep -q "\"scan\":true"' - "$record"
e2e_check "its summary says what a cleaning would do" grep -q '"record":"summary","outcome":"would-remove"' "$record"
e2e_check "no message box, no restart" e2e_not grep -q '^\[message box\|^\[restart' "$work/scan.stdout"
e2e_check "the lines say what would be done" grep -q $'\\.\\.\\.would be removed\r$' "$work/scan.stdout"
count=$(grep -c '"record":"change"' "$record" || true)
e2e_check "the last line counts the record's changes ($count)" \
    test "$(tr -d '\r' <"$work/scan.stdout" | tail -n 1)" = "Scan complete: a cleaning would change $count item(s)"
echo "  a sample of the scan's record:"
head -n 4 "$record" | sed 's/^/  > /'

rc=0
pell restore-scan --restore "$(e2e_winz "$record")" --dry-run || rc=$?
e2e_check "restore refuses the scan's record (exit 10)" test "$rc" -eq 10

rc=0
pell clean --log-folder "$(e2e_winz "$logs")" --no-restart "${extra[@]}" || rc=$?
clean_secs=$secs
e2e_check "the cleaning that follows removed the infection (exit 1)" test "$rc" -eq 1
cleaned=$(find "$logs" -maxdepth 1 -name 'Pellworth Removal Log *.jsonl' | head -n 1)
changes "$record" >"$work/changes-scan.txt"
changes "$cleaned" >"$work/changes-clean.txt"
e2e_check "the scan listed exactly the cleaning's changes ($(wc -l <"$work/changes-clean.txt"))" \
    diff -u "$work/changes-clean.txt" "$work/changes-scan.txt"

rc=0
pell rescan --scan || rc=$?
e2e_check "a scan without --log-folder prints its record after the details" \
    grep -q '^{"record":"summary"' "$work/rescan.stdout"
e2e_check "and says so" grep -q "^pellclean: the scan's record: standard output" "$work/rescan.stderr"
echo "scan ${scan_secs} s, the cleaning that followed ${clean_secs} s (one run each; see tests/bench for best of three)"

echo "$failures failed check(s)"
exit $((failures > 0))
