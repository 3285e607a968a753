# A thin wrapper over CMake. BUILD selects the build folder.
BUILD ?= build
EXE = $(abspath $(BUILD))/gstboot
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build program test example sanitize bench dist rpackage clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# The program alone, without the tests and the bench tools.
program:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target gstboot

# Installs the test tools first (Debian, as root or with sudo); where it
# cannot, scripts/testdeps.sh names the packages and the target stops.
test:
	@./scripts/testdeps.sh
	$(MAKE) build CMAKE_ARGS="$(CMAKE_ARGS) -DGSTBOOT_REQUIRE_TESTS=ON"
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The example studies with a fixed seed: report, table and figure in
# examples/ (and the figure as PNG when rsvg-convert, from librsvg2-bin, is
# there), then the GENEPOP study in examples/genepop/.
example: program
	cd examples && $(EXE) --seed 2026 --table table.tsv --plot figure.svg && echo && echo "--- output.txt" && cat output.txt
	cd examples && if command -v rsvg-convert >/dev/null; then rsvg-convert -o figure.png figure.svg; fi
	@echo && echo "--- the GENEPOP example: named populations, missing genotypes"
	cd examples/genepop && $(EXE) --seed 2026 --mhc MHCdata.gen --mic MICdata.gen --table table.tsv --plot figure.svg && echo && echo "--- table.tsv (first columns)" && cut -f1-8 table.tsv

bench: build
	./bench/run.sh

# Under the sanitizers, with the vector kernels built for the baseline
# instruction set: the Release tests cover the widest one the machine has.
sanitize:
	$(MAKE) test BUILD=build-sanitize CMAKE_ARGS="-DGSTBOOT_SANITIZE=ON -DGSTBOOT_BASELINE_ONLY=ON"

# The static release binaries for Linux x86-64, Linux aarch64 and Windows
# x86-64 in dist/, each checked on the golden cases (under qemu and wine);
# scripts/dist.sh installs the cross compilers first where it can.
dist:
	JOBS=$(JOBS) ./scripts/dist.sh

# The R package's source tarball, dist/gstboot_VERSION.tar.gz, for
# `R CMD INSTALL` (R, Rcpp and a C++17 compiler suffice).
rpackage:
	./scripts/rpackage.sh

clean:
	rm -rf build build-sanitize
