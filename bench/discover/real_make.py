#!/usr/bin/python3
# SPDX-License-Identifier: BSD-3-Clause
"""Raw files of known layout made from real content shipped in Debian packages,
for judging `skeldra-cli guess` on what users open.

The content is no one's here: photographs, an aerial picture, Earth maps and
night lights, a digital elevation model and a topography/bathymetry grid, a
stereo disparity map with invalid pixels, a radio map and a solar image with
NaN no-data, an MRI slice, astronomical and solar FITS frames. It is scaled,
cropped and converted to the types such files are stored in, and written in
the layouts such files have: BMP, PGM/PPM, FITS (one image, cubes, extensions
with headers between the planes), PDS3 and VICAR labels (right or stale, with
line prefixes and binary header records), SRTM .hgt tiles, Surfer grids, MRC
frames, ENVI-like headerless BSQ/BIL/BIP of 3 to 6 bands, Fortran records,
camera frames behind binary headers; no-data as NaN, -32768, -9999, 0,
1.70141e38 and -3.4e38, often as a collar around a rotated footprint.
64-bit integers are left out: the window reads 64 bits as reals only.

Each source picture belongs to one half, "tune" or "measure", as
real_split.json beside this script says; the files of a picture are in its
half. Everything is drawn from --seed, the source's and the recipe's names,
so a file does not change when others are added.

Debian packages: python3-numpy python3-scipy python3-skimage python3-pil
python3-matplotlib (its sample data come in python-matplotlib-data)
python3-astropy python3-sunpy python3-pywt xplanet-images

usage: real_make.py WORK_FOLDER [--seed 37] [--half tune|measure|both] [--only SOURCE ...]
Writes WORK_FOLDER/SOURCE-RECIPE.raw and WORK_FOLDER/manifest.json (each
file's true layout, half, source and what it holds); real_check.py reads them.
"""
import argparse
import gzip
import io
import json
import os
import struct
import warnings
import zlib

import numpy as np

from layouts import read_samples, window_dtype

warnings.filterwarnings("ignore")

HERE = os.path.dirname(os.path.abspath(__file__))
DIST = "/usr/lib/python3/dist-packages"
SKIMAGE = DIST + "/skimage/data"
MPL = "/usr/share/matplotlib/mpl-data/sample_data"
XPLANET = "/usr/share/xplanet/images"
SUNPY = DIST + "/sunpy/data/test"


# ---------------------------------------------------------------- sources

class Picture:
    """A source picture: values (bands, lines, samples) as float64, NaN where
    the source has no data; unit pictures hold 0..1, others their own units.
    cards: the source's own FITS header cards, where it has one."""

    def __init__(self, values, unit, cards=None, planes=None):
        self.values = np.asarray(values, dtype=np.float64)
        if self.values.ndim == 2:
            self.values = self.values[None]
        self.unit = unit
        self.cards = cards or []
        self.planes = planes


def imread(path):
    from skimage import io as skio
    return skio.imread(path)


def photo(path):
    a = imread(path)[..., :3] if imread(path).ndim == 3 else imread(path)
    a = np.asarray(a, dtype=np.float64) / 255.0
    return Picture(np.moveaxis(a, 2, 0) if a.ndim == 3 else a, unit=True)


def fits_source(path, hdu=0):
    from astropy.io import fits
    with fits.open(path) as f:
        data = np.asarray(f[hdu].data, dtype=np.float64)
        structural = {"SIMPLE", "BITPIX", "NAXIS", "NAXIS1", "NAXIS2", "NAXIS3", "EXTEND", "BZERO", "BSCALE",
                      "BLANK", "XTENSION", "PCOUNT", "GCOUNT", "CHECKSUM", "DATASUM", "END", "ZIMAGE", "ZBITPIX",
                      "ZNAXIS", "ZNAXIS1", "ZNAXIS2", "ZTILE1", "ZTILE2", "ZCMPTYPE", "ZNAME1", "ZVAL1", "ZNAME2",
                      "ZVAL2", "ZQUANTIZ", "ZSIMPLE", "ZEXTEND", "ZHECKSUM", "ZDATASUM", "TFIELDS", "TTYPE1",
                      "TFORM1", "THEAP"}
        cards = [c for c in f[hdu].header.cards if c.keyword not in structural and not c.keyword.startswith("NAXIS")]
    return data, [c.image for c in cards]


FITS_SOURCES = {  # name: (file, HDU)
    "radio": (DIST + "/astropy/modeling/tests/data/1904-66_AZP.fits", 0),
    "hmi": (SUNPY + "/resampled_hmi.fits", 0),
    "eit": (SUNPY + "/EIT/efz20040301.000010_s.fits", 0),
    "aia": (SUNPY + "/aia_171_level1.fits", 0),
    "simple_fits": (SKIMAGE + "/simple.fits", 0),
    "comp_fits": (DIST + "/astropy/io/fits/tests/data/comp.fits", 1),
}


def load(name):
    if name in ("astronaut", "chelsea", "coffee", "rocket", "hubble_deep_field", "retina"):
        ext = {"rocket": "jpg", "hubble_deep_field": "jpg", "retina": "jpg"}.get(name, "png")
        return photo(f"{SKIMAGE}/{name}.{ext}")
    if name in ("camera", "coins", "moon"):
        return photo(f"{SKIMAGE}/{name}.png")
    if name == "motorcycle":
        pic = photo(f"{SKIMAGE}/motorcycle_left.png")
        disparity = np.load(f"{SKIMAGE}/motorcycle_disp.npz")["arr_0"].astype(np.float64)
        disparity[~np.isfinite(disparity)] = np.nan  # pixels the stereo match left out
        pic.disparity = disparity
        return pic
    if name == "face":
        from scipy import misc
        return Picture(np.moveaxis(misc.face() / 255.0, 2, 0), unit=True)
    if name == "ascent":
        from scipy import misc
        return Picture(misc.ascent() / 255.0, unit=True)
    if name == "aero":
        return Picture(np.load(DIST + "/pywt/data/aero.npz")["data"] / 255.0, unit=True)
    if name == "grace_hopper":
        return photo(f"{MPL}/grace_hopper.jpg")
    if name in ("earth", "night"):
        return photo(f"{XPLANET}/{name}.jpg")
    if name == "jacksboro":
        return Picture(np.load(f"{MPL}/jacksboro_fault_dem.npz")["elevation"], unit=False)
    if name == "topobathy":
        return Picture(np.load(f"{MPL}/topobathy.npz")["topo"], unit=False)
    if name == "mri":
        raw = gzip.open(f"{MPL}/s1045.ima.gz").read()
        return Picture(np.frombuffer(raw, ">u2").reshape(256, 256), unit=False)
    if name in FITS_SOURCES:
        data, cards = fits_source(*FITS_SOURCES[name])
        return Picture(data, unit=False, cards=cards)
    if name == "multi_fits":
        planes = [fits_source(SKIMAGE + "/multi.fits", k)[0] for k in (1, 2, 3)]
        _, cards = fits_source(SKIMAGE + "/multi.fits", 1)
        return Picture(planes[0], unit=False, cards=cards, planes=np.stack(planes))
    raise KeyError(name)


# ---------------------------------------------------------------- pictures

def fill_nan(a):
    """NaN replaced by the nearest value, so that resampling does not spread it."""
    from scipy import ndimage
    bad = np.isnan(a)
    if not bad.any():
        return a
    index = ndimage.distance_transform_edt(bad, return_distances=False, return_indices=True)
    return a[tuple(index)]


