#!/bin/bash
# One end-to-end scenario of the console cleaner under Wine, in a throwaway prefix copied from a base one:
#   planted  the infection set of plant_infections.sh is planted; the run must remove all of it, keep the
#            backups and service exports, write the log in the run's order and schedule the restart (exit 1);
#   clean    nothing is planted; the run must find nothing (exit 0) and change nothing.
# usage: run_scenario.sh planted|clean PELLCLEAN_EXE WORM_EXE RECORDER_EXE WORK_DIR [SOURCE_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "$here/infection_names.sh"

[ $# -ge 5 ] || { echo "usage: $0 planted|clean PELLCLEAN_EXE WORM_EXE RECORDER_EXE WORK_DIR [SOURCE_DIR]" >&2; exit 64; }
scenario=$1 pellclean=$(readlink -f "$2") worm=$(readlink -f "$3") recorder=$(readlink -f "$4")
work=$(mkdir -p "$5" && cd "$5" && pwd)
source_dir=${6:-$(cd "$here/../.." && pwd)}
case "$scenario" in planted | clean) ;; *) e2e_fail "unknown scenario $scenario" ;; esac

base=${E2E_BASE_PREFIX:-$(dirname "$work")/base-prefix}
prefix=$work/prefix
logs=$work/logs
out=$work/planted
trap 'e2e_stop_prefix "$prefix"' EXIT

winz() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }

if [ "$scenario" = planted ]; then
    "$here/check_listed_names.sh" "$source_dir" $E2E_LISTED_NAMES
    "$here/check_listed_names.sh" --absent "$source_dir" "$NAME_DIGEST"
fi

e2e_make_base_prefix "$base"
e2e_fresh_prefix "$base" "$prefix"
rm -rf "$logs" "$out"
mkdir -p "$logs" "$out"

# The restart is recorded, not performed: our recorder stands in for shutdown.exe (a native override,
# since Wine otherwise keeps running its builtin).
e2e_put_file "$recorder" 'C:\windows\system32\shutdown.exe'
wine reg add 'HKCU\Software\Wine\DllOverrides' /v shutdown.exe /d native /f >/dev/null 2>&1
record=$(e2e_unix_path 'C:\shutdown-record.txt')

args=(--log-folder "$(winz "$logs")")
if [ "$scenario" = planted ]; then
    "$here/plant_infections.sh" "$worm" "$out"
    args+=(--extra-detections "$(winz "$out/extra-detections.txt")")
else
    e2e_registry_dump "$work/registry-before.txt"
    e2e_file_list "$work/files-before.txt"
fi

echo "running: wine pellclean.exe ${args[*]}"
start_ns=$(date +%s%N)
set +e
(cd "$work" && timeout 600 wine "$pellclean" "${args[@]}" </dev/null >"$work/stdout.txt" 2>"$work/stderr.txt")
rc=$?
set -e
end_ns=$(date +%s%N)
echo "exit code $rc after $(((end_ns - start_ns) / 1000000)) ms"
tr -d '\r' <"$work/stdout.txt" | sed 's/^/  | /'

