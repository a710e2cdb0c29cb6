// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Reading the rows of a long operation in runs of samples between event
// pumps. Controls change only while events are processed, so the data type,
// the byte order and the ignore box are read once per run, which gives what
// reading them at every sample would give.
#include <algorithm>
#include <cstdint>

#include "raster/AreaOfInterest.h"
#include "output/RowBlocks.h"
#include "port/LongOperation.h"
#include "raster/SampleReader.h"

namespace skeldra {

// What a writer receives: a run of raw samples, or one value that had to be
// read on its own. `ignoreNonData` is the ignore box as it stands for them.
//   void run(const RawRun& run, SampleFormat format, bool ignoreNonData);
//   void value(long double value, bool isReal, bool ignoreNonData);
template <typename Writer>
class RowRuns {
public:
    // `direction`: the order in which the operation goes through the lines.
    // `maxRun`: the most samples the writer handles well within one run; a
    // writer's output buffer must take one byte per sample of a run.
    RowRuns(SampleReader& reader, const AreaOfInterest& area, RunPacer& pacer, RowBlocks::Direction direction,
            int64_t maxRun)
        : reader_(reader), port_(reader.port()), area_(area), pacer_(pacer), blocks_(reader, area, direction),
          maxRun_(maxRun)
    {
    }

    // One band of several read through a shared reader: `blockArea` (its
    // band the lowest of them) and `lastBand` say which rows the reader's
    // blocks hold, the same for every band (see RowBlocks).
    RowRuns(SampleReader& reader, const AreaOfInterest& area, RunPacer& pacer, RowBlocks::Direction direction,
            int64_t maxRun, const AreaOfInterest& blockArea, int32_t lastBand)
        : reader_(reader), port_(reader.port()), area_(area), pacer_(pacer),
          blocks_(reader, blockArea, lastBand, direction), maxRun_(maxRun)
    {
    }

    // Hands every sample of the line to the writer in row order. False when
    // an abort came before the row's last sample.
    bool row(int32_t line, Writer& writer)
    {
        blocks_.ensure(line);
        int64_t remaining = area_.Width();
        for (const auto& [first, last] : {area_.firstPart(), area_.secondPart()}) {
            for (int64_t sample = first; sample <= last;) {
                const int32_t done = runAt(line, static_cast<int32_t>(sample), last - sample + 1, writer);
                sample += done;
                remaining -= done;
                if (pacer_.advance(done) && remaining > 0) return false;
            }
        }
        return true;
    }

private:
    int32_t runAt(int32_t line, int32_t sample, int64_t wanted, Writer& writer)
    {
        const int32_t bytesPerSample = reader_.layout().BytesPerSample;
        const SampleFormat format = currentSampleFormat(port_, bytesPerSample);
        const bool ignore = port_.isChecked(Choice::IgnoreNonDataValue);
        const auto most = static_cast<int32_t>(std::min<int64_t>({wanted, pacer_.runLength(), maxRun_}));
        // In as many runs of the reader as it takes: a run ends at a tile's edge.
        int32_t done = 0;
        while (done < most) {
            const RawRun run = reader_.viewRun(line, area_.Band, sample + done, most - done);
            if (run.count == 0) {
                // Raises the exact error of this sample, or reads it on its own.
                const long double value = reader_.ReadDataValue(line, area_.Band, sample + done);
                writer.value(value, port_.state.LastValueIsReal, ignore);
                ++done;
                continue;
            }
            writer.run(run, format, ignore);
            if (format.kind != SampleKind::None) port_.state.LastValueIsReal = isRealKind(format.kind);
            done += run.count;
        }
        return done;
    }

    SampleReader& reader_;
    WindowPort& port_;
    const AreaOfInterest& area_;
    RunPacer& pacer_;
    RowBlocks blocks_;
    int64_t maxRun_;
};

}  // namespace skeldra