def resample(values, lines, samples):
    """Every band to lines x samples (cubic where it grows, area-averaged
    where it shrinks); NaN stays NaN by nearest neighbour."""
    from skimage.transform import resize
    out = []
    for band in values:
        mask = np.isnan(band)
        grown = lines >= band.shape[0]
        r = resize(fill_nan(band), (lines, samples), order=3 if grown else 1, mode="reflect",
                   anti_aliasing=not grown, preserve_range=True)
        if mask.any():
            m = resize(mask.astype(np.float64), (lines, samples), order=0, anti_aliasing=False) > 0.5
            r[m] = np.nan
        out.append(r)
    return np.stack(out)


def odd_width(rng, width):
    """A width as files have them: rarely round."""
    width = int(width) - int(rng.integers(0, 23))
    while width % 8 == 0:
        width -= 1
    return max(width, 16)


def sized(values, rng, sample_bytes, lo=1.2e5, hi=8e6, zoom=(0.4, 6.0)):
    """The picture scaled to a size drawn between lo and hi bytes (within
    the zoom limits), then cropped to a width that is not round."""
    b, l, s = values.shape
    target = np.exp(rng.uniform(np.log(lo), np.log(hi)))
    z = float(np.clip(np.sqrt(target / (b * l * s * sample_bytes)), *zoom))
    lines, samples = max(16, int(round(l * z))), max(16, int(round(s * z)))
    out = resample(values, lines, samples)
    width = odd_width(rng, samples)
    lines_kept = lines - int(rng.integers(0, 9))
    x0 = int(rng.integers(0, samples - width + 1))
    y0 = int(rng.integers(0, lines - lines_kept + 1))
    return out[:, y0:y0 + lines_kept, x0:x0 + width]


def luminance(v):
    return v[0] if len(v) == 1 else 0.299 * v[0] + 0.587 * v[1] + 0.114 * v[2]


def rotated_footprint(lines, samples, rng):
    """Where a north-up grid holds data of a scene turned by a few degrees:
    False in the triangles of the collar."""
    t = np.radians(rng.uniform(6, 16))
    c, s = np.cos(t), np.sin(t)
    half_w, half_h = samples / 2.0, lines / 2.0
    a, b = np.linalg.solve([[c, s], [s, c]], [half_w, half_h])
    y, x = np.mgrid[0:lines, 0:samples]
    x = x - half_w + 0.5
    y = y - half_h + 0.5
    u, v = x * c + y * s, -x * s + y * c
    return (np.abs(u) <= a * 0.995) & (np.abs(v) <= b * 0.995)


def other_bands(rgb, n):
    """Bands beyond red, green and blue that do not look like them, as a
    multispectral scene's do: a near-infrared-like band (green against blue,
    bright where the picture is green or light), a short-wave one (red
    against blue, smoothed) and a coarse thermal one (dark things warm,
    in blocks of 4 like a band of coarser pixels resampled)."""
    from scipy import ndimage
    r, g, b = rgb
    bands = []
    nir = np.clip(0.25 + 0.9 * g - 0.6 * b + 0.3 * r, 0, None)
    bands.append(nir / (nir.max() or 1))
    swir = ndimage.gaussian_filter(np.clip(0.5 + r - b, 0, None), 1.5)
    bands.append(swir / (swir.max() or 1))
    lum = ndimage.gaussian_filter(1 - luminance(rgb), 3)
    coarse = lum[::4, ::4].repeat(4, 0).repeat(4, 1)[:lum.shape[0], :lum.shape[1]]
    bands.append(coarse)
    return bands[:n]


def to_int(values, dtype, low, high):
    return np.clip(np.rint(values), low, high).astype(dtype)


# ---------------------------------------------------------------- bytes

def le_or_be(msb):
    return ">" if msb else "<"


def line_bytes(kind, count, size, rng):
    """Bytes before or after each line (count rows of size bytes), as real
    files fill them."""
    if size == 0:
        return np.zeros((count, 0), np.uint8)
    index = np.arange(count, dtype=np.int64)
    out = np.zeros((count, size), np.uint8)
    if kind == "zeros":
        return out
    if kind == "counter":  # a big-endian line number, then zeros
        head = (index + 1).astype(">u4").view(np.uint8).reshape(count, 4)
        out[:, :min(4, size)] = head[:, 4 - min(4, size):] if size < 4 else head
        return out
    if kind == "telemetry":  # sync marker, line number, a clock, quality flags
        row = np.zeros((count, max(size, 24)), np.uint8)
        row[:, 0:4] = np.frombuffer(b"\x1a\xcf\xfc\x1d", np.uint8)
        row[:, 4:8] = (index + 1).astype(">u4").view(np.uint8).reshape(count, 4)
        clock = 7.3e8 + 0.0135 * index
        row[:, 8:16] = clock.astype(">f8").view(np.uint8).reshape(count, 8)
        row[:, 16:18] = rng.integers(0, 4, (count, 2))
        return row[:, :size].copy()
    if kind == "vicar":  # the host's line number and a few flags
        row = np.zeros((count, max(size, 8)), np.uint8)
        row[:, 0:4] = (index + 1).astype("<i4").view(np.uint8).reshape(count, 4)
        row[:, 4] = 1
        return row[:, :size].copy()
    if kind == "checksum":
        return rng.integers(0, 256, (count, size), dtype=np.uint8)
    raise KeyError(kind)


class Chunks(list):
    """A file's pieces, and the samples they hold (for checking)."""

    def __init__(self, pieces, stored):
        super().__init__(pieces)
        self.stored = stored


def assemble(stored, structure, header=b"", prefix=(0, "zeros"), suffix=(0, "zeros"), band_pad=(0, "zeros"),
             gap=b"", trailer=b"", rng=None):
    """The file's bytes for samples stored (bands, lines, samples) in their
    byte order, and the true layout. A line prefix of k bytes is a header
    k bytes longer and a line pad that holds the prefix of the next line."""
    b, l, s = stored.shape
    w = stored.dtype.itemsize
    raw = stored.view(np.uint8).reshape(b, l, s * w)
    k, m, p = prefix[0], suffix[0], band_pad[0]
    chunks = [np.frombuffer(header, np.uint8)]
    if structure in ("none", "bsq"):
        for band in range(b):
            rows = [line_bytes(prefix[1], l, k, rng), raw[band],
                    line_bytes(suffix[1], l, m, rng)]
            chunks.append(np.concatenate(rows, axis=1).ravel())
            if band < b - 1 and gap:
                chunks.append(np.frombuffer(gap, np.uint8))
    elif structure == "bil":
        parts = [line_bytes(prefix[1], l, k, rng)]
        for band in range(b):
            parts += [raw[band], line_bytes(band_pad[1], l, p, rng)]
        parts.append(line_bytes(suffix[1], l, m, rng))
        chunks.append(np.concatenate(parts, axis=1).ravel())
    else:
        pixels = np.ascontiguousarray(np.moveaxis(stored, 0, 2)).view(np.uint8).reshape(l, s * b * w)
        rows = [line_bytes(prefix[1], l, k, rng), pixels, line_bytes(suffix[1], l, m, rng)]
        chunks.append(np.concatenate(rows, axis=1).ravel())
    chunks.append(np.frombuffer(trailer, np.uint8))
    kind = stored.dtype.kind
    layout = {"header": len(header) + k, "samples": s, "lines": l, "bits": 8 * w,
              "format": "real" if kind == "f" else ("signed" if kind == "i" and w > 1 else "unsigned"),
              "msb": stored.dtype.byteorder == ">" and w > 1, "bands": b,
              "structure": structure if b > 1 else "none", "line_pad": k + m,
              "band_pad": p if structure == "bil" else 0, "gap": len(gap) if structure == "bsq" else 0}
    if b == 1 and structure == "bil" and p:  # one band's pad is a line pad
        layout["line_pad"] += p
    return Chunks(chunks, stored), layout


# ---------------------------------------------------------------- headers

