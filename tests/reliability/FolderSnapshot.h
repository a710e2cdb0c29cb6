// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The state of every entry under a folder: kind, size, permissions and a
// checksum of the content, so that a test can tell exactly what an
// operation changed.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace skeldra::testing {

struct EntryState {
    bool folder = false;
    uint64_t size = 0;
    uint64_t checksum = 0;
    std::filesystem::perms permissions{};
    bool operator==(const EntryState&) const = default;
};

using FolderSnapshot = std::map<std::string, EntryState>;  // by path relative to the folder

FolderSnapshot snapshot(const std::filesystem::path& folder);

// The relative paths that were added, removed or changed between two snapshots.
std::vector<std::string> changedEntries(const FolderSnapshot& before, const FolderSnapshot& after);

}  // namespace skeldra::testing
