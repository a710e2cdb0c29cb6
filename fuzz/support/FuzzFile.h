// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The one input file of a fuzzing process, in a folder of its own that is
// removed when the process ends.
#include <cstdint>
#include <string>
#include <vector>

namespace skeldra::fuzzing {

// Replaces the file's content and returns its path.
std::string writeInputFile(const uint8_t* data, size_t size);
// Another file of the fuzz folder (a label beside the input file).
std::string writeFuzzFile(const std::string& name, const uint8_t* data, size_t size);
// The folder that holds it, for output files.
std::string fuzzFolder();
std::vector<uint8_t> readWholeFile(const std::string& path);

}  // namespace skeldra::fuzzing
