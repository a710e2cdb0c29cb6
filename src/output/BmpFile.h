// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The BMP files the program writes: the 8-bit gray file of the conversion
// (headers, colour table, rows bottom-up) and the 24-bit file of a preview
// picture. Every multi-byte field is little-endian.
//
// Failure: a file size beyond the 32-bit signed range of the header raises
// "Integer overflow"; writing raises the I/O errors of AtomicOutputFile.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "port/PreviewPicture.h"

namespace skeldra {

// Header, information header and 256-entry colour table of the gray file.
inline constexpr int32_t grayPixelOffset = 1078;

// The sizes of a picture of 8-bit pixels whose rows are padded to 4 bytes.
struct BmpRows {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t RowPadBytes = 0;
    int32_t RowStride = 0;   // Width + RowPadBytes, a multiple of 4
    int32_t PixelBytes = 0;  // RowStride * Height
    int32_t FileSize = 0;    // grayPixelOffset + PixelBytes
};

// Width and Height at least 0; checked so that every field fits its header.
BmpRows grayBmpRows(int32_t width, int32_t height);

// Low byte first.
void WriteWord(std::vector<uint8_t>& out, uint16_t value);
void WriteDWord(std::vector<uint8_t>& out, uint32_t value);

// The first grayPixelOffset bytes of the gray file: both headers, then the
// colour table whose entry i is blue i, green i, red i, 0.
std::vector<uint8_t> grayBmpHeader(const BmpRows& rows);

// The 54 header bytes of a 24-bit file of width x height pixels, whose rows
// of 3 * width bytes are padded to a multiple of 4; checked as grayBmpRows.
std::vector<uint8_t> bgrBmpHeader(int32_t width, int32_t height);
// The bytes of a padded 24-bit row, and the size of the whole file.
int32_t bgrBmpRowStride(int32_t width);
int32_t bgrBmpFileSize(int32_t width, int32_t height);

// The whole 24-bit file of a picture: 54 header bytes, then its rows from
// the bottom one up, each padded to a multiple of 4 bytes.
std::vector<uint8_t> encodeBgrBmp(const PreviewPicture& picture);

// Writes encodeBgrBmp(picture) to path, replacing the file only when done.
void writeBgrBmp(const PreviewPicture& picture, const std::string& path);

}  // namespace skeldra
