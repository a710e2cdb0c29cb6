// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Three bands of the input file drawn as red, green and blue. Each channel
// is stretched on its own, by its own extremes in the area or by "Clip %" of
// its own values, with the one gamma; non-data is drawn as the minimum.
//
// Reading: the three bands of a row are read one after the other. Bands that
// lie side by side in the file (BIL, BIP) share one reader, whose blocks hold
// the rows of all three, so the file is read once; bands far apart (BSQ,
// tiles) each have a reader of their own, so that memory stays three buffers.
//
// Failure: a band outside the file's bands is refused before the file is
// read; the readers raise the errors of SampleReader.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "output/GrayMapping.h"
#include "output/RowRuns.h"
#include "port/LongOperation.h"
#include "raster/AreaOfInterest.h"
#include "raster/NonDataTest.h"
#include "raster/SampleReader.h"

namespace skeldra {

using RgbBands = std::array<int32_t, 3>;

// The bands chosen for red, green and blue when RGB is ticked, each checked
// against the layout's bands; empty when RGB is clear.
std::optional<RgbBands> chosenRgbBands(WindowPort& port);

// One reader for the three bands, or one each.
class ChannelReaders {
public:
    ChannelReaders(WindowPort& port, const RgbBands& bands);
    SampleReader& reader(int channel) { return *readers_[readers_.size() == 1 ? 0 : channel]; }
    bool shared() const { return readers_.size() == 1; }
    int32_t lowestBand() const { return lowest_; }
    int32_t highestBand() const { return highest_; }
    void close();

private:
    std::vector<std::unique_ptr<SampleReader>> readers_;
    int32_t lowest_ = 1;
    int32_t highest_ = 1;
};

// The rows of the three channels, each handed to its own writer (see
// RowRuns for what a writer receives).
template <typename Writer>
class ChannelRows {
public:
    ChannelRows(ChannelReaders& readers, const AreaOfInterest& area, const RgbBands& bands, RunPacer& pacer,
                RowBlocks::Direction direction, int64_t maxRun)
        : blockArea_(area)
    {
        blockArea_.Band = readers.lowestBand();
        for (int c = 0; c < 3; ++c) {
            areas_[c] = area;
            areas_[c].Band = bands[c];
            if (readers.shared())
                runs_[c] = std::make_unique<RowRuns<Writer>>(readers.reader(c), areas_[c], pacer, direction, maxRun,
                                                             blockArea_, readers.highestBand());
            else
                runs_[c] = std::make_unique<RowRuns<Writer>>(readers.reader(c), areas_[c], pacer, direction, maxRun);
        }
    }

    // False when an abort came before the row's last sample.
    bool row(int32_t line, const std::array<Writer*, 3>& writers)
    {
        for (int c = 0; c < 3; ++c)
            if (!runs_[c]->row(line, *writers[c])) return false;
        return true;
    }

private:
    AreaOfInterest blockArea_;
    std::array<AreaOfInterest, 3> areas_;
    std::array<std::unique_ptr<RowRuns<Writer>>, 3> runs_;
};

// How one channel is stretched, found by the statistics pass.
struct ChannelRange {
    bool hasData = false;
    long double minimum = 0;
    long double maximum = 0;
    std::optional<long double> clipPercent;  // set when "Clip %" chose the range
    std::string clipMissing;                 // why a clip asked for was not applied
};

// The ranges of the three channels over the area, one pass over the rows
// (and the further passes the percentile search of "Clip %" needs); an
// abort leaves them empty.
std::optional<std::array<ChannelRange, 3>> findChannelRanges(WindowPort& port, const AreaOfInterest& area,
                                                             const RgbBands& bands, const NonDataTest& test,
                                                             long double clipPercent);

// One log line a channel: its band and the range it is stretched to.
void logChannelRanges(WindowPort& port, const RgbBands& bands, const std::array<ChannelRange, 3>& ranges);

// The gray mappings of the channels; a channel without data maps from 0 to 0.
std::array<GrayMapping, 3> channelMappings(const std::array<ChannelRange, 3>& ranges, long double gamma);

}  // namespace skeldra