failures=0
check() {  # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
not() { ! "$@"; }

logfile=$(find "$logs" -maxdepth 1 -name 'Pellworth Removal Log *.txt' | head -n 1)
check "one removal log in the log folder" test -n "$logfile"
loglines=$work/log-lines.txt
if [ -n "$logfile" ]; then iconv -f CP1252 -t UTF-8 "$logfile" | tr -d '\r' >"$loglines"; else : >"$loglines"; fi

# The lines given appear in the log in this order (other lines may stand between them).
in_order() {
    WANT=$1 awk 'BEGIN { n = split(ENVIRON["WANT"], w, "\n"); i = 1 }
        i <= n && $0 == w[i] { i++ }
        END { if (i <= n) { print "    missing or out of order: " w[i] > "/dev/stderr"; exit 1 } }' "$loglines"
}
lines() { printf '%s\n' "$@"; }

check "log header" test "$(head -n 2 "$loglines" | tr '\n' '|')" = "Version: 4.6 Virus DataBase: 6.70||"
check "log ends with Saving Log..." test "$(tail -n 1 "$loglines")" = "Saving Log..."

if [ "$scenario" = clean ]; then
    check "exit code 0 (nothing found)" test "$rc" -eq 0
    check "the run's stages in order" in_order "$(lines "Starting Scan..." "SmartScanning Processes..." \
        "SmartScanning Registry Items..." "SmartScanning AutoRuns..." "Looking For Virus Services..." \
        "Looking For Virus Processes..." "Looking for Virus Files..." "Scanning Registry..." \
        "Enabling: Task Manager, Regedit, System Restore Config, Command Prompt, Folder Options, Run" \
        "Scanning Hosts File..." "Saving Log...")"
    check "no finding in the log" not grep -qE '\.\.\.(Identified|Terminated|Removed)|^Found' "$loglines"
    check "no restart recorded" not test -e "$record"
    e2e_registry_dump "$work/registry-after.txt"
    e2e_file_list "$work/files-after.txt"
    check "registry unchanged" diff -u "$work/registry-before.txt" "$work/registry-after.txt"
    check "files unchanged" diff -u "$work/files-before.txt" "$work/files-after.txt"
    check "nothing in the log folder but the log" test "$(find "$logs" -type f | wc -l)" -eq 1
    echo "$failures failed check(s)"
    exit $((failures > 0))
fi

check "exit code 1 (removed, restart scheduled)" test "$rc" -eq 1

# --- Every planted infection is gone.
while IFS=$'\t' read -r kind a b c; do
    case "$kind" in
    file) check "removed $a" not e2e_win_exists "$a" ;;
    process) check "not running: $a" not e2e_process_running "$a" ;;
    service) check "service key deleted: $a" not e2e_key_exists "HKLM\\System\\CurrentControlSet\\Services\\$a" ;;
    value | policy) check "value deleted: $a\\$b" not e2e_value_exists "$a" "$b" ;;
    hosts) check "hosts line gone: $a" not grep -qxF "$a"$'\r' "$(e2e_unix_path 'C:\windows\system32\drivers\etc\hosts')" ;;
    autorun) check "autorun.inf only read: $a" e2e_win_exists "$a" ;;
    data) check "value $a\\$b holds only $c" test "$(e2e_value_data "$a" "$b")" = "$c" ;;
    esac
done <"$out/manifest.tsv"

# --- The genuine programs the names imitate are untouched.
for g in 'C:\windows\system32\svchost.exe' 'C:\windows\system32\services.exe' 'C:\windows\explorer.exe' \
    'C:\windows\regedit.exe'; do
    check "genuine file kept: $g" e2e_win_exists "$g"
done
check "genuine svchost still running" e2e_process_running 'C:\windows\system32\svchost.exe'
check "hosts keeps its localhost line" grep -q localhost "$(e2e_unix_path 'C:\windows\system32\drivers\etc\hosts')"

# --- Evidence in the log folder: a backup of every deleted file ("name.back", then "name (2).back", ...
# for further files of the same name), each service's export.
while read -r count short; do
    backups=$(find "$logs" -maxdepth 1 \( -iname "$short.back" -o -iname "$short (*).back" \) | wc -l)
    check "backups of $count file(s) named $short" test "$backups" -ge "$count"
