# SPDX-License-Identifier: BSD-3-Clause
"""Layouts as the window reads them: where each sample lies, and the samples
a layout reads from a file. Shared by the benchmarks' generators and their
checkers."""
import numpy as np


def window_dtype(bits, fmt, msb):
    """The sample type the window decodes: 8 bits are unsigned, 2-byte reals
    are signed, 64 bits are reals."""
    order = ">" if msb else "<"
    if bits == 8:
        return np.dtype("u1")
    if bits == 16:
        return np.dtype(order + ("u2" if fmt == "unsigned" else "i2"))
    if bits == 32:
        return np.dtype(order + {"unsigned": "u4", "signed": "i4", "real": "f4"}[fmt])
    return np.dtype(order + "f8")


def bands_read(layout):
    """How many bands the layout reads: a single image is one band, unless
    it has a line pad, which the window reads band by band."""
    if layout["structure"] == "none" and not layout.get("line_pad", 0):
        return 1
    return layout["bands"]


def positions(layout, first=0, count=None):
    """Byte position of every sample of lines first..first+count-1 (all
    lines by default), shape (bands, lines, samples)."""
    h, s, l = layout["header"], layout["samples"], layout["lines"]
    w = layout["bits"] // 8
    b = layout["bands"]
    structure = layout["structure"]
    pad, band_pad, gap = layout.get("line_pad", 0), layout.get("band_pad", 0), layout.get("gap", 0)
    if structure == "none" and pad:
        structure = "bsq"
    if structure == "none":
        b = 1
    count = l - first if count is None else count
    bi = np.arange(b, dtype=np.int64)[:, None, None]
    li = np.arange(first, first + count, dtype=np.int64)[None, :, None]
    si = np.arange(s, dtype=np.int64)[None, None, :]
    if structure == "none":
        return h + li * s * w + si * w + 0 * bi
    if structure == "bil":
        inner = s * w + band_pad
        return h + li * (pad + inner * b) + bi * inner + si * w
    if structure == "bip":
        return h + li * (pad + s * w * b) + si * (b * w) + bi * w
    inner = s * w + pad
    return h + bi * (gap + inner * l) + li * inner + si * w


def read_samples(data, layout, first=0, count=None):
    """The samples as the window reads them (float64), or None when the
    layout reaches beyond the file; lines first..first+count-1 only when
    given."""
    pos = positions(layout, first, count)
    w = layout["bits"] // 8
    if pos.size == 0 or pos.min() < 0 or pos.max() + w > len(data):
        return None
    raw = np.stack([data[pos + k] for k in range(w)], axis=-1).copy()
    dtype = window_dtype(layout["bits"], layout["format"], layout["msb"])
    return raw.view(dtype)[..., 0].astype(np.float64)


def options_to_layout(tokens):
    """The layout that the batch tool's options select (defaults as the
    guess command leaves them out)."""
    layout = {"header": 0, "samples": 0, "lines": 0, "bits": 8, "format": "unsigned", "msb": False,
              "bands": 1, "structure": "none", "line_pad": 0, "band_pad": 0, "gap": 0}
    values = {"--header-bytes": "header", "--samples": "samples", "--lines": "lines", "--bits": "bits",
              "--bands": "bands", "--line-pad": "line_pad", "--band-pad": "band_pad", "--gap": "gap"}
    i = 0
    while i < len(tokens):
        t = tokens[i]
        if t in values:
            layout[values[t]] = int(tokens[i + 1])
            i += 2
            continue
        if t in ("--unsigned", "--signed", "--real"):
            layout["format"] = t[2:]
        elif t == "--msb":
            layout["msb"] = True
        elif t in ("--none", "--bil", "--bip", "--bsq"):
            layout["structure"] = t[2:]
        i += 1
    if layout["bits"] == 64:
        layout["format"] = "real"
    return layout


def describe(layout):
    """The layout in one short phrase, for lists of misses."""
    fmt = "real" if layout["bits"] == 64 else (layout["format"] if layout["bits"] > 8 else "unsigned")
    order = "" if layout["bits"] == 8 else (" MSB" if layout["msb"] else " LSB")
    text = (f"header {layout['header']}, {layout['samples']} x {layout['lines']}, {layout['bits']}-bit {fmt}{order}, "
            f"{layout['bands']} band(s) {layout['structure']}")
    for key, name in (("line_pad", "line pad"), ("band_pad", "band pad"), ("gap", "gap")):
        if layout.get(key):
            text += f", {name} {layout[key]}"
    return text


def orders_alike(data, truth, candidate):
    """Whether the candidate reads the same samples in other values that keep
    their order: signed against unsigned where no value crosses the top bit,
    integer against real within one power of two. Only what values are
    likely can tell such readings apart, never the picture."""
    a = read_samples(data, truth)
    b = read_samples(data, candidate)
    if a is None or b is None or a.shape != b.shape or np.isnan(a).any() or np.isnan(b).any():
        return False
    return np.array_equal(np.unique(a, return_inverse=True)[1], np.unique(b, return_inverse=True)[1])


def reads_alike(data, truth, candidate, block=1 << 21):
    """Whether the candidate reads every sample exactly as the truth does.
    Compared a block of lines at a time, so that a file of 100 MB needs no
    more than a few blocks' memory."""
    if candidate["lines"] != truth["lines"] or candidate["samples"] != truth["samples"]:
        return False
    if bands_read(candidate) != bands_read(truth) or truth["lines"] <= 0 or truth["samples"] <= 0:
        return False
    step = max(1, block // (truth["samples"] * bands_read(truth)))
    for first in range(0, truth["lines"], step):
        count = min(step, truth["lines"] - first)
        a = read_samples(data, truth, first, count)
        b = read_samples(data, candidate, first, count)
        if a is None or b is None or a.shape != b.shape or not np.array_equal(a, b, equal_nan=True):
            return False
    return True
