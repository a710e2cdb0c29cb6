// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A candidate layout in the terms of the window's form: the structure that
// Layout from Label applies, so that a chosen candidate sets the boxes and
// logs them exactly as a label does, and a line of words for the list.
#include <string>

#include "discover/CandidateLayout.h"
#include "label/LabelLayout.h"

namespace skeldra {

// Every control the candidate decides, each with `source` as where its value
// came from. The band structure and bands are those rasterLayout reads, so
// the form reads every sample as the candidate does.
LabelLayout formLayout(const CandidateLayout& layout, const std::string& source);

// "517 samples x 900 lines, 16-bit big-endian signed integer, 3 bands BIL,
// header 2048 bytes, line pad 4 bytes"
std::string describeLayout(const CandidateLayout& layout);

// A score as the front ends show it: "0.83".
std::string scoreText(double score);

}  // namespace skeldra
