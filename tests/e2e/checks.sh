# Checks shared by the end-to-end scenarios of the console and the window program: the removal log's
# lines and what a planted prefix must look like after a cleaning run. Sourced, never run; the caller
# sets failures=0 first and reports it at the end; e2e_check and e2e_not come from lib.sh.

# e2e_read_log LOGS_DIR OUT_FILE: the one removal log in LOGS_DIR as UTF-8 lines; sets $loglines.
e2e_read_log() {
    local logfile
    logfile=$(find "$1" -maxdepth 1 -name 'Pellworth Removal Log *.txt' | head -n 1)
    e2e_check "one removal log in the log folder" test -n "$logfile"
    loglines=$2
    if [ -n "$logfile" ]; then iconv -f CP1252 -t UTF-8 "$logfile" | tr -d '\r' >"$loglines"; else : >"$loglines"; fi
}

# The lines given appear in the log in this order (other lines may stand between them).
in_order() {
    WANT=$1 awk 'BEGIN { n = split(ENVIRON["WANT"], w, "\n"); i = 1 }
        i <= n && $0 == w[i] { i++ }
        END { if (i <= n) { print "    missing or out of order: " w[i] > "/dev/stderr"; exit 1 } }' "$loglines"
}
lines() { printf '%s\n' "$@"; }

