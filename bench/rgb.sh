#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# The cost of a colour composite against the one-band conversion of the
# same file: `convert --rgb 1,2,3` (a statistics pass over the three
# channels, then the conversion pass) against `convert --band 1`, to 8-bit
# PNG and to BMP, for a BIP 8-bit file, a BIL 16-bit file and a BSQ 32-bit
# real file. The composite always finds its channels' ranges first; the band
# is converted three ways: with its range typed in the boxes (no statistics:
# "boxes"), stretched to its extremes (--clip 0, the statistics first:
# "extremes"), and with --clip 1, which the composite gets too.
#
# Run by hand: bench/rgb.sh
#   SKELDRA_BENCH_DIR  where the files go (default: /tmp/skeldra-bench)
#   RUNS               timed runs per task, the median is kept (default 5)
#   MEASURE=callgrind  count instructions with valgrind instead of CPU time
#                      (for a machine that other work keeps busy)
# Times are user + system CPU seconds of the release build (`make`).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")
data=${SKELDRA_BENCH_DIR:-/tmp/skeldra-bench}
runs=${RUNS:-5}
measure=${MEASURE:-time}
make -C "$repo" --no-print-directory configure >&2
cmake --build "$repo/build/release" --target skeldra-cli >&2
cli=$repo/build/release/src/app/skeldra-cli
mkdir -p "$data/out"

samples=${SAMPLES:-3000}
lines=${LINES:-3000}
make_file() {  # name dtype structure
    [[ -f "$data/$1" ]] && return
    /usr/bin/python3 - "$data/$1" "$2" "$3" "$lines" "$samples" <<'PY'
import sys
import numpy as np
path, dtype, structure, lines, samples = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), int(sys.argv[5])
rng = np.random.default_rng(39)
y, x = np.mgrid[0:lines, 0:samples]
bands = np.stack([(np.sin(x / 50 + b) * np.cos(y / 70 - b) * 1000 + rng.normal(0, 50, (lines, samples)))
                  for b in range(3)])
data = (bands - bands.min()).astype(dtype) if dtype != "f4" else bands.astype(dtype)
if structure == "bip":
    data = np.moveaxis(data, 0, -1)
elif structure == "bil":
    data = np.moveaxis(data, 0, 1)
data.tofile(path)
PY
}

cost() {  # prints the median CPU seconds (or instructions) of the command
    local values=()
    for ((i = 0; i < runs; i++)); do
        if [[ $measure == callgrind ]]; then
            values+=("$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
                        sed -n 's/.*Collected : \([0-9]*\).*/\1/p')")
        else
            values+=("$( { /usr/bin/time -f '%U %S' "$@" >/dev/null 2>/dev/null; } 2>&1 | awk '{print $1 + $2}')")
        fi
    done
    printf '%s\n' "${values[@]}" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-28s %-7s %-9s %12s %12s %7s\n' file format stretch one-band rgb ratio
for kind in "bip8.raw u1 bip 8 --bip" "bil16.raw u2 bil 16 --bil" "bsq32f.raw f4 bsq 32 --bsq --real"; do
    read -r name dtype structure bits options <<<"$kind"
    options="${kind#* * * * }"
    make_file "$name" "$dtype" "$structure"
    layout=(--header-bytes 0 --samples "$samples" --lines "$lines" --bands 3 --bits "$bits" $options
            --end-line "$lines" --end-sample "$samples")
    range=$("$cli" stats "$data/$name" "${layout[@]}" --band 1 --json |
            /usr/bin/python3 -c 'import json, sys; v = json.load(sys.stdin); print(v["min"], v["max"])')
    read -r low high <<<"$range"
    for format in png bmp; do
        for stretch in boxes extremes "--clip 1"; do
            case $stretch in
                boxes) one_options=(--min "$low" --max "$high"); rgb_options=() ;;
                extremes) one_options=(--clip 0); rgb_options=() ;;
                *) one_options=($stretch); rgb_options=($stretch) ;;
            esac
            one=$(cost "$cli" convert "$data/$name" "${layout[@]}" --band 1 "${one_options[@]}" --format "$format" -o "$data/out/one.$format")
            rgb=$(cost "$cli" convert "$data/$name" "${layout[@]}" --rgb 1,2,3 "${rgb_options[@]}" --format "$format" -o "$data/out/rgb.$format")
            printf '%-28s %-7s %-9s %12s %12s %7.2f\n' "$name ($samples x $lines x 3)" "$format" "$stretch" \
                "$one" "$rgb" "$(echo "$rgb / $one" | bc -l)"
        done
    done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
