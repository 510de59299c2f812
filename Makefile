# make run   - build and start TiroxOptimize.exe under Wine
# make test  - build everything and run every test
# make demo  - a whole optimization against simulated server groups (needs root)
# make bench - the benchmarks
# make dist  - the release zip for players: build/dist/TiroxOptimize-<version>.zip
# make fuzz  - the fuzz targets, FUZZ_TIME seconds each (clang, libFuzzer, ASan and UBSan)
# make mutate - hand-written faults put into a copy of the tree one at a time; which no test caught
# make lint  - clang-tidy and cppcheck over the project's own C++, both builds (make test runs it too)
BUILD ?= build
JOBS ?= $(shell nproc)
# Most tests wait (on Wine, on timed replies, on a window): more run at once than there are cores.
TEST_JOBS ?= 4
MAKEFLAGS += --no-print-directory
NATIVE := $(BUILD)/native
WIN32 := $(BUILD)/win32
WIN64 := $(BUILD)/win64
FUZZ := $(BUILD)/fuzz
FUZZ_TIME ?= 60
FUZZ_FLAGS := -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all

.PHONY: all setup build native win32 win64 test run demo bench dist fuzz mutate lint clean

all: build

setup:
	@bash tools/setup.sh

build: setup native win32 win64

native:
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(NATIVE) -j $(JOBS)

win32:
	cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(WIN32) -j $(JOBS)

win64:
	cmake -S . -B $(WIN64) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(WIN64) -j $(JOBS)

test: build
	bash tools/run-tests.sh $(NATIVE) -j $(TEST_JOBS) --output-on-failure --timeout 900

run: build
	bash tools/run.sh $(BUILD)

demo: build
	bash tools/demo.sh $(BUILD)

bench: build
	bash bench/run.sh $(BUILD)

# Signing the release (see README, Release); unset, the zip is the unsigned one.
export SIGN_PKCS12 SIGN_PKCS11_MODULE SIGN_KEY SIGN_CERT SIGN_PASS_FILE SIGN_TIMESTAMP_URL

dist: build
	python3 tools/make-release.py . $(BUILD)

fuzz:
	@bash tools/setup.sh fuzz
	cmake -S . -B $(FUZZ) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIROX_FUZZ=ON "-DCMAKE_CXX_FLAGS=$(FUZZ_FLAGS)" >/dev/null
	cmake --build $(FUZZ) -j $(JOBS) --target hosts_edit_fuzzer echo_reply_fuzzer
	bash tests/fuzz/run-fuzzers.sh $(FUZZ) $(FUZZ_TIME)

# Not part of make test: it builds and tests a copy of the tree once per mutant (see README).
mutate: setup
	JOBS=$(JOBS) python3 tools/mutate.py . $(BUILD)/mutate $(MUTANTS)

lint: build
	python3 tools/lint.py $(NATIVE) $(WIN32) $(WIN64) $(JOBS)

clean:
	rm -rf $(BUILD)
