#!/usr/bin/python3
# SPDX-License-Identifier: BSD-3-Clause
"""Layout from Label on mission files made by other tools, checked against them.

Tiled ISIS3 cubes that GDAL writes (tiles of 128 x 64 samples, widths and
heights that leave partial edge tiles, 1 and 3 bands, 8- and 16-bit integers
and 32-bit reals, some pixels at the ISIS Null): after --from-label, each
band's minimum and maximum equal GDAL's (those of `gdalinfo -mm`, at full
precision), and a TIFF of each band
holds GDAL's array exactly. FITS files that astropy writes: an empty primary
and three alike IMAGE extensions give three bands whose statistics and TIFFs
equal astropy's arrays; in a file of unlike images, --hdu reads each one.
With --pattern-cub PATH, the tiled test cube pattern.cub of the pvl project
(tests/data/pattern.cub there) is checked against GDAL the same way.

Usage: check-mission-files.py SKELDRA_CLI [--pattern-cub PATH]
Needs python3-gdal, python3-numpy, python3-astropy and gdal-bin (gdalinfo).
Exit status 0 when every check passes.
"""
import json
import os
import subprocess
import sys
import tempfile

import numpy as np
from astropy.io import fits
from osgeo import gdal

from checklog import Checks

gdal.UseExceptions()
os.environ["GDAL_PAM_ENABLED"] = "NO"
gdal.SetConfigOption("GDAL_PAM_ENABLED", "NO")
CLI = sys.argv[1]
PATTERN = sys.argv[sys.argv.index("--pattern-cub") + 1] if "--pattern-cub" in sys.argv else None
check = Checks()


def run(args):
    result = subprocess.run([CLI] + args, capture_output=True, text=True)
    return result.returncode, result.stdout, result.stderr


def stats(path, band, more=()):
    status, out, err = run(["stats", path, "--from-label", "--band", str(band), "--json", *more])
    if status not in (0, 3):
        return None, err.strip()
    value = json.loads(out.strip().splitlines()[-1])
    return (value.get("min"), value.get("max")), err.strip()


def tiff_of(work, path, band, more=()):
    out = os.path.join(work, "band.tif")
    status, _, err = run(["convert", path, "--from-label", "--band", str(band), "--format", "tiff", "-o", out, *more])
    if status not in (0, 3):
        return None, err.strip()
    dataset = gdal.Open(out)
    array = dataset.GetRasterBand(1).ReadAsArray()
    dataset = None
    return array, ""


def gdal_extremes(path):
    """What `gdalinfo -mm` computes, at full precision (its text rounds reals)."""
    dataset = gdal.Open(path)
    extremes = [tuple(dataset.GetRasterBand(b).ComputeRasterMinMax(False)) for b in range(1, dataset.RasterCount + 1)]
    dataset = None
    return extremes


def same_values(a, b):
    return a is not None and a.shape == b.shape and np.array_equal(a, b, equal_nan=True)


def check_cube(work, path, what):
    """Every band of a cube GDAL reads: extremes as gdalinfo -mm, TIFF as GDAL's array."""
    extremes = gdal_extremes(path)
    dataset = gdal.Open(path)
    for band, (low, high) in enumerate(extremes, start=1):
        found, err = stats(path, band)
        check(found is not None and found == (low, high), f"{what} band {band}: stats {found} {err}, gdalinfo -mm {low}, {high}")
        array, err = tiff_of(work, path, band)
        check(same_values(array, dataset.GetRasterBand(band).ReadAsArray()),
              f"{what} band {band}: the TIFF differs from GDAL's array {err}")
    dataset = None


