#pragma once
// Bounded reads of the file under study: discovery looks at a few windows of
// a file, never at all of it, so that a file of any size costs the same.
//
// Failure: a file that cannot be opened or read raises the system's I/O error.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace skeldra {

class FileSample {
public:
    explicit FileSample(const std::string& path);

    int64_t size() const { return size_; }
    // Up to `length` bytes from `offset`, fewer at the end of the file.
    std::vector<uint8_t> read(int64_t offset, int64_t length);

private:
    std::ifstream file_;
    int64_t size_ = 0;
};

}  // namespace skeldra
