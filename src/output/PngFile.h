// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A grayscale or RGB PNG file written row by row through libpng into an output
// file: 8-bit or 16-bit samples, rows from the top, no row kept once written.
//
// Failure: the output file's I/O errors come through as they are; an error
// of libpng itself raises an Error with its text. The file is complete only
// after finish(), which must follow the last of the `height` rows.
#include <cstdint>
#include <exception>

#include "output/AtomicOutputFile.h"

struct png_struct_def;
struct png_info_def;

namespace skeldra {

class PngWriter {
public:
    // Writes the signature and the header; bitDepth is 8 or 16, channels 1
    // (gray) or 3 (red, green, blue in each pixel).
    PngWriter(AtomicOutputFile& out, int32_t width, int32_t height, int bitDepth, int channels = 1);
    ~PngWriter();
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    // One row of `width` pixels of `channels` samples: bytes for 8 bits,
    // native uint16_t for 16.
    void writeRow(const void* samples);
    void finish();

    // For libpng's callbacks.
    AtomicOutputFile& out() { return out_; }
    void fail(std::exception_ptr error) { error_ = error; }
    void setMessage(const char* text);

private:
    void start(int32_t width, int32_t height, int bitDepth, int channels);
    [[noreturn]] void raise();

    AtomicOutputFile& out_;
    png_struct_def* png_ = nullptr;
    png_info_def* info_ = nullptr;
    std::exception_ptr error_;
    char message_[256] = {};
};

}  // namespace skeldra
