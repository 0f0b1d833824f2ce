#!/bin/sh
# Installs what is missing, builds Tessel and starts tessel-host on the example plug-ins.
# The host opens the example workspace: Quote Board, Daily Chart, Chain Viewer and News Reader,
# tiled and linked (link group 1), so a symbol chosen in one window shows in the others. It is
# written to the data folder when that has no workspace yet; later starts restore the workspace
# as the host saved it on exit (delete DATA_DIR/workspace.json to get the example one back).
# Without a display ($DISPLAY and $WAYLAND_DISPLAY unset) the host runs offscreen: it writes one
# screenshot per window of the workspace to DATA_DIR/screenshots and says where.
# BUILD_DIR (default: build) selects the build folder, DATA_DIR (default: BUILD_DIR/run-data)
# the host's data folder. Further arguments go to tessel-host (see tessel-host --help).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$top/build}"
data="${DATA_DIR:-$build/run-data}"
# Listed bottom first: the document area tiles the last one top left.
workspace_plugins="news-reader chain-viewer daily-chart quote-board"
link_group=1

"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
# tessel-host brings the examples' copy (target tessel-examples) with it.
cmake --build "$build" -j2 --target tessel-host

# The host finds the examples in the build folder, where the build copied them with jQuery,
# through the plug-in folder's list file.
xml_escape() {
    printf '%s' "$1" | sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g'
}
mkdir -p "$data/WebPlugins"
list="$data/WebPlugins/webplugins.xml"
{
    echo "<webplugins>"
    for spec in "$build"/examples/*/plugin.spec; do
        [ -f "$spec" ] || continue
        echo "  <webplugin path=\"$(xml_escape "$(dirname "$spec")")\"/>"
    done
    echo "</webplugins>"
} > "$list.tmp"
mv "$list.tmp" "$list"

# The example workspace: windows without a geometry, which the host tiles.
if [ ! -f "$data/workspace.json" ]; then
    {
        echo '{"format": 1, "active": 3, "documents": ['
        separator=""
        for id in $workspace_plugins; do
            printf '%s  {"template": "webplugin_%s", "linkGroup": %s}' "$separator" "$id" "$link_group"
            separator=",
"
        done
        echo
        echo ']}'
    } > "$data/workspace.json.tmp"
    mv "$data/workspace.json.tmp" "$data/workspace.json"
fi

host="$build/bin/tessel-host"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    shots="$data/screenshots"
    mkdir -p "$shots"
    rm -f "$shots"/*.png
    QT_QPA_PLATFORM=offscreen "$host" --data-dir "$data" --screenshots "$shots" --log "$@"
    echo "No display: tessel-host ran offscreen. Screenshots of the workspace's windows:"
    for shot in "$shots"/*.png; do
        echo "  $shot"
    done
else
    exec "$host" --data-dir "$data" "$@"
fi
