"""The reference's colour management: an embedded profile's colours converted to sRGB as the
studio converts them (Pillow's ImageCms: relative colorimetric, black-point compensation), and
the sRGB curve through which 32-bit documents' linear light is shown."""
import io

import numpy as np
from PIL import Image, ImageCms


def srgb_encode(linear):
    linear = np.clip(np.nan_to_num(linear, nan=0.0), 0.0, 1.0)
    return np.where(linear <= 0.0031308, linear * 12.92, 1.055 * np.power(linear, 1 / 2.4) - 0.055)


def apply_icc(planes8, pil_mode, profile):
    """planes8: list of H x W uint8 arrays in the document's encoding; returns H x W x 3 in 0..1
    or None when the profile does not apply."""
    try:
        source = ImageCms.ImageCmsProfile(io.BytesIO(profile))
    except Exception:
        return None
    space = source.profile.xcolor_space.strip()
    if {'RGB': 'RGB', 'CMYK': 'CMYK', 'L': 'GRAY', 'LAB': 'LAB'}[pil_mode] != space:
        return None
    if pil_mode == 'CMYK':
        planes8 = [255 - p for p in planes8]  # Pillow's CMYK: 255 is full ink
    if pil_mode == 'LAB':
        # Pillow's LAB stores a and b as signed bytes seen as unsigned: a + 128 wraps.
        planes8 = [planes8[0], (planes8[1].astype(np.int16) - 128).astype(np.uint8),
                   (planes8[2].astype(np.int16) - 128).astype(np.uint8)]
    if len(planes8) == 1:
        image = Image.fromarray(planes8[0], 'L')
    else:
        image = Image.fromarray(np.stack(planes8, -1), pil_mode)
    try:
        transform = ImageCms.buildTransform(source, ImageCms.createProfile('sRGB'), pil_mode, 'RGB',
                                            renderingIntent=ImageCms.INTENT_RELATIVE_COLORIMETRIC,
                                            flags=0x2000)  # black-point compensation
        converted = ImageCms.applyTransform(image, transform)
    except Exception:
        return None
    return np.asarray(converted, float) / 255
