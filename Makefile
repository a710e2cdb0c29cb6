# SPDX-License-Identifier: BSD-3-Clause
# The two commands of the README: `make run` and `make test`.
PRESET ?= release
BUILD_DIR := build/$(PRESET)

.PHONY: all deps configure build test run clean test-sanitize fuzz install package

all: build

deps:
	@scripts/install-deps.sh

# Configured again when the presets change, so that a build folder made with
# older settings gets the current ones.
configure: deps $(BUILD_DIR)/.preset-stamp
$(BUILD_DIR)/.preset-stamp: CMakePresets.json
	cmake --preset $(PRESET)
	@touch $@

build: configure
	cmake --build --preset $(PRESET)

test: build
	ctest --preset $(PRESET)

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@test -f build/asan/build.ninja || cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

# Each libFuzzer target for FUZZ_SECONDS, after replaying its past findings.
FUZZ_SECONDS ?= 200
fuzz:
	@scripts/install-deps.sh fuzz
	scripts/fuzz.sh $(FUZZ_SECONDS)

# Opens the main window in the folder that holds the sample image Test.IMG.
run: build
	cd $(BUILD_DIR)/data && ../src/app/skeldra

# Installs the programs, the desktop entry, the icon, the manual page and the README.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# The Debian package skeldra_VERSION_amd64.deb, in the build folder, checked
# by lintian: any error or warning fails the target.
package: build
	@scripts/install-deps.sh package
	cd $(BUILD_DIR) && cpack -G DEB
	lintian --allow-root --fail-on error,warning $(BUILD_DIR)/skeldra_*.deb
	@ls $(BUILD_DIR)/*.deb

clean:
	rm -rf build