def fits_cards(pic, rng, cards):
    """A FITS header: the structural cards, then the source's own (or those
    a camera writes), END, blanks to a 2880-byte block."""
    from astropy.io.fits import Card
    own = pic.cards or [Card(k, v).image for k, v in (
        ("ORIGIN", "NOAO-IRAF FITS Image Kernel"), ("DATE", "2004-03-01T00:00:10"), ("OBJECT", "field 3"),
        ("EXPTIME", round(float(rng.uniform(1, 300)), 2)), ("INSTRUME", "CCD"), ("GAIN", 1.6), ("RDNOISE", 6.5),
        ("FILTER", "V"), ("AIRMASS", round(float(rng.uniform(1, 2)), 3)))]
    text = "".join(Card(k, v).image for k, v in cards) + "".join(own) + "END".ljust(80)
    # own cards may hold a COMMENT of the source's length: keep 80-column cards
    text = "".join(text[i:i + 80] for i in range(0, len(text), 80))
    return (text + " " * (-len(text) % 2880)).encode("ascii", "replace")


def fits_structural(bitpix, shape, extension=False, extra=()):
    first = [("XTENSION", "IMAGE"), ("BITPIX", bitpix)] if extension else [("SIMPLE", True), ("BITPIX", bitpix)]
    cards = first + [("NAXIS", len(shape))] + [(f"NAXIS{i + 1}", n) for i, n in enumerate(reversed(shape))]
    if extension:
        cards += [("PCOUNT", 0), ("GCOUNT", 1)]
    return cards + list(extra)


def fits_pad(nbytes):
    return bytes(-nbytes % 2880)


