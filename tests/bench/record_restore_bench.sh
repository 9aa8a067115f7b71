#!/bin/bash
# Restore of a record of 1,000,000 changes under Wine: the console program's --restore --dry-run on one
# record of that size (64 MiB at most, the largest restore reads), its wall time and peak resident memory.
# With BASELINE set to another build's pellclean.exe, that program and this build's run in turns on the
# same record, and the ratio of their times and of their peaks is printed.
# usage: [BASELINE=OTHER/pellclean.exe] record_restore_bench.sh BUILD_DIR [WORK_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../e2e/lib.sh"

build=$(cd "${1:?usage: $0 BUILD_DIR [WORK_DIR]}" && pwd)
work=$(mkdir -p "${2:-$build/bench-record-restore}" && cd "${2:-$build/bench-record-restore}" && pwd)
[ -f "$build/pellclean.exe" ] || e2e_fail "$build/pellclean.exe is missing: build the win64 preset first"
base=${E2E_BASE_PREFIX:-$build/e2e/base-prefix}
prefix=$work/prefix
trap 'e2e_stop_prefix "$prefix"' EXIT

# A header, a million process changes (restore only names them: nothing of the machine is touched, so
# the figures are the reading, the checking and the lines said) and a summary.
record=$work/million.jsonl
python3 - "$record" <<'EOF'
import sys
with open(sys.argv[1], "w", newline="\n") as out:
    out.write('{"record":"header","format":1,"program":"Pellworth Remover","version":"4.06","database":"6.70",'
              '"machine":"BENCH","user":"u","start":"2026-12-09T08:00:00Z","log_folder":"C:\\\\logs\\\\"}\n')
    for i in range(1000000):
        out.write('{"record":"change","kind":"process","path":"C:\\\\w%d.exe","pid":%d}\n' % (i % 10, i % 100))
    out.write('{"record":"summary","outcome":"removed","counts":{"process":1000000},"failures":0,'
              '"restart":false,"end":"2026-12-09T08:01:00Z"}\n')
EOF

e2e_make_base_prefix "$base" >/dev/null
e2e_fresh_prefix "$base" "$prefix"
target="Z:$(printf '%s' "$record" | tr '/' '\\')"

# Sets $seconds and $peak_mb for one restore by the program $1.
measure() {
    /usr/bin/time -f '%e %M' -o "$work/time.txt" wine "$1" --restore "$target" --dry-run --any-machine \
        </dev/null >"$work/restore.out" 2>&1 || true
    [ "$(grep -c '^not started again process' "$work/restore.out")" = 1000000 ] ||
        e2e_fail "$1 did not name every change: $(tail -n 2 "$work/restore.out")"
    read -r seconds kb <"$work/time.txt"
    peak_mb=$((kb / 1024))
}

echo "== restore of a 1,000,000-change record ($(stat -c %s "$record") bytes) under $(wine --version 2>/dev/null)"
measure "$build/pellclean.exe"
echo "this build: ${seconds} s, peak ${peak_mb} MB"
if [ -n "${BASELINE:-}" ]; then
    this_s=$seconds this_mb=$peak_mb
    measure "$BASELINE"
    echo "baseline:   ${seconds} s, peak ${peak_mb} MB"
    awk -v a="$this_s" -v b="$seconds" -v c="$this_mb" -v d="$peak_mb" \
        'BEGIN { printf "ratio this/baseline: time %.2f, peak memory %.2f\n", a / b, c / d }'
fi
