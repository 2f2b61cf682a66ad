#!/usr/bin/python3
"""How closely the studio's captures match an independent decoder's.

    bench/studio_fidelity.py [--vantrel build/vantrel] [--limit 2] FILE_OR_FOLDER...

Each file is captured by the studio (`vantrel capture FILE -o PNG`, the 200 x 160 image grading
takes) and rendered again by a reference: psd-tools for PSD and PSB documents, Pillow for every
other kind. The reference decodes the full-resolution composite, shows it by the same display
rules in floating point (below), flattens it on white and reduces it to 200 x 160 by exact
area averaging. The table gives the mean absolute difference per channel, in levels, and the
largest; a file passes within --limit (2 levels).

Display rules the reference applies, each the studio's own:
- 16-bit samples are v / 65535; 32-bit ones are linear light shown through the sRGB curve,
  clamped (their transparency is a plain coverage).
- Bitmap: set bits black. Grayscale and Duotone: grey. Indexed: the palette, its transparent
  entry (resource 0x0417) white.
- CMYK: R = C'K' and so on (stored inverted); Lab: D50 Lab to sRGB through the sRGB colorants
  adapted to D50; Multichannel: every channel an ink in its display colour (resource 0x0435 or
  0x03EF), printed over the others on white in channel order, an ink of solidity s covering
  what lies under it that much: light (1 - a) + a colour (s + (1 - s) light) for ink amount a.
- An embedded ICC profile of the document's colour space converts to sRGB instead (Pillow's
  ImageCms, relative colorimetric with black-point compensation), except in 32-bit documents.
- The first channel after the colour channels is the merged transparency when the layer count
  is negative (or a Lr16/Lr32 block's is), a Mtrn/Mt16/Mt32 block is present, the alpha
  identifiers (0x041D) put identifier 0 there, or nothing describes the extra channels (no
  identifiers, names or display colours). psd-tools decides differently (it takes the last
  channel when nothing describes them, and treats named spot channels as transparency), so the
  reference decides by the format itself. The stored colour counts as matted against white:
  the shown colour is max(colour, 1 - alpha).

Files whose stored composite is a placeholder (MANIFEST.tsv's comp_uniform = 1 or
real_merged = 0; without a manifest, resource 0x0421's hasRealMergedData = 0) are shown by
the studio from their layers; they are measured apart, against psd-tools' own compositing of
the layers (as bench/layer_fidelity.py does), and counted twice: all of them, and those whose
layers use only what the studio draws (`vantrel inspect`'s not_drawn is empty). Files the studio refuses are
listed with its reason. A crash (signal), a hang (--timeout) or a sanitizer report fails the run.

Exit status: 0 when every measured file is within the limit and nothing crashed or hung.
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image, ImageCms

from icc_reference import apply_icc, srgb_encode
from layer_fidelity import drawing, psd_tools_preview_within

PREVIEW_W, PREVIEW_H = 200, 160

# sRGB colorants adapted to D50 (columns red, green, blue), as the sRGB profile gives them.
SRGB_COLORANTS_D50 = np.array([[0.4360747, 0.3850649, 0.1430804],
                               [0.2225045, 0.7168786, 0.0606169],
                               [0.0139322, 0.0971045, 0.7141733]])


def lab_to_srgb(lightness, a, b):
    """D50 L*a*b* (arrays) to sRGB in 0..1."""
    delta = 6 / 29

    def inverse(t):
        return np.where(t > delta, t ** 3, 3 * delta * delta * (t - 4 / 29))

    fy = (lightness + 16) / 116
    white = SRGB_COLORANTS_D50.sum(axis=1)
    xyz = np.stack([white[0] * inverse(fy + a / 500), white[1] * inverse(fy), white[2] * inverse(fy - b / 200)], -1)
    linear = xyz @ np.linalg.inv(SRGB_COLORANTS_D50).T
    return srgb_encode(linear)


def area_average(image):
    """Exact area averaging of an H x W x C float image to 160 x 200."""
    height, width = image.shape[:2]

    def weights(source, target):
        # Source pixel i spans [i * target, (i + 1) * target); preview pixel j [j * source, ...).
        matrix = np.zeros((target, source))
        for j in range(target):
            start, end = j * source, (j + 1) * source
            for i in range(start // target, (end - 1) // target + 1):
                matrix[j, i] = min(end, (i + 1) * target) - max(start, i * target)
        return matrix / source

    rows = weights(height, PREVIEW_H)
    columns = weights(width, PREVIEW_W)
    across = np.einsum('qw,hwc->hqc', columns, image, optimize=True)
    return np.einsum('ph,hqc->pqc', rows, across, optimize=True)


# ---------------------------------------------------------------- PSD and PSB, through psd-tools

def read_resource_bytes(path, wanted):
    """Image resources straight from the file: {id: bytes} for the ids wanted."""
    found = {}
    with open(path, 'rb') as f:
        data = f.read()
    at = 26
    length = struct.unpack('>I', data[at:at + 4])[0]
    at += 4 + length
    length = struct.unpack('>I', data[at:at + 4])[0]
    at += 4
    end = at + length
    while at + 12 <= end:
        rid = struct.unpack('>H', data[at + 4:at + 6])[0]
        name = data[at + 6]
        body = at + 6 + ((1 + name + 1) & ~1)
        size = struct.unpack('>I', data[body:body + 4])[0]
        if rid in wanted:
            found[rid] = data[body + 4:body + 4 + size]
        at = body + 4 + size + (size & 1)
    return found


def layer_notes(psd):
    """(negative layer count, merged transparency block) from psd-tools' parse."""
    info = psd._record.layer_and_mask_information
    negative = bool(info.layer_info is not None and info.layer_info.layer_count < 0)
    block = False
    if info.tagged_blocks:
        for key, value in info.tagged_blocks.items():
            name = key.value if hasattr(key, 'value') else key
            if name in (b'Mtrn', b'Mt16', b'Mt32'):
                block = True
            if name in (b'Lr16', b'Lr32', b'Layr'):
                data = value.data
                count = getattr(data, 'layer_count', None)
                if count is not None and count < 0:
                    negative = True
    return negative, block


