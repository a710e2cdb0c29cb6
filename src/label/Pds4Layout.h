// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The raster layout that a PDS4 label gives for an image array (Array_2D_*
// or Array_3D_*) of its observational file areas.
#include <optional>
#include <string>

#include "label/LabelLayout.h"
#include "label/Pds3Layout.h"
#include "label/Xml.h"

namespace skeldra {

// `preferredFile`: the name of the file the user opened; among several file
// areas the first array of the one describing it is taken, unless `chosen`
// names another array by its local_identifier or its position among all
// (from 1); the others are listed. A choice that names none raises an
// Error. The layout's dataPath is the file its file_name names, resolved
// next to the label (empty when missing).
LabelLayout pds4Layout(const XmlElement& product, const std::string& labelPath, const std::string& preferredFile,
                       const FileResolver& resolve, const std::string& chosen = "");

}  // namespace skeldra
