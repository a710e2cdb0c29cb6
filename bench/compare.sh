#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Side-by-side timings of the batch tool against GDAL and ImageMagick on the
# same work, and against reading the file with cat (the floor).
#
# Run by hand from anywhere:
#   bench/compare.sh
# It builds skeldra-cli with the release preset, the build that `make`,
# `make run`, `make test` and the package use, and times that binary.
# Environment:
#   SKELDRA_BENCH_DIR  where the generated files go (default: /tmp/skeldra-bench)
#   PAIRS              alternated pairs per task (default 5, at least 5 asked)
#   SKIP_LARGE=1       skip the 2 GiB memory check and the 1 GB preview
#
# The files are generated here, deterministically, each with a PDS3-style
# label, so that two runs of this script time the same bytes.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")
data=${SKELDRA_BENCH_DIR:-/tmp/skeldra-bench}
pairs=${PAIRS:-5}
make -C "$repo" --no-print-directory configure >&2
cmake --build "$repo/build/release" --target skeldra-cli >&2
cli=$repo/build/release/src/app/skeldra-cli
echo "build: $(grep -E '^CMAKE_BUILD_TYPE|^CMAKE_CXX_FLAGS_RELEASE' "$repo/build/release/CMakeCache.txt" | paste -sd' ')" >&2

# --- tools ------------------------------------------------------------------

install_missing() {
    local missing=()
    command -v gdalinfo >/dev/null && command -v gdal_translate >/dev/null || missing+=(gdal-bin)
    # Some machines carry a stand-in `convert`; the real one answers -version.
    convert -version 2>/dev/null | grep -q ImageMagick || missing+=(imagemagick)
    [[ -x /usr/bin/time ]] || missing+=(time)
    command -v python3 >/dev/null || missing+=(python3)
    ((${#missing[@]} == 0)) && return
    local sudo=()
    ((EUID == 0)) || sudo=(sudo)
    echo "installing: ${missing[*]}" >&2
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}
install_missing

mkdir -p "$data/out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Debian's ImageMagick policy refuses images of more than 16K lines; a user
# converting strips would raise the limits, so the peer runs with these.
cat >"$work/policy.xml" <<'EOF'
<policymap>
  <policy domain="resource" name="width" value="64KP"/>
  <policy domain="resource" name="height" value="64KP"/>
  <policy domain="resource" name="area" value="1GP"/>
  <policy domain="resource" name="memory" value="2GiB"/>
  <policy domain="resource" name="map" value="4GiB"/>
  <policy domain="resource" name="disk" value="8GiB"/>
</policymap>
EOF
export MAGICK_CONFIGURE_PATH=$work

# --- the files --------------------------------------------------------------

# Writes FILE: a PDS3 label padded to one record, then the samples. A record
# is one line of one band, so the header is exactly one record long.
generate() {
    local file=$1 kind=$2 samples=$3 lines=$4 bands=$5 seed=$6
    python3 - "$file" "$kind" "$samples" "$lines" "$bands" "$seed" <<'EOF'
import array, random, sys
path, kind, samples, lines, bands, seed = sys.argv[1], sys.argv[2], *map(int, sys.argv[3:])
width, sample_type = {"u8": (1, "UNSIGNED_INTEGER"), "i16msb": (2, "MSB_INTEGER"),
                      "f32msb": (4, "IEEE_REAL"), "u16lsb": (2, "LSB_UNSIGNED_INTEGER")}[kind]
record = samples * width
count = lines * bands
label = "\r\n".join([
    "PDS_VERSION_ID = PDS3", "RECORD_TYPE = FIXED_LENGTH", f"RECORD_BYTES = {record}",
    f"FILE_RECORDS = {count + 1}", "LABEL_RECORDS = 1", "^IMAGE = 2",
    "OBJECT = IMAGE", f"  LINES = {lines}", f"  LINE_SAMPLES = {samples}",
    f"  SAMPLE_TYPE = {sample_type}", f"  SAMPLE_BITS = {8 * width}", f"  BANDS = {bands}",
    "  BAND_STORAGE_TYPE = BAND_SEQUENTIAL", "END_OBJECT = IMAGE", "END", ""]).encode()
assert len(label) <= record
rng = random.Random(seed)
with open(path, "wb") as out:
    out.write(label.ljust(record, b" "))
    chunk = 1024  # lines per write
    for first in range(0, count, chunk):
        n = min(chunk, count - first) * samples
        if kind == "f32msb":
            values = array.array("f", (rng.uniform(-1000.0, 1000.0) for _ in range(n)))
            values.byteswap()
            out.write(values.tobytes())
        else:
            out.write(rng.randbytes(n * width))
EOF
}

# name kind samples lines bands band  (one line per benchmark file)
files=(
    "A u8 5056 20000 1 1"
    "B i16msb 4096 4096 1 1"
    "C f32msb 2048 2048 1 1"
    "D u16lsb 2048 2048 3 2"
)

width_of() { case $1 in u8) echo 1 ;; f32msb) echo 4 ;; *) echo 2 ;; esac; }

