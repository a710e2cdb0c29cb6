#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Many files on every core: the area statistics of 40 labelled 8-bit files of
# 25 MB, with --jobs 1 and with --jobs 2, timed in alternated pairs. Goal on
# a 2-core machine: --jobs 2 takes at most 0.6 times as long as --jobs 1.
#
# Run by hand after `make build` (the release preset, the build users get):
#   bench/jobs.sh
# Environment: SKELDRA_BENCH_DIR (default /tmp/skeldra-bench), PAIRS (default 5).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")
cli=$repo/build/release/src/app/skeldra-cli
[[ -x $cli ]] || { echo "jobs.sh: run make build first" >&2; exit 1; }
data=${SKELDRA_BENCH_DIR:-/tmp/skeldra-bench}/jobs
pairs=${PAIRS:-5}
mkdir -p "$data"

# 40 files of 5000 x 5000 8-bit samples after a PDS3 label of one record.
python3 - "$data" <<'PY'
import os, random, sys
folder = sys.argv[1]
samples = lines = 5000
label = "\r\n".join([
    "PDS_VERSION_ID = PDS3", "RECORD_TYPE = FIXED_LENGTH", f"RECORD_BYTES = {samples}",
    f"FILE_RECORDS = {lines + 1}", "LABEL_RECORDS = 1", "^IMAGE = 2", "OBJECT = IMAGE",
    f"  LINES = {lines}", f"  LINE_SAMPLES = {samples}", "  SAMPLE_TYPE = UNSIGNED_INTEGER",
    "  SAMPLE_BITS = 8", "END_OBJECT = IMAGE", "END", ""]).encode().ljust(samples, b" ")
for i in range(40):
    path = os.path.join(folder, f"F{i:02d}.IMG")
    if os.path.exists(path) and os.path.getsize(path) == (lines + 1) * samples:
        continue
    rng = random.Random(i)
    with open(path, "wb") as out:
        out.write(label)
        out.write(rng.randbytes(lines * samples))
PY
files=("$data"/F??.IMG)
cat "${files[@]}" >/dev/null

run() {
    local start end
    start=$(date +%s%N)
    "$cli" stats "${files[@]}" --from-label --jobs "$1" >/dev/null 2>&1 || { echo "jobs.sh: skeldra-cli failed" >&2; exit 1; }
    end=$(date +%s%N)
    awk -v ns=$((end - start)) 'BEGIN { printf "%.3f\n", ns / 1e9 }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

run 1 >/dev/null && run 2 >/dev/null
: >"$data/one" && : >"$data/two"
for ((i = 0; i < pairs; ++i)); do
    run 1 >>"$data/one"
    run 2 >>"$data/two"
done
one=$(median <"$data/one") two=$(median <"$data/two")
echo "machine: $(nproc) cores; load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "40 files x 25 MB, stats --from-label: --jobs 1 $one s, --jobs 2 $two s" \
    "(runs: $(paste -sd' ' "$data/one") / $(paste -sd' ' "$data/two"))"
awk -v a="$one" -v b="$two" 'BEGIN { printf "ratio --jobs 2 / --jobs 1: %.2f (goal at most 0.6)\n", b / a }'
