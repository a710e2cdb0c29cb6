// SPDX-License-Identifier: BSD-3-Clause
#include "support/FuzzFile.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/FuzzWindow.h"

namespace skeldra::fuzzing {
namespace {

struct Folder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("skeldra-fuzz-" + std::to_string(::getpid()));
    Folder() { std::filesystem::create_directories(path); }
    ~Folder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

std::string fuzzFolder()
{
    static const Folder folder;
    return folder.path.string();
}

std::string writeInputFile(const uint8_t* data, size_t size) { return writeFuzzFile("input.img", data, size); }

std::string writeFuzzFile(const std::string& name, const uint8_t* data, size_t size)
{
    const std::string path = fuzzFolder() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    require(static_cast<bool>(out), "cannot write the fuzz input file");
    return path;
}

std::vector<uint8_t> readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace skeldra::fuzzing
