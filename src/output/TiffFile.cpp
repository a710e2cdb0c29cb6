// SPDX-License-Identifier: BSD-3-Clause
#include "output/TiffFile.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

#include "base/Errors.h"

namespace skeldra {
namespace {

constexpr ttag_t gdalNoDataTag = 42113;
// Strips of about a mebibyte: few enough offsets for huge files, small
// enough for the one strip libtiff holds in memory.
constexpr int64_t stripBytes = int64_t{1} << 20;
// Room for the header, the directory and the strip tables of a classic file.
constexpr int64_t classicLimit = (int64_t{1} << 32) - (int64_t{1} << 24);

TiffWriter& writerOf(thandle_t handle) { return *static_cast<TiffWriter*>(handle); }

// libtiff is C: no exception may pass through it. The callbacks keep what
// went wrong and report a failure, which the calls below turn back into it.
tmsize_t readProc(thandle_t, void*, tmsize_t) { return 0; }

tmsize_t writeProc(thandle_t handle, void* data, tmsize_t size)
{
    TiffWriter& w = writerOf(handle);
    try {
        AtomicOutputFile& out = w.out();
        const auto* bytes = static_cast<const uint8_t*>(data);
        const int64_t end = out.size();
        if (w.position < end) {
            // A header or directory written again over earlier bytes.
            const int64_t inside = std::min<int64_t>(size, end - w.position);
            out.overwrite(w.position, std::vector<uint8_t>(bytes, bytes + inside));
            if (inside < size) out.write(bytes + inside, static_cast<size_t>(size - inside));
        } else {
            if (w.position > end) out.write(std::vector<uint8_t>(static_cast<size_t>(w.position - end), 0).data(),
                                            static_cast<size_t>(w.position - end));
            out.write(bytes, static_cast<size_t>(size));
        }
        w.position += size;
        return size;
    } catch (...) {
        if (!w.error) w.error = std::current_exception();
        return -1;
    }
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence)
{
    TiffWriter& w = writerOf(handle);
    const int64_t base = whence == SEEK_CUR ? w.position : whence == SEEK_END ? w.out().size() : 0;
    w.position = base + static_cast<int64_t>(offset);
    return static_cast<toff_t>(w.position);
}

int closeProc(thandle_t) { return 0; }

toff_t sizeProc(thandle_t handle) { return static_cast<toff_t>(writerOf(handle).out().size()); }

int mapProc(thandle_t, void**, toff_t*) { return 0; }
void unmapProc(thandle_t, void*, toff_t) {}

int onError(TIFF*, void* user, const char* module, const char* format, va_list args)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    auto& w = *static_cast<TiffWriter*>(user);
    if (w.message.empty()) w.message = std::string(module ? module : "") + ": " + text;
    return 1;
}

int onWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TypeTags {
    uint16_t bits;
    uint16_t format;
};

TypeTags typeTags(SampleKind kind)
{
    switch (kind) {
    case SampleKind::U8: return {8, SAMPLEFORMAT_UINT};
    case SampleKind::U16: return {16, SAMPLEFORMAT_UINT};
    case SampleKind::I16: return {16, SAMPLEFORMAT_INT};
    case SampleKind::U32: return {32, SAMPLEFORMAT_UINT};
    case SampleKind::I32: return {32, SAMPLEFORMAT_INT};
    case SampleKind::F32: return {32, SAMPLEFORMAT_IEEEFP};
    case SampleKind::F64: return {64, SAMPLEFORMAT_IEEEFP};
    case SampleKind::None: break;
    }
    throw Error("TIFF: no sample type for this layout");
}

const TIFFFieldInfo gdalNoDataField[] = {
    {gdalNoDataTag, -1, -1, TIFF_ASCII, FIELD_CUSTOM, 1, 0, const_cast<char*>("GDALNoDataValue")}};

// Readers take RGB only of unsigned 8- and 16-bit samples; three bands of
// another type are gray with two extra samples of no stated meaning.
bool setPhotometric(tiff* tif, SampleKind kind, int channels)
{
    if (channels == 1) return TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t{PHOTOMETRIC_MINISBLACK});
    if (kind == SampleKind::U8 || kind == SampleKind::U16)
        return TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t{PHOTOMETRIC_RGB});
    const uint16_t extra[] = {EXTRASAMPLE_UNSPECIFIED, EXTRASAMPLE_UNSPECIFIED};
    return TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t{PHOTOMETRIC_MINISBLACK}) &&
           TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t{2}, extra);
}

}  // namespace

int32_t sampleBytes(SampleKind kind) { return typeTags(kind).bits / 8; }

TiffWriter::TiffWriter(AtomicOutputFile& out, int32_t width, int32_t height, SampleKind kind,
                       const std::string& noData, int channels)
    : out_(out), height_(height)
{
    const TypeTags tags = typeTags(kind);
    const int64_t rowBytes = int64_t{width} * channels * (tags.bits / 8);
    const int64_t rowsPerStrip = std::clamp<int64_t>(stripBytes / std::max<int64_t>(rowBytes, 1), 1, std::max(height, 1));
    const int64_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
    big_ = rowBytes * height + strips * 8 > classicLimit;

    std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(), TIFFOpenOptionsFree);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), onError, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), onWarning, this);
    tif_ = TIFFClientOpenExt("output", big_ ? "w8" : "w", this, readProc, writeProc, seekProc, closeProc,
                             sizeProc, mapProc, unmapProc, options.get());
    if (tif_ == nullptr) raise();
    bool ok = TIFFSetField(tif_, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width)) &&
              TIFFSetField(tif_, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height)) &&
              TIFFSetField(tif_, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(channels)) &&
              TIFFSetField(tif_, TIFFTAG_BITSPERSAMPLE, tags.bits) &&
              TIFFSetField(tif_, TIFFTAG_SAMPLEFORMAT, tags.format) &&
              setPhotometric(tif_, kind, channels) &&
              TIFFSetField(tif_, TIFFTAG_PLANARCONFIG, uint16_t{PLANARCONFIG_CONTIG}) &&
              TIFFSetField(tif_, TIFFTAG_COMPRESSION, uint16_t{COMPRESSION_NONE}) &&
              TIFFSetField(tif_, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(rowsPerStrip));
    if (ok && !noData.empty())
        ok = TIFFMergeFieldInfo(tif_, gdalNoDataField, 1) == 0 && TIFFSetField(tif_, gdalNoDataTag, noData.c_str());
    if (!ok) {
        TIFFClose(tif_);
        tif_ = nullptr;
        raise();
    }
}

TiffWriter::~TiffWriter()
{
    if (tif_ != nullptr) TIFFClose(tif_);  // errors of a file being dropped do not matter
}

void TiffWriter::raise()
{
    if (error) std::rethrow_exception(error);
    throw Error("TIFF: " + (message.empty() ? std::string("cannot write the file") : message));
}

void TiffWriter::writeRow(const void* samples, int32_t row)
{
    if (TIFFWriteScanline(tif_, const_cast<void*>(samples), static_cast<uint32_t>(row), 0) != 1) raise();
}

void TiffWriter::finish(int32_t rowsWritten)
{
    if (rowsWritten < height_ && !TIFFSetField(tif_, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(rowsWritten)))
        raise();
    const bool flushed = TIFFFlush(tif_) == 1;
    TIFFClose(tif_);
    tif_ = nullptr;
    if (!flushed || error) raise();
}

}  // namespace skeldra
