#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Installs the Debian packages the build needs, only those that are missing.
# With the argument "fuzz" also the clang tool chain of the fuzz targets,
# with "package" the package checker.
set -euo pipefail
packages=(g++ cmake ninja-build make libgtest-dev libbenchmark-dev qt6-base-dev libcli11-dev
          nlohmann-json3-dev help2man dpkg-dev
          xvfb xauth libpng-dev libtiff-dev libfftw3-dev pkgconf fonts-symbola
          parallel)
[ "${1:-}" = fuzz ] && packages+=(clang libclang-rt-14-dev llvm)
[ "${1:-}" = package ] && packages+=(lintian)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
