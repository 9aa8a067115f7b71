#!/bin/bash
# Creates the base Wine prefix the end-to-end scenarios copy (once; about 12 s).
# usage: make_base_prefix.sh DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
[ $# -eq 1 ] || { echo "usage: $0 DIR" >&2; exit 64; }
e2e_make_base_prefix "$1"
echo "base prefix ready: $1"
