# The maker's update site for end-to-end runs: a private mount and network namespace in which the fixed
# update host resolves to 127.0.0.1 (and the machine's own name to an address no interface there has),
# and the update server on port 80 serving a folder made here. Sourced, never run; needs root.

# Re-runs the calling script inside a namespace of its own, with "--inside" before its arguments.
#   [ "${1:-}" = --inside ] || e2e_update_enter_namespace "$0" "$@"; shift
e2e_update_enter_namespace() {
    local script=$1
    shift
    exec unshare --mount --net --propagation private "$BASH" "$script" --inside "$@"
}

# e2e_update_hosts DIR online|offline: loopback up and the hosts file bind-mounted over /etc/hosts (rewritten
# in place after the first call, so the mount keeps pointing at it). Offline, the update host has no address.
E2E_UPDATE_HOSTS_MOUNTED=
e2e_update_hosts() {
    local dir=$1 mode=$2
    printf '127.0.0.1 localhost\n192.0.2.2 %s\n' "$(hostname)" >"$dir/hosts"
    [ "$mode" = online ] && printf '127.0.0.1 update.pellworth.example\n' >>"$dir/hosts"
    # Once per namespace (a hosts file left by an earlier run in the same folder says nothing about it).
    if [ -z "$E2E_UPDATE_HOSTS_MOUNTED" ]; then
        ip link set lo up
        mount --bind "$dir/hosts" /etc/hosts
        E2E_UPDATE_HOSTS_MOUNTED=1
    fi
}

# e2e_update_serve DIR VERSION DIGEST_FILE [SIGNING]: the server on 127.0.0.1:80 for a site offering program
# VERSION, database 6.70 and the digests of DIGEST_FILE (one per line) as extra detections; logs to
# DIR/server.log. SIGNING: "signed" (with the test key of e2e_update_test_key, the default when there is
# one), "unsigned" (the default otherwise), or "altered" (signed, then one digit of the list changed).
E2E_UPDATE_SERVER_PID=
e2e_update_serve() {
    local dir=$1 version=$2 digests=$3 site=$1/site-$2 d signing=${4:-}
    [ -n "$signing" ] || { [ -n "${E2E_UPDATE_KEY:-}" ] && signing=signed || signing=unsigned; }
    rm -rf "$site"
    mkdir -p "$site"
    printf 'Version: %s\nVDB: 6.70\n' "$version" >"$site/versions.txt"
    printf '# Extra detections of an end-to-end run.\n' >"$site/glaven.txt"
    while read -r d; do
        [ -n "$d" ] && printf '"%s"\tsource: end-to-end test item\n' "$d" >>"$site/glaven.txt"
    done <"$digests"
    local server=(python3 "$E2E_SOURCE_DIR/tools/update_server.py" "$site" --bind 127.0.0.1 --port 80
        --log "$dir/server.log")
    case $signing in
    signed) server+=(--key "$E2E_UPDATE_KEY") ;;
    unsigned) ;;
    altered)
        # The signature of the list as it was (glaven.sig), then its first digest's last digit changed.
        "${server[@]:0:3}" --sign "$E2E_UPDATE_KEY" || e2e_fail "the list could not be signed"
        python3 - "$site/glaven.txt" <<'PY'
import sys
lines = open(sys.argv[1]).read().split("\n")
i = next(n for n, line in enumerate(lines) if line.startswith('"'))
digit = "1" if lines[i][32] == "0" else "0"  # the last of the 32 digits, after the quote
lines[i] = lines[i][:32] + digit + lines[i][33:]
open(sys.argv[1], "w").write("\n".join(lines))
PY
        ;;
    *) e2e_fail "e2e_update_serve: unknown signing $signing" ;;
    esac
    e2e_update_stop
    "${server[@]}" &
    E2E_UPDATE_SERVER_PID=$!
    e2e_guard process "$E2E_UPDATE_SERVER_PID"
    # A busy machine may take seconds to start Python: up to 30 s.
    for _ in $(seq 300); do
        (exec 3<>/dev/tcp/127.0.0.1/80) 2>/dev/null && return 0
        sleep 0.1
    done
    e2e_fail "the update server did not start"
}

# e2e_update_test_key DIR: a throwaway maker key pair made for this run (DIR/test-key.pem, DIR/test-key.txt);
# E2E_UPDATE_KEY names its private key from then on.
e2e_update_test_key() {
    rm -f "$1/test-key.pem" "$1/test-key.txt"
    python3 "$E2E_SOURCE_DIR/tools/maker_key.py" new "$1/test-key.pem" "$1/test-key.txt" >/dev/null ||
        e2e_fail "no test key could be made"
    E2E_UPDATE_KEY=$1/test-key.pem
}

# e2e_update_trusting_copy EXE COPY: a copy of the program that trusts the test key instead of the maker's:
# the 64 bytes of the bound key (resources/maker_key.txt) replaced by the test key's, every other byte
# the same. A program has no other way to trust a key.
e2e_update_trusting_copy() {
    python3 - "$1" "$2" "$E2E_SOURCE_DIR/resources/maker_key.txt" "${E2E_UPDATE_KEY%.pem}.txt" <<'PY' ||
import sys
def key(path):
    lines = [l.strip() for l in open(path) if l.strip() and not l.startswith("#")]
    return bytes.fromhex(lines[0])
exe, copy, maker, test = open(sys.argv[1], "rb").read(), sys.argv[2], key(sys.argv[3]), key(sys.argv[4])
if exe.count(maker) != 1:
    sys.exit("%s holds the maker's key %d times, not once" % (sys.argv[1], exe.count(maker)))
patched = exe.replace(maker, test)
assert len(patched) == len(exe) and sum(a != b for a, b in zip(exe, patched)) <= 64
open(copy, "wb").write(patched)
PY
        e2e_fail "no trusting copy of $1"
}

e2e_update_stop() {
    [ -n "$E2E_UPDATE_SERVER_PID" ] || return 0
    kill "$E2E_UPDATE_SERVER_PID" 2>/dev/null || true
    wait "$E2E_UPDATE_SERVER_PID" 2>/dev/null || true
    E2E_UPDATE_SERVER_PID=
}

# e2e_update_site_quiet DIR: the site of a window scenario that is not about the update check: this
# version, no extra detections, so the window is idle at once (offline it would wait out both time limits).
e2e_update_site_quiet() {
    e2e_update_hosts "$1" online
    : >"$1/no-digests.txt"
    e2e_update_serve "$1" 4.6 "$1/no-digests.txt"
}
