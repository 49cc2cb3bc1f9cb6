# make        install what is missing, build the native core and the Windows programs
# make test   build everything and run every test (native, sanitizers, Windows under Wine)
# make run    build and start Vantrel under Wine
# make screenshot  save a PNG of the display Vantrel runs on
# make fuzz   run every fuzz target for FUZZ_SECONDS (60) from its seed corpus
# make bench  run the benchmarks and write BENCHMARKS.md
# make dist   build what a user downloads: the setup program, the portable zip, SHA256SUMS,
#             signed (VANTREL_SIGN_PFX, VANTREL_SIGN_PASSWORD, VANTREL_SIGN_TIMESTAMP; README)

BUILD   := build
NATIVE  := $(BUILD)/native
ASAN    := $(BUILD)/asan
WINDOWS := $(BUILD)/windows
JOBS    ?= $(shell nproc)
CMAKE_QUIET := --log-level=WARNING -Wno-dev

.PHONY: all deps native asan windows test run screenshot fuzz bench dist clean

all: native windows

deps:
	@bash tools/install-deps.sh

$(NATIVE)/CMakeCache.txt: | deps
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_QUIET)

$(ASAN)/CMakeCache.txt: | deps
	@cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=ON $(CMAKE_QUIET)

$(WINDOWS)/CMakeCache.txt: | deps
	@cmake -S . -B $(WINDOWS) -DCMAKE_BUILD_TYPE=MinSizeRel \
	    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake $(CMAKE_QUIET)

native: deps $(NATIVE)/CMakeCache.txt
	@cmake --build $(NATIVE) -j$(JOBS)

asan: deps $(ASAN)/CMakeCache.txt
	@cmake --build $(ASAN) -j$(JOBS)

windows: deps $(WINDOWS)/CMakeCache.txt
	@cmake --build $(WINDOWS) -j$(JOBS)

test: native asan windows
	@bash tools/run-tests.sh $(NATIVE) $(ASAN) $(WINDOWS) --fuzz 10

run: windows
	@bash tools/run-vantrel.sh $(WINDOWS)

FUZZ_SECONDS ?= 60
fuzz: deps
	@bash tools/fuzz.sh $(FUZZ_SECONDS)

bench: native windows
	@bash tools/bench.sh

dist: windows
	@bash installer/make_dist.sh $(WINDOWS) $(BUILD)/dist

screenshot:
	@bash tools/screenshot.sh

clean:
	rm -rf $(BUILD)
