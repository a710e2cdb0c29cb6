// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A one-band TIFF file of raw sample values written row by row through
// libtiff into an output file: uncompressed strips, the samples' own type,
// BigTIFF when the file would pass the 4 GiB of classic TIFF, and the
// non-data value in the GDAL_NODATA tag that GDAL and QGIS read.
//
// Failure: the output file's I/O errors come through as they are; an error
// of libtiff itself raises an Error with its text.
#include <cstdint>
#include <exception>
#include <string>

#include "output/AtomicOutputFile.h"
#include "raster/SampleDecode.h"

struct tiff;

namespace skeldra {

class TiffWriter {
public:
    // `noData`: the GDAL_NODATA text, empty for none. `kind` must not be None.
    // With 3 channels a pixel holds three samples (bands) in turn: RGB for
    // 8- and 16-bit unsigned samples, otherwise three plain bands.
    TiffWriter(AtomicOutputFile& out, int32_t width, int32_t height, SampleKind kind, const std::string& noData,
               int channels = 1);
    ~TiffWriter();
    TiffWriter(const TiffWriter&) = delete;
    TiffWriter& operator=(const TiffWriter&) = delete;

    // Whether the file is a BigTIFF.
    bool big() const { return big_; }

    // Row `row` (0-based, in order) of samples in the machine's byte order.
    void writeRow(const void* samples, int32_t row);
    // Writes the directory; with fewer rows than the height, the file
    // describes the rows written and nothing more.
    void finish(int32_t rowsWritten);

    // For libtiff's callbacks.
    AtomicOutputFile& out() { return out_; }
    int64_t position = 0;
    std::exception_ptr error;
    std::string message;

private:
    [[noreturn]] void raise();

    AtomicOutputFile& out_;
    tiff* tif_ = nullptr;
    int32_t height_;
    bool big_ = false;
};

// The size of one sample of the kind, in bytes.
int32_t sampleBytes(SampleKind kind);

}  // namespace skeldra
