// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Files that tests write: a fresh folder per test, removed afterwards.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace skeldra::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

    // Writes bytes to a new file in the folder and returns its path.
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const;
    std::string write(const std::string& name, const std::string& text) const;
    // A sparse file of `size` bytes with `bytes` written at `position`.
    std::string writeSparse(const std::string& name, int64_t size, int64_t position,
                            const std::vector<uint8_t>& bytes) const;

private:
    std::filesystem::path path_;
};

std::vector<uint8_t> readFile(const std::string& path);

}  // namespace skeldra::testing