def check_tiled_cubes(work, rng):
    kinds = [(gdal.GDT_Byte, np.uint8, 0), (gdal.GDT_Int16, np.int16, -32768), (gdal.GDT_UInt16, np.uint16, 0),
             (gdal.GDT_Float32, np.float32, np.float32(-3.4028226550889045e38))]
    for width, height in [(300, 200), (129, 65), (1000, 131)]:
        for bands in (1, 3):
            for gdal_type, dtype, null in kinds:
                memory = gdal.GetDriverByName("MEM").Create("", width, height, bands, gdal_type)
                for band in range(1, bands + 1):
                    y, x = np.mgrid[0:height, 0:width]
                    values = (np.sin(x / 17.0 + band) * np.cos(y / 11.0) * 100 + 120).astype(dtype)
                    if dtype == np.float32:
                        values = values * np.float32(1.5) - np.float32(40.25)
                    values.flat[rng.integers(0, values.size, 5)] = null  # a few pixels at the Null
                    memory.GetRasterBand(band).WriteArray(values)
                path = os.path.join(work, f"cube-{width}x{height}-{bands}-{np.dtype(dtype).name}.cub")
                gdal.Translate(path, memory, format="ISIS3",
                               creationOptions=["TILED=YES", "BLOCKXSIZE=128", "BLOCKYSIZE=64"])
                memory = None
                status, out, _ = run(["label", path])
                check(status == 0 and "Tile samples = 128" in out and "Tile lines = 64" in out,
                      f"{path}: the label does not set the tiles")
                check_cube(work, path, os.path.basename(path))


def check_fits(work, rng):
    for dtype in (np.uint8, np.int16, np.float32):
        planes = [(rng.random((70, 90)) * 200 - (0 if dtype == np.uint8 else 100)).astype(dtype) for _ in range(3)]
        path = os.path.join(work, f"three-{np.dtype(dtype).name}.fits")
        fits.HDUList([fits.PrimaryHDU()] + [fits.ImageHDU(p) for p in planes]).writeto(path, overwrite=True)
        status, out, _ = run(["label", path])
        check(status == 0 and "Bands = 3" in out, f"{path}: three extensions are not three bands:\n{out}")
        for band, plane in enumerate(planes, start=1):
            found, err = stats(path, band)
            check(found is not None and found[0] == plane.min() and found[1] == plane.max(),
                  f"{path} band {band}: stats {found} {err}, astropy {plane.min()}, {plane.max()}")
            array, err = tiff_of(work, path, band)
            check(same_values(array, plane), f"{path} band {band}: the TIFF differs from astropy's array {err}")

    unlike = [fits.PrimaryHDU((rng.random((40, 50)) * 100).astype(np.float32)),
              fits.ImageHDU(rng.integers(0, 255, size=(30, 20)).astype(np.uint8)),
              fits.BinTableHDU.from_columns([fits.Column(name="a", format="J", array=np.arange(5))]),
              fits.ImageHDU(rng.integers(-500, 500, size=(10, 12)).astype(np.int32))]
    path = os.path.join(work, "unlike.fits")
    fits.HDUList(unlike).writeto(path, overwrite=True)
    with fits.open(path, do_not_scale_image_data=True) as hdus:
        for number, hdu in enumerate(hdus, start=1):
            if hdu.data is None or not isinstance(hdu, (fits.PrimaryHDU, fits.ImageHDU)):
                status, _, err = run(["stats", path, "--from-label", "--hdu", str(number)])
                check(status == 1 and "holds no image" in err, f"{path} HDU {number}: not refused: {err}")
                continue
            found, err = stats(path, 1, ["--hdu", str(number)])
            check(found is not None and found[0] == hdu.data.min() and found[1] == hdu.data.max(),
                  f"{path} HDU {number}: stats {found} {err}, astropy {hdu.data.min()}, {hdu.data.max()}")
            array, err = tiff_of(work, path, 1, ["--hdu", str(number)])
            check(same_values(array, hdu.data), f"{path} HDU {number}: the TIFF differs from astropy's array {err}")


def main():
    rng = np.random.default_rng(38)
    with tempfile.TemporaryDirectory() as work:
        check_tiled_cubes(work, rng)
        check_fits(work, rng)
        if PATTERN:
            check_cube(work, PATTERN, "pattern.cub")
    print(f"{check.count - len(check.failures)} of {check.count} checks passed")
    return 1 if check.failures else 0


if __name__ == "__main__":
    sys.exit(main())
