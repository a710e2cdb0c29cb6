// SPDX-License-Identifier: BSD-3-Clause
#include "output/PngFile.h"

#include <png.h>

#include <cstring>

#include "base/Errors.h"

namespace skeldra {
namespace {

// libpng is C: its errors leave through longjmp, and no C++ exception may
// pass through its frames. The callbacks keep what went wrong, and the
// calls below rethrow it once back in C++.
void writeData(png_structp png, png_bytep data, size_t length)
{
    auto* writer = static_cast<PngWriter*>(png_get_io_ptr(png));
    try {
        writer->out().write(data, length);
    } catch (...) {
        writer->fail(std::current_exception());
        png_error(png, "write failed");
    }
}

void flushData(png_structp) {}

void onError(png_structp png, png_const_charp message)
{
    static_cast<PngWriter*>(png_get_error_ptr(png))->setMessage(message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

}  // namespace

// Each libpng call sits in a function of its own with setjmp and nothing
// that needs destroying, so that the longjmp skips no destructor.
#define SKELDRA_PNG_GUARDED(call)                 \
    do {                                          \
        if (setjmp(png_jmpbuf(png_))) raise();    \
        call;                                     \
    } while (false)

PngWriter::PngWriter(AtomicOutputFile& out, int32_t width, int32_t height, int bitDepth, int channels) : out_(out)
{
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, onError, onWarning);
    if (png_ != nullptr) info_ = png_create_info_struct(png_);
    if (png_ == nullptr || info_ == nullptr) {
        png_destroy_write_struct(&png_, &info_);
        throw std::bad_alloc();
    }
    try {
        start(width, height, bitDepth, channels);
    } catch (...) {
        png_destroy_write_struct(&png_, &info_);
        throw;
    }
}

void PngWriter::start(int32_t width, int32_t height, int bitDepth, int channels)
{
    SKELDRA_PNG_GUARDED({
        png_set_write_fn(png_, this, writeData, flushData);
        png_set_IHDR(png_, info_, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bitDepth,
                     channels == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png_, info_);
        // Rows come in the machine's order; PNG stores 16-bit samples high byte first.
        if (bitDepth == 16) png_set_swap(png_);
    });
}

PngWriter::~PngWriter() { png_destroy_write_struct(&png_, &info_); }

void PngWriter::setMessage(const char* text)
{
    std::strncpy(message_, text, sizeof message_ - 1);
}

void PngWriter::raise()
{
    if (error_) std::rethrow_exception(error_);
    throw Error(std::string("PNG: ") + message_);
}

void PngWriter::writeRow(const void* samples)
{
    SKELDRA_PNG_GUARDED(png_write_row(png_, static_cast<png_const_bytep>(samples)));
}

void PngWriter::finish()
{
    SKELDRA_PNG_GUARDED(png_write_end(png_, nullptr));
}

}  // namespace skeldra
