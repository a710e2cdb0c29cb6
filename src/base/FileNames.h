// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// File-name helpers of the dialogs and the file name label. Both "/" and "\"
// separate folders, so names typed in either convention behave alike.
#include <functional>
#include <string>
#include <vector>

namespace skeldra {

// Replaces everything from the last "." of the name, when that "." comes
// after the last folder or drive separator; otherwise appends the extension.
std::string changeFileExtension(const std::string& name, const std::string& extension);

// The extension a save dialog's filter offers: ".vrt" of "GDAL VRT (*.vrt)";
// empty for a filter of no single extension.
std::string filterExtension(const std::string& filter);

// The name a save dialog gives back: a name typed with the extension of any
// of its filters keeps it, as it names a kind; any other name gets the
// extension of the filter selected.
std::string nameForSaveFilter(const std::string& name, const std::string& selected,
                              const std::vector<std::string>& filters);

// The path shortened until `fits` accepts it: leading folders are replaced by
// "..." one at a time, then the drive is dropped, then the folders; the file
// name itself is never shortened.
std::string shortenPath(const std::string& path, const std::function<bool(const std::string&)>& fits);

}  // namespace skeldra
