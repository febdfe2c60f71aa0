# Everyday commands. ./run and ./test are thin wrappers over these.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_WIN  ?= build-win
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

.PHONY: all build run test test-sanitize assets deps clean bench screenshot fuzz windows test-windows dist

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)

# Writes only the asset files that are missing; a user's own files stay.
assets: build
	@if [ -x $(BUILD)/merrowind-assets ]; then $(BUILD)/merrowind-assets texture3; fi

run: assets
	@scripts/check-display
	$(BUILD)/merrowind

test: build
	scripts/run-tests $(BUILD)

test-sanitize:
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DMERROWIND_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(BUILD_ASAN) -j$(JOBS)
	scripts/run-tests $(BUILD_ASAN)

# Figures only: the decoder against stb_image, the asset generator, and frames
# of the real scene (which also times each texture's decode and mipmap build).
bench: build assets
	@echo "== $(BUILD)/bench/bench_bmp_decode" && $(BUILD)/bench/bench_bmp_decode
	@echo "== asset generator (all eleven files)"; tmp=$$(mktemp -d); \
	  /usr/bin/env time -f "%e s wall, %U s user, %M kB peak" $(BUILD)/merrowind-assets $$tmp >/dev/null; \
	  rm -rf $$tmp
	@echo "== $(BUILD)/bench/bench_frame" && tests/support/with-xvfb --size 800x600 $(BUILD)/bench/bench_frame

# Three pictures of the scene from fixed viewpoints, rendered on a private Xvfb
# (no display needed): $(BUILD)/screenshots/*.png.
screenshot: build
	scripts/screenshots $(BUILD)

# A bounded libFuzzer run of the BMP decoder (clang; FUZZ_SECONDS=60 by default).
FUZZ_SECONDS ?= 60
fuzz:
	fuzz/run-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_WIN) build-dist dist

# Windows: merrowind.exe, merrowind-assets.exe and bmpcheck.exe, cross-built with
# mingw-w64 and linked statically against the C/C++ runtime.
windows:
	@scripts/install-deps --windows
	cmake -S . -B $(BUILD_WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DMERROWIND_TESTS=OFF $(CMAKE_ARGS)
	cmake --build $(BUILD_WIN) -j$(JOBS)

# The Windows build under Wine on a private Xvfb, driven like the Linux one. The
# Linux build supplies the X helpers; it keeps the Wine test registered afterwards.
test-windows: windows build
	cmake -S . -B $(BUILD) -DMERROWIND_WINDOWS_TESTS=ON -DMERROWIND_WINDOWS_BUILD=$(abspath $(BUILD_WIN))
	cmake --build $(BUILD) -j$(JOBS)
	ctest --test-dir $(BUILD) -L windows --output-on-failure

# The installable artefacts in dist/: merrowind_VERSION_amd64.deb, the Windows
# zip and the web bundle (scripts/dist says what each holds).
dist:
	@scripts/install-deps --dist --windows
	JOBS=$(JOBS) BUILD_WIN=$(BUILD_WIN) scripts/dist
