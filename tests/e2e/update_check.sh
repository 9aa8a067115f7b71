#!/bin/bash
# The start-up update check whole under Wine, reaching the fixed update host on port 80 as a user's copy
# would: inside a private mount and network namespace of its own (loopback up, a hosts file that maps the
# update host to 127.0.0.1 and the machine's own name to an address no interface here has), with the
# update server on port 80 and a wineserver started inside the namespace (sockets live in the server's).
#   update_check.sh PROBE_EXE OUT_DIR SOURCE_DIR      (as root; E2E_BASE_PREFIX names the base prefix)
set -eu
if [ "${1:-}" != "--inside" ]; then
    exec unshare --mount --net --propagation private "$BASH" "$0" --inside "$@"
fi
shift
probe=$1 out=$2 src=$3
. "$src/tests/e2e/lib.sh"
rm -rf "$out"
mkdir -p "$out"

ip link set lo up
hosts() {  # rewritten in place: the bind mount keeps pointing at the same file
    printf '127.0.0.1 localhost\n192.0.2.2 %s\n' "$(hostname)" >"$out/hosts"
    [ "$1" = online ] && printf '127.0.0.1 update.pellworth.example\n' >>"$out/hosts"
    return 0
}
hosts online
mount --bind "$out/hosts" /etc/hosts

server_pid=""
stop_server() {
    [ -n "$server_pid" ] || return 0
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=""
}
cleanup() {
    stop_server
    e2e_stop_prefix "$out/prefix"
}
trap cleanup EXIT

# The maker's folder: versions and the extra digests in the signature source format.
serve() {
    local version=$1 folder=$out/site-$1
    mkdir -p "$folder"
    printf 'Version: %s\nVDB: 6.70\n' "$version" >"$folder/versions.txt"
    cat >"$folder/glaven.txt" <<'EOF'
# Extra detections for the end-to-end test.
"0123456789ABCDEF0123456789ABCDEF"	source: end-to-end test item 1
"FEDCBA9876543210FEDCBA9876543210"	source: end-to-end test item 2
EOF
    stop_server
    python3 "$src/tools/update_server.py" "$folder" --bind 127.0.0.1 --port 80 --log "$out/server.log" &
    server_pid=$!
    for _ in $(seq 50); do
        (exec 3<>/dev/tcp/127.0.0.1/80) 2>/dev/null && return 0
        sleep 0.1
    done
    e2e_fail "the update server did not start"
}

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
probe_run() {
    local name=$1
    shift
    wine "$probe" "$@" </dev/null >"$out/$name.txt" 2>"$out/$name.err" || e2e_fail "$name: the probe failed"
    sed 's/^/    /' "$out/$name.txt"
}

echo "== no update: the download adds the two digests"
serve 4.6
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
serve 4.7
probe_run offer --yes
expect offer "status: Update Check Success - An Update is Available." "message box 4: answered Yes" \
    "open: http://update.pellworth.example/download.php" " idle:"
for _ in $(seq 30); do [ -s "$out/browser.txt" ] && break; sleep 0.1; done
grep -qx 'http://update.pellworth.example/download.php' "$out/browser.txt" || e2e_fail "offer: the browser was not asked"

echo "== offline: no server and no name for it"
stop_server
hosts offline
probe_run offline
expect offline "status: Checking for Updates...." "status: Checking for Update Failed" \
    "status: Checking for GLAVEN updates..." "status: Downloading GLAVEN updates failed." " idle:"
idle_ms=$(sed -n 's/^ *\([0-9]*\) ms idle:.*/\1/p' "$out/offline.txt")
echo "offline: idle after $idle_ms ms"
[ "$idle_ms" -ge 16500 ] && [ "$idle_ms" -le 20000 ] || e2e_fail "offline: idle after $idle_ms ms, not about 17 s"
echo "update check: all cases passed"
