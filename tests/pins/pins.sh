#!/usr/bin/env bash
# The results of the sessions listed in output.sha256, pinned: the --raw grid
# seep-render writes for each must have the SHA-256 written there, so a
# change that moves any result shows at once.
#
#   tests/pins/pins.sh [SEEP_RENDER [SOURCE_DIR [BENCH_DIR]]]   checks (a ctest)
#   tests/pins/pins.sh --update                                 writes the hashes anew
#
# Update only when a change of result is meant. Defaults: build/tools/seep-render,
# this repository, build/bench. A session under bench/ plays in BENCH_DIR,
# where the build makes its pictures, and is skipped without them. To pin
# another session, add a line for it with any hash and update.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
update=0
[ "${1:-}" != --update ] || { update=1; shift; }
render=${1:-$here/../../build/tools/seep-render}
source_dir=${2:-$here/../..}
bench_dir=${3:-$source_dir/build/bench}
work=$(mktemp -d "${TMPDIR:-/tmp}/seep-pins.XXXXXX")
trap 'rm -rf "$work"' EXIT

failed=0
while read -r pinned session; do
    if [[ -z $pinned || $pinned == \#* ]]; then
        echo "$pinned${session:+ $session}" >>"$work/pins"
        continue
    fi
    folder=$source_dir
    if [[ $session == bench/* ]]; then
        folder=$bench_dir
        if [ ! -d "$bench_dir/images" ]; then
            echo "pins: $session skipped: no pictures in $bench_dir"
            [ "$update" -eq 0 ] || exit 1
            continue
        fi
    fi
    (cd "$folder" && "$render" "$source_dir/$session" --raw "$work/grid.raw" >"$work/log" 2>&1) ||
        { tail -n 5 "$work/log"; echo "pins: $session could not be played"; exit 1; }
    hash=$(sha256sum "$work/grid.raw" | cut -d ' ' -f 1)
    echo "$hash  $session" >>"$work/pins"
    if [ "$hash" != "$pinned" ]; then
        echo "pins: $session gives a grid with SHA-256 $hash, pinned $pinned"
        failed=$((failed + 1))
    fi
done <"$here/output.sha256"

if [ "$update" -eq 1 ]; then
    cp "$work/pins" "$here/output.sha256"
    echo "pins: $here/output.sha256 written"
elif [ "$failed" -gt 0 ]; then
    echo "pins: $failed session(s) changed their result. If the change is meant, update the pins with:"
    echo "    tests/pins/pins.sh --update"
    exit 1
else
    echo "pins: every session gives its pinned grid"
fi
