# make run   - build and start TiroxOptimize.exe under Wine
# make test  - build everything and run every test
# make demo  - a whole optimization against simulated server groups (needs root)
# make bench - the benchmarks
# make dist  - the release zip for players: build/dist/TiroxOptimize-<version>.zip
BUILD ?= build
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory
NATIVE := $(BUILD)/native
WIN32 := $(BUILD)/win32

.PHONY: all setup build native win32 test run demo bench dist clean

all: build

setup:
	@bash tools/setup.sh

build: setup native win32

native:
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(NATIVE) -j $(JOBS)

win32:
	cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(WIN32) -j $(JOBS)

test: build
	ctest --test-dir $(NATIVE) --output-on-failure --timeout 900

run: build
	bash tools/run.sh $(WIN32)/TiroxOptimize.exe

demo: build
	bash tools/demo.sh $(BUILD)

bench: build
	bash bench/run.sh $(BUILD)

dist: build
	python3 tools/make-release.py . $(BUILD)

clean:
	rm -rf $(BUILD)
