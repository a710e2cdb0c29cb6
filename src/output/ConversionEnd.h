// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// How a conversion's output file ends: kept, cut short after an abort, or
// dropped when the window closes during it.
#include <cstdint>

#include "output/AtomicOutputFile.h"
#include "output/PngFile.h"
#include "output/TiffFile.h"
#include "port/WindowPort.h"

namespace skeldra {

struct Written {
    int32_t rows = 0;
    // False when the window is closing: the target keeps what it held.
    bool kept = true;
    // A pipe, terminal or device, which cannot be cut or rewritten after an abort.
    bool stream = false;
};

// A conversion aborted by closing the window leaves no partial file: the
// user did not stay to see what it holds. A complete file is kept.
inline bool dropsPartialFile(WindowPort& port, const AtomicOutputFile& out, int32_t done, int32_t height)
{
    return done < height && port.state.CloseRequested && out.rewritable();
}

inline Written finishFile(WindowPort& port, AtomicOutputFile& out, int32_t done, int32_t height)
{
    const Written written{done, !dropsPartialFile(port, out, done, height), !out.rewritable()};
    if (written.kept)
        out.commit();
    else
        out.abandon();
    return written;
}

// PNG holds its height in its header and its rows in one compressed
// stream, so an aborted picture cannot be cut short: the target keeps what
// it held (a stream keeps what was sent).
inline Written finishPng(PngWriter& png, AtomicOutputFile& out, int32_t done, int32_t height)
{
    if (done == height) {
        png.finish();
        out.commit();
        return {done, true, !out.rewritable()};
    }
    if (!out.rewritable()) {
        out.commit();
        return {done, true, true};
    }
    out.abandon();
    return {done, false, false};
}

// The TIFF of the completed rows: its directory, written last, says how many.
inline Written finishTiff(WindowPort& port, TiffWriter& tiff, AtomicOutputFile& out, int32_t done, int32_t height)
{
    if (!dropsPartialFile(port, out, done, height)) tiff.finish(done);
    return finishFile(port, out, done, height);
}

}  // namespace skeldra
