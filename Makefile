# The front door over CMake. `make test` and `make run` install whatever Debian packages are
# missing (through sudo when not root), configure the CMake presets and build; see README.md.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)

# The core, its tests, the fuzz target and the benchmark.
CORE_PACKAGES := cmake make g++ clang libclang-rt-14-dev libgtest-dev googletest libbenchmark-dev \
  locales
# The Windows exe, cross-built, and its tests under wine64.
WINDOWS_PACKAGES := g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64 \
  wine wine64 fonts-wine
# The GTK program and its desktop files.
GTK_PACKAGES := libgtk-3-dev libxtst-dev pkg-config zlib1g-dev libpng-dev fonts-dejavu-core \
  desktop-file-utils appstream dpkg-dev file weston
# A real X desktop for the window tests: server, window manager, input, clipboard, screenshots.
DESKTOP_PACKAGES := xvfb xauth openbox xdotool x11-utils xclip imagemagick

PACKAGES := $(CORE_PACKAGES) $(WINDOWS_PACKAGES) $(GTK_PACKAGES) $(DESKTOP_PACKAGES)

PRESETS := windows-i686 windows-x86_64 linux

.PHONY: all deps build test run run-windows bench fuzz clean

all: build

deps:
	@sh cmake/install-packages.sh $(PACKAGES)

# The Windows builds come first: the native build's tests use their exe files.
build: deps
	@set -e; for preset in $(PRESETS); do \
	  cmake --preset $$preset >/dev/null; \
	  cmake --build --preset $$preset -j $(JOBS); \
	done

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

# Sonabrix.exe, 64-bit, under wine64 on the current display, in a prefix of its own at
# WINE_DPI dots per inch (made when missing; `make clean` removes it).
WINE_DPI ?= 96
run-windows: deps
	cmake --preset windows-x86_64 >/dev/null
	cmake --build --preset windows-x86_64 -j $(JOBS)
	SONABRIX_WINE_DPI=$(WINE_DPI) tests/support/wine.sh run build/wine-run \
	  build/windows-x86_64/Sonabrix.exe

# The Linux program on the current display; with no display at all, the demonstration of both
# front ends on a private one, which saves their screenshots under build/demo.
run: build
	@if [ -n "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then \
	  build/linux/sonabrix; \
	else \
	  tests/support/demo.sh build/demo; \
	fi

clean:
	rm -rf build
