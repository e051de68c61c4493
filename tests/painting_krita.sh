#!/usr/bin/env bash
# Another painting program opens Seep's painting files: Krita exports a
# painting file written by seep-render to a PNG, which must match the
# file's own flattened picture within 2/255 on every channel, with the
# paint visible (the paint layer over the canvas layer, both read).
# Skipped (status 77) when Krita, Xvfb or ImageMagick are missing: ./test
# does not install Krita. Usage: painting_krita.sh SEEP_RENDER SOURCE_DIR
set -euo pipefail
render=$1
source_dir=$2

for tool in krita Xvfb xdpyinfo compare python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/seep-krita.XXXXXX")
xvfb_pid=""
krita_pid=""
finish() {
    for pid in $krita_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap finish EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cd "$source_dir"
"$render" images/examples/path-instant.json --painting "$work/painting.ora" >/dev/null 2>"$work/render.err" ||
    fail "seep-render: $(tail -n 3 "$work/render.err")"
python3 - "$work" <<'PY' || fail "the painting file is not laid out as OpenRaster"
import sys, zipfile, xml.etree.ElementTree as ET
work = sys.argv[1]
with zipfile.ZipFile(work + "/painting.ora") as z:
    first = z.infolist()[0]
    assert first.filename == "mimetype" and first.compress_type == zipfile.ZIP_STORED
    assert z.read("mimetype") == b"image/openraster"
    layers = [l.get("src") for l in ET.fromstring(z.read("stack.xml")).iter("layer")]
    assert layers == ["data/paint.png", "data/canvas.png"], layers
    open(work + "/merged.png", "wb").write(z.read("mergedimage.png"))
    open(work + "/paint.png", "wb").write(z.read("data/paint.png"))
PY

# A display of our own: the server picks a free number itself (-displayfd),
# so no two test runs ever share one.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 300); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
display=:$(head -n 1 "$work/display")
xdpyinfo -display "$display" >/dev/null 2>&1 || fail "Xvfb did not answer on $display"
# Krita leaves its settings and caches in the home folder: a private one.
HOME="$work/home" DISPLAY=$display XDG_RUNTIME_DIR="$work" \
    krita --export "$work/painting.ora" --export-filename "$work/krita.png" >"$work/krita.log" 2>&1 &
krita_pid=$!
for _ in $(seq 1 600); do
    kill -0 "$krita_pid" 2>/dev/null || break
    sleep 0.5
done
kill -0 "$krita_pid" 2>/dev/null && fail "Krita did not finish its export within 5 minutes"
krita_pid=""
[ -f "$work/krita.png" ] || fail "Krita wrote no picture: $(tail -n 5 "$work/krita.log")"

differing=$(compare -metric AE -fuzz 0.79% "$work/krita.png" "$work/merged.png" null: 2>&1 || true)
[ "$differing" = "0" ] || fail "$differing pixels of Krita's export differ from mergedimage.png by more than 2/255"
painted=$(convert "$work/paint.png" -alpha extract -threshold 10% -format "%[fx:mean*w*h]" info:)
[ "${painted%.*}" -gt 1000 ] || fail "the paint layer holds almost no paint ($painted pixels)"
echo "Krita's export matches mergedimage.png within 2/255 ($painted painted pixels)"