COLOUR_CHANNELS = {0: 1, 1: 1, 2: 1, 3: 3, 4: 4, 8: 1, 9: 3}


def first_extra_is_transparency(header, colour, resources, negative, block):
    if header.channels <= colour or header.color_mode == 0:
        return False
    if negative or block:
        return True
    if 0x041D in resources:
        ids = list(struct.unpack('>%dI' % (len(resources[0x041D]) // 4), resources[0x041D][:len(resources[0x041D]) // 4 * 4]))
        if 0 not in ids:
            return False
        return header.channels - len(ids) + ids.index(0) == colour
    return not (0x03EE in resources or 0x0415 in resources or 0x0435 in resources or 0x03EF in resources)


def display_colours(resources):
    if 0x0435 in resources:
        body, start, stride = resources[0x0435], 4, 13
    elif 0x03EF in resources:
        body, start, stride = resources[0x03EF], 0, 14
    else:
        return []
    colours = []
    for at in range(start, len(body) - 12, stride):
        space = struct.unpack('>H', body[at:at + 2])[0]
        solidity = min(struct.unpack('>H', body[at + 10:at + 12])[0], 100) / 100
        colours.append((space, struct.unpack('>4H', body[at + 2:at + 10]), solidity))
    return colours


def ink_colour(entry, index):
    defaults = [(0, 1, 1), (1, 0, 1), (1, 1, 0), (0, 0, 0)]
    if entry is None:
        return np.array(defaults[min(index, 3)], float)
    space, c = entry[0], entry[1]
    if space == 0:
        return np.array([c[0] >> 8, c[1] >> 8, c[2] >> 8], float) / 255
    if space == 2:
        return np.round(255 * np.array([c[0], c[1], c[2]]) / 65535 * c[3] / 65535) / 255
    if space == 8:
        return np.full(3, np.round(255 * (1 - min(c[0], 10000) / 10000)) / 255)
    if space == 7:
        signed = [v - 65536 if v >= 32768 else v for v in c]
        return lab_to_srgb(np.array(c[0] / 100), np.array(signed[1] / 100), np.array(signed[2] / 100)).astype(float)
    if space == 1:
        import colorsys
        return np.round(255 * np.array(colorsys.hsv_to_rgb(c[0] / 65536, c[1] / 65535, c[2] / 65535))) / 255
    return np.array(defaults[min(index, 3)], float)


def psd_reference(path):
    """Returns (H x W x 3 float image in 0..1, description)."""
    from psd_tools import PSDImage
    psd = PSDImage.open(path)
    header = psd._record.header
    depth, mode, width, height = header.depth, int(header.color_mode), header.width, header.height
    resources = read_resource_bytes(path, {0x03EE, 0x03EF, 0x040F, 0x0415, 0x0417, 0x041D, 0x0435})
    channels = psd._record.image_data.get_data(header, split=True)
    colour = header.channels if mode == 7 else COLOUR_CHANNELS[mode]
    negative, block = layer_notes(psd)
    alpha_drawn = first_extra_is_transparency(header, colour, resources, negative, block)

    def plane(index, coverage=False):
        data = channels[index]
        if depth == 1:
            bits = np.unpackbits(np.frombuffer(data, np.uint8).reshape(height, -1), axis=1)[:, :width]
            return 1.0 - bits.astype(float)
        if depth == 8:
            return np.frombuffer(data, np.uint8).reshape(height, width) / 255.0
        if depth == 16:
            return np.frombuffer(data, '>u2').reshape(height, width) / 65535.0
        linear = np.frombuffer(data, '>f4').reshape(height, width).astype(float)
        return np.clip(np.nan_to_num(linear, nan=0.0), 0, 1) if coverage else srgb_encode(linear)

    def planes8():
        return [np.round(plane(i) * 255).astype(np.uint8) for i in range(colour)]

    profile = resources.get(0x040F) if depth != 32 else None
    image = None
    if mode in (0, 1, 8):
        grey = plane(0)
        if profile and mode != 0:
            image = apply_icc(planes8(), 'L', profile)
        if image is None:
            image = np.repeat(grey[:, :, None], 3, axis=2)
    elif mode == 2:
        palette = np.frombuffer(bytes(psd._record.color_mode_data.value)[:768], np.uint8).reshape(3, 256).T.copy()
        if profile:
            converted = apply_icc([palette[None, :, k] for k in range(3)], 'RGB', profile)
            if converted is not None:
                palette = np.round(converted[0] * 255).astype(np.uint8)
        if 0x0417 in resources and len(resources[0x0417]) >= 2:
            index = struct.unpack('>H', resources[0x0417][:2])[0]
            if index < 256:
                palette[index] = 255
        indices = np.frombuffer(channels[0], np.uint8).reshape(height, width)
        image = palette[indices] / 255.0
    elif mode == 3:
        if profile:
            image = apply_icc(planes8(), 'RGB', profile)
        if image is None:
            image = np.stack([plane(i) for i in range(3)], -1)
    elif mode == 4:
        if profile:
            image = apply_icc(planes8(), 'CMYK', profile)
        if image is None:
            cmyk = [plane(i) for i in range(4)]
            image = np.stack([cmyk[i] * cmyk[3] for i in range(3)], -1)
    elif mode == 9:
        if profile:
            image = apply_icc(planes8(), 'LAB', profile)
        if image is None:
            lab = [plane(i) for i in range(3)]
            # a and b are offset by half the range: 128 of 255, 32768 of 65535.
            offset = 128.0 / 255.0 if depth == 8 else 32768.0 / 65535.0
            scale = 255.0 if depth == 8 else 65535.0 / 256.0
            image = lab_to_srgb(lab[0] * 100, (lab[1] - offset) * scale, (lab[2] - offset) * scale)
    elif mode == 7:
        entries = display_colours(resources)
        image = np.ones((height, width, 3))
        for index in range(colour):
            ink = 1.0 - plane(index)
            entry = entries[index] if index < len(entries) else None
            colour_rgb = ink_colour(entry, index)[None, None, :]
            solidity = entry[2] if entry else 0.0
            ink = ink[:, :, None]
            image = image * (1.0 - ink) + ink * colour_rgb * (solidity + (1.0 - solidity) * image)
    else:
        raise ValueError('colour mode %d' % mode)

    if alpha_drawn:
        alpha = plane(colour, coverage=True)
        image = np.maximum(image, 1.0 - alpha[:, :, None])
    description = '%dx%d %d-bit %s v%d c%d%s' % (width, height, depth, MODE_NAMES.get(mode, mode), header.version,
                                                  psd._record.image_data.compression,
                                                  ' +alpha' if alpha_drawn else '')
    return image * 255.0, description


MODE_NAMES = {0: 'Bitmap', 1: 'Grayscale', 2: 'Indexed', 3: 'RGB', 4: 'CMYK', 7: 'Multichannel', 8: 'Duotone', 9: 'Lab'}


# ---------------------------------------------------------------- every other kind, through Pillow

def pillow_reference(path):
    image = Image.open(path)
    image.seek(0)
    description = '%dx%d %s %s' % (image.width, image.height, image.format, image.mode)
    profile = image.info.get('icc_profile')
    if image.mode in ('I;16', 'I;16B', 'I;16L', 'I'):
        values = np.asarray(image, float)
        scale = 65535.0 if values.max() > 255 or image.mode.startswith('I;16') else 255.0
        grey = np.clip(values / scale, 0, 1) * 255.0
        return np.repeat(grey[:, :, None], 3, axis=2), description
    if image.mode == 'CMYK':
        rgba = image.convert('RGB').convert('RGBA')
    else:
        rgba = image.convert('RGBA')
    pixels = np.asarray(rgba, float)
    colour, alpha = pixels[:, :, :3], pixels[:, :, 3:4] / 255.0
    if profile and image.mode in ('RGB', 'RGBA', 'L', 'LA', 'CMYK', 'P'):
        try:
            source = ImageCms.ImageCmsProfile(__import__('io').BytesIO(profile))
            rgb = rgba.convert('RGB') if image.mode != 'CMYK' else image
            mode_in = 'CMYK' if image.mode == 'CMYK' else 'RGB'
            if source.profile.xcolor_space.strip() == {'CMYK': 'CMYK', 'RGB': 'RGB'}[mode_in]:
                converted = ImageCms.profileToProfile(rgb, source, ImageCms.createProfile('sRGB'),
                                                      renderingIntent=ImageCms.INTENT_RELATIVE_COLORIMETRIC,
                                                      outputMode='RGB', flags=0x2000)
                colour = np.asarray(converted, float)
        except Exception:
            pass
    return colour * alpha + 255.0 * (1.0 - alpha), description


# ---------------------------------------------------------------- the run

def is_psd(path):
    with open(path, 'rb') as f:
        return f.read(4) == b'8BPS'


def manifest_rows(path):
    """The MANIFEST.tsv row of a file, from the nearest folder above it that has one."""
    folder = os.path.dirname(os.path.abspath(path))
    while True:
        manifest = os.path.join(folder, 'MANIFEST.tsv')
        if os.path.exists(manifest):
            if manifest not in manifest_rows.cache:
                rows = {}
                with open(manifest, encoding='utf-8') as f:
                    names = f.readline().rstrip('\n').split('\t')
                    for line in f:
                        cells = line.rstrip('\n').split('\t')
                        rows[cells[0]] = dict(zip(names, cells))
                manifest_rows.cache[manifest] = rows
            relative = os.path.relpath(os.path.abspath(path), folder)
            return manifest_rows.cache[manifest].get(relative)
        parent = os.path.dirname(folder)
        if parent == folder:
            return None
        folder = parent


manifest_rows.cache = {}


def is_placeholder(path):
    row = manifest_rows(path)
    if row is not None:
        return row.get('comp_uniform') == '1' or row.get('real_merged') == '0'
    try:
        version = read_resource_bytes(path, {0x0421}).get(0x0421)
        return version is not None and len(version) >= 5 and version[4] == 0
    except Exception:
        return False


def capture(vantrel, path, timeout):
    """('ok', H x W x 3 array) | ('refused', reason) | ('crash', text) | ('hang', '')."""
    with tempfile.TemporaryDirectory() as scratch:
        out = os.path.join(scratch, 'capture.png')
        try:
            done = subprocess.run([vantrel, 'capture', path, '-o', out], capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return 'hang', 'no answer in %ds' % timeout
        stderr = done.stderr.decode('utf-8', 'replace')
        if done.returncode < 0 or 'Sanitizer' in stderr or 'runtime error' in stderr:
            return 'crash', (stderr.strip().splitlines() or ['signal %d' % -done.returncode])[-1]
        if done.returncode != 0:
            return 'refused', stderr.strip().replace('vantrel: ', '')
        return 'ok', np.asarray(Image.open(out).convert('RGB'), float)


def measure_placeholder(arguments, path, result):
    """(path, all drawn, channel mean or None, largest, psd-tools' reason when it cannot draw it)."""
    all_drawn = not drawing(arguments.vantrel, path)[1]
    with tempfile.TemporaryDirectory() as scratch:
        try:
            reference = psd_tools_preview_within(path, arguments.timeout, scratch)
        except RuntimeError as error:
            return path, all_drawn, None, None, str(error).splitlines()[0][:80] if str(error) else 'failed'
    difference = np.abs(result - reference)
    return path, all_drawn, difference.mean(axis=(0, 1)).max(), difference.max(), ''


def collect(arguments):
    files = []
    for argument in arguments:
        if os.path.isdir(argument):
            for folder, _, names in sorted(os.walk(argument)):
                for name in sorted(names):
                    if name not in ('MANIFEST.tsv', 'README.md'):
                        files.append(os.path.join(folder, name))
        else:
            files.append(argument)
    return files


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('paths', nargs='+')
    parser.add_argument('--vantrel', default=os.path.join(os.path.dirname(__file__), '..', 'build', 'vantrel'))
    parser.add_argument('--limit', type=float, default=2.0)
    parser.add_argument('--timeout', type=int, default=60)
    arguments = parser.parse_args()

    measured, placeholders, refused, unmeasured, broken = [], [], [], [], []
    for path in collect(arguments.paths):
        print(path, file=sys.stderr, flush=True)
        status, result = capture(arguments.vantrel, path, arguments.timeout)
        if status in ('crash', 'hang'):
            broken.append((path, status, result))
            continue
        if status == 'refused':
            refused.append((path, result))
            continue
        psd = is_psd(path)
        if psd and is_placeholder(path):
            placeholders.append(measure_placeholder(arguments, path, result))
            continue
        try:
            image, description = psd_reference(path) if psd else pillow_reference(path)
            reference = area_average(image)
        except Exception as error:  # the reference cannot read it: nothing to measure against
            unmeasured.append((path, '%s: %s' % (type(error).__name__, str(error).splitlines()[0] if str(error) else '')))
            continue
        difference = np.abs(result - reference)
        measured.append((path, description, difference.mean(), difference.mean(axis=(0, 1)).max(), difference.max()))

    width = max([len(p) for p, *_ in measured] + [20])
    print('%-*s  %-36s %7s %7s %5s  %s' % (width, 'file', 'document', 'mean', 'chmean', 'max', 'verdict'))
    failures = 0
    for path, description, mean, channel_mean, largest in measured:
        ok = channel_mean <= arguments.limit
        failures += not ok
        print('%-*s  %-36s %7.3f %7.3f %5.0f  %s' % (width, path, description, mean, channel_mean, largest,
                                                     'ok' if ok else 'OVER'))
    if placeholders:
        print('\nplaceholder composites, drawn from the layers, against psd-tools\' compositing of them:')
        every, all_drawn = [0, 0], [0, 0]
        for path, drawn, channel_mean, largest, why in placeholders:
            if channel_mean is None:
                print('  %-*s  psd-tools cannot draw it: %s' % (width, path, why))
                continue
            ok = channel_mean <= arguments.limit
            for count, counted in ((every, True), (all_drawn, drawn)):
                if counted:
                    count[0] += ok
                    count[1] += 1
            print('  %-*s  %7.3f %5.0f  %s%s' % (width, path, channel_mean, largest, 'ok' if ok else 'OVER',
                                                '' if drawn else '  (uses what the studio does not draw)'))
        print('placeholders psd-tools draws: %d of %d within %.1f levels per channel; of those whose layers use '
              'only what the studio draws: %d of %d' % (every[0], every[1], arguments.limit, all_drawn[0], all_drawn[1]))
    if refused:
        print('\nrefused by the studio:')
        for path, reason in refused:
            print('  %s: %s' % (path, reason))
    if unmeasured:
        print('\nopened by the studio, unreadable by the reference (not counted):')
        for path, reason in unmeasured:
            print('  %s: %s' % (path, reason))
    if broken:
        print('\nCRASHES AND HANGS:')
        for path, status, text in broken:
            print('  %s: %s %s' % (path, status, text))
    print('\n%d measured, %d within %.1f levels per channel, %d over; %d placeholders, %d refused, '
          '%d unreadable by the reference, %d crashes or hangs'
          % (len(measured), len(measured) - failures, arguments.limit, failures, len(placeholders), len(refused),
             len(unmeasured), len(broken)))
    return 1 if failures or broken else 0


if __name__ == '__main__':
    sys.exit(main())
