// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Standard output or error of the batch tool, remembering its first write
// error: a cut log must not end with exit status 0.
#include <cstdio>
#include <string_view>

namespace skeldra {

class OutputStream {
public:
    explicit OutputStream(std::FILE* file) : file_(file) {}

    void write(std::string_view text);
    void line(std::string_view text);
    void flush();
    // errno of the first failed write or flush; 0 while every write went through.
    int error() const { return error_; }
    std::FILE* file() const { return file_; }

private:
    std::FILE* file_;
    int error_ = 0;
};

}  // namespace skeldra
