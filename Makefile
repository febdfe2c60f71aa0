# Everyday commands. ./run and ./test are thin wrappers over these.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_WIN  ?= build-win
BUILD_WEB  ?= build-web
WEB_PORT   ?= 8080
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

.PHONY: all build run test test-sanitize assets deps clean bench screenshot fuzz windows test-windows web serve-web test-web bench-web dist test-desktops

all: build

deps:
	@scripts/install-deps

# A tree counts as configured once the generator wrote its build file: a
# configure that failed (a package not installed yet) leaves a cache without
# one, and is simply run again. Ninja's file counts too (CMAKE_ARGS=-GNinja).
CONFIGURED = $(firstword $(wildcard $(BUILD)/build.ninja) $(BUILD)/Makefile)
$(BUILD)/Makefile:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: $(CONFIGURED)
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
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_WIN) $(BUILD_WEB) build-dist dist

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

# The compositor legs on GNOME's mutter and KDE's KWin, headless, natively and
# through Xwayland (about a gigabyte of desktop packages, hence apart from
# `make test`). The build keeps them registered afterwards.
test-desktops:
	@scripts/install-deps --desktops
	@$(MAKE) --no-print-directory build
	cmake -S . -B $(BUILD) -DMERROWIND_DESKTOP_TESTS=ON
	cmake --build $(BUILD) -j$(JOBS)
	ctest --test-dir $(BUILD) -L desktops --output-on-failure

# The browser version in $(BUILD_WEB)/: index.html, merrowind.js, merrowind.wasm,
# merrowind.png and merrowind.data.tgz (texture3/, packed; the generator fills in
# only missing files first, so a user's own pictures there go in). Debian's emscripten needs
# its own Node modules (acorn) found where another node is first on PATH.
WEB_ENV = NODE_PATH=$${NODE_PATH:-/usr/share/nodejs}
web:
	@scripts/install-deps --web
	@$(MAKE) --no-print-directory $(CONFIGURED)
	cmake --build $(BUILD) -j$(JOBS) --target merrowind-assets
	$(BUILD)/merrowind-assets texture3
	$(WEB_ENV) emcmake cmake -S . -B $(BUILD_WEB) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS)
	$(WEB_ENV) cmake --build $(BUILD_WEB) -j$(JOBS)

# Serves the browser version on this machine only: http://127.0.0.1:$(WEB_PORT)/
serve-web:
	@test -f $(BUILD_WEB)/index.html || { echo "serve-web: run make web first" >&2; exit 1; }
	@echo "serve-web: open http://127.0.0.1:$(WEB_PORT)/ (Ctrl+C stops)"
	python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(BUILD_WEB)

# The browser version in Chromium (headless), Firefox ESR and WebKitGTK (under Xvfb), each driven
# through its own protocol and compared with the native program drawn by Mesa
# (tests/e2e-web). The legs have the label web, which ./test leaves out.
test-web: web build
	cmake -S . -B $(BUILD) -DMERROWIND_WEB_BUILD=$(abspath $(BUILD_WEB)) >/dev/null
	ctest --test-dir $(BUILD) -L web --output-on-failure

# Figures of the browser version in each engine of the browser leg (BENCH_WEB_ENGINES,
# comma-separated): the times to the question and to the first frame over
# BENCH_WEB_LOADS first visits, frames per second, wasm time per frame, the JS heap
# and wasm memory over BENCH_WEB_SECONDS of frames, and the bytes the page is sent.
BENCH_WEB_LOADS ?= 10
BENCH_WEB_SECONDS ?= 5
BENCH_WEB_ENGINES ?= chromium,firefox,webkitgtk
bench-web: web
	/usr/bin/python3 bench/bench_web.py $(BUILD_WEB) $(BENCH_WEB_LOADS) $(BENCH_WEB_SECONDS) \
	    $(BENCH_WEB_ENGINES)

# The installable artefacts in dist/: merrowind_VERSION_amd64.deb, the Windows
# zip and the web bundle (scripts/dist says what each holds).
dist:
	@scripts/install-deps --dist --windows
	JOBS=$(JOBS) BUILD_WIN=$(BUILD_WIN) scripts/dist
