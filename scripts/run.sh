#!/bin/sh
# Installs what is missing, builds Tessel and starts tessel-host on the example plug-ins.
# Without a display ($DISPLAY and $WAYLAND_DISPLAY unset) the host runs offscreen: it opens
# the example, writes a screenshot and says where.
# BUILD_DIR (default: build) selects the build folder, DATA_DIR (default: BUILD_DIR/run-data)
# the host's data folder. Further arguments go to tessel-host (see tessel-host --help).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$top/build}"
data="${DATA_DIR:-$build/run-data}"
example="bridge-tour"

"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2 --target tessel-host

# The host finds the examples where they are, through the plug-in folder's list file.
xml_escape() {
    printf '%s' "$1" | sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g'
}
mkdir -p "$data/WebPlugins"
list="$data/WebPlugins/webplugins.xml"
{
    echo "<webplugins>"
    for spec in "$top"/examples/*/plugin.spec; do
        [ -f "$spec" ] || continue
        echo "  <webplugin path=\"$(xml_escape "$(dirname "$spec")")\"/>"
    done
    echo "</webplugins>"
} > "$list.tmp"
mv "$list.tmp" "$list"

host="$build/bin/tessel-host"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    shot="$data/$example.png"
    QT_QPA_PLATFORM=offscreen "$host" --data-dir "$data" --open "$example" --screenshot "$shot" --log "$@"
    echo "No display: tessel-host ran offscreen. Screenshot of '$example': $shot"
elif [ -f "$data/workspace.json" ]; then
    exec "$host" --data-dir "$data" "$@"
else
    exec "$host" --data-dir "$data" --open "$example" "$@"
fi