# e2e_check_planted LOGS OUT WORM RECORD DIGEST_KNOWN: after a run on a prefix planted by
# plant_infections.sh (manifest in OUT), every infection is gone, the genuine programs stay, the evidence
# is kept, the restart was asked for and the log holds the run's lines in order. DIGEST_KNOWN "no": the
# run had no extra detections, so the copies known only by their digest must still be there, untouched.
e2e_check_planted() {
    local logs=$1 out=$2 worm=$3 record=$4 digest_known=$5
    # --- Every planted infection is gone.
    while IFS=$'\t' read -r kind a b c; do
        if [ "$digest_known" = no ] && [[ "$a" == *"$NAME_DIGEST"* ]]; then
            # (Whether it still runs is left alone: the planted copies end themselves after ten minutes.)
            [ "$kind" = file ] && e2e_check "kept, its digest unknown to this run: $a" e2e_win_exists "$a"
            continue
        fi
        case "$kind" in
        file) e2e_check "removed $a" e2e_not e2e_win_exists "$a" ;;
        process) e2e_check "not running: $a" e2e_not e2e_process_running "$a" ;;
        service) e2e_check "service key deleted: $a" e2e_not e2e_key_exists "HKLM\\System\\CurrentControlSet\\Services\\$a" ;;
        value | policy) e2e_check "value deleted: $a\\$b" e2e_not e2e_value_exists "$a" "$b" ;;
        hosts) e2e_check "hosts line gone: $a" e2e_not grep -qxF "$a"$'\r' "$(e2e_unix_path 'C:\windows\system32\drivers\etc\hosts')" ;;
        autorun) e2e_check "autorun.inf only read: $a" e2e_win_exists "$a" ;;
        data) e2e_check "value $a\\$b holds only $c" test "$(e2e_value_data "$a" "$b")" = "$c" ;;
        esac
    done <"$out/manifest.tsv"

    # --- The genuine programs the names imitate are untouched.
    for g in 'C:\windows\system32\svchost.exe' 'C:\windows\system32\services.exe' 'C:\windows\explorer.exe' \
        'C:\windows\regedit.exe'; do
        e2e_check "genuine file kept: $g" e2e_win_exists "$g"
    done
    e2e_check "genuine svchost still running" e2e_process_running 'C:\windows\system32\svchost.exe'
    e2e_check "hosts keeps its localhost line" grep -q localhost "$(e2e_unix_path 'C:\windows\system32\drivers\etc\hosts')"

    # --- Evidence in the log folder: a backup of every deleted file ("name.back", then "name (2).back", ...
    # for further files of the same name), each service's export.
    while read -r count short; do
        backups=$(find "$logs" -maxdepth 1 \( -iname "$short.back" -o -iname "$short (*).back" \) | wc -l)
        e2e_check "backups of $count file(s) named $short" test "$backups" -ge "$count"
    done < <(awk -F'\t' -v skip="$([ "$digest_known" = no ] && echo digest)" \
        '$1 == "file" && $3 != skip { n = split($2, p, "\\"); print tolower(p[n]) }' "$out/manifest.tsv" | sort | uniq -c)
    worm_md5=$(md5sum <"$worm" | cut -c1-32)
    digest_md5=$(md5sum <"$out/$NAME_DIGEST.exe" | cut -c1-32)
    wrong=0
    for f in "$logs"/*.back; do
        case "$(basename "$f" | tr 'A-Z' 'a-z')" in hosts.back | hosts\ \(*\).back) continue ;; esac
        sum=$(md5sum <"$f" | cut -c1-32)
        [ "$sum" = "$worm_md5" ] || [ "$sum" = "$digest_md5" ] || { echo "    not a planted file's bytes: $f"; wrong=$((wrong + 1)); }
    done
    e2e_check "every backup holds a planted file's bytes" test "$wrong" -eq 0
    while IFS=$'\t' read -r kind name image; do
        [ "$kind" = service ] || continue
        reg=$logs/$name.reg
        e2e_check "export of service $name" test -f "$reg"
        if [ -f "$reg" ]; then
            text=$(iconv -f UTF-16LE -t UTF-8 "$reg" | tr -d '\r')
            e2e_check "export of $name holds its image path" grep -qF "\"ImagePath\"=\"$(printf '%s' "$image" | sed 's/\\/\\\\/g')\"" <<<"$text"
            e2e_check "export of $name holds its subkey" grep -qF "\\Services\\$name\\Parameters]" <<<"$text"
        fi
    done <"$out/manifest.tsv"

    # --- The restart was asked for, with the documented command line.
    for _ in $(seq 150); do [ -s "$record" ] && break; sleep 0.1; done
    e2e_check "restart command line recorded" grep -qF 'cmd=[shutdown.exe -r -t 120 -c "Virus removal process"]' "$record"

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
    if [ "$digest_known" = no ]; then
        local keep=() line
        for line in "${expected[@]}"; do [[ "${line,,}" == *"${NAME_DIGEST,,}"* ]] || keep+=("$line"); done
        expected=("${keep[@]}")
        e2e_check "no line names the copies known only by their digest" e2e_not grep -qi "$NAME_DIGEST" "$loglines"
    fi
    e2e_check "stages and findings in order" in_order "$(lines "${expected[@]}")"

    # Terminations between "Looking For Virus Processes..." and "Looking for Virus Files...".
    section() {  # section FIRST LAST: the log lines strictly between the two
        A=$1 B=$2 awk '$0 == ENVIRON["B"] { on = 0 } on { print } $0 == ENVIRON["A"] { on = 1 }' "$loglines"
    }
    terminated=$(section "Looking For Virus Processes..." "Looking for Virus Files...")
    for p in $(awk -F'\t' '$1 == "process" { n = split($2, p, "\\"); print toupper(p[n]) }' "$out/manifest.tsv" | sort | uniq -c | awk '{ print $2 "x" $1 }'); do
        name=${p%x*} count=${p##*x}
        [ "$name" = "$(printf '%s' "$NAME_SERVICE.exe" | tr 'a-z' 'A-Z')" ] && continue  # stopped as a service
        [ "$digest_known" = no ] && [ "$name" = "$(printf '%s' "$NAME_DIGEST.exe" | tr 'a-z' 'A-Z')" ] && continue
        e2e_check "$name terminated $count time(s)" test "$(grep -cxF "$name ...Terminated" <<<"$terminated")" -ge "$count"
    done
    e2e_check "no termination failed" e2e_not grep -q 'Unable To Terminate' <<<"$terminated"

    # File removals of each name in the order the removal visits the folders.
    removed=$(section "Looking for Virus Files..." "Scanning Registry...")
    for n in $E2E_LISTED_NAMES; do
        want=$(awk -F'\t' -v n="$n" '$1 == "file" && $3 == n { print "Found " $2 " ...Removed" }' "$out/manifest.tsv")
        [ -n "$want" ] || continue
        e2e_check "removals of $n in order" env WANT="$want" awk 'BEGIN { k = split(ENVIRON["WANT"], w, "\n"); i = 1 }
            i <= k && $0 == w[i] { i++ } END { if (i <= k) { print "    missing or out of order: " w[i] > "/dev/stderr"; exit 1 } }' <<<"$removed"
    done
    e2e_check "no removal refused" e2e_not grep -q 'Unable To Remove' "$loglines"
}
