# The two commands of the README: `make run` and `make test`.
PRESET ?= release
BUILD_DIR := build/$(PRESET)

.PHONY: all deps configure build test run clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@test -f $(BUILD_DIR)/build.ninja || cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET)

test: build
	ctest --preset $(PRESET)

# Opens the main window in the folder that holds the sample image Test.IMG.
run: build
	cd $(BUILD_DIR)/data && ../src/app/skeldra

clean:
	rm -rf build
