// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Finds the label of an input file and reads the layout from it: a label
// attached at the start of the file (PDS3, VICAR, or a VICAR label after a
// PDS3 label, an ISIS3 cube label, a FITS primary header), the input being
// a label itself (a PDS3 .LBL, a PDS4 .xml, an ENVI .hdr), or a detached
// label beside it with the same stem (.LBL/.lbl, .xml, .hdr). Reads at most
// labelReadLimit bytes of the start of any file, and of a FITS file at most
// as many bytes of the headers of its HDUs after the first; never the samples.
//
// Failure: an input that cannot be opened raises the I/O error; a label
// that cannot be parsed gives a layout holding only a note that says why.
#include <cstddef>
#include <optional>
#include <string>

#include "label/LabelLayout.h"

namespace skeldra {

inline constexpr std::size_t labelReadLimit = std::size_t{1} << 20;

// Empty when no label was found. `image` chooses among the images of a
// label describing several (a FITS file's HDUs, a PDS3 label's image
// objects, a PDS4 label's arrays); a choice the label cannot meet raises an
// Error that names what it holds.
std::optional<LabelLayout> findLabelLayout(const std::string& inputPath, const LabelImageChoice& image = {});

// Whether the layout's data file lies outside the folder of its label (an
// absolute pointer, one that climbs with "..", or a link that leads out):
// a label may come from anyone, and must not make the program read any
// file it names without the user's consent.
bool dataOutsideLabelFolder(const LabelLayout& layout);

}  // namespace skeldra
