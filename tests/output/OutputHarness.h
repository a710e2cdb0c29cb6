// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A scripted main window over a small raw file without header, for the
// conversion and preview tests.
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/ScriptedWindow.h"
#include "support/TempFiles.h"
#include "window/MainWindow.h"

namespace skeldra::testing {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;
using BoxTexts = std::vector<std::pair<Box, std::string>>;

template <typename T>
Bytes samplesOf(std::initializer_list<T> values, bool mostSignificantFirst = false)
{
    Bytes bytes;
    for (T v : values) {
        uint8_t raw[sizeof(T)];
        std::memcpy(raw, &v, sizeof(T));
        if (mostSignificantFirst) std::reverse(raw, raw + sizeof(T));
        bytes.insert(bytes.end(), raw, raw + sizeof(T));
    }
    return bytes;
}

// Lines x samples bytes whose value at (line, sample), 1-based, is given.
template <typename F>
Bytes byteImage(int lines, int samples, F value)
{
    Bytes bytes;
    for (int l = 1; l <= lines; ++l)
        for (int s = 1; s <= samples; ++s) bytes.push_back(static_cast<uint8_t>(value(l, s)));
    return bytes;
}

struct OutputHarness {
    TempDir dir;
    ScriptedWindow window;
    MainWindow main{window};
    std::string input;
    std::string output;

    // samplesPerLine samples a line; the area is the whole file unless the boxes say otherwise.
    OutputHarness(const Bytes& bytes, int samplesPerLine, int lines, const BoxTexts& boxes = {},
                  const std::vector<Choice>& choices = {})
    {
        main.FormCreate();
        input = dir.write("Test.IMG", bytes);
        output = dir.file("out.bmp");
        window.state.InputFilename = input;
        window.saveDialogAnswer = output;
        window.setBoxText(Box::HeaderBytes, "0");
        window.setBoxText(Box::NumSamples, std::to_string(samplesPerLine));
        window.setBoxText(Box::EndSample, std::to_string(samplesPerLine));
        window.setBoxText(Box::EndLine, std::to_string(lines));
        window.setBoxText(Box::MaxData, "255");
        for (const auto& [box, text] : boxes) window.setBoxText(box, text);
        for (Choice choice : choices) window.setChecked(choice, true);
        window.events.clear();
    }

    Lines convert()
    {
        main.ConvertFile_ButtonClick();
        return window.eventTexts(Event::Kind::Log);
    }
    Bytes outputBytes() const { return readFile(output); }
    std::string outputText() const
    {
        const Bytes bytes = readFile(output);
        return {bytes.begin(), bytes.end()};
    }
    // Pixel rows of the BMP file from the top of the picture, pads dropped.
    std::vector<Bytes> bmpRowsFromTop(int width, int height) const;
};

inline std::vector<Bytes> OutputHarness::bmpRowsFromTop(int width, int height) const
{
    const Bytes bytes = outputBytes();
    const int stride = (width + 3) / 4 * 4;
    std::vector<Bytes> rows;
    for (int r = height - 1; r >= 0; --r) {
        const auto start = bytes.begin() + 1078 + r * stride;
        rows.emplace_back(start, start + width);
    }
    return rows;
}

}  // namespace skeldra::testing
