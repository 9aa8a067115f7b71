#!/bin/bash
# Checks that worm names are items of the shipped database's name lists (signatures/data/lstInfections*.txt,
# one quoted item a line), or with --absent that they are not: the planted infection set must be found
# through the shipped database alone, and the digest-only copy through its digest alone.
# usage: check_listed_names.sh [--absent] SOURCE_DIR NAME...
set -euo pipefail
absent=0
if [ "${1:-}" = --absent ]; then absent=1; shift; fi
src=$1
shift
lists=("$src"/signatures/data/lstInfections*.txt)
[ -f "${lists[0]}" ] || { echo "FAIL: no name lists in $src/signatures/data" >&2; exit 1; }
rc=0
for name in "$@"; do
    if grep -qxF "\"$name\"" <(grep -h '^"' "${lists[@]}" | sed 's/^\("\([^"\\]\|\\.\)*"\).*/\1/'); then
        [ $absent = 0 ] || { echo "FAIL: \"$name\" is listed in the shipped database" >&2; rc=1; }
    else
        [ $absent = 1 ] || { echo "FAIL: \"$name\" is not listed in the shipped database" >&2; rc=1; }
    fi
done
exit $rc
