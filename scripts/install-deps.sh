#!/bin/sh
# Installs the Debian 12 packages that building, testing and running Tessel need, and the
# TypeScript compiler (npm) that the declaration test uses.
# Idempotent: does nothing when everything is installed.
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
# npm installs the TypeScript compiler below; Debian's comes in only when there is none.
command -v npm >/dev/null 2>&1 || missing="$missing nodejs npm"

if [ -n "$missing" ]; then
    echo "Installing:$missing"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
fi

# The TypeScript compiler that checks the page library's declarations, kept in the
# project-local folder .tools (tests/typescript finds it there).
tools="$(cd "$(dirname "$0")/.." && pwd)/.tools"
if [ ! -x "$tools/node_modules/.bin/tsc" ]; then
    echo "Installing: typescript (npm, into $tools)"
    npm install --prefix "$tools" --no-audit --no-fund typescript@5
fi
