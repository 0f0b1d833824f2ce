#!/bin/sh
# Installs the Debian 12 packages that building, testing and running Tessel need.
# Idempotent: does nothing when every package is installed.
set -eu

packages="build-essential cmake pkg-config zlib1g-dev qtbase5-dev qtbase5-dev-tools
qttools5-dev-tools libqt5webkit5-dev libqt5sql5-sqlite libquazip1-qt5-dev libjs-jquery
libbenchmark-dev libsodium-dev clang libclang-rt-14-dev xvfb xauth openssl"

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
