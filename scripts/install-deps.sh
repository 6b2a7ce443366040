#!/bin/sh
# Installs the Debian packages that building, running and testing need,
# and only those that are missing.
set -e
PACKAGES="cmake ninja-build make g++ clang libclang-rt-14-dev \
qtbase5-dev qtbase5-dev-tools libqt5svg5-dev libqcustomplot-dev \
direwolf xvfb xauth xdotool tshark"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" != "0" ]; then
    echo "Missing packages:$missing (run as root to install them)" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends $missing
