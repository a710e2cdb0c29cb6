#!/usr/bin/python3
# SPDX-License-Identifier: BSD-3-Clause
"""Time and peak memory of `skeldra-cli guess` on a 100 MB file (16-bit
big-endian, 3 bands BIL, 4321 samples, line pad 6, header 3000 bytes; a
fractal surface with noise). Prints the median of 5 runs after a warm-up.
Then the same for two files of 1 MiB of 64-bit little-endian reals, random
(normal, and uniform from 0 to 1000), which hold no layout: their search
must end as soon as a picture's would, with the processor time it took.

usage: speed.py SKELDRA_CLI WORK_FOLDER
The file is removed at the end unless KEEP=1 is set, for timing runs of
other builds on the same file."""
import os
import statistics
import subprocess
import sys

import numpy as np

from accuracy import fractal_surface


def main():
    cli, folder = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "big.raw")
    width, bands, pad, header = 4321, 3, 6, 3000
    record = width * 2 * bands + pad
    lines = (100_000_000 - header) // record
    rng = np.random.default_rng(5)
    tile = fractal_surface(rng, width, 1024, bands)
    with open(path, "wb") as out:
        out.write(bytes(header))
        for first in range(0, lines, 1024):
            n = min(1024, lines - first)
            values = 1000 + 30000 * tile[:, :n, :] + rng.normal(0, 4, (bands, n, width))
            rows = np.zeros((n, record // 2), ">i2")  # the pad stays 0
            for b in range(bands):
                rows[:, b * width:(b + 1) * width] = values[b]
            out.write(rows.tobytes())
    times, memory, said = timed_guesses(cli, path)
    print(said)
    print(f"file {os.path.getsize(path)} bytes: median {statistics.median(times):.3f} s "
          f"(min {min(times):.3f}, max {max(times):.3f}), peak resident {max(memory) / 1024:.1f} MiB")
    if not os.environ.get("KEEP"):
        os.remove(path)
    noise = {"n64.raw": np.random.default_rng(1).standard_normal(131072),
             "u64.raw": np.random.default_rng(2).uniform(0, 1000, 131072)}
    for name, values in noise.items():
        noise_path = os.path.join(folder, name)
        values.astype("<f8").tofile(noise_path)
        times, memory, said = timed_guesses(cli, noise_path, "%U %M")
        print(f"{name} (1 MiB of 64-bit noise): median {statistics.median(times):.3f} s of user time "
              f"(max {max(times):.3f}); {said.splitlines()[0] if said else 'no output'}")
        os.remove(noise_path)


def timed_guesses(cli, path, measure="%e %M"):
    """The measure's seconds and peak resident KiB of 5 runs after a
    warm-up, and what the last one said (its first candidate or its verdict)."""
    times, memory = [], []
    for run in range(6):
        result = subprocess.run(["/usr/bin/time", "-f", measure, cli, "guess", path, "--top", "1"],
                                capture_output=True, text=True)
        lines = result.stderr.strip().splitlines()
        seconds, kib = lines[-1].split()
        if run > 0:
            times.append(float(seconds))
            memory.append(int(kib))
    said = result.stdout.strip() or "\n".join(lines[:-1]).strip()
    return times, memory, said


if __name__ == "__main__":
    main()
