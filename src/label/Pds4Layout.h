#pragma once
// The raster layout that a PDS4 label gives for the first image array
// (Array_2D_* or Array_3D_*) of its observational file area.
#include <optional>
#include <string>

#include "label/LabelLayout.h"
#include "label/Pds3Layout.h"
#include "label/Xml.h"

namespace skeldra {

// `preferredFile`: the name of the file the user opened; among several file
// areas the one describing it is taken. The layout's dataPath is the file
// its file_name names, resolved next to the label (empty when missing).
LabelLayout pds4Layout(const XmlElement& product, const std::string& labelPath, const std::string& preferredFile,
                       const FileResolver& resolve);

}  // namespace skeldra
