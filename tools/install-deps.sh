#!/bin/sh
# Installs what the builds and tests need on Debian 12; does nothing when all of it is there.
set -eu
# fonts-wqy-microhei: the Korean translation needs Hangul, which no other font here has.
# python3-cryptography: the update server signs the detection list; libssl-dev: the unit tests sign too.
PACKAGES="cmake ninja-build g++ googletest libgtest-dev mingw-w64 gcc-mingw-w64-x86-64-posix
g++-mingw-w64-x86-64-posix wine wine64 xvfb xdotool imagemagick libc-bin util-linux python3 iproute2
fonts-wqy-microhei python3-cryptography libssl-dev"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
# Passed through env: sudo resets the environment, so an exported DEBIAN_FRONTEND would not reach apt-get.
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
# shellcheck disable=SC2086
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing
