#!/usr/bin/python3
"""Side by side: the studio's capture of layered documents against psd-tools' composite().

For every corpus file whose stored image is a placeholder (the version-info resource says so,
the stored image is cut short, or it is one colour with no resource to say), psd-tools draws the
layers, the result is laid over white and area-averaged to 200 x 160 exactly as the studio does,
and the mean difference per channel against `vantrel capture` is reported.

    bench/layer_fidelity.py [--vantrel build/vantrel] [--fixtures ../shared/fixtures/psd]

Needs the Debian packages python3-psd-tools, python3-numpy and python3-pil.
"""
import argparse
import csv
import json
import os
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image

from icc_reference import apply_icc, srgb_encode

PREVIEW_W, PREVIEW_H = 200, 160


def area_weights(source, preview):
    # Source pixel i spans [i*preview, (i+1)*preview), preview pixel j spans [j*source, (j+1)*source).
    weights = np.zeros((preview, source))
    for j in range(preview):
        lo, hi = j * source, (j + 1) * source
        first, last = lo // preview, (hi - 1) // preview
        for i in range(first, last + 1):
            weights[j, i] = min(hi, (i + 1) * preview) - max(lo, i * preview)
    return weights / source


def psd_tools_preview(path):
    # composite() itself drops the coverage of documents with a stored image and truncates to
    # 8 bits; the compositor underneath gives colour and coverage as floats, laid here over white.
    from psd_tools import PSDImage
    from psd_tools.composite import composite
    psd = PSDImage.open(path)
    if psd.color_mode not in (1, 3):  # grayscale, RGB
        raise RuntimeError("colour mode %s is not compared" % psd.color_mode)
    colour, _, alpha = composite(psd, color=1.0, alpha=0.0)
    pixels = colour * alpha + (1.0 - alpha)
    # A 32-bit document's samples are linear light: laid over white as they are, then shown
    # through the sRGB curve, as the studio shows its stored image.
    if psd.depth == 32:
        pixels = srgb_encode(pixels)
    # The studio draws the layers at 8 bits and shows them through an embedded profile, as it
    # shows a stored image (32-bit documents aside).
    profile = psd.image_resources.get_data(1039) if psd.depth != 32 else None
    if profile:
        planes8 = [np.round(np.clip(pixels[:, :, c], 0, 1) * 255).astype(np.uint8) for c in range(pixels.shape[2])]
        managed = apply_icc(planes8, "L" if len(planes8) == 1 else "RGB", profile)
        if managed is not None:
            pixels = managed
    if pixels.shape[2] == 1:
        pixels = np.repeat(pixels, 3, axis=2)
    rows = area_weights(pixels.shape[0], PREVIEW_H)
    cols = area_weights(pixels.shape[1], PREVIEW_W)
    preview = np.einsum("jy,yxc,ix->jic", rows, pixels * 255.0, cols)
    return np.floor(preview + 0.5)


def psd_tools_preview_within(path, seconds, scratch):
    # In a process of its own, so that a file psd-tools takes too long over can be given up.
    out = os.path.join(scratch, "theirs.npy")
    if os.path.exists(out):
        os.remove(out)
    try:
        result = subprocess.run([sys.executable, os.path.abspath(__file__), "--one", path, out],
                                capture_output=True, text=True, timeout=seconds)
    except subprocess.TimeoutExpired:
        raise RuntimeError(f"no result within {seconds} s")
    if result.returncode != 0 or not os.path.exists(out):
        lines = [line for line in result.stderr.strip().splitlines() if line.strip()]
        raise RuntimeError(lines[-1] if lines else "failed")
    return np.load(out)


def vantrel_preview(vantrel, path, scratch):
    out = os.path.join(scratch, "capture.png")
    result = subprocess.run([vantrel, "capture", path, "-o", out, "--bpp", "32"], capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError(result.stderr.strip().splitlines()[-1] if result.stderr.strip() else "capture failed")
    return np.asarray(Image.open(out).convert("RGB")).astype(np.float64)


def drawing(vantrel, path):
    result = subprocess.run([vantrel, "inspect", path, "--json"], capture_output=True, text=True)
    try:
        entry = json.loads(result.stdout)[0]
    except (ValueError, IndexError):
        return False, []
    return entry.get("drawn_from_layers", False), entry.get("not_drawn", [])


def placeholder_files(fixtures):
    with open(os.path.join(fixtures, "MANIFEST.tsv")) as manifest:
        for row in csv.DictReader(manifest, delimiter="\t"):
            layers = row["layers"]
            if not layers.isdigit() or int(layers) == 0:
                continue
            placeholder = row["real_merged"] == "0"
            cut = row["comp_check"] == "short"
            uniform_without_resource = row["has_0421"] == "0" and row["comp_uniform"] == "1"
            if placeholder or cut or uniform_without_resource:
                yield row["file"]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("--vantrel", default=os.path.join(here, "..", "build", "vantrel"))
    parser.add_argument("--fixtures", default=os.path.join(here, "..", "..", "shared", "fixtures", "psd"))
    parser.add_argument("--timeout", type=int, default=120, help="seconds psd-tools may take over one file")
    parser.add_argument("--one", nargs=2, metavar=("FILE", "OUT"), help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.one:
        np.save(args.one[1], psd_tools_preview(args.one[0]))
        return 0

    print("| file | drawn from layers | not drawn | psd-tools | mean diff R G B | max | within 2 |")
    print("|---|---|---|---|---|---|---|")
    cannot_render, refused = [], []
    every = [0, 0]       # within, compared: every placeholder document psd-tools draws
    all_drawn = [0, 0]   # the same over those whose layers use only what the studio draws
    with tempfile.TemporaryDirectory() as scratch:
        for name in placeholder_files(args.fixtures):
            path = os.path.join(args.fixtures, name)
            from_layers, not_drawn = drawing(args.vantrel, path)
            try:
                ours = vantrel_preview(args.vantrel, path, scratch)
            except RuntimeError as error:
                refused.append(name)
                print(f"| {name} | - | - | - | studio: {error} | - | - |")
                continue
            try:
                theirs = psd_tools_preview_within(path, args.timeout, scratch)
            except RuntimeError as error:
                cannot_render.append((name, str(error).splitlines()[0][:80] if str(error) else type(error).__name__))
                print(f"| {name} | {from_layers} | {len(not_drawn)} | cannot render | - | - | - |")
                continue
            diff = np.abs(ours - theirs)
            means = diff.reshape(-1, 3).mean(axis=0)
            ok = bool((means <= 2.0).all())
            for count, counted in ((every, True), (all_drawn, not not_drawn)):
                if counted:
                    count[0] += ok
                    count[1] += 1
            print(f"| {name} | {from_layers} | {len(not_drawn)} | ok | "
                  f"{means[0]:.2f} {means[1]:.2f} {means[2]:.2f} | {diff.max():.0f} | {'yes' if ok else 'NO'} |")
    print()
    print(f"every placeholder document psd-tools draws: {every[0]} of {every[1]} within 2 levels per channel")
    print(f"of those, the ones whose layers use only what the studio draws: {all_drawn[0]} of {all_drawn[1]}")
    print(f"refused by the studio: {len(refused)}; psd-tools cannot render: {len(cannot_render)}")
    for name, error in cannot_render:
        print(f"psd-tools cannot render {name}: {error}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
