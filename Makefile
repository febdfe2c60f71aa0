# Everyday commands. ./run and ./test are thin wrappers over these.
BUILD      ?= build
BUILD_ASAN ?= build-asan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

.PHONY: all build run test test-sanitize assets deps clean bench screenshot fuzz

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

bench: build assets
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && echo "== $$b" && tests/support/with-xvfb --size 1024x768 "$$b"; done

clean:
	rm -rf $(BUILD) $(BUILD_ASAN)
