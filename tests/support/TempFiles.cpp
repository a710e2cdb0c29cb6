// SPDX-License-Identifier: BSD-3-Clause
#include "support/TempFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace skeldra::testing {

TempDir::TempDir()
{
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("skeldra-test-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& name, const std::vector<uint8_t>& bytes) const
{
    const std::string target = file(name);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write test file " + target);
    return target;
}

std::string TempDir::write(const std::string& name, const std::string& text) const
{
    return write(name, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string TempDir::writeSparse(const std::string& name, int64_t size, int64_t position,
                                 const std::vector<uint8_t>& bytes) const
{
    const std::string target = file(name);
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create test file " + target);
    bool ok = ::ftruncate(fd, size) == 0;
    ok = ok && ::pwrite(fd, bytes.data(), bytes.size(), position) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    if (!ok) throw std::runtime_error("cannot write sparse test file " + target);
    return target;
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace skeldra::testing
