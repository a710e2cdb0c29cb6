// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Where every byte of a raster file goes under one layout: the label text
// at its start, the rest of the header, the samples of each band, line
// prefixes and pads, band pads, gaps, and what is left over at the end, each
// with its byte count and share of the file; and one sentence for each
// region that does not look as its role says. This is the explanation
// behind the size check of Reset, and counts lines as Reset does.
//
// Reads at most a few MiB of the file, spread over it, whatever its size,
// in time linear in what it reads.
//
// Failure: a file that cannot be opened or read raises its I/O error; a
// layout whose positions exceed 64 bits raises "Integer overflow".
#include <cstdint>
#include <string>
#include <vector>

#include "port/FormState.h"
#include "raster/SampleDecode.h"

namespace skeldra {

struct AccountLayout {
    int64_t headerBytes = 0;
    int64_t samples = 0;         // per line of one band
    int64_t bytesPerSample = 1;
    int64_t bands = 1;
    BandStructure structure = BandStructure::None;
    // Lines of one band image: given for BSQ; for the other structures as
    // many whole lines as the file holds after the header.
    int64_t lines = 0;
    int64_t linePad = 0;
    int64_t bandPad = 0;
    int64_t gap = 0;
    // The first bytes of every line pad that stand in front of the next line
    // instead of after this one (a label's line prefix); the header then
    // ends that many bytes earlier, and the last line has no pad after it.
    int64_t linePrefix = 0;
    // Samples and lines of one tile; both 0 for bands stored in lines.
    // Tiled bands (None or BSQ, no line pad) are rows of tiles, the edge
    // tiles stored whole: the bytes beyond the samples are their padding.
    int64_t tileSamples = 0;
    int64_t tileLines = 0;
    SampleFormat format;
};

enum class RegionRole : uint8_t {
    Label, Header, Samples, LinePrefixes, LinePads, BandPads, Gaps, LeftOver, Missing, TilePadding
};

struct Region {
    RegionRole role = RegionRole::Label;
    int64_t band = 0;        // 1-based, for samples only; 0: all bands (when there are many)
    int64_t bytes = 0;
    int64_t first = 0;       // position of its first byte
    int64_t pieces = 1;      // separate stretches (lines, pads)
    int64_t pieceBytes = 0;  // bytes of each stretch
    std::string content;     // what a sample of its bytes holds ("all 0x00", "text", "varying"); may be empty
    // The pieces are tiles: whole ones of pieceBytes (samples), or the edge
    // tiles holding the padding (pieceBytes 0: it differs between them).
    bool tiles = false;
};

struct ByteAccount {
    std::string path;
    int64_t fileSize = 0;
    AccountLayout layout;  // as used, lines counted
    std::vector<Region> regions;  // by the position of their first bytes
    std::vector<std::string> flags;  // one sentence each
};

ByteAccount accountBytes(const std::string& path, AccountLayout layout);

// The log lines of Explain File.
std::vector<std::string> describeAccount(const ByteAccount& account);

// One JSON object, on one line.
std::string accountJson(const ByteAccount& account);

// Bytes of label text at the start of a file: up to the line END (or the
// FITS END card, or a VICAR label's LBLSIZE); 0 when the start is no label.
int64_t labelTextBytes(const uint8_t* start, std::size_t size);

}  // namespace skeldra
