// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The raster layout that a PDS3 label gives for its IMAGE (or QUBE) object.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "label/LabelLayout.h"
#include "label/Odl.h"

namespace skeldra {

// Finds the file a pointer names, next to the label; empty when it is missing.
using FileResolver = std::function<std::optional<std::string>(const std::string& name)>;

// Empty when the label has no IMAGE or QUBE object. `attached` tells whether
// the label sits at the start of the file it describes (then a missing
// pointer means the data follow the label records). Of several image
// objects the IMAGE is read, or the object `chosen` names (by its name or
// its position among them, from 1); the others are listed. A choice that
// names none raises an Error naming those there are.
std::optional<LabelLayout> pds3Layout(const OdlLabel& label, const std::string& labelPath, bool attached,
                                      const FileResolver& resolve, const std::string& chosen = "");

// The byte offset that the pointer ^`name` gives within the label's own file;
// empty when there is no such pointer or it names another file.
std::optional<int64_t> pds3PointerOffset(const OdlLabel& label, std::string_view name);

// SAMPLE_TYPE or CORE_ITEM_TYPE for samples of `bits` bits.
EncodingResult pds3SampleType(const std::string& type, int64_t bits);

}  // namespace skeldra
