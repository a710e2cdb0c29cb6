#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Makes ISIS3 cubes and FITS images with GDAL (every sample type each driver
# writes, two bands, some no-data pixels) and compares, band by band, the
# extremes that `skeldra-cli stats --from-label` finds with `gdalinfo -mm`.
# Usage: scripts/compare-gdal-labels.sh [skeldra-cli]   (GDAL and python3-gdal needed)
set -euo pipefail
cli=$(realpath "${1:-build/release/src/app/skeldra-cli}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

/usr/bin/python3 - <<'PY'
import numpy as np
from osgeo import gdal
rng = np.random.default_rng(7)
types = {"Byte": (gdal.GDT_Byte, 0), "UInt16": (gdal.GDT_UInt16, 0), "Int16": (gdal.GDT_Int16, -32768),
         "Int32": (gdal.GDT_Int32, -9999), "UInt32": (gdal.GDT_UInt32, 0),
         "Float32": (gdal.GDT_Float32, -3.4028226550889045e+38), "Float64": (gdal.GDT_Float64, -9999.0)}
y, x = np.mgrid[0:173, 0:211]
for name, (code, nodata) in types.items():
    ds = gdal.GetDriverByName("MEM").Create("", 211, 173, 2, code)
    for band in (1, 2):
        surface = 120 + 100 * np.sin(x / (13.0 * band)) * np.cos(y / 17.0) + rng.normal(0, 3, x.shape)
        if name in ("Int16", "Int32", "Float32", "Float64"):
            surface -= 60
        surface[5:9, 40:70] = nodata
        rb = ds.GetRasterBand(band)
        rb.WriteArray(surface.astype(gdal.GetDataTypeName(code) and {"Byte": np.uint8, "UInt16": np.uint16,
                      "Int16": np.int16, "Int32": np.int32, "UInt32": np.uint32, "Float32": np.float32,
                      "Float64": np.float64}[name]))
        rb.SetNoDataValue(nodata)
    gdal.GetDriverByName("GTiff").CreateCopy(name + ".tif", ds)
PY

status=0
for tif in *.tif; do
    for format in ISIS3 FITS; do
        out=${tif%.tif}.$format
        gdal_translate -q -of $format "$tif" "$out" 2>/dev/null || { echo "$out: GDAL does not write it"; continue; }
        for band in 1 2; do
            theirs=$(gdalinfo -mm "$out" 2>/dev/null | grep "Computed Min/Max" | sed -n "${band}p" |
                     sed 's/.*=//')
            ours=$("$cli" stats "$out" --from-label --band $band 2>/dev/null | grep "Min data" |
                   sed -E 's/Min data: *([^ ]+) .*Max data: *([^ ]+) .*/\1,\2/')
            same=$(python3 -c "a=[float(v) for v in '$theirs'.split(',')]; b=[float(v) for v in '$ours'.split(',')]; print(all(abs(p-q)<=1e-3*max(1,abs(p)) for p,q in zip(a,b)))" 2>/dev/null || echo False)
            [ "$same" = True ] && verdict=same || { verdict=DIFFERENT; status=1; }
            printf '%-14s band %d  gdalinfo -mm %-26s skeldra %-40s %s\n' "$out" $band "$theirs" "$ours" $verdict
        done
    done
done
exit $status
