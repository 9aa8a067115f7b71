#!/bin/bash
# Plants one harmless infection of every kind into a throwaway Wine prefix: our own waiting program copied
# under listed worm names into the folders the file removal visits and started, a second copy with other
# bytes known only by its digest, autorun values, a worm service, the policy values, hosts lines and an
# autorun.inf on a mapped drive. Used by the end-to-end tests and by the demo.
#
# usage: plant_infections.sh WORM_EXE OUT_DIR        (WINEPREFIX must name the throwaway prefix)
# Writes OUT_DIR/extra-detections.txt (the digest, for --extra-detections) and OUT_DIR/manifest.tsv, one
# planted item a line: file|process|service|value|hosts|autorun, TAB, details.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

[ $# -eq 2 ] || { echo "usage: $0 WORM_EXE OUT_DIR" >&2; exit 64; }
worm=$1
out=$2
e2e_require_prefix
[ -f "$worm" ] || e2e_fail "no worm program at $worm"
mkdir -p "$out"
manifest=$out/manifest.tsv
: >"$manifest"
note() { printf '%s\n' "$(IFS=$'\t'; echo "$*")" >>"$manifest"; }

# Names of the shipped database (infection_names.sh says which and why).
. "$here/infection_names.sh"

# The mapped drive M:, a folder of the prefix. Wine takes in its drives when the prefix's server starts,
# so the server is started anew before anything is planted that a restart would end.
mdrive=$WINEPREFIX/mapped-m
mkdir -p "$mdrive"
ln -sfn "$mdrive" "$WINEPREFIX/dosdevices/m:"
e2e_restart_server

W='C:\windows'
S='C:\windows\system32'
T='C:\users\'"$(wine cmd /c 'echo %USERNAME%' 2>/dev/null | tr -d '\r')"'\Temp\'
R='C:\'

plant() {  # plant WINDOWS_PATH NAME [SOURCE]: NAME is the worm name whose removal deletes the file
    e2e_put_file "${3:-$worm}" "$1"
    note file "$1" "$2"
}

start() {  # start WINDOWS_PATH: a planted copy runs until the cleaner ends it (at most ten minutes)
    (cd / && setsid wine "$1" </dev/null >/dev/null 2>&1 &)
    note process "$1"
}

# --- Files under a group-F name in every folder the file removal visits, in the order it visits them (with
# the fixed Fonts\svchost.exe that every group-F name removes), two of them running.
n=$NAME_FILES
for p in "C:\\RECYCLER\\$n.exe" "$W\\RECYCLER\\$n.exe" "$R$n.exe" "$W\\$n.exe" "$W\\system\\$n.exe" \
    "$S\\$n.exe" "$W\\Fonts\\svchost.exe" "$T$n.exe" "$S\\drivers\\$n.exe" "$S\\drivers\\etc\\$n.exe" "$S\\wbem\\$n.exe" \
    "$S\\fonts\\$n.exe" "$W\\java\\java.log\\$n.exe" "$S\\drivers\\helpsys\\$n.exe" \
    "C:\\RECYCLER\\$n.com" "$W\\RECYCLER\\$n.com" "$W\\$n.com" "$W\\system\\$n.com" "$S\\$n.com" \
    "$S\\dllcache\\$n.com" "$T$n.com" "$S\\drivers\\$n.com" "$S\\wbem\\$n.com" "$S\\fonts\\$n.com" \
    "$W\\$n.scr" "$W\\system\\$n.scr" "$S\\$n.scr" "$S\\dllcache\\$n.scr" "$T$n.scr" "$S\\drivers\\$n.scr" \
    "$S\\wbem\\$n.scr" "$S\\fonts\\$n.scr"; do
    case "$p" in
    *\\Fonts\\svchost.exe) plant "$p" first-group-f-name ;;
    *) plant "$p" "$n" ;;
    esac
done
start "$S\\$n.exe"
start "C:\\RECYCLER\\$n.exe"

# --- A group-B name: the worm's copies outside System32; the genuine program there stays untouched.
if [ -n "${NAME_GROUP_B:-}" ]; then
    b=$NAME_GROUP_B
    for p in "$W\\$b.exe" "$W\\system\\$b.exe" "$T$b.exe" "$S\\drivers\\$b.exe"; do plant "$p" "$b"; done
    start "$W\\$b.exe"
fi

# --- Known only by its digest: other bytes, an unlisted name, running and named by an autorun.inf.
digest_copy=$out/$NAME_DIGEST.exe
cp "$worm" "$digest_copy"
printf 'harmless test program known only by its digest\n' >>"$digest_copy"
md5sum "$digest_copy" | cut -c1-32 | tr 'a-f' 'A-F' >"$out/extra-detections.txt"
plant "$W\\$NAME_DIGEST.exe" digest "$digest_copy"
start "$W\\$NAME_DIGEST.exe"

# The mapped drive M: (made first, below) with the digest copy and the autorun.inf that names it.
plant "M:\\$NAME_DIGEST.exe" digest "$digest_copy"
printf '[autorun]\r\nopen=%s.exe\r\nicon=%s.exe,0\r\n' "$NAME_DIGEST" "$NAME_DIGEST" >"$mdrive/autorun.inf"
note autorun 'M:\autorun.inf'