ensure_file() {
    local name=$1 kind=$2 samples=$3 lines=$4 bands=$5
    local file=$data/$name.IMG width
    width=$(width_of "$kind")
    local expected=$(((lines * bands + 1) * samples * width))
    if [[ ! -f $file || $(stat -c %s "$file") -ne $expected ]]; then
        echo "generating $file" >&2
        generate "$file" "$kind" "$samples" "$lines" "$bands" "$(printf %d "'$name")"
    fi
}

# The layout options of the batch tool for a file.
cli_layout() {
    local kind=$1 samples=$2 lines=$3 bands=$4 band=$5 width
    width=$(width_of "$kind")
    local layout=(--header-bytes $((samples * width)) --samples "$samples" --bits $((8 * width)))
    case $kind in
    u8 | u16lsb) layout+=(--unsigned) ;;
    i16msb) layout+=(--signed --msb) ;;
    f32msb) layout+=(--real --msb) ;;
    esac
    ((bands > 1)) && layout+=(--bands "$bands" --band "$band" --bsq --lines "$lines")
    echo "${layout[*]}"
}

# A VRT of the one band, for GDAL.
write_vrt() {
    local name=$1 kind=$2 samples=$3 lines=$4 bands=$5 band=$6 width
    width=$(width_of "$kind")
    local type order
    case $kind in
    u8) type=Byte order=LSB ;; i16msb) type=Int16 order=MSB ;;
    f32msb) type=Float32 order=MSB ;; u16lsb) type=UInt16 order=LSB ;;
    esac
    local offset=$(((1 + (band - 1) * lines) * samples * width))
    cat >"$data/$name.vrt" <<EOF
<VRTDataset rasterXSize="$samples" rasterYSize="$lines">
  <VRTRasterBand dataType="$type" band="1" subClass="VRTRawRasterBand">
    <SourceFilename relativetoVRT="1">$name.IMG</SourceFilename>
    <ImageOffset>$offset</ImageOffset>
    <PixelOffset>$width</PixelOffset>
    <LineOffset>$((samples * width))</LineOffset>
    <ByteOrder>$order</ByteOrder>
  </VRTRasterBand>
</VRTDataset>
EOF
}

# --- timing -----------------------------------------------------------------

# One run: prints "seconds peak-resident-KiB". A failing command stops the script.
measure() {
    local start end
    start=$(date +%s%N)
    if ! /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>"$work/stderr"; then
        echo "compare.sh: failed: $*" >&2
        cat "$work/stderr" >&2
        exit 1
    fi
    end=$(date +%s%N)
    echo "$(awk -v ns=$((end - start)) 'BEGIN { printf "%.4f", ns / 1e9 }') $(tail -n 1 "$work/rss")"
}

# "median min max" of numbers on standard input.
summary() {
    sort -g | awk '{ v[NR] = $1 } END {
        m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%.3f %.3f %.3f", m, v[1], v[NR] }'
}

table=$work/table
printf '%-22s %-4s %-24s %-14s %-24s %7s %9s %9s %8s %8s\n' task file "skeldra s (min-max)" peer \
    "peer s (min-max)" ratio "sk MB/s" "floor MB/s" "sk MiB" "peer MiB" >"$table"

