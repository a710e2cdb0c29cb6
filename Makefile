# The two commands of the README: `make run` and `make test`.
PRESET ?= release
BUILD_DIR := build/$(PRESET)

.PHONY: all deps configure build test run clean test-sanitize fuzz

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@test -f $(BUILD_DIR)/build.ninja || cmake --preset $(PRESET)

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

clean:
	rm -rf build
