// SPDX-License-Identifier: BSD-3-Clause
#include "base/FileNames.h"

#include <algorithm>
#include <cctype>

namespace skeldra {
namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

size_t lastSeparator(const std::string& name)
{
    const size_t found = name.find_last_of("/\\:");
    return found;
}

// The first separator style used in the path, for the "..." it inserts.
char separatorOf(const std::string& path)
{
    const size_t found = path.find_first_of("/\\");
    return found == std::string::npos ? '\\' : path[found];
}

// Cuts the first folder off a directory part (which ends in a separator).
std::string cutFirstFolder(std::string dir, char sep)
{
    if (dir.size() == 1 && isSeparator(dir[0])) return "";
    std::string lead;
    if (!dir.empty() && isSeparator(dir[0])) {
        lead = dir.substr(0, 1);
        dir.erase(0, 1);
    }
    if (!dir.empty() && dir[0] == '.') dir.erase(0, std::min<size_t>(4, dir.size()));
    const size_t first = dir.find_first_of("/\\");
    if (first != std::string::npos)
        dir = std::string("...") + sep + dir.substr(first + 1);
    else
        dir.clear();
    return lead + dir;
}

}  // namespace

std::string changeFileExtension(const std::string& name, const std::string& extension)
{
    const size_t dot = name.rfind('.');
    const size_t sep = lastSeparator(name);
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep))
        return name.substr(0, dot) + extension;
    return name + extension;
}

namespace {

bool endsWithIgnoringCase(const std::string& text, const std::string& end)
{
    if (end.size() > text.size()) return false;
    return std::equal(end.rbegin(), end.rend(), text.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace

std::string filterExtension(const std::string& filter)
{
    const size_t open = filter.rfind("(*");
    const size_t close = filter.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open + 3) return "";
    const std::string extension = filter.substr(open + 2, close - open - 2);
    return extension.size() > 1 && extension[0] == '.' && extension.find_first_of(" *;") == std::string::npos
               ? extension
               : "";
}

std::string nameForSaveFilter(const std::string& name, const std::string& selected,
                              const std::vector<std::string>& filters)
{
    if (name.empty()) return name;
    for (const std::string& filter : filters) {
        const std::string extension = filterExtension(filter);
        if (!extension.empty() && endsWithIgnoringCase(name, extension)) return name;
    }
    return name + filterExtension(selected);
}

std::string shortenPath(const std::string& path, const std::function<bool(const std::string&)>& fits)
{
    const char sep = separatorOf(path);
    const size_t nameStart = path.find_last_of("/\\");
    std::string dir = nameStart == std::string::npos ? "" : path.substr(0, nameStart + 1);
    const std::string file = nameStart == std::string::npos ? path : path.substr(nameStart + 1);
    std::string drive;
    if (dir.size() >= 2 && dir[1] == ':') {
        drive = dir.substr(0, 2);
        dir.erase(0, 2);
    }
    const std::string ellipsisOnly = std::string(1, sep) + "..." + sep;
    while (!fits(drive + dir + file) && (!drive.empty() || !dir.empty())) {
        if (dir == ellipsisOnly) {
            drive.clear();
            dir = std::string("...") + sep;
        } else if (dir.empty()) {
            drive.clear();
        } else {
            dir = cutFirstFolder(dir, sep);
        }
    }
    return drive + dir + file;
}

}  // namespace skeldra
