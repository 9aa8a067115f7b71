#!/bin/bash
# Shows each item of a planted infection set (plant_infections.sh's manifest) and whether it is still on
# the machine: before a cleaning run everything is "present", after it everything should be "gone".
# usage: show_planted.sh [--after] MANIFEST      (WINEPREFIX names the prefix)
# With --after the exit code is 1 when anything planted is still there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
e2e_require_prefix
after=0
if [ "${1:-}" = --after ]; then after=1; shift; fi
manifest=${1:?usage: $0 [--after] MANIFEST}
hosts=$(e2e_unix_path 'C:\windows\system32\drivers\etc\hosts')
present=0 total=0
while IFS=$'\t' read -r kind a b c; do
    case "$kind" in
    file) what="file     $a"; e2e_win_exists "$a" && state=present || state=gone ;;
    process) what="process  $a"; e2e_process_running "$a" && state=running || state=gone ;;
    service) what="service  $a ($b)"; e2e_key_exists "HKLM\\System\\CurrentControlSet\\Services\\$a" && state=present || state=gone ;;
    value) what="autorun  $a\\$b"; e2e_value_exists "$a" "$b" && state=present || state=gone ;;
    policy) what="policy   $a\\$b"; e2e_value_exists "$a" "$b" && state=present || state=gone ;;
    hosts) what="hosts    $a"; grep -qxF "$a"$'\r' "$hosts" && state=present || state=gone ;;
    data) what="value    $a\\$b = $(e2e_value_data "$a" "$b")"; [ "$(e2e_value_data "$a" "$b")" = "$c" ] && state=gone || state=present ;;
    *) continue ;;
    esac
    total=$((total + 1))
    [ "$state" = gone ] || present=$((present + 1))
    printf '  %-8s %s\n' "$state" "$what"
done <"$manifest"
echo "  $present of $total planted items on the machine"
[ $after = 0 ] || [ $present = 0 ]
