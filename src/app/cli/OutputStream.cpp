// SPDX-License-Identifier: BSD-3-Clause
#include "OutputStream.h"

#include <cerrno>

namespace skeldra {

void OutputStream::write(std::string_view text)
{
    if (error_ != 0 || text.empty()) return;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) error_ = errno != 0 ? errno : EIO;
}

void OutputStream::line(std::string_view text)
{
    write(text);
    write("\n");
}

void OutputStream::flush()
{
    if (error_ != 0) return;
    errno = 0;
    if (std::fflush(file_) != 0) error_ = errno != 0 ? errno : EIO;
}

}  // namespace skeldra
