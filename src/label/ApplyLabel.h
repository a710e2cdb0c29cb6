// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// "Layout from Label": fills the layout boxes and buttons from the label of
// the input file, logging one line per control set with the keywords it came
// from, and one line for each thing the label holds that the window cannot
// express. Nothing changes when no label is found.
#include <string>
#include <vector>

#include "label/LabelLayout.h"
#include "port/WindowPort.h"

namespace skeldra {

// Finds and reads the label of port.state.InputFilename and sets the boxes.
// When the samples are in another file (a detached label's pointer, a PDS4
// file_name), that file becomes the input file. The I/O error of an input
// that cannot be opened ends the operation before anything changes.
void ApplyLayoutFromLabel(WindowPort& port);

// Sets the boxes and buttons that `layout` gives as ApplyLayoutFromLabel
// does once it has read the label: the heading lines, one log line per
// control set with where its value came from, Band # kept within the bands,
// one line per note, an empty line. The layout's dataPath is not followed.
void ApplyLayout(WindowPort& port, const LabelLayout& layout, const std::vector<std::string>& heading);

// The lines ApplyLayoutFromLabel logs for this input file, without a window
// (the batch tool's "label FILE").
std::vector<std::string> DescribeLabelLayout(const std::string& inputPath);

}  // namespace skeldra
