#!/bin/sh
# Runs one test executable offscreen with fresh HOME, data and temporary folders, removed
# afterwards: whatever a test leaves in its temporary folders goes with them.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessel-test.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/data" "$scratch/config" "$scratch/cache" "$scratch/runtime" \
    "$scratch/tmp"
chmod 700 "$scratch/runtime"
HOME="$scratch/home" XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config" \
XDG_CACHE_HOME="$scratch/cache" XDG_RUNTIME_DIR="$scratch/runtime" TMPDIR="$scratch/tmp" \
QT_QPA_PLATFORM=offscreen "$@"
