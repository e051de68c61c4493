#!/usr/bin/env python3
"""Writes the fuzz targets' seed inputs into fuzz/corpus/<target>/.

Seeds are small, valid examples of each target's input, so the fuzzers start
from the inside of the formats rather than from random bytes. The session
fuzzer plays on a 12 × 10 canvas in a 502 × 512 window: the canvas is at
x 0..11 and y 502..511 in window pixels (origin top-left).

Usage: fuzz/make_seed_corpus.py   (rewrites the seed folders)
"""

import json
import os
import shutil
import struct
import sys

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(here)


def press(x, y, button="left"):
    return {"do": "mouse", "button": button, "state": "down", "x": x, "y": y}


def release(x, y, button="left"):
    return {"do": "mouse", "button": button, "state": "up", "x": x, "y": y}


def stroke(points):
    events = [press(*points[0])]
    events += [{"do": "motion", "x": x, "y": y} for (x, y) in points[1:]]
    events.append(release(*points[-1]))
    return events


def setting(control, value):
    return {"do": "set", "control": control, "value": value}


def session(events, seed=0):
    return {"version": 1, "canvas": "default.bmp", "seed": seed, "events": events}


def sessions():
    path = stroke([(1, 510), (5, 506), (10, 503)])
    return {
        "path-animated": session(path + [{"do": "button", "name": "Start"}, {"do": "idle", "count": 30}]),
        "path-instant": session([setting("absorptivity", 0.3)] + path +
                                [setting("instantResult", 1), {"do": "button", "name": "Start"},
                                 {"do": "button", "name": "Image Save", "file": "out.png"}]),
        "brush": session([setting("mouseOperation", 3), setting("particleSizeIndex", 3), press(6, 506),
                          {"do": "idle", "count": 5}, {"do": "motion", "x": 8, "y": 505},
                          {"do": "idle", "count": 5}, release(8, 505), {"do": "button", "name": "Undo"}]),
        "area-guide-lines": session(
            [setting("mouseOperation", 1)] + stroke([(0, 511), (11, 511), (11, 502), (0, 502), (0, 511)]) +
            [setting("mouseOperation", 2)] + stroke([(0, 510), (11, 508)]) + stroke([(0, 503), (11, 505)]) +
            [setting("mouseOperation", 0)] + path + [{"do": "button", "name": "Start"}, {"do": "idle", "count": 20},
                                                     {"do": "button", "name": "Reset"}]),
        "controls": session([setting("waterAmount", 2000), setting("surfaceRoughness", 9.5),
                             setting("depositionResolvability", 0.1), setting("depositionAmount", 100),
                             setting("gravityEnabled", 0), setting("showParticles", 1),
                             {"do": "color", "rgb": [255, 0, 128]}, press(5, 300, "middle"),
                             release(5, 100, "middle")] + path +
                            [{"do": "button", "name": "Start"}, {"do": "idle", "count": 10},
                             {"do": "button", "name": "Init", "seed": 7}, {"do": "frame"}]),
        "open-reshape": session([{"do": "button", "name": "Image Open", "file": "canvas.png", "seed": 3},
                                 {"do": "reshape", "width": 600, "height": 400}, {"do": "frame"}] +
                                stroke([(-50, 100), (20000, -3000), (20000, -3000)]) +
                                [{"do": "button", "name": "Start"}, {"do": "idle", "count": 5},
                                 {"do": "button", "name": "Image Open", "file": ""}]),
        "far-strokes": session(stroke([(-1000000, -1000000), (1000000, 1000000), (3, 505), (3, 505)]) +
                               [setting("instantResult", 1), {"do": "button", "name": "Start"}]),
        "tool-strip": session([press(45, 20), release(45, 20), press(50, 460, "left"), release(50, 460),
                               {"do": "mouse", "button": "left", "state": "down", "x": 3, "y": 505,
                                "rgb": [1, 2, 3]}, release(3, 505)]),
    }


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def paintings(folder):
    """Painting files: a small sound one (kept in the corpus, made with
    seep-render from fuzz/painting-seed.json when a build is at hand) and
    damaged variants of it."""
    import io
    import subprocess
    import zipfile
    small = os.path.join(folder, "small.ora")
    render = os.path.join(root, "build", "tools", "seep-render")
    if os.path.exists(render):
        subprocess.run([render, os.path.join(here, "painting-seed.json"), "--painting", small],
                       cwd=root, check=True, stderr=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    with open(small, "rb") as source:
        good = source.read()

    def variant(name, change):
        entries = {}
        with zipfile.ZipFile(io.BytesIO(good)) as z:
            for info in z.infolist():
                entries[info.filename] = z.read(info.filename)
        change(entries)
        out = io.BytesIO()
        with zipfile.ZipFile(out, "w") as z:
            for entry, data in entries.items():
                method = zipfile.ZIP_STORED if entry == "mimetype" else zipfile.ZIP_DEFLATED
                z.writestr(entry, data, compress_type=method)
        write(folder, name, out.getvalue())

    write(folder, "cut.ora", good[:len(good) // 2])
    variant("foreign.ora", lambda e: [e.pop(k) for k in list(e) if k.startswith("seep/")])
    variant("dots.ora", lambda e: e.update({"../escape.png": b"x"}))
    variant("bad-stack.ora", lambda e: e.update({"stack.xml": b"<image w='4' h="}))
    variant("version-2.ora", lambda e: e.update({"seep/state": b"SEEP\x02\x00\x00\x00"}))
    variant("no-tiles.ora", lambda e: e.pop("seep/tiles"))


def main():
    corpus = os.path.join(here, "corpus")
    os.makedirs(os.path.join(corpus, "painting"), exist_ok=True)
    paintings(os.path.join(corpus, "painting"))
    for target in ("session", "picture", "area", "path", "bmp_exif"):
        shutil.rmtree(os.path.join(corpus, target), ignore_errors=True)
        os.makedirs(os.path.join(corpus, target))

    for name, content in sessions().items():
        write(os.path.join(corpus, "session"), name + ".json", json.dumps(content).encode())
    for example in sorted(os.listdir(os.path.join(root, "images", "examples"))):
        if example.endswith(".json"):
            shutil.copy(os.path.join(root, "images", "examples", example),
                        os.path.join(corpus, "session", "example-" + example))

    # The first byte picks the extension, in the order the picture target lists them.
    extensions = [".png", ".bmp", ".jpg", ".gif", ".tga", ".ppm"]
    pictures = os.path.join(root, "tests", "pictures")
    for name in sorted(os.listdir(pictures)):
        extension = os.path.splitext(name)[1]
        if extension in extensions and os.path.getsize(os.path.join(pictures, name)) <= 4096:
            with open(os.path.join(pictures, name), "rb") as source:
                data = source.read()
            write(os.path.join(corpus, "picture"), name, bytes([extensions.index(extension)]) + data)

    # Seep's own readers: the version-4 and version-5 BMPs, and the EXIF
    # blocks of the oriented JPEGs (whole files: the block lies inside).
    for name in sorted(os.listdir(pictures)):
        if name.startswith(("v4-", "v5-", "orientation-")):
            shutil.copy(os.path.join(pictures, name), os.path.join(corpus, "bmp_exif", name))

    # Area: width, height, scale kind, then (kind, value) pairs per coordinate.
    def area(width, height, scale, points):
        data = bytes([width - 1, height - 1, scale])
        for (x, y) in points:
            data += b"\x00" + struct.pack("<h", x) + b"\x00" + struct.pack("<h", y)
        return data
    write(os.path.join(corpus, "area"), "square", area(16, 16, 3, [(1, 1), (14, 1), (14, 14), (1, 14), (1, 1)]))
    write(os.path.join(corpus, "area"), "scaled-up", area(20, 10, 11, [(0, 0), (9, 4), (9, 4), (-3, 12)]))
    write(os.path.join(corpus, "area"), "any-float",
          bytes([8, 8, 200]) + struct.pack("<f", 1e30) + b"\xff" + struct.pack("<f", float("nan")) +
          b"\xff" + struct.pack("<f", 3.5) + b"\xff" + struct.pack("<f", float("inf")) +
          b"\xff" + struct.pack("<f", -2.0))

    # Path: mouse-point flag, seed, scale, then (x, y) pairs.
    def path(points):
        data = b"\x00" + struct.pack("<I", 12345) + b"\x03"
        for (x, y) in points:
            data += struct.pack("<ii", x, y)
        return data
    write(os.path.join(corpus, "path"), "stroke", path([(10, 10), (200, 50), (200, 50), (190, 400)]))
    write(os.path.join(corpus, "path"), "vertical", path([(5, 5), (5, 100), (5, 2)]))
    write(os.path.join(corpus, "path"), "far", path([(-1000000, 1000000), (1000000, -1000000)]))
    print("seed corpus written to", os.path.relpath(corpus, root))


if __name__ == "__main__":
    sys.exit(main())
