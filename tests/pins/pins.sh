#!/usr/bin/env bash
# The results of the example sessions, pinned: the --raw grid seep-render
# writes for each session listed in output.sha256 must have the SHA-256
# written there, so a change that moves any result, however little, shows
# at once. The grids are the same on any number of processors.
#
#   tests/pins/pins.sh [SEEP_RENDER [SOURCE_DIR [BENCH_DIR]]]   checks (a ctest)
#   tests/pins/pins.sh --update                                 writes the hashes anew
#
# Update only when a change of result is meant, and say so in the commit.
# The defaults are build/tools/seep-render, this repository and build/bench.
# A session under bench/ plays in BENCH_DIR, where the build makes the
# pictures it paints on; without them (a build without the benchmarks) it is
# skipped. To pin another session, add a line for it with any hash and update.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
update=0
if [ "${1:-}" = --update ]; then
    update=1
    shift
fi
root=$(cd "$here/../.." && pwd)
render=${1:-$root/build/tools/seep-render}
source_dir=${2:-$root}
bench_dir=${3:-$root/build/bench}
pins="$here/output.sha256"
work=$(mktemp -d "${TMPDIR:-/tmp}/seep-pins.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Plays the session (a path relative to the repository) and prints the
# SHA-256 of its grid; prints nothing when its pictures are not there.
grid_hash() {
    local session=$1 folder=$source_dir
    if [[ $session == bench/* ]]; then
        [ -d "$bench_dir/images" ] || return 0
        folder=$bench_dir
    fi
    (cd "$folder" && "$render" "$source_dir/$session" --raw "$work/grid.raw" >"$work/render.log" 2>&1) || {
        tail -n 5 "$work/render.log" >&2
        echo "pins: $session could not be played" >&2
        return 1
    }
    sha256sum "$work/grid.raw" | cut -d ' ' -f 1
}

failed=0
skipped=0
: >"$work/updated"
while read -r pinned session; do
    if [ -z "$pinned" ] || [[ $pinned == \#* ]]; then
        echo "$pinned${session:+ $session}" >>"$work/updated"
        continue
    fi
    hash=$(grid_hash "$session")
    if [ -z "$hash" ]; then
        skipped=$((skipped + 1))
        echo "pins: $session skipped: its pictures are not in $bench_dir"
        [ "$update" -eq 0 ] || { echo "pins: cannot update without them (build with the benchmarks)" >&2; exit 1; }
        continue
    fi
    echo "$hash  $session" >>"$work/updated"
    if [ "$hash" != "$pinned" ]; then
        if [ "$update" -eq 1 ]; then
            echo "pins: $session now $hash"
            continue
        fi
        echo "pins: $session gives a grid with SHA-256 $hash, pinned $pinned"
        failed=$((failed + 1))
    fi
done <"$pins"

if [ "$update" -eq 1 ]; then
    cp "$work/updated" "$pins"
    echo "pins: $pins written"
    exit 0
fi
if [ "$failed" -gt 0 ]; then
    echo "pins: $failed session(s) changed their result. If the change is meant, update the pins with:"
    echo "    tests/pins/pins.sh --update"
    exit 1
fi
note=""
[ "$skipped" -eq 0 ] || note=" ($skipped skipped)"
echo "pins: every pinned session gives its pinned grid$note"
