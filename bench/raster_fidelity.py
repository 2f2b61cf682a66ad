#!/usr/bin/python3
"""How close the studio's captures of raster files (JPEG, PNG, BMP, GIF, TIFF) are to an
independent decoder's.

The reference is Pillow's full-resolution decode, turned as its EXIF orientation says (as an
editor opens it), flattened on white, and reduced to 200 x 160 by exact area averaging in
floating point. The studio's is `vantrel capture`. Each file's score is the mean absolute
difference per channel, in levels; every file must be within 2.

    bench/raster_fidelity.py --vantrel build/vantrel FOLDER_OR_FILES...

Samples of every kind: build/bench/make_raster_samples build/raster-samples.
Needs Debian's python3-pil and python3-numpy. Exits 1 when a file is over the limit or fails.
"""

import argparse
import os
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image, ImageOps

WIDTH, HEIGHT = 200, 160
LIMIT = 2.0


def area_weights(source, target):
    """target x source matrix: row j holds each source pixel's share of output pixel j."""
    weights = np.zeros((target, source))
    # Source pixel x spans [x*target, (x+1)*target); output j spans [j*source, (j+1)*source).
    for j in range(target):
        start, end = j * source, (j + 1) * source
        for x in range(start // target, min(source, (end + target - 1) // target)):
            overlap = min(end, (x + 1) * target) - max(start, x * target)
            if overlap > 0:
                weights[j, x] = overlap / source
    return weights


def reference(path):
    image = Image.open(path)
    image.seek(0)
    image = ImageOps.exif_transpose(image)
    if image.mode.startswith("I;16") or image.mode == "I":
        grey = np.asarray(image, dtype=np.float64) / 257.0
        rgb, alpha = np.repeat(grey[..., None], 3, axis=2), np.ones(grey.shape)
    else:
        rgba = np.asarray(image.convert("RGBA"), dtype=np.float64)
        rgb, alpha = rgba[..., :3], rgba[..., 3] / 255.0
    flat = rgb * alpha[..., None] + 255.0 * (1.0 - alpha[..., None])
    rows, columns = area_weights(flat.shape[0], HEIGHT), area_weights(flat.shape[1], WIDTH)
    return np.stack([rows @ flat[..., c] @ columns.T for c in range(3)], axis=2)


def capture(vantrel, path, scratch):
    out = os.path.join(scratch, "capture.png")
    done = subprocess.run([vantrel, "capture", path, "-o", out], capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError(done.stderr.strip())
    return np.asarray(Image.open(out).convert("RGB"), dtype=np.float64)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--vantrel", default="build/vantrel")
    parser.add_argument("paths", nargs="+")
    args = parser.parse_args()
    files = []
    for path in args.paths:
        if os.path.isdir(path):
            files += sorted(os.path.join(path, name) for name in os.listdir(path))
        else:
            files.append(path)

    failed = 0
    print(f"| file | size | mode (Pillow) | R | G | B | max | |")
    print(f"|---|---|---|---:|---:|---:|---:|---|")
    with tempfile.TemporaryDirectory() as scratch:
        for path in files:
            name = os.path.basename(path)
            try:
                with Image.open(path) as image:
                    size, mode = f"{image.width}x{image.height}", image.mode
                expected = reference(path)
            except Exception as error:  # noqa: BLE001 - a file Pillow cannot read is reported, not fatal
                print(f"| {name} | | | | | | | Pillow cannot read it: {error} |")
                continue
            try:
                shown = capture(args.vantrel, path, scratch)
            except RuntimeError as error:
                failed += 1
                print(f"| {name} | {size} | {mode} | | | | | FAILED: {error} |")
                continue
            means = np.abs(shown - expected).mean(axis=(0, 1))
            worst = float(np.abs(shown - expected).max())
            ok = bool((means <= LIMIT).all())
            failed += 0 if ok else 1
            print(f"| {name} | {size} | {mode} | {means[0]:.3f} | {means[1]:.3f} | {means[2]:.3f} | {worst:.1f} |"
                  f" {'ok' if ok else 'OVER ' + str(LIMIT)} |")
    print(f"\n{len(files) - failed} within {LIMIT} levels, {failed} not")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
