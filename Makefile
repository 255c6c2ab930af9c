# The front door: `make demo` runs the main job, `make check` runs every test.
# Each first installs what is missing (scripts/install-deps.sh). BUILD selects the build tree.
BUILD ?= build
BUILD_ABS := $(abspath $(BUILD))
WIN := $(BUILD_ABS)/win
NATIVE := $(BUILD_ABS)/native
JOBS ?= $(shell nproc)

.PHONY: all deps build check demo bench fuzz pictures clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS) -- --no-print-directory
	@cmake -S . -B $(WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
		-DPENDRIX_NATIVE_DIR=$(NATIVE) >/dev/null
	@cmake --build $(WIN) -j $(JOBS) -- --no-print-directory

# TESTS=<ctest regex> runs only the tests it matches, e.g. make check TESTS=e2e/pack_check
check: build
	@bash scripts/run-tests.sh $(WIN) $(if $(TESTS),-R '$(TESTS)')

demo: build
	@bash scripts/demo.sh $(WIN)

# BENCH=check measures PendrixPack --check on many keys alone.
bench: build
	@bash scripts/bench.sh $(WIN) $(BENCH)

# A longer fuzzing campaign of the native targets: FUZZ_SECONDS each (600), FUZZ="<target> ..."
# to run only those (tests/README.md).
FUZZ_SECONDS ?= 600
fuzz: deps
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS) -- --no-print-directory
	@bash scripts/fuzz.sh $(NATIVE) $(FUZZ_SECONDS) $(FUZZ)

# The pictures of docs/languages.md and the README, taken from the real programs.
pictures: build
	@bash scripts/pictures.sh $(WIN) docs/pictures

clean:
	rm -rf $(BUILD_ABS)
