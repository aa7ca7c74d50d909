# The front door over CMake. `make test` and `make run` install whatever Debian packages are
# missing (through sudo when not root), configure the CMake presets and build; see README.md.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)

# Building and testing the core.
CORE_PACKAGES := cmake make g++ clang libclang-rt-14-dev libgtest-dev libbenchmark-dev locales

PACKAGES := $(CORE_PACKAGES)

.PHONY: all deps build test bench fuzz clean

all: build

deps:
	@sh cmake/install-packages.sh $(PACKAGES)

build: deps
	cmake --preset linux
	cmake --build --preset linux -j $(JOBS)

test: build
	ctest --preset linux -j $(JOBS)

bench: build
	build/linux/bench/pitch_label_bench

# A longer fuzz run than the one in the tests: FUZZ_SECONDS, 600 by default.
FUZZ_SECONDS ?= 600
fuzz: build
	mkdir -p build/linux/fuzz/corpus
	build/linux/fuzz/pitch_label_fuzzer -max_total_time=$(FUZZ_SECONDS) -max_len=64 \
	  build/linux/fuzz/corpus fuzz/corpus

clean:
	rm -rf build
