// SPDX-License-Identifier: BSD-3-Clause
#include "FolderSnapshot.h"

#include <fstream>

namespace skeldra::testing {
namespace {

// FNV-1a over the bytes: enough to see any change a test makes.
uint64_t checksumOf(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    uint64_t hash = 1469598103934665603ull;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
            hash ^= static_cast<uint8_t>(chunk[i]);
            hash *= 1099511628211ull;
        }
    }
    return hash;
}

}  // namespace

FolderSnapshot snapshot(const std::filesystem::path& folder)
{
    FolderSnapshot entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        EntryState state;
        state.folder = entry.is_directory();
        state.permissions = entry.symlink_status().permissions();
        if (entry.is_regular_file()) {
            state.size = entry.file_size();
            state.checksum = checksumOf(entry.path());
        }
        entries[std::filesystem::relative(entry.path(), folder).string()] = state;
    }
    return entries;
}

std::vector<std::string> changedEntries(const FolderSnapshot& before, const FolderSnapshot& after)
{
    std::vector<std::string> changed;
    for (const auto& [name, state] : before) {
        const auto found = after.find(name);
        if (found == after.end() || !(found->second == state)) changed.push_back(name);
    }
    for (const auto& [name, state] : after)
        if (!before.count(name)) changed.push_back(name);
    return changed;
}

}  // namespace skeldra::testing
