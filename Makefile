# A thin wrapper over CMake. BUILD selects the build folder.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build test example sanitize bench clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

example: build
	cd examples && ../$(BUILD)/gstboot --seed 2026 && echo && echo "--- output.txt" && cat output.txt

bench: build
	./bench/run.sh

sanitize:
	$(MAKE) test BUILD=build-sanitize CMAKE_ARGS=-DGSTBOOT_SANITIZE=ON

clean:
	rm -rf build build-sanitize