# compare TASK FILE BYTES FLOOR_MBPS PEER_NAME -- SKELDRA_CMD... -- PEER_CMD...
# Runs one warm-up of each, then PAIRS alternated pairs, and adds a table row.
compare() {
    local task=$1 file=$2 bytes=$3 floor=$4 peer=$5
    shift 5
    [[ $1 == -- ]] && shift
    local ours=() theirs=()
    while [[ $1 != -- ]]; do ours+=("$1"); shift; done
    shift
    theirs=("$@")
    # Each run writes a new file, as a user's would: replacing one costs a
    # flush of the old file's blocks on ext4, which is not the tools' work.
    fresh() { rm -f "$data"/out/*; }
    fresh && measure "${ours[@]}" >/dev/null
    fresh && measure "${theirs[@]}" >/dev/null
    : >"$work/ours" && : >"$work/theirs"
    for ((i = 0; i < pairs; ++i)); do
        fresh && measure "${ours[@]}" >>"$work/ours"
        fresh && measure "${theirs[@]}" >>"$work/theirs"
    done
    local o t orss trss
    o=$(cut -d' ' -f1 "$work/ours" | summary)
    t=$(cut -d' ' -f1 "$work/theirs" | summary)
    orss=$(cut -d' ' -f2 "$work/ours" | sort -g | tail -n 1)
    trss=$(cut -d' ' -f2 "$work/theirs" | sort -g | tail -n 1)
    awk -v task="$task" -v file="$file" -v o="$o" -v t="$t" -v peer="$peer" -v bytes="$bytes" \
        -v floor="$floor" -v orss="$orss" -v trss="$trss" 'BEGIN {
        split(o, a, " "); split(t, b, " ")
        printf "%-22s %-4s %-24s %-14s %-24s %7.1f %9.0f %9s %8.1f %8.1f\n", task, file,
            sprintf("%.3f (%.3f-%.3f)", a[1], a[2], a[3]), peer,
            sprintf("%.3f (%.3f-%.3f)", b[1], b[2], b[3]), b[1] / a[1], bytes / 1e6 / a[1],
            floor, orss / 1024, trss / 1024 }' >>"$table"
    tail -n 1 "$table" >&2
}

# The floor: reading the whole file from the page cache. Prints "seconds MB/s".
floor_of() {
    local file=$1
    cat "$file" >/dev/null
    : >"$work/floor"
    for ((i = 0; i < pairs; ++i)); do measure cat "$file" >>"$work/floor"; done
    local s
    s=$(cut -d' ' -f1 "$work/floor" | summary)
    awk -v s="$s" -v bytes="$(stat -c %s "$file")" 'BEGIN { split(s, a, " "); printf "%.4f %.0f", a[1], bytes / 1e6 / a[1] }'
}

# --- the tasks ----------------------------------------------------------------

machine() {
    echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores," \
        "$(free -g | awk '/Mem:/ { print $2 }') GiB; $(uname -sr); load $(cut -d' ' -f1-3 /proc/loadavg)"
    echo "peers: $(gdalinfo --version | cut -d, -f1), $(convert -version | head -n 1 | cut -d' ' -f2-3)"
}
machine | tee "$work/machine" >&2

for entry in "${files[@]}"; do
    read -r name kind samples lines bands band <<<"$entry"
    ensure_file "$name" "$kind" "$samples" "$lines" "$bands"
    write_vrt "$name" "$kind" "$samples" "$lines" "$bands" "$band"
done

for entry in "${files[@]}"; do
    read -r name kind samples lines bands band <<<"$entry"
    file=$data/$name.IMG vrt=$data/$name.vrt out=$data/out
    read -r -a layout <<<"$(cli_layout "$kind" "$samples" "$lines" "$bands" "$band")"
    area=(--start-line 1 --end-line "$lines" --start-sample 1 --end-sample "$samples")
    band_bytes=$((samples * lines * $(width_of "$kind")))
    read -r floor_s floor_mbps <<<"$(floor_of "$file")"
    printf '%-22s %-4s %-24s %-14s %-24s %7s %9s %9s\n' "floor (cat, whole file)" "$name" "$floor_s" "" "" "" \
        "$floor_mbps" "$floor_mbps" >>"$table"

    # The true extremes, from Skeldra, checked against GDAL's.
    stats=$("$cli" stats "$file" "${layout[@]}" "${area[@]}" | grep '^Min data:')
    min=$(sed -E 's/^Min data: ([^ ]+) .*/\1/' <<<"$stats")
    max=$(sed -E 's/.*Max data: ([^ ]+) .*/\1/' <<<"$stats")
    gdal_mm=$(gdalinfo -mm "$vrt" | grep 'Computed Min/Max' | sed -E 's/.*=//')
    awk -v a="$min,$max" -v b="$gdal_mm" 'BEGIN { split(a, x, ","); split(b, y, ",")
        # GDAL prints three decimals.
        for (i = 1; i <= 2; ++i) { d = x[i] - y[i]; if (d < 0) d = -d
            if (d > 0.0005 + 1e-6 * (y[i] < 0 ? -y[i] : y[i])) { print "extremes differ: " a " vs " b > "/dev/stderr"; exit 1 } } }'
    echo "$name: min $min max $max (GDAL: $gdal_mm)" >&2

    compare "area statistics" "$name" "$band_bytes" "$floor_mbps" "gdalinfo -mm" \
        -- "$cli" stats "$file" "${layout[@]}" "${area[@]}" \
        -- gdalinfo -mm "$vrt"
    for gamma in 1 0.5; do
        exponent=()
        [[ $gamma == 1 ]] || exponent=(-exponent "$gamma")
        compare "BMP gamma $gamma" "$name" "$band_bytes" "$floor_mbps" "gdal_translate" \
            -- "$cli" convert "$file" -o "$out/$name.skeldra.bmp" "${layout[@]}" "${area[@]}" \
            --min "$min" --max "$max" --gamma "$gamma" \
            -- gdal_translate -q -of BMP -ot Byte -scale "$min" "$max" 0 255 "${exponent[@]}" "$vrt" "$out/$name.gdal.bmp"
        if [[ $kind == u8 ]]; then
            # ImageMagick's -gamma G raises to 1/G.
            magick=(convert -size "${samples}x${lines}+$samples" -depth 8 "gray:$file")
            [[ $min == 0 && $max == 255 ]] || magick+=(-level "$min,$max")
            [[ $gamma == 1 ]] || magick+=(-gamma "$(awk -v g="$gamma" 'BEGIN { print 1 / g }')")
            if "${magick[@]}" "$out/$name.magick.bmp" 2>"$work/magick.err"; then
                compare "BMP gamma $gamma" "$name" "$band_bytes" "$floor_mbps" "ImageMagick" \
                    -- "$cli" convert "$file" -o "$out/$name.skeldra.bmp" "${layout[@]}" "${area[@]}" \
                    --min "$min" --max "$max" --gamma "$gamma" \
                    -- "${magick[@]}" "$out/$name.magick.bmp"
            else
                echo "ImageMagick refused: $(head -n 1 "$work/magick.err")" | tee -a "$work/notes" >&2
            fi
        fi
    done
    window=(--start-line 1001 --end-line 2024 --start-sample 1001 --end-sample 2024)
    compare "text 1024x1024" "$name" $((1024 * 1024 * $(width_of "$kind"))) "$floor_mbps" "gdal AAIGrid" \
        -- "$cli" convert "$file" -o "$out/$name.skeldra.txt" --text "${layout[@]}" "${window[@]}" \
        --min "$min" --max "$max" \
        -- gdal_translate -q -of AAIGrid -srcwin 1000 1000 1024 1024 "$vrt" "$out/$name.gdal.asc"
done

# --- large files: bounded memory, preview speed -------------------------------------

if [[ ${SKIP_LARGE:-0} != 1 ]]; then
    # 2 GiB and more of 16-bit samples (sparse: the memory bound is the point).
    big=$data/big.IMG
    truncate -s $((32768 * 2 * 32770 + 65536)) "$big"
    big_layout=(--header-bytes 65536 --samples 32768 --bits 16 --unsigned
        --start-line 1 --end-line 32770 --start-sample 1 --end-sample 32768)
    read -r s kib <<<"$(measure "$cli" stats "$big" "${big_layout[@]}")"
    echo "2 GiB file, area statistics: $s s, peak resident $((kib / 1024)) MiB" | tee -a "$work/notes" >&2
    read -r s kib <<<"$(measure "$cli" convert "$big" -o "$data/out/big.bmp" "${big_layout[@]}" --min 0 --max 1000 --gamma 0.5)"
    echo "2 GiB file, BMP conversion: $s s, peak resident $((kib / 1024)) MiB" | tee -a "$work/notes" >&2
    rm -f "$data/out/big.bmp"

    # A 1 GB 16-bit signed MSB image, previewed as 500 x 500.
    ensure_file P i16msb 23168 23168 1 1
    preview_layout=(--header-bytes $((23168 * 2)) --samples 23168 --bits 16 --signed --msb
        --start-line 1 --end-line 23168 --start-sample 1 --end-sample 23168 --preview-size 500)
    cat "$data/P.IMG" >/dev/null
    for mode in plain auto; do
        extra=(--min -32768 --max 32767)
        [[ $mode == auto ]] && extra=(--auto)
        : >"$work/preview"
        for ((i = 0; i < pairs; ++i)); do
            measure "$cli" preview "$data/P.IMG" -o "$data/out/P.bmp" "${preview_layout[@]}" "${extra[@]}" >>"$work/preview"
        done
        echo "1 GB file, 500 x 500 preview ($mode): median/min/max $(cut -d' ' -f1 "$work/preview" | summary) s," \
            "peak resident $(($(cut -d' ' -f2 "$work/preview" | sort -g | tail -n 1) / 1024)) MiB" | tee -a "$work/notes" >&2
    done
fi

echo
cat "$work/machine"
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
cat "$table"
[[ -f $work/notes ]] && cat "$work/notes"
exit 0