# --- Autorun values: the machine-wide and per-user Run keys and RunServices.
run_key='Software\Microsoft\Windows\CurrentVersion'
add_value() {  # add_value ROOT\KEY NAME DATA
    wine reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1 || e2e_fail "reg add $1 $2"
    note value "$1" "$2" "$3"
}
plant "$S\\$NAME_RUN_HKLM.exe" "$NAME_RUN_HKLM"
add_value "HKLM\\$run_key\\Run" "$VALUE_RUN_HKLM" "$S\\$NAME_RUN_HKLM.exe /start"
plant "$S\\$NAME_RUN_HKCU.exe" "$NAME_RUN_HKCU"
add_value "HKCU\\$run_key\\Run" "$VALUE_RUN_HKCU" "\"$S\\$NAME_RUN_HKCU.exe\" -quiet"
plant "$S\\$NAME_RUN_SERVICES.exe" "$NAME_RUN_SERVICES"
add_value "HKLM\\$run_key\\RunServices" "$VALUE_RUN_SERVICES" "$S\\$NAME_RUN_SERVICES.exe"

# --- What 32-bit worms leave on 64-bit Windows: copies in the 32-bit system folder, a Run value written
# through the 32-bit registry view, a RunOnce value, and a program appended to the Winlogon Shell value
# (which must keep explorer.exe: the manifest's "data" line gives the value's data after the run).
Y='C:\windows\syswow64'
plant "$Y\\$NAME_RUN_WOW64.exe" "$NAME_RUN_WOW64"
wine reg add "HKLM\\$run_key\\Run" /v "$VALUE_RUN_WOW64" /d "$Y\\$NAME_RUN_WOW64.exe" /reg:32 /f >/dev/null 2>&1 ||
    e2e_fail "reg add /reg:32 $VALUE_RUN_WOW64"
note value "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run" "$VALUE_RUN_WOW64" "$Y\\$NAME_RUN_WOW64.exe"
plant "$Y\\$NAME_RUN_ONCE.exe" "$NAME_RUN_ONCE"
add_value "HKLM\\$run_key\\RunOnce" "$VALUE_RUN_ONCE" "$Y\\$NAME_RUN_ONCE.exe"
plant "$Y\\$NAME_SHELL.exe" "$NAME_SHELL"
winlogon='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Winlogon'
wine reg add "$winlogon" /v Shell /d "explorer.exe $Y\\$NAME_SHELL.exe" /f >/dev/null 2>&1 || e2e_fail "reg add Shell"
note data "$winlogon" Shell explorer.exe

# --- A worm service whose image is a listed name with an argument.
plant "$S\\$NAME_SERVICE.exe" "$NAME_SERVICE"
wine sc create "$NAME_SERVICE" binPath= "$S\\$NAME_SERVICE.exe -service" >/dev/null 2>&1 || e2e_fail "sc create"
wine reg add "HKLM\\System\\CurrentControlSet\\Services\\$NAME_SERVICE\\Parameters" /v Mode /d quiet /f \
    >/dev/null 2>&1
wine sc start "$NAME_SERVICE" >/dev/null 2>&1 || e2e_fail "sc start"
note service "$NAME_SERVICE" "$S\\$NAME_SERVICE.exe -service"
note process "$S\\$NAME_SERVICE.exe"

# --- The policy values that switch off system tools.
policy() {  # policy ROOT\KEY NAME
    wine reg add "$1" /v "$2" /t REG_DWORD /d 1 /f >/dev/null 2>&1 || e2e_fail "reg add $1 $2"
    note policy "$1" "$2"
}
policy 'HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\Explorer' NoFolderOptions
policy 'HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\Explorer' NoRun
policy 'HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\System' Disabletaskmgr
policy 'HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\System' Disableregistrytools
policy 'HKCU\Software\Microsoft\Windows\System' DisableCMD
policy 'HKLM\Software\Policies\Microsoft\Windows NT\SystemRestore' DisableConfig

# --- Hosts lines that send security sites nowhere.
hosts=$(e2e_unix_path "$S\\drivers\\etc\\hosts")
for h in $HOSTS_BLOCKED; do
    printf '127.0.0.1       %s\r\n' "$h" >>"$hosts"
    note hosts "127.0.0.1       $h"
done

# Let the started copies come up before anyone looks for them, and the genuine svchost (the event log's
# host, an automatic service) too: the scenarios check afterwards that it still runs.
for _ in $(seq 150); do
    all=1
    e2e_process_running 'C:\windows\system32\svchost.exe' || all=0
    while IFS=$'\t' read -r kind path _; do
        [ "$kind" = process ] || continue
        e2e_process_running "$path" || all=0
    done <"$manifest"
    [ $all = 1 ] && break
    sleep 0.1
done
[ $all = 1 ] || e2e_fail "the planted programs or the genuine svchost did not all start"
echo "planted $(wc -l <"$manifest") items into $WINEPREFIX"
