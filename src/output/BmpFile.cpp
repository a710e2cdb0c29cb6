// SPDX-License-Identifier: BSD-3-Clause
#include "output/BmpFile.h"

#include "base/Checked.h"
#include "output/AtomicOutputFile.h"

namespace skeldra {
namespace {

constexpr uint32_t infoHeaderBytes = 40;
constexpr uint32_t bgrPixelOffset = 54;

int32_t paddedRow(int32_t rowBytes) { return mul32(add32(rowBytes, 3) / 4, 4); }

void writeHeaders(std::vector<uint8_t>& out, int32_t width, int32_t height, uint16_t bitsPerPixel,
                  uint32_t pixelOffset, uint32_t pixelBytes)
{
    out.push_back('B');
    out.push_back('M');
    WriteDWord(out, pixelOffset + pixelBytes);
    WriteWord(out, 0);
    WriteWord(out, 0);
    WriteDWord(out, pixelOffset);
    WriteDWord(out, infoHeaderBytes);
    WriteDWord(out, static_cast<uint32_t>(width));
    WriteDWord(out, static_cast<uint32_t>(height));
    WriteWord(out, 1);  // colour planes
    WriteWord(out, bitsPerPixel);
    WriteDWord(out, 0);  // uncompressed
    WriteDWord(out, pixelBytes);
    WriteDWord(out, 0);  // horizontal resolution
    WriteDWord(out, 0);  // vertical resolution
    WriteDWord(out, 0);  // colours used
    WriteDWord(out, 0);  // important colours
}

}  // namespace

BmpRows grayBmpRows(int32_t width, int32_t height)
{
    BmpRows rows;
    rows.Width = width;
    rows.Height = height;
    rows.RowStride = paddedRow(width);
    rows.RowPadBytes = rows.RowStride - width;
    rows.PixelBytes = mul32(rows.RowStride, height);
    rows.FileSize = add32(grayPixelOffset, rows.PixelBytes);
    return rows;
}

void WriteWord(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void WriteDWord(std::vector<uint8_t>& out, uint32_t value)
{
    WriteWord(out, static_cast<uint16_t>(value & 0xFFFF));
    WriteWord(out, static_cast<uint16_t>(value >> 16));
}

std::vector<uint8_t> grayBmpHeader(const BmpRows& rows)
{
    std::vector<uint8_t> out;
    out.reserve(grayPixelOffset);
    writeHeaders(out, rows.Width, rows.Height, 8, grayPixelOffset, static_cast<uint32_t>(rows.PixelBytes));
    for (int i = 0; i < 256; ++i) {
        const auto level = static_cast<uint8_t>(i);
        out.insert(out.end(), {level, level, level, 0});
    }
    return out;
}

int32_t bgrBmpRowStride(int32_t width) { return paddedRow(mul32(width, 3)); }

int32_t bgrBmpFileSize(int32_t width, int32_t height)
{
    return add32(static_cast<int32_t>(bgrPixelOffset), mul32(bgrBmpRowStride(width), height));
}

std::vector<uint8_t> bgrBmpHeader(int32_t width, int32_t height)
{
    const uint32_t pixelBytes = static_cast<uint32_t>(bgrBmpFileSize(width, height)) - bgrPixelOffset;
    std::vector<uint8_t> out;
    writeHeaders(out, width, height, 24, bgrPixelOffset, pixelBytes);
    return out;
}

std::vector<uint8_t> encodeBgrBmp(const PreviewPicture& picture)
{
    const int32_t stride = bgrBmpRowStride(picture.Width);
    std::vector<uint8_t> out = bgrBmpHeader(picture.Width, picture.Height);
    out.reserve(bgrPixelOffset + static_cast<size_t>(stride) * picture.Height);
    const size_t rowBytes = static_cast<size_t>(picture.Width) * 3;
    for (int32_t r = picture.Height - 1; r >= 0; --r) {
        const uint8_t* row = picture.row(r);
        out.insert(out.end(), row, row + rowBytes);
        out.resize(out.size() + (static_cast<size_t>(stride) - rowBytes), 0);
    }
    return out;
}

void writeBgrBmp(const PreviewPicture& picture, const std::string& path)
{
    const std::vector<uint8_t> bytes = encodeBgrBmp(picture);
    AtomicOutputFile file(path);
    file.write(bytes.data(), bytes.size());
    file.commit();
}

}  // namespace skeldra
