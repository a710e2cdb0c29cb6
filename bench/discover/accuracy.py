#!/usr/bin/python3
# SPDX-License-Identifier: BSD-3-Clause
"""Accuracy of `skeldra-cli guess` on raw files of known layout.

Makes files from natural-looking images (ImageMagick's built-in images and
plasma fractals, DEM-like fractal surfaces, all with noise) in random
layouts, runs the guess command on each, and counts how often the first
candidate reads every sample exactly as the true layout does, and how often
one of the first five does. A first candidate that misses but reads every
value in the truth's order (an exact tie) is counted apart.

usage: accuracy.py SKELDRA_CLI WORK_FOLDER [--count 60] [--seed 13] [--keep | --reuse]
"""
import argparse
import json
import os
import subprocess
import sys

import numpy as np

from layouts import orders_alike, read_samples, reads_alike, window_dtype

BUILTINS = ["rose:", "logo:", "wizard:", "netscape:", "granite:"]


def magick_image(source, width, lines, bands):
    """An ImageMagick image resized to width x lines, as floats 0..1."""
    kind = "rgb" if bands == 3 else "gray"
    raw = subprocess.run(["convert", "-size", "300x300", source, "-resize", f"{width}x{lines}!",
                          "-depth", "16", f"{kind}:-"], check=True, capture_output=True).stdout
    image = np.frombuffer(raw, dtype="<u2").astype(np.float64) / 65535.0
    image = image.reshape(lines, width, bands)
    return np.moveaxis(image, 2, 0)


def fractal_surface(rng, width, lines, bands):
    """A DEM-like surface: noise with a 1/f^beta spectrum, one per band from
    a shared surface so that the bands are alike, as in real data."""
    def surface():
        fy = np.fft.fftfreq(lines)[:, None]
        fx = np.fft.rfftfreq(width)[None, :]
        f = np.sqrt(fx * fx + fy * fy)
        f[0, 0] = 1
        spectrum = (rng.normal(size=f.shape) + 1j * rng.normal(size=f.shape)) / f ** rng.uniform(1.6, 2.2)
        spectrum[0, 0] = 0
        s = np.fft.irfft2(spectrum, s=(lines, width))
        return (s - s.min()) / (np.ptp(s) or 1)
    base = surface()
    out = [base]
    for _ in range(bands - 1):
        out.append(np.clip(0.7 * base + 0.3 * surface(), 0, 1))
    return np.stack(out)


def image(rng, width, lines, bands):
    pick = rng.integers(3)
    if pick == 0:
        return fractal_surface(rng, width, lines, bands), "fractal surface"
    if pick == 1:
        seed = int(rng.integers(1, 10000))
        return plasma(seed, width, lines, bands), f"plasma fractal (seed {seed})"
    name = BUILTINS[rng.integers(len(BUILTINS))]
    return magick_image(name, width, lines, bands), name


def plasma(seed, width, lines, bands):
    kind = "rgb" if bands == 3 else "gray"
    raw = subprocess.run(["convert", "-seed", str(seed), "-size", f"{width}x{lines}", "plasma:fractal",
                          "-blur", "0x1", "-depth", "16", f"{kind}:-"],
                         check=True, capture_output=True).stdout
    image = np.frombuffer(raw, dtype="<u2").astype(np.float64) / 65535.0
    return np.moveaxis(image.reshape(lines, width, bands), 2, 0)


def scaled(rng, unit, bits, fmt):
    """The image (0..1) as samples of the type, with noise."""
    if fmt == "real":
        amplitude = 10 ** rng.uniform(-2, 5)
        offset = rng.uniform(-1, 1) * amplitude * rng.integers(2)
        values = offset + amplitude * unit
        values += rng.normal(scale=amplitude * rng.uniform(0.001, 0.01), size=unit.shape)
        return values.astype("f4" if bits == 32 else "f8")
    if bits == 8:
        low, high = (0, 255) if fmt == "unsigned" else (-128, 127)
        amplitude = rng.uniform(0.5, 1.0) * (high - low)
    elif bits == 16:
        low, high = (0, 65535) if fmt == "unsigned" else (-32768, 32767)
        amplitude = 10 ** rng.uniform(2.5, np.log10(high - low))
    else:
        low, high = (0, 2**32 - 1) if fmt == "unsigned" else (-2**31, 2**31 - 1)
        amplitude = 10 ** rng.uniform(3, 9)
    start = rng.uniform(low, high - amplitude)
    if fmt == "signed" and rng.integers(2):
        start = -amplitude * rng.uniform(0.2, 0.8)  # around zero, like heights about sea level
    values = start + amplitude * unit + rng.normal(scale=max(0.6, amplitude * 0.004), size=unit.shape)
    values = np.clip(np.rint(values), low, high)
    return values.astype({8: "i8", 16: "i8", 32: "i8"}[bits])