def pds3_label(record_bytes, rows, image, between=0, image_header=False, pointer_shift=0):
    """A PDS3 label of fixed-length records; rows: (key, value) before the
    image object, image: its (key, value) pairs; between: records between
    the label and the image (an image header's, pointed to when
    image_header); pointer_shift: how far a stale ^IMAGE is off. Returns the
    label padded to whole records."""
    records = 1
    while True:
        text = [("PDS_VERSION_ID", "PDS3"), ("RECORD_TYPE", "FIXED_LENGTH"), ("RECORD_BYTES", record_bytes),
                ("LABEL_RECORDS", records)] + ([("^IMAGE_HEADER", records + 1)] if image_header else []) + [
                   ("^IMAGE", records + 1 + between + pointer_shift)] + rows
        body = "".join(f"{k:<24}= {v}\r\n" for k, v in text)
        body += "OBJECT                  = IMAGE\r\n"
        body += "".join(f"  {k:<22}= {v}\r\n" for k, v in image)
        body += "END_OBJECT              = IMAGE\r\nEND\r\n"
        need = -(-len(body) // record_bytes)
        if need <= records:
            return body.encode().ljust(records * record_bytes, b" ")
        records = need


def vicar_label(recsize, items):
    """A VICAR label: LBLSIZE first, the items, NULs to whole records."""
    text = "  ".join(f"{k}={v}" for k, v in items) + "  "
    size = recsize * -(-(len(text) + 24) // recsize)
    while True:
        label = f"LBLSIZE={size:<16d}" + text
        if len(label) <= size:
            return label.encode().ljust(size, b"\0")
        size += recsize


def bmp_header(width, lines, bits, row_bytes):
    palette = b"".join(bytes((i, i, i, 0)) for i in range(256)) if bits == 8 else b""
    offset = 54 + len(palette)
    size = offset + row_bytes * lines
    return (struct.pack("<2sIHHI", b"BM", size, 0, 0, offset) +
            struct.pack("<IiiHHIIiiII", 40, width, lines, 1, bits, 0, row_bytes * lines, 2835, 2835,
                        256 if bits == 8 else 0, 0) + palette)


def camera_header(rng, size, width, lines, bits):
    """A frame grabber's binary header: magic, sizes, exposure, clock,
    gain and temperature, then zeros."""
    head = struct.pack("<4sHHIIHHddffI", b"FRM1", 3, size, width, lines, bits, 1, float(rng.uniform(0.001, 0.5)),
                       1.6e9 + float(rng.uniform(0, 1e7)), float(rng.uniform(1, 8)), float(rng.uniform(-30, 25)),
                       int(rng.integers(0, 100000)))
    return head.ljust(size, b"\0")


def text_header(rng, pairs, end="END", round_to=0):
    text = "".join(f"{k} = {v}\n" for k, v in pairs) + end + "\n"
    data = text.encode()
    return data.ljust(-(-len(data) // round_to) * round_to, b"\0") if round_to else data


def thumbnail(values, rng, size):
    """The first size bytes of a small JPEG of the picture: a header that
    looks like noise."""
    from PIL import Image
    v = values[:3] if len(values) >= 3 else values[:1]
    v = np.nan_to_num((v - np.nanmin(v)) / ((np.nanmax(v) - np.nanmin(v)) or 1))
    small = (np.moveaxis(v, 0, 2)[::8, ::8] * 255).astype(np.uint8)
    image = Image.fromarray(small[..., 0] if small.shape[2] == 1 else small)
    buffer = io.BytesIO()
    image.save(buffer, "JPEG", quality=70)
    data = buffer.getvalue()
    while len(data) < size:
        data += data
    return data[:size]


def mrc_header(width, lines, planes, mode, dmin, dmax, dmean, extended):
    head = struct.pack("<10i6f3i3f3i", width, lines, planes, mode, 0, 0, 0, width, lines, planes,
                       width * 1.0, lines * 1.0, planes * 1.0, 90.0, 90.0, 90.0, 1, 2, 3, dmin, dmax, dmean,
                       0, extended, 0)
    head = head.ljust(104, b"\0") + b"FEI1" + struct.pack("<i", 20140)
    head = head.ljust(196, b"\0") + struct.pack("<3f", 0, 0, 0) + b"MAP " + bytes((0x44, 0x44, 0, 0))
    head += struct.pack("<fi", 0.0, 1) + b"Made from a real frame".ljust(80, b" ")
    return head.ljust(1024, b"\0")


# ---------------------------------------------------------------- recipes

def rgb_of(pic):
    v = pic.values
    return v if len(v) >= 3 else np.repeat(v, 3, axis=0)


def maybe_saturate(v, rng, chance):
    """Over-exposed: a gain that clips the highlights, as a camera does."""
    return np.clip(v * rng.uniform(1.25, 1.6), 0, 1) if rng.random() < chance else v


def bmp24(pic, rng):
    v = maybe_saturate(sized(rgb_of(pic), rng, 3, hi=6e6), rng, 0.3)
    stored = to_int(v * 255, np.uint8, 0, 255)[::-1, ::-1, :]  # blue first, bottom line first
    _, l, s = stored.shape
    pad = -(3 * s) % 4
    chunks, layout = assemble(stored, "bip", bmp_header(s, l, 24, 3 * s + pad), suffix=(pad, "zeros"), rng=rng)
    return chunks, layout, "BMP, 24-bit, rows padded to 4 bytes", ["bmp", "8-bit", "bip", "line suffix"]


def bmp8(pic, rng):
    v = sized(pic.values[:1] if len(pic.values) == 1 else luminance(pic.values)[None], rng, 1, hi=4e6)
    stored = to_int(v * 255, np.uint8, 0, 255)[:, ::-1, :]
    _, l, s = stored.shape
    pad = -s % 4
    chunks, layout = assemble(stored, "none", bmp_header(s, l, 8, s + pad), suffix=(pad, "zeros"), rng=rng)
    return chunks, layout, "BMP, 8-bit with a gray palette (a ramp) in the header", ["bmp", "8-bit", "palette header"]


def ppm16(pic, rng):
    color = len(pic.values) >= 3 and rng.random() < 0.7
    v = sized(pic.values[:3] if color else luminance(pic.values)[None], rng, 2 * (3 if color else 1), hi=12e6)
    how = rng.choice(["x257", "linear", "12-bit"])
    if how == "x257":  # an 8-bit picture saved as 16 bits: both bytes alike
        stored = (to_int(v * 255, np.uint16, 0, 255) * 257).astype(">u2")
        maxval = 65535
    elif how == "linear":  # gamma removed, as raw converters write
        stored = to_int(65535 * np.where(v <= 0.04045, v / 12.92, ((v + 0.055) / 1.055) ** 2.4), ">u2", 0, 65535)
        maxval = 65535
    else:
        stored = to_int(v * 4095, ">u2", 0, 4095)
        maxval = 4095
    _, l, s = stored.shape
    comment = "# CREATOR: GIMP PNM Filter Version 1.1\n" if rng.random() < 0.5 else ""
    header = f"{'P6' if color else 'P5'}\n{comment}{s} {l}\n{maxval}\n".encode()
    chunks, layout = assemble(stored, "bip" if color else "none", header, rng=rng)
    return chunks, layout, f"P{'6' if color else '5'} 16-bit ({how})", ["pnm", "16-bit", "MSB", "text header"] + (
        ["bip"] if color else [])


def multispectral(pic, rng):
    n = int(rng.integers(4, 7))
    b0 = sized(rgb_of(pic), rng, 2 * n, lo=5e5, hi=15e6)
    bands = [b0[2], b0[1], b0[0]] + other_bands(b0, n - 3)  # blue, green, red, NIR, SWIR, thermal
    collar = rng.random() < 0.6
    kind = rng.choice(["u16", "u16", "u8", "i16"])
    msb = kind == "i16" or rng.random() < 0.2
    out = []
    for k, band in enumerate(bands):
        if kind == "u8":
            out.append(to_int(5 + band * rng.uniform(150, 250), np.uint8, 1, 255))
        else:
            out.append(to_int(rng.uniform(5000, 9000) + band * rng.uniform(8000, 30000), np.int64, 1, 65535))
    stored = np.stack(out)
    if collar:
        stored[:, ~rotated_footprint(stored.shape[1], stored.shape[2], rng)] = 0
    if kind != "u8":
        stored = np.minimum(stored, 32767 if kind == "i16" else 65535)
        stored = stored.astype(le_or_be(msb) + ("i2" if kind == "i16" else "u2"))
    structure = rng.choice(["bsq", "bsq", "bil", "bip"])
    header = b""
    what = rng.choice(["none", "none", "text", "binary"])
    if what == "text":
        header = text_header(rng, [("SENSOR", "multispectral"), ("BANDS", n), ("SAMPLES", stored.shape[2]),
                                   ("LINES", stored.shape[1]), ("INTERLEAVE", structure.upper()),
                                   ("DATA_TYPE", kind)], round_to=int(rng.choice([0, 512, 1024])))
    elif what == "binary":
        header = camera_header(rng, int(rng.choice([256, 512, 1024])), stored.shape[2], stored.shape[1], 16)
    chunks, layout = assemble(stored, structure, header, rng=rng)
    tags = [f"{n} bands", structure, kind] + (["collar 0"] if collar else []) + ([f"{what} header"] if header else [])
    return chunks, layout, f"{n}-band scene ({kind}, {structure}), bands unlike each other", tags


def fortran_bil(pic, rng):
    kind = rng.choice(["u8", "i16be", "f32le"])
    w = {"u8": 1, "i16be": 2, "f32le": 4}[kind]
    v = sized(rgb_of(pic)[:3], rng, 3 * w, hi=8e6)
    if kind == "u8":
        stored = to_int(v * 255, np.uint8, 0, 255)
    elif kind == "i16be":
        stored = to_int(v * 10000, ">i2", 0, 10000)  # reflectance x 10000
    else:
        stored = (v * 0.9 + 0.01).astype("<f4")
    _, l, s = stored.shape
    seg = s * w
    order = ">" if kind == "i16be" else "<"  # the writer's byte order, markers included
    head = b""
    if rng.random() < 0.5:  # a first record of its own: the sizes
        info = struct.pack(order + "iii", s, l, 3)
        head = struct.pack(order + "i", len(info)) + info + struct.pack(order + "i", len(info))
    chunks, layout = assemble(stored, "bil", head + struct.pack(order + "i", seg), band_pad=(8, "zeros"), rng=rng)
    # every band line is a record: its length before and after it
    marks = struct.pack(order + "i", seg)
    body = np.concatenate(chunks[1:-1])
    rec = seg + 8
    body = body.reshape(-1, rec)
    body[:, seg:seg + 4] = np.frombuffer(marks, np.uint8)
    body[:, seg + 4:seg + 8] = np.frombuffer(marks, np.uint8)
    chunks = Chunks([chunks[0], body.ravel()[:-4], chunks[-1]], chunks.stored)  # no record follows the last
    return chunks, layout, f"3 bands BIL in Fortran records ({kind})", ["fortran records", "band pad", "bil", kind]


def pds3_image(pic, rng, elevation=False):
    """A PDS3 product: 8 or 16 bits, one or three bands, a line prefix of
    engineering data, a label that is right or stale."""
    bands = 3 if (len(pic.values) >= 3 and not elevation and rng.random() < 0.6) else 1
    bits = 16 if elevation or rng.random() < 0.5 else 8
    msb = elevation or rng.random() < 0.6
    if elevation:
        v = sized(pic.values, rng, 2, lo=3e5, hi=8e6, zoom=(1.0, 5.0))
        stored = to_int(fill_nan(v[0])[None], le_or_be(msb) + "i2", -32767, 32767)
        stored[np.isnan(v)] = -32768
        if rng.random() < 0.6:
            stored[:, ~rotated_footprint(stored.shape[1], stored.shape[2], rng)] = -32768
    else:
        v = sized(pic.values[:3] if bands == 3 else luminance(pic.values)[None], rng, bands * bits // 8, hi=8e6)
        stored = to_int(v * (255 if bits == 8 else 4095), np.uint8 if bits == 8 else le_or_be(msb) + "u2", 0,
                        255 if bits == 8 else 4095)
    _, l, s = stored.shape
    structure = "none" if bands == 1 else rng.choice(["bsq", "bip", "bil"])
    prefix = int(rng.choice([0, 0, 12, 24, 32, 72])) if structure != "bil" else 0
    suffix = int(rng.choice([0, 0, 0, 4]))
    w = bits // 8
    record = prefix + suffix + s * w * (bands if structure in ("bip", "bil") else 1)
    stale = rng.random() < 0.5
    wrong = rng.choice(["samples", "lines", "pointer", "order"]) if stale else None
    sample_type = ("UNSIGNED_INTEGER" if bits == 8 else
                   ("MSB_" if msb else "LSB_") + ("INTEGER" if elevation else "UNSIGNED_INTEGER"))
    if wrong == "order":
        sample_type = sample_type.replace("MSB_", "XSB_").replace("LSB_", "MSB_").replace("XSB_", "LSB_")
    image = [("LINES", l + (37 if wrong == "lines" else 0)),
             ("LINE_SAMPLES", s + (int(rng.integers(1, 40)) * 2 if wrong == "samples" else 0)),
             ("SAMPLE_TYPE", sample_type), ("SAMPLE_BITS", bits), ("BANDS", bands),
             ("BAND_STORAGE_TYPE", {"none": "BAND_SEQUENTIAL", "bsq": "BAND_SEQUENTIAL",
                                    "bil": "LINE_INTERLEAVED", "bip": "SAMPLE_INTERLEAVED"}[structure]),
             ("LINE_PREFIX_BYTES", prefix), ("LINE_SUFFIX_BYTES", suffix)]
    if elevation:
        image += [("MISSING_CONSTANT", -32768), ("SCALING_FACTOR", 1.0), ("OFFSET", 0.0), ("UNIT", "METER")]
    rows = [("FILE_RECORDS", l * (bands if structure == "bsq" else 1) + 3), ("DATA_SET_ID", '"MADE-FROM-REAL-1"'),
            ("PRODUCT_ID", f'"P{int(rng.integers(10 ** 6, 10 ** 7))}"'),
            ("START_TIME", "2012-08-17T09:%02d:11.315" % rng.integers(60)), ("INSTRUMENT_ID", "CAM")]
    # a stale pointer: the label grew by a record and the pointer was not updated
    label = pds3_label(record, rows, image, pointer_shift=-1 if wrong == "pointer" else 0)
    trailer = b""
    if rng.random() < 0.3:  # a histogram object after the image
        trailer = np.bincount(np.asarray(stored, np.int64).ravel() & 255, minlength=256).astype(">i4").tobytes()
    chunks, layout = assemble(stored, structure, label, prefix=(prefix, "telemetry"), suffix=(suffix, "zeros"),
                              trailer=trailer, rng=rng)
    tags = ["PDS3 label", f"{bits}-bit", "MSB" if msb else "LSB", structure] + (
        [f"stale label ({wrong})"] if stale else []) + (["line prefix"] if prefix else []) + (
        ["line suffix"] if suffix else []) + (["leftover"] if trailer else []) + (["elevation", "-32768"] if elevation else [])
    return chunks, layout, "PDS3 " + ("DEM" if elevation else "image") + (f", stale label ({wrong})" if stale else ""), tags


def vicar_image(pic, rng, bits=None, msb=None, scale=None):
    bits = bits or int(rng.choice([8, 16]))
    msb = (rng.random() < 0.5) if msb is None else msb
    v = sized(luminance(pic.values)[None] if pic.unit else pic.values[:1], rng, bits // 8, hi=6e6,
              zoom=(0.4, 6.0) if pic.unit else (1.0, 6.0))
    if pic.unit:
        stored = to_int(v * (255 if bits == 8 else 4095), np.uint8 if bits == 8 else le_or_be(msb) + "i2", 0, 4095)
    else:
        v = fill_nan(v[0])[None]
        stored = to_int((v - np.nanmin(v)) * (scale or 1.0), np.uint8 if bits == 8 else le_or_be(msb) + "i2",
                        0, 255 if bits == 8 else 32767)
    _, l, s = stored.shape
    nbb = int(rng.choice([0, 0, 12, 200]))
    nlb = int(rng.choice([0, 1, 2]))
    recsize = nbb + s * bits // 8
    stale = rng.random() < 0.4
    items = [("FORMAT", "'BYTE'" if bits == 8 else "'HALF'"), ("TYPE", "'IMAGE'"), ("BUFSIZ", 20480), ("DIM", 3),
             ("EOL", 0), ("RECSIZE", recsize), ("ORG", "'BSQ'"), ("NL", l), ("NS", s + (24 if stale else 0)),
             ("NB", 1), ("N1", s), ("N2", l), ("N3", 1), ("N4", 0), ("NBB", nbb), ("NLB", nlb),
             ("HOST", "'SUN-SOLR'" if msb else "'X86-LINUX'"), ("INTFMT", "'HIGH'" if msb else "'LOW'"),
             ("REALFMT", "'IEEE'" if msb else "'RIEEE'"), ("BHOST", "'VAX-VMS'"), ("BINTFMT", "'LOW'"),
             ("BREALFMT", "'VAX'"), ("BLTYPE", "''"), ("COMPRESS", "'NONE'"), ("EOCI1", 0), ("EOCI2", 0),
             ("TASK", "'LOGMOS'"), ("USER", "'IPL'"), ("DAT_TIM", "'Thu Mar  1 10:04:22 2001'")]
    label = vicar_label(recsize, items)
    binary = b"".join(struct.pack(">iihh", k + 1, recsize, 7, 0).ljust(recsize, b"\0") for k in range(nlb))
    chunks, layout = assemble(stored, "none", label + binary, prefix=(nbb, "vicar"), rng=rng)
    tags = ["VICAR label", f"{bits}-bit", "MSB" if msb else "LSB"] + (["line prefix"] if nbb else []) + (
        ["binary header records"] if nlb else []) + (["stale label (samples)"] if stale else [])
    return chunks, layout, f"VICAR {bits}-bit, NBB {nbb}, NLB {nlb}" + (", stale NS" if stale else ""), tags


def camera16(pic, rng, dark=(90, 200)):
    """A 12-bit sensor's frame in 16-bit words, little-endian, behind a binary header."""
    v = maybe_saturate(sized(luminance(pic.values)[None] if pic.unit else pic.values[:1], rng, 2, hi=8e6), rng, 0.35)
    if not pic.unit:
        v = fill_nan(v[0])[None]
        v = (v - v.min()) / (np.ptp(v) or 1)
    offset = rng.uniform(*dark)
    stored = to_int(offset + v * (4095 - offset), "<u2", 0, 4095)
    _, l, s = stored.shape
    size = int(rng.choice([512, 1024, 2048, 4096, 8192]))
    chunks, layout = assemble(stored, "none", camera_header(rng, size, s, l, 12), rng=rng)
    return chunks, layout, f"12-bit camera frame, binary header {size}", ["camera", "16-bit", "LSB", "binary header"]


def counts32(pic, rng):
    """Co-added frames as 32-bit integers."""
    v = sized(luminance(pic.values)[None] if pic.unit else pic.values[:1], rng, 4, hi=8e6)
    if not pic.unit:
        v = fill_nan(v[0])[None]
        v = (v - v.min()) / (np.ptp(v) or 1)
    frames = int(rng.integers(4, 400))
    signed = rng.random() < 0.5
    msb = not signed or rng.random() < 0.3
    stored = to_int(v * 4095 * frames + 100 * frames, le_or_be(msb) + ("i4" if signed else "u4"), 0, 2 ** 31 - 1)
    header = b""
    if signed:
        header = text_header(rng, [("FRAMES", frames), ("WIDTH", stored.shape[2]), ("HEIGHT", stored.shape[1]),
                                   ("TYPE", "int32"), ("CAMERA", "science-2")], end="END_OF_HEADER",
                             round_to=int(rng.choice([0, 256, 2048])))
    chunks, layout = assemble(stored, "none", header, rng=rng)
    return chunks, layout, f"{frames} frames summed, 32-bit {'signed' if signed else 'unsigned'}", [
        "32-bit integer", "MSB" if msb else "LSB"] + (["text header"] if header else [])


def raw8(pic, rng):
    color = len(pic.values) >= 3 and rng.random() < 0.5
    v = sized(pic.values[:3] if color else luminance(pic.values)[None], rng, 3 if color else 1, hi=5e6)
    stored = to_int(v * 255, np.uint8, 0, 255)
    tags = ["8-bit", "headerless"]
    if rng.random() < 0.6:  # a scanner's border: flat rows and columns of black or white
        level = int(rng.choice([0, 255, 250]))
        top, left = int(rng.integers(6, 40)), int(rng.integers(0, 30))
        stored[:, :top, :] = level
        stored[:, :, :left] = level
        tags.append("flat margin %d" % level)
    chunks, layout = assemble(stored, "bip" if color else "none", rng=rng)
    return chunks, layout, "8-bit " + ("RGB pixels" if color else "gray") + ", no header", tags + (["bip"] if color else [])


def bil_band_pad(pic, rng):
    color = len(pic.values) >= 3
    bits = int(rng.choice([8, 16]))
    v = sized(pic.values[:3] if color else luminance(pic.values)[None], rng, (3 if color else 1) * bits // 8, hi=8e6)
    msb = rng.random() < 0.5
    stored = to_int(v * (255 if bits == 8 else 65535), np.uint8 if bits == 8 else le_or_be(msb) + "u2", 0, 65535)
    s = stored.shape[2]
    align = int(rng.choice([4, 8, 16, 512]))
    pad = -(s * bits // 8) % align or align
    if color:
        chunks, layout = assemble(stored, "bil", band_pad=(pad, "zeros"), rng=rng)
        return chunks, layout, f"3 bands BIL, each band line padded to {align} bytes", ["bil", "band pad", f"{bits}-bit"]
    chunks, layout = assemble(stored, "none", suffix=(pad, "zeros"), rng=rng)
    return chunks, layout, f"lines padded to {align} bytes", ["line suffix", f"{bits}-bit"]


def fits_float(pic, rng):
    """Reals in FITS: one image, a cube or extensions with a header between
    the planes."""
    cube = len(pic.values) >= 3 and rng.random() < 0.7
    bitpix = int(rng.choice([-32, -32, -64]))
    w = abs(bitpix) // 8
    v = sized(pic.values[:3] if cube else (luminance(pic.values)[None] if pic.unit else pic.values[:1]), rng,
              w * (3 if cube else 1), hi=10e6)
    if pic.unit:
        v = np.clip(v * rng.uniform(0.8, 1.3), 0, 1) * rng.uniform(0.5, 4e4)
    stored = v.astype(">f4" if bitpix == -32 else ">f8")
    b, l, s = stored.shape
    tags = ["FITS", f"{8 * w}-bit real", "MSB"]
    if cube and rng.random() < 0.5:  # extensions: a header between the planes
        primary = fits_cards(Picture([[0]], True), rng, fits_structural(8, ()) + [("EXTEND", True)])
        ext = fits_cards(pic, rng, fits_structural(bitpix, (l, s), extension=True))
        plane = l * s * w
        chunks, layout = assemble(stored, "bsq", primary + ext, gap=fits_pad(plane) + ext,
                                  trailer=fits_pad(plane), rng=rng)
        return chunks, layout, "FITS, 3 image extensions (header between planes)", tags + ["bsq", "gap", "leftover"]
    header = fits_cards(pic, rng, fits_structural(bitpix, stored.shape if cube else (l, s)))
    chunks, layout = assemble(stored, "bsq", header, trailer=fits_pad(stored.nbytes), rng=rng)
    return chunks, layout, "FITS " + ("cube of 3 planes" if cube else "image"), tags + (["bsq"] if cube else [])


def large(pic, rng):
    """A big file (80 to 100 MB), as scenes and mosaics come."""
    n = len(pic.values)
    kind = rng.choice(["u16", "f32"])
    w = 2 if kind == "u16" else 4
    bands = 4 if n >= 3 and kind == "u16" else (3 if n >= 3 else 1)
    source = rgb_of(pic) if n >= 3 else pic.values
    v = sized(source, rng, w * bands / len(source), lo=8e7, hi=1e8, zoom=(1.0, 8.0))
    if bands == 4:
        v = np.concatenate([v, np.stack(other_bands(v, 1))])
    msb = rng.random() < 0.4
    if kind == "u16":
        stored = to_int(v * 60000 + 200, le_or_be(msb) + "u2", 0, 65535)
    else:
        stored = (v * rng.uniform(10, 400)).astype(le_or_be(msb) + "f4")
    structure = rng.choice(["bil", "bsq", "bip"]) if bands > 1 else "none"
    header = camera_header(rng, 1024, stored.shape[2], stored.shape[1], 16) if rng.random() < 0.5 else b""
    chunks, layout = assemble(stored, structure, header, rng=rng)
    return chunks, layout, f"large: {bands} band(s) {kind} {structure}", ["large", kind, structure] + (
        ["binary header"] if header else [])


# -- elevation

def dem_values(pic, rng, sample_bytes, lo=3e5, hi=10e6, lines=None):
    if lines:
        v = resample(pic.values, lines, lines)
    else:
        v = sized(pic.values, rng, sample_bytes, lo=lo, hi=hi, zoom=(1.0, 5.0))
    return v[0]


def sea_or_voids(name, v, rng):
    """Where an elevation product has no data: the sea of a land-only
    product, or radar shadow on the steepest slopes."""
    if name == "topobathy":
        return v < 0
    gy, gx = np.gradient(v)
    slope = np.hypot(gx, gy)
    from scipy import ndimage
    return ndimage.binary_dilation(slope > np.percentile(slope, 99.4), iterations=2)


def hgt(pic, rng, name):
    v = dem_values(pic, rng, 2, lines=1201)
    stored = to_int(v, ">i2", -32767, 32767)
    if name == "topobathy":
        stored[v < 0] = 0  # the sea is flattened to 0
    stored[sea_or_voids("jacksboro", v, rng) & (v >= 0)] = -32768
    chunks, layout = assemble(stored[None], "none", rng=rng)
    return chunks, layout, "SRTM .hgt tile, 1201 x 1201, voids -32768", ["hgt", "16-bit", "MSB", "-32768", "headerless"]


def bil_collar(pic, rng, name):
    v = dem_values(pic, rng, 2)
    stored = to_int(v, "<i2", -32767, 32767)
    stored[~rotated_footprint(*v.shape, rng)] = -9999
    if name == "topobathy" and rng.random() < 0.5:
        stored[v < 0] = -9999
    chunks, layout = assemble(stored[None], "none", rng=rng)
    return chunks, layout, "16-bit DEM, -9999 collar, no header", ["16-bit", "LSB", "-9999", "collar"]


def float_nan(pic, rng, name):
    v = dem_values(pic, rng, 4).astype("<f4")
    voids = sea_or_voids(name, v.astype(np.float64), rng)
    v[~rotated_footprint(*v.shape, rng)] = np.nan
    v[voids] = np.nan
    header = b""
    if rng.random() < 0.5:
        header = text_header(rng, [("ncols", v.shape[1]), ("nrows", v.shape[0]), ("xllcorner", -84.41375),
                                   ("yllcorner", 36.44625), ("cellsize", 0.000833333), ("NODATA_value", "nan"),
                                   ("byteorder", "LSBFIRST")], end="", round_to=0)
    chunks, layout = assemble(v[None], "none", header, rng=rng)
    return chunks, layout, "32-bit real DEM, NaN collar and voids", ["32-bit real", "NaN", "collar"] + (
        ["text header"] if header else [])


def surfer(pic, rng, name):
    v = dem_values(pic, rng, 4)
    blank = 1.70141e38
    out = v.copy()
    out[~rotated_footprint(*v.shape, rng)] = blank
    if name == "topobathy":
        out[v < 0] = blank
    out = out[::-1].astype("<f4")  # the first row is the southern one
    head = struct.pack("<4shhdddddd", b"DSBB", v.shape[1], v.shape[0], -84.41375, -84.07791, 36.44625, 36.73291,
                       float(np.nanmin(v)), float(np.nanmax(v)))
    chunks, layout = assemble(out[None], "none", head, rng=rng)
    return chunks, layout, "Surfer 6 binary grid, blanks 1.70141e38", ["surfer", "32-bit real", "1.70141e38", "collar"]


def dem_wide(pic, rng, name):
    v = dem_values(pic, rng, 8)
    if rng.random() < 0.5:
        out = v.astype("<f8")
        out[~rotated_footprint(*v.shape, rng)] = -9999
        tags = ["64-bit real", "-9999"]
    else:
        out = v.astype(">f4")
        out[~rotated_footprint(*v.shape, rng)] = -3.4028235e38
        tags = ["32-bit real", "MSB", "-3.4e38"]
    header = text_header(rng, [("ncols", v.shape[1]), ("nrows", v.shape[0]), ("cellsize", 30.0),
                               ("nodata", -9999 if out.dtype.itemsize == 8 else -3.4028235e38)], end="END",
                         round_to=int(rng.choice([0, 512])))
    chunks, layout = assemble(out[None], "none", header, rng=rng)
    return chunks, layout, "DEM with nodata collar and a text header", tags + ["collar", "text header"]


# -- NaN science

def nan_fits32(pic, rng):
    v = sized(pic.values, rng, 4, hi=6e6, zoom=(1.0, 5.0)).astype(">f4")
    header = fits_cards(pic, rng, fits_structural(-32, v.shape[1:]))
    chunks, layout = assemble(v, "none", header, trailer=fits_pad(v.nbytes), rng=rng)
    return chunks, layout, "FITS 32-bit reals, NaN as blank", ["FITS", "32-bit real", "NaN", "MSB", "leftover"]


def nan_raw32(pic, rng):
    v = sized(pic.values, rng, 4, hi=8e6, zoom=(1.0, 5.0)).astype("<f4")
    chunks, layout = assemble(v, "none", rng=rng)
    return chunks, layout, "32-bit reals with NaN, no header", ["32-bit real", "NaN", "LSB", "headerless"]


def nan_filled(pic, rng):
    v = sized(pic.values, rng, 4, hi=8e6, zoom=(1.0, 5.0))
    v[np.isnan(v)] = -9999
    v = v.astype("<f4")
    header = text_header(rng, [("object", "map"), ("samples", v.shape[2]), ("lines", v.shape[1]),
                               ("nodata", -9999), ("type", "float32")], round_to=int(rng.choice([0, 1024])))
    chunks, layout = assemble(v, "none", header, rng=rng)
    return chunks, layout, "32-bit reals, no-data -9999, text header", ["32-bit real", "-9999", "text header"]


def nan_f64(pic, rng):
    v = sized(pic.values, rng, 8, hi=8e6, zoom=(1.0, 5.0)).astype(">f8")
    header = camera_header(rng, int(rng.choice([128, 256, 1000])), v.shape[2], v.shape[1], 64)
    chunks, layout = assemble(v, "none", header, rng=rng)
    return chunks, layout, "64-bit reals with NaN, binary header", ["64-bit real", "NaN", "MSB", "binary header"]


def nan_fits16(pic, rng):
    """Scaled integers in FITS, BLANK -32768 where the source has no data."""
    v = sized(pic.values, rng, 2, hi=6e6, zoom=(1.0, 5.0))[0]
    lo, hi = np.nanmin(v), np.nanmax(v)
    bscale = (hi - lo) / 65000.0 or 1.0
    bzero = (hi + lo) / 2.0
    stored = to_int(fill_nan((v - bzero) / bscale), ">i2", -32767, 32767)
    stored[np.isnan(v)] = -32768
    header = fits_cards(pic, rng, fits_structural(16, v.shape, extra=[("BSCALE", bscale), ("BZERO", bzero),
                                                                      ("BLANK", -32768)]))
    chunks, layout = assemble(stored[None], "none", header, trailer=fits_pad(stored.nbytes), rng=rng)
    return chunks, layout, "FITS scaled 16-bit, BLANK -32768", ["FITS", "16-bit", "MSB", "-32768", "leftover"]


def nan_mosaic(pic, rng):
    """Four copies of the map side by side and above, mirrored, as a mosaic of tiles."""
    v = pic.values[0]
    tiled = np.block([[v, v[:, ::-1]], [v[::-1], v[::-1, ::-1]]])
    v = sized(tiled[None], rng, 4, lo=2e6, hi=20e6, zoom=(1.0, 5.0)).astype("<f4")
    chunks, layout = assemble(v, "none", rng=rng)
    return chunks, layout, "mosaic of 32-bit reals with NaN", ["32-bit real", "NaN", "mosaic", "headerless"]


# -- instrument frames

def frame_values(pic, rng, sample_bytes, hi=6e6):
    v = pic.values[:1]
    zoom = (1.0, 5.0) if v.shape[1] * v.shape[2] < 1e5 else (0.6, 3.0)
    return fill_nan(sized(v, rng, sample_bytes, hi=hi, zoom=zoom)[0])


def to_counts(v, top):
    """The frame stretched to 0..top, the counts a camera writes."""
    lo, hi = v.min(), v.max()
    return (v - lo) / ((hi - lo) or 1) * top


def frame_fits16(pic, rng):
    v = frame_values(pic, rng, 2)
    if rng.random() < 0.5:  # unsigned frames: stored signed with BZERO 32768
        counts = to_int(to_counts(v, rng.uniform(4000, 60000)), np.int64, 0, 65535)
        stored = (counts - 32768).astype(">i2")
        extra = [("BZERO", 32768), ("BSCALE", 1)]
        what = "unsigned frame (BZERO 32768)"
    else:
        stored = to_int(v if v.max() > 100 else to_counts(v, 8000), ">i2", -32768, 32767)
        extra = []
        what = "16-bit frame"
    header = fits_cards(pic, rng, fits_structural(16, stored.shape, extra=extra))
    chunks, layout = assemble(stored[None], "none", header, trailer=fits_pad(stored.nbytes), rng=rng)
    return chunks, layout, "FITS " + what, ["FITS", "16-bit", "MSB", "leftover"]


def frame_mef(pic, rng):
    """Three exposures in image extensions of equal headers: a header
    between the planes (for multi.fits its own three planes)."""
    if pic.planes is not None:
        planes = sized(pic.planes, rng, 6, hi=6e6, zoom=(1.0, 4.0))
    else:
        v = pic.values[0]
        l, s = v.shape
        planes = []
        for k in range(3):  # dithered exposures of slightly different gain
            dy, dx = rng.integers(0, 6, 2)
            planes.append(fill_nan(v[dy:l - 6 + dy, dx:s - 6 + dx]) * rng.uniform(0.9, 1.1))
        planes = sized(np.stack(planes), rng, 6, hi=6e6, zoom=(1.0, 5.0))
    planes = np.nan_to_num(planes)
    lo = planes.min()
    top = 60000.0 / ((planes.max() - lo) or 1) if planes.max() - lo > 65000 or planes.max() < 200 else 1.0
    counts = to_int((planes - lo) * top, np.int64, 0, 65535)
    signed = rng.random() < 0.5
    stored = (counts - 32768).astype(">i2") if not signed else np.minimum(counts, 32767).astype(">i2")
    _, l, s = stored.shape
    extra = [] if signed else [("BZERO", 32768), ("BSCALE", 1)]
    primary = fits_cards(Picture([[0]], True), rng, fits_structural(8, ()) + [("EXTEND", True), ("NEXTEND", 3)])
    ext = fits_cards(pic, rng, fits_structural(16, (l, s), extension=True, extra=extra))
    plane = l * s * 2
    chunks, layout = assemble(stored, "bsq", primary + ext, gap=fits_pad(plane) + ext, trailer=fits_pad(plane),
                              rng=rng)
    return chunks, layout, "FITS, 3 image extensions", ["FITS", "16-bit", "MSB", "bsq", "gap", "leftover"]


def frame_mrc(pic, rng):
    v = frame_values(pic, rng, 2)
    mode = int(rng.choice([1, 6, 2]))
    if mode == 2:
        stored = v.astype("<f4")
    else:
        counts = to_int(to_counts(v, rng.uniform(2000, 30000)), np.int64, 0, 65535)
        stored = counts.astype("<i2" if mode == 1 else "<u2")
    extended = int(rng.choice([0, 0, 1024, 131072 // 16]))
    header = mrc_header(v.shape[1], v.shape[0], 1, mode, float(stored.min()), float(stored.max()),
                        float(stored.mean()), extended) + bytes(extended)
    chunks, layout = assemble(stored[None], "none", header, rng=rng)
    return chunks, layout, f"MRC mode {mode}, extended header {extended}", ["MRC", "binary header", "LSB",
                                                                             "32-bit real" if mode == 2 else "16-bit"]


def frame_label(pic, rng):
    """A 16-bit frame with a VICAR label, or a PDS3 label followed by a VICAR label."""
    if rng.random() < 0.6:
        v = pic.values[:1]
        scale = 4000.0 / (np.nanmax(v) - np.nanmin(v) or 1) if np.nanmax(v) < 200 else None
        return vicar_image(pic, rng, bits=16, msb=rng.random() < 0.6, scale=scale)
    v = frame_values(pic, rng, 2)
    msb = rng.random() < 0.5
    stored = to_int(to_counts(v, 4095), le_or_be(msb) + "u2", 0, 4095)
    l, s = stored.shape
    recsize = 2 * s
    vicar = vicar_label(recsize, [("FORMAT", "'HALF'"), ("TYPE", "'IMAGE'"), ("RECSIZE", recsize), ("ORG", "'BSQ'"),
                                  ("NL", l), ("NS", s), ("NB", 1), ("NBB", 0), ("NLB", 0),
                                  ("INTFMT", "'HIGH'" if msb else "'LOW'"), ("INSTRUMENT_ID", "'FHAZ_RIGHT_A'")])
    image = [("LINES", l), ("LINE_SAMPLES", s), ("SAMPLE_TYPE", ("MSB_" if msb else "LSB_") + "UNSIGNED_INTEGER"),
             ("SAMPLE_BITS", 16), ("BANDS", 1), ("BAND_STORAGE_TYPE", "BAND_SEQUENTIAL")]
    rows = [("INSTRUMENT_ID", "FHAZ_RIGHT_A")]
    label = pds3_label(recsize, rows, image, between=len(vicar) // recsize, image_header=True)
    chunks, layout = assemble(stored[None], "none", label + vicar, rng=rng)
    return chunks, layout, "PDS3 label, then a VICAR label, then a 12-bit frame", [
        "PDS3 label", "VICAR label", "16-bit", "MSB" if msb else "LSB"]


def frame_f32(pic, rng):
    v = frame_values(pic, rng, 4).astype("<f4")
    header = camera_header(rng, int(rng.choice([300, 512, 2048])), v.shape[1], v.shape[0], 32)
    chunks, layout = assemble(v[None], "none", header, rng=rng)
    return chunks, layout, "32-bit real frame, binary header", ["32-bit real", "LSB", "binary header"]


def frame_x257(pic, rng):
    """An 8-bit picture exported as 16 bits (both bytes of a sample alike)
    behind a header of noise-like bytes (a JPEG thumbnail)."""
    v = frame_values(pic, rng, 2)
    counts = to_int(to_counts(v, 255), np.uint16, 0, 255) * 257
    msb = rng.random() < 0.5
    stored = counts.astype(le_or_be(msb) + "u2")
    size = int(rng.integers(200, 1500))
    chunks, layout = assemble(stored[None], "none", thumbnail(pic.values, rng, size), rng=rng)
    return chunks, layout, f"x257 16-bit export after a {size}-byte thumbnail", ["x257", "16-bit", "random header"]


RECIPES = {
    "photo_rgb": [bmp24, ppm16, multispectral, fortran_bil, pds3_image, fits_float],
    "photo_gray": [raw8, ppm16, vicar_image, camera16, counts32, bmp8],
    "dark": [raw8, bmp24, camera16, fits_float, pds3_image, bil_band_pad],
    "dem": [hgt, bil_collar, float_nan, surfer, lambda p, r, n: pds3_image(p, r, elevation=True), dem_wide],
    "nan_science": [nan_fits32, nan_raw32, nan_filled, nan_f64, nan_fits16, nan_mosaic],
    "frames": [frame_fits16, frame_mef, frame_mrc, frame_label, frame_f32, frame_x257],
}
RECIPE_NAMES = {"dem": ["hgt", "bil_collar", "float_nan", "surfer", "pds3_dem", "dem_wide"]}
LARGE = ("photo_rgb", "dark")  # the largest picture of each half in these strata also gets a large file


def recipe_name(stratum, k, f):
    return RECIPE_NAMES[stratum][k] if stratum in RECIPE_NAMES else f.__name__


def plan(split, pictures):
    """(source, stratum, half, recipe name, function) for every file."""
    half_of = {n: h for h in ("tune", "measure") for n in split[h]}
    strata = split["strata"]
    named = sorted(n for names in strata.values() for n in names)
    assert sorted(half_of) == named and len(set(split["tune"]) & set(split["measure"])) == 0, "split is not a partition"
    out = []
    for stratum, names in strata.items():
        for name in names:
            for k, f in enumerate(RECIPES[stratum]):
                out.append((name, stratum, half_of[name], recipe_name(stratum, k, f), f))
        if stratum in LARGE:
            for h in ("tune", "measure"):
                mine = [n for n in split[h] if n in names]
                biggest = max(mine, key=lambda n: picture(pictures, n).values[0].size)
                out.append((biggest, stratum, h, "large", large))
    return out


def picture(pictures, name):
    if name not in pictures:
        pictures[name] = load(name)
    return pictures[name]


def make(folder, seed, entry, pictures):
    name, stratum, half, recipe, f = entry
    rng = np.random.default_rng([seed, zlib.crc32(name.encode()), zlib.crc32(recipe.encode())])
    pic = picture(pictures, name)
    if stratum == "dem":
        result = f(pic, rng, name)
    elif name == "motorcycle" and recipe == "fits_float":  # the stereo disparity, invalid pixels NaN
        result = nan_fits32(Picture(pic.disparity, unit=False), rng)
        result = result[0], result[1], "FITS disparity map, 32-bit reals, NaN where unmatched", result[3]
    else:
        result = f(pic, rng)
    chunks, layout, description, tags = result
    path = os.path.join(folder, f"{name}-{recipe}.raw")
    with open(path, "wb") as out:
        for c in chunks:
            out.write(np.ascontiguousarray(c).tobytes())
    check(path, layout, chunks.stored)
    return {"file": os.path.basename(path), "half": half, "source": name, "stratum": stratum, "recipe": recipe,
            "size": os.path.getsize(path), "description": description, "tags": tags, "truth": layout}


def check(path, layout, stored):
    """The true layout reads back every sample as written."""
    data = np.fromfile(path, dtype=np.uint8)
    assert stored.dtype.itemsize == 1 or stored.dtype == window_dtype(layout["bits"], layout["format"], layout["msb"])
    step = max(1, (1 << 21) // (layout["samples"] * layout["bands"]))
    for first in range(0, layout["lines"], step):
        values = read_samples(data, layout, first, min(step, layout["lines"] - first))
        expected = stored[:, first:first + step].astype(np.float64)
        assert values is not None and np.array_equal(values, expected, equal_nan=True), (path, layout, first)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--seed", type=int, default=37)
    parser.add_argument("--half", choices=["tune", "measure", "both"], default="both")
    parser.add_argument("--only", nargs="*", help="make only the files of these source pictures")
    args = parser.parse_args()
    os.makedirs(args.folder, exist_ok=True)
    with open(os.path.join(HERE, "real_split.json")) as f:
        split = json.load(f)
    manifest_path = os.path.join(args.folder, "manifest.json")
    manifest = {}
    if os.path.exists(manifest_path):
        with open(manifest_path) as f:
            manifest = {e["file"]: e for e in json.load(f)["files"]}
    pictures = {}
    for entry in plan(split, pictures):
        if args.half != "both" and entry[2] != args.half or args.only and entry[0] not in args.only:
            continue
        e = make(args.folder, args.seed, entry, pictures)
        manifest[e["file"]] = e
        print(f"{e['file']:36s} {e['half']:7s} {e['size'] / 1e6:8.2f} MB  {e['description']}", flush=True)
    with open(manifest_path, "w") as f:
        json.dump({"seed": args.seed, "files": sorted(manifest.values(), key=lambda e: e["file"])}, f, indent=1)


if __name__ == "__main__":
    main()