done < <(awk -F'\t' '$1 == "file" { n = split($2, p, "\\"); print tolower(p[n]) }' "$out/manifest.tsv" | sort | uniq -c)
worm_md5=$(md5sum <"$worm" | cut -c1-32)
digest_md5=$(md5sum <"$out/$NAME_DIGEST.exe" | cut -c1-32)
wrong=0
for f in "$logs"/*.back; do
    case "$(basename "$f" | tr 'A-Z' 'a-z')" in hosts.back | hosts\ \(*\).back) continue ;; esac
    sum=$(md5sum <"$f" | cut -c1-32)
    [ "$sum" = "$worm_md5" ] || [ "$sum" = "$digest_md5" ] || { echo "    not a planted file's bytes: $f"; wrong=$((wrong + 1)); }
done
check "every backup holds a planted file's bytes" test "$wrong" -eq 0
while IFS=$'\t' read -r kind name image; do
    [ "$kind" = service ] || continue
    reg=$logs/$name.reg
    check "export of service $name" test -f "$reg"
    if [ -f "$reg" ]; then
        text=$(iconv -f UTF-16LE -t UTF-8 "$reg" | tr -d '\r')
        check "export of $name holds its image path" grep -qF "\"ImagePath\"=\"$(printf '%s' "$image" | sed 's/\\/\\\\/g')\"" <<<"$text"
        check "export of $name holds its subkey" grep -qF "\\Services\\$name\\Parameters]" <<<"$text"
    fi
done <"$out/manifest.tsv"

# --- The restart was asked for, with the documented command line.
for _ in $(seq 150); do [ -s "$record" ] && break; sleep 0.1; done
check "restart command line recorded" grep -qF 'cmd=[shutdown.exe -r -t 120 -c "Virus removal process"]' "$record"

# --- The log's lines in the run's order.
W='C:\windows' S='C:\windows\system32' Y='C:\windows\syswow64'
expected=("Starting Scan..." "SmartScanning Processes..."
    "$(printf '%s' "$W\\$NAME_DIGEST.exe" | tr 'a-z' 'A-Z') ...Identified"
    "SmartScanning Registry Items..." "SmartScanning AutoRuns..."
    "M:\\$NAME_DIGEST.exe ...Identified"
    "Looking For Virus Services..."
    "Found \"$NAME_SERVICE\" $NAME_SERVICE.exe ...Stopped\"" "Successfully backed up \"$NAME_SERVICE\""
    "Looking For Virus Processes..." "Looking for Virus Files..."
    "Found M:\\$NAME_DIGEST.exe ...Removed"
    "Scanning Registry..."
    "Found HKLM\\..\\Run\\$VALUE_RUN_HKLM = $S\\$NAME_RUN_HKLM.exe ...Removed"
    "Found HKLM\\..\\Wow6432Node\\..\\Run\\$VALUE_RUN_WOW64 = $Y\\$NAME_RUN_WOW64.exe ...Removed"
    "Found HKCU\\..\\Run\\$VALUE_RUN_HKCU = $S\\$NAME_RUN_HKCU.exe ...Removed"
    "Found HKLM\\..\\RunServices\\$VALUE_RUN_SERVICES=$S\\$NAME_RUN_SERVICES.exe ...Removed"
    "Found HKLM\\..\\RunOnce\\$VALUE_RUN_ONCE = $Y\\$NAME_RUN_ONCE.exe ...Removed"
    "Found HKLM\\..\\Winlogon\\Shell = explorer.exe $Y\\$NAME_SHELL.exe ...Removed"
    "Enabling: Task Manager, Regedit, System Restore Config, Command Prompt, Folder Options, Run"
    "Scanning Hosts File...")
for h in $HOSTS_BLOCKED; do expected+=("Found Entry 127.0.0.1       $h"); done
expected+=("Saving Log...")
check "stages and findings in order" in_order "$(lines "${expected[@]}")"

# Terminations between "Looking For Virus Processes..." and "Looking for Virus Files...".
section() {  # section FIRST LAST: the log lines strictly between the two
    A=$1 B=$2 awk '$0 == ENVIRON["B"] { on = 0 } on { print } $0 == ENVIRON["A"] { on = 1 }' "$loglines"
}
terminated=$(section "Looking For Virus Processes..." "Looking for Virus Files...")
for p in $(awk -F'\t' '$1 == "process" { n = split($2, p, "\\"); print toupper(p[n]) }' "$out/manifest.tsv" | sort | uniq -c | awk '{ print $2 "x" $1 }'); do
    name=${p%x*} count=${p##*x}
    [ "$name" = "$(printf '%s' "$NAME_SERVICE.exe" | tr 'a-z' 'A-Z')" ] && continue  # stopped as a service
    check "$name terminated $count time(s)" test "$(grep -cxF "$name ...Terminated" <<<"$terminated")" -ge "$count"
done
check "no termination failed" not grep -q 'Unable To Terminate' <<<"$terminated"

# File removals of each name in the order the removal visits the folders.
removed=$(section "Looking for Virus Files..." "Scanning Registry...")
for n in $E2E_LISTED_NAMES; do
    want=$(awk -F'\t' -v n="$n" '$1 == "file" && $3 == n { print "Found " $2 " ...Removed" }' "$out/manifest.tsv")
    [ -n "$want" ] || continue
    check "removals of $n in order" env WANT="$want" awk 'BEGIN { k = split(ENVIRON["WANT"], w, "\n"); i = 1 }
        i <= k && $0 == w[i] { i++ } END { if (i <= k) { print "    missing or out of order: " w[i] > "/dev/stderr"; exit 1 } }' <<<"$removed"
done
check "no removal refused" not grep -q 'Unable To Remove' "$loglines"

echo "$failures failed check(s)"
exit $((failures > 0))
