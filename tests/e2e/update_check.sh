#!/bin/bash
# The start-up update check whole under Wine, reaching the fixed update host on port 80 as a user's copy
# would: inside a private mount and network namespace of its own (loopback up, a hosts file that maps the
# update host to 127.0.0.1 and the machine's own name to an address no interface here has), with the
# update server on port 80 and a wineserver started inside the namespace (sockets live in the server's).
# The lists are signed with a throwaway key made here; a copy of the probe with that key in place of the
# maker's trusts it, the probe as built does not.
#   update_check.sh PROBE_EXE OUT_DIR SOURCE_DIR      (as root; E2E_BASE_PREFIX names the base prefix)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "$here/update_site.sh"
[ "${1:-}" = --inside ] || e2e_update_enter_namespace "$0" "$@"
shift
[ $# -eq 3 ] || { echo "usage: $0 PROBE_EXE OUT_DIR SOURCE_DIR" >&2; exit 64; }
probe=$1 out=$2 E2E_SOURCE_DIR=$3
rm -rf "$out"
mkdir -p "$out"
e2e_update_hosts "$out" online
cleanup() {
    e2e_update_stop
    e2e_stop_prefix "$out/prefix"
}
trap cleanup EXIT
printf '0123456789ABCDEF0123456789ABCDEF\nFEDCBA9876543210FEDCBA9876543210\n' >"$out/digests.txt"
e2e_update_test_key "$out"
shipped_probe=$probe
probe=$out/trusting-probe.exe
e2e_update_trusting_copy "$shipped_probe" "$probe"

e2e_fresh_prefix "$E2E_BASE_PREFIX" "$out/prefix"
# The download page goes to a recorder instead of a browser.
printf '#!/bin/sh\necho "$1" >>"%s/browser.txt"\n' "$out" >"$out/browser.sh"
chmod +x "$out/browser.sh"
wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$out/browser.sh" /f >/dev/null 2>&1

expect() {  # expect CASE TEXT...: each text is part of a line of the case's output, in this order
    local name=$1 file=$out/$1.txt line=0 n
    shift
    for text in "$@"; do
        n=$(awk -v from="$line" -v t="$text" 'NR > from && index($0, t) { print NR; exit }' "$file")
        [ -n "$n" ] || e2e_fail "$name: no line with '$text' after line $line of $file"
        line=$n
    done
    echo "$name: ok"
}
probe_run() {  # probe_run CASE [EXE] [--yes]
    local name=$1 exe=$probe
    shift
    case ${1:-} in *.exe) exe=$1 && shift ;; esac
    wine "$exe" "$@" </dev/null >"$out/$name.txt" 2>"$out/$name.err" || e2e_fail "$name: the probe failed"
    sed 's/^/    /' "$out/$name.txt"
}
nothing_added() {
    ! grep -q '^added' "$out/$1.txt" || e2e_fail "$1: detections were added"
}

echo "== no update: the download adds the two digests of the signed list"
e2e_update_serve "$out" 4.6 "$out/digests.txt"
probe_run no-update
expect no-update "status: Checking for Updates...." "status: Conected to server, requesting data..." \
    "status: Update Check Success - No Update Available." "status: Checking for GLAVEN updates..." \
    "status: Success. 2 GLAVEN detections added!" " idle:" \
    "added 0123456789ABCDEF0123456789ABCDEF" "added FEDCBA9876543210FEDCBA9876543210"
grep -q '"GET /app/checkupdates.php HTTP/1.1" 200 25 host=update.pellworth.example' "$out/server.log" ||
    e2e_fail "the server did not log the version check"
grep -q '"GET /app/glaven/updates.php HTTP/1.1" 200 71 host=update.pellworth.example' "$out/server.log" ||
    e2e_fail "the server did not log the download"

echo "== an offer, answered Yes: the download page opens"
e2e_update_serve "$out" 4.7 "$out/digests.txt"
probe_run offer --yes
expect offer "status: Update Check Success - An Update is Available." "message box 4: answered Yes" \
    "open: http://www.pellworth.example/download.php" " idle:"
# The browser is a process of its own: up to 60 s on a loaded machine.
for _ in $(seq 600); do [ -s "$out/browser.txt" ] && break; sleep 0.1; done
grep -qx 'http://www.pellworth.example/download.php' "$out/browser.txt" || e2e_fail "offer: the browser was not asked"

refused() {  # refused CASE REASON [EXE]: the list is refused with REASON and nothing is added
    probe_run "$1" ${3:-}
    expect "$1" "status: Checking for GLAVEN updates..." "details: Extra detections refused, nothing added: $2" \
        "status: Downloading GLAVEN updates failed." " idle:"
    nothing_added "$1"
}
echo "== the same list unsigned: nothing is added"
e2e_update_serve "$out" 4.6 "$out/digests.txt" unsigned
refused unsigned "the list carries no signature."
echo "== the list altered by one byte after it was signed: nothing is added"
e2e_update_serve "$out" 4.6 "$out/digests.txt" altered
refused altered "its signature is not the maker's (status 0xC000A000)."
echo "== the probe as built does not trust the test key"
e2e_update_serve "$out" 4.6 "$out/digests.txt" signed
refused shipped "its signature is not the maker's (status 0xC000A000)." "$shipped_probe"

echo "== offline: no server and no name for it"
e2e_update_stop
e2e_update_hosts "$out" offline
probe_run offline
expect offline "status: Checking for Updates...." "status: Checking for Update Failed" \
    "status: Checking for GLAVEN updates..." "status: Downloading GLAVEN updates failed." " idle:"
idle_ms=$(sed -n 's/^ *\([0-9]*\) ms idle:.*/\1/p' "$out/offline.txt")
echo "offline: idle after $idle_ms ms"
# Timers never fire early: the window cannot be freed before both time limits have passed.
[ "$idle_ms" -ge 16500 ] || e2e_fail "offline: idle after $idle_ms ms, before the two time limits passed"
echo "update check: all cases passed"
