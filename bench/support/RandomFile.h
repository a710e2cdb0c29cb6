// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A large file of random bytes for the benchmarks that time reads, made once
// and reused while it is large enough (writing a gigabyte costs more than the
// benchmark). In $SKELDRA_BENCH_DIR, else the temporary folder.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace skeldra::bench {

inline std::string randomFile(const std::string& name, uintmax_t bytes)
{
    const char* folder = std::getenv("SKELDRA_BENCH_DIR");
    const std::filesystem::path path =
        (folder ? std::filesystem::path(folder) : std::filesystem::temp_directory_path()) / name;
    std::error_code error;
    if (std::filesystem::file_size(path, error) >= bytes && !error) return path.string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::mt19937_64 random(9);
    std::vector<uint64_t> block(1 << 17);
    for (uintmax_t written = 0; written < bytes; written += block.size() * 8) {
        for (auto& word : block) word = random();
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 8));
    }
    return path.string();
}

}  // namespace skeldra::bench
