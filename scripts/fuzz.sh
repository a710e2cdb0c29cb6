#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Builds the libFuzzer targets (clang, ASan, UBSan), replays every input that
# once failed, then fuzzes each target for a fixed time, one at a time.
# Usage: scripts/fuzz.sh [seconds per target] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-200}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(numeric_entry header_reader sample_operations label_pds3 label_vicar label_pds4 label_envi fits_header isis3_label byte_account discovery)
build=build/fuzz

[ -f $build/build.ninja ] ||
    cmake -S fuzz -B $build -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build $build -j2

status=0
for t in "${targets[@]}"; do
    binary=$build/fuzz_$t
    regressions=(fuzz/regressions/$t/*)
    if [ -e "${regressions[0]}" ]; then
        echo "== $t: replaying ${#regressions[@]} past findings"
        "$binary" "${regressions[@]}" >/dev/null 2>&1 || { echo "   a past finding fails again"; status=1; continue; }
    fi
    corpus=$build/corpus/$t
    findings=$build/findings
    mkdir -p "$corpus" "$findings"
    # A FITS file's second HDU starts 2880 bytes in at the earliest.
    max_len=4096
    [ "$t" = fits_header ] && max_len=16384
    echo "== $t: fuzzing for ${seconds}s"
    if ! "$binary" -max_total_time="$seconds" -max_len=$max_len -timeout=20 -rss_limit_mb=2048 \
            -print_final_stats=1 -artifact_prefix="$findings/$t-" "$corpus" "fuzz/corpus/$t" \
            >"$build/$t.log" 2>&1; then
        echo "   FINDING, see $build/$t.log and $findings/"
        status=1
    fi
    grep -E "^stat::number_of_executed_units|^Done" "$build/$t.log" | sed 's/^/   /' || true
done
exit $status