def text_header(rng, size):
    lines = ["SOURCE = EXPERIMENT %d" % rng.integers(1000), "OPERATOR = NOBODY",
             "NOTE = \"raw samples follow after this text\"", "CALIBRATED = FALSE"]
    text = ""
    while len(text) < size - 40:
        text += lines[rng.integers(len(lines))] + "\r\n"
    text = text[: max(0, size - 5)] + "\r\nEND\r\n"
    return text.encode()[:size].ljust(size, b" ")


def pds3_label(layout, record, wrong):
    h = layout["header"]
    s = layout["samples"] + (7 if wrong else 0)
    text = ["PDS_VERSION_ID = PDS3", "RECORD_TYPE = FIXED_LENGTH", f"RECORD_BYTES = {record}",
            "LABEL_RECORDS = 1", f"^IMAGE = {h + 1} <BYTES>",
            "OBJECT = IMAGE", f"LINES = {layout['lines']}", f"LINE_SAMPLES = {s}",
            f"SAMPLE_BITS = {layout['bits']}",
            "SAMPLE_TYPE = " + ("UNSIGNED_INTEGER" if layout["bits"] == 8 else
                                ("MSB_" if layout["msb"] else "LSB_") +
                                {"unsigned": "UNSIGNED_INTEGER", "signed": "INTEGER"}[layout["format"]]),
            "BANDS = 1", "END_OBJECT = IMAGE", "END"]
    return ("\r\n".join(text) + "\r\n").encode()


