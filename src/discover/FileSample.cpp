#include "discover/FileSample.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "base/Errors.h"

namespace skeldra {

FileSample::FileSample(const std::string& path)
{
    // Unbuffered: discovery reads a few hundred bytes here and there, and
    // a buffered stream would fill its whole buffer after every seek.
    file_.rdbuf()->pubsetbuf(nullptr, 0);
    errno = 0;
    file_.open(path, std::ios::binary);
    if (!file_) throwIoErrorFromErrno(errno != 0 ? errno : ENOENT);
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) throwIoErrorFromErrno(error.value());
    size_ = static_cast<int64_t>(size);
}

std::vector<uint8_t> FileSample::read(int64_t offset, int64_t length)
{
    offset = std::clamp<int64_t>(offset, 0, size_);
    length = std::clamp<int64_t>(length, 0, size_ - offset);
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    file_.clear();
    file_.seekg(offset);
    file_.read(reinterpret_cast<char*>(bytes.data()), length);
    if (file_.gcount() != length) throwIoError(io::ReadBeyondEndOfFile);
    return bytes;
}

}  // namespace skeldra