def make_file(rng, index, folder):
    while True:
        width = int(rng.integers(100, 5001))
        if width & (width - 1):
            break
    bits, fmt = [(8, "unsigned"), (8, "signed"), (16, "unsigned"), (16, "signed"), (32, "unsigned"),
                 (32, "signed"), (32, "real"), (64, "real")][rng.integers(8)]
    msb = bool(rng.integers(2)) and bits > 8
    bands = int(rng.choice([1, 3]))
    structure = "none" if bands == 1 else ["bil", "bip", "bsq"][rng.integers(3)]
    w = bits // 8
    pad = int(rng.integers(0, 33)) if rng.integers(2) else 0
    # Pictures as they come: from four times wider than tall to twice as
    # tall, as far as 48 MiB allow (a 5000-sample line of three 64-bit bands
    # still gets 400 lines).
    budget = 48 << 20
    most = budget // (width * w * bands + pad)
    lines = int(np.clip(width * 10 ** rng.uniform(-0.6, 0.3), 40, min(most, 4000)))
    unit, source = image(rng, width, lines, bands)
    samples = scaled(rng, unit, bits, fmt)
    order = ">" if msb else "<"
    if fmt == "real":
        stored = samples.astype(np.dtype(order + samples.dtype.str[1:]))
    else:  # two's complement bytes of the integers
        stored = (samples & ((1 << bits) - 1)).astype(np.dtype(order + "u%d" % w))

    # Lines of bytes: [prefix][samples of the line's bands][suffix]
    prefix = int(rng.integers(0, pad + 1)) if pad else 0
    suffix = pad - prefix
    pad_kind = ["zeros", "random", "counter"][rng.integers(3)]
    if structure in ("none", "bsq"):
        rows = [stored[b, l].tobytes() for b in range(bands) for l in range(lines)]
    elif structure == "bil":
        rows = [b"".join(stored[b, l].tobytes() for b in range(bands)) for l in range(lines)]
    else:
        rows = [np.ascontiguousarray(stored[:, l, :].T).tobytes() for l in range(lines)]

    def pad_bytes(n, row):
        if pad_kind == "zeros":
            return bytes(n)
        if pad_kind == "random":
            return rng.integers(0, 256, n, dtype=np.uint8).tobytes()
        return (row.to_bytes(4, "big") * ((n + 3) // 4))[:n]

    body = b"".join(pad_bytes(prefix, i) + r + pad_bytes(suffix, i) for i, r in enumerate(rows))

    header_size = int(rng.integers(0, 20001)) if rng.integers(4) else 0
    kinds = ["zeros", "random", "text"]
    layout = {"header": header_size + prefix, "samples": width, "lines": lines, "bits": bits,
              "format": fmt if bits > 8 else "unsigned", "msb": msb, "bands": bands,
              "structure": structure if (bands > 1 or pad) else "none", "line_pad": pad, "band_pad": 0, "gap": 0}
    if bands == 1 and pad:
        layout["structure"] = "bsq"
    header_kind = kinds[rng.integers(3)] if header_size else "none"
    label_kind = None
    if bands == 1 and bits <= 16 and pad == 0 and rng.integers(4) == 0:
        # A PDS3 label: right, or wrong about the samples per line.
        label_kind = "wrong PDS3 label" if rng.integers(2) else "PDS3 label"
        record = width * w + pad
        label = pds3_label(layout, record, label_kind.startswith("wrong"))
        header_size = max(header_size, len(label) + 16)
        layout["header"] = header_size + prefix
        label = pds3_label(layout, record, label_kind.startswith("wrong"))
        header = label.ljust(header_size, b" ")
        header_kind = label_kind
    elif header_kind == "zeros":
        header = bytes(header_size)
    elif header_kind == "random":
        header = rng.integers(0, 256, header_size, dtype=np.uint8).tobytes()
    elif header_kind == "text":
        header = text_header(rng, header_size)
    else:
        header = b""
    leftover = int(rng.integers(1, 200)) if rng.integers(6) == 0 else 0
    tail = rng.integers(0, 256, leftover, dtype=np.uint8).tobytes()

    path = os.path.join(folder, f"file{index:03d}.raw")
    with open(path, "wb") as out:
        out.write(header + body + tail)
    data = np.fromfile(path, dtype=np.uint8)
    truth_read = read_samples(data, layout)
    expected = stored if fmt == "real" else (samples & 0xFF if bits == 8 else samples)
    assert truth_read is not None and np.array_equal(truth_read, expected.astype(np.float64), equal_nan=True), path
    description = (f"{source}, {width}x{lines}, {bits}-bit {fmt} {'MSB' if msb else 'LSB'}, {bands} band(s) "
                   f"{structure}, header {header_size} ({header_kind}), pad {pad} (prefix {prefix}, {pad_kind}), "
                   f"leftover {leftover}")
    return path, layout, description


def saved_description(path):
    try:
        with open(path + ".txt") as saved:
            return saved.read()
    except OSError:
        return "no description kept"


def guess(cli, path):
    result = subprocess.run([cli, "guess", path, "--json", "--top", "5"], capture_output=True, text=True)
    return json.loads(result.stdout) if result.stdout.strip() else []


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("folder")
    parser.add_argument("--count", type=int, default=60)
    parser.add_argument("--seed", type=int, default=13)
    parser.add_argument("--keep", action="store_true", help="keep the files and their true layouts")
    parser.add_argument("--reuse", action="store_true",
                        help="rerun the guesses on files kept by an earlier --keep run instead of making them")
    args = parser.parse_args()
    os.makedirs(args.folder, exist_ok=True)
    rng = np.random.default_rng(args.seed)
    from layouts import options_to_layout
    first = top5 = ties = 0
    misses = []
    for i in range(args.count):
        kept = os.path.join(args.folder, f"file{i:03d}.raw")
        if args.reuse:
            with open(kept + ".json") as saved:
                truth = json.load(saved)
            path, description = kept, "kept file, " + saved_description(kept)
        else:
            path, truth, description = make_file(rng, i, args.folder)
        data = np.fromfile(path, dtype=np.uint8)
        candidates = guess(args.cli, path)
        ranks = [k for k, c in enumerate(candidates) if reads_alike(data, truth, options_to_layout(c["options"]))]
        rank = ranks[0] + 1 if ranks else None
        first += rank == 1
        top5 += rank is not None
        if rank != 1:
            best = " ".join(candidates[0]["options"]) if candidates else "no candidate"
            tie = bool(candidates) and orders_alike(data, truth, options_to_layout(candidates[0]["options"]))
            ties += tie
            misses.append(f"{os.path.basename(path)}: {description}; truth rank {rank or '>5'}; first: {best}"
                          + ("; an exact tie (the same order of values)" if tie else ""))
        print(f"{os.path.basename(path)} rank {rank or '>5'}: {description}", flush=True)
        if args.keep and not args.reuse:
            with open(path + ".json", "w") as out:
                json.dump(truth, out)
            with open(path + ".txt", "w") as out:
                out.write(description)
        elif not args.keep and not args.reuse:
            os.remove(path)
    n = args.count
    print(f"\nfirst candidate exact: {first}/{n} = {100.0 * first / n:.1f} %")
    print(f"truth in first five:   {top5}/{n} = {100.0 * top5 / n:.1f} %")
    print(f"first reads the truth's values in their order (exact or a tie): {first + ties}/{n}")
    print("misses:")
    for m in misses:
        print("  " + m)


if __name__ == "__main__":
    main()
