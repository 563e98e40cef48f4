# The two commands of the README, `make run` and `make test`, and the other targets. Each first
# installs, through scripts/install-deps, the groups of packages it needs and says what it adds.
BUILD_DIR ?= build
ASAN_DIR  ?= build-asan
FUZZ_DIR  ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS      ?= $(shell nproc)

# `make run` configures $(BUILD_DIR) for the programs alone, `make test` adds the tests and the
# benchmarks: so the first needs no test libraries. Switching between them reconfigures but
# rebuilds nothing already built.
RUN_OPTIONS  = -DTHORNVALE_BUILD_TESTS=OFF -DTHORNVALE_BUILD_BENCH=OFF
TEST_OPTIONS = -DTHORNVALE_BUILD_TESTS=ON -DTHORNVALE_BUILD_BENCH=ON

.PHONY: all deps configure build build-run run test sanitize fuzz bench package clean

all: build

# Every group of packages, for a machine that does it all (CI).
deps:
	./scripts/install-deps

configure:
	./scripts/install-deps test
	cmake -S . -B $(BUILD_DIR) $(TEST_OPTIONS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

build-run:
	./scripts/install-deps run
	cmake -S . -B $(BUILD_DIR) $(RUN_OPTIONS)
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The editor; its Open dialog starts beside the sample image. Without a display:
# scripts/install-deps display, then xvfb-run make run (Ctrl+C stops it).
run: build-run
	$(BUILD_DIR)/bin/thornvale-editor

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, in a build of its own.
sanitize:
	./scripts/install-deps test
	cmake -S . -B $(ASAN_DIR) -DTHORNVALE_SANITIZE=ON -DTHORNVALE_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(ASAN_DIR) -j $(JOBS)
	ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS)

# Each libFuzzer target for FUZZ_SECONDS, built with clang in a build of its own.
fuzz:
	./scripts/install-deps fuzz
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DTHORNVALE_FUZZ=ON \
	  -DTHORNVALE_BUILD_TESTS=OFF -DTHORNVALE_BUILD_BENCH=OFF -DTHORNVALE_BUILD_UI=OFF \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	./scripts/run-fuzzers $(FUZZ_DIR)/bin $(FUZZ_SECONDS)

# A Debian package of both programs in $(BUILD_DIR), checked as a distribution would check it:
# a second package of the same build is the same bytes, and lintian and the AppStream validator
# find no error and no warning.
package:
	./scripts/install-deps package
	cmake -S . -B $(BUILD_DIR) $(RUN_OPTIONS)
	cmake --build $(BUILD_DIR) -j $(JOBS)
	rm -rf $(BUILD_DIR)/thornvale-editor_*.deb $(BUILD_DIR)/package-again
	cd $(BUILD_DIR) && cpack
	cd $(BUILD_DIR) && cpack -B package-again >/dev/null
	cmp $(BUILD_DIR)/thornvale-editor_*.deb $(BUILD_DIR)/package-again/thornvale-editor_*.deb
	rm -rf $(BUILD_DIR)/package-again
	lintian --fail-on error,warning $(BUILD_DIR)/thornvale-editor_*.deb
	appstreamcli validate --pedantic --no-net $(BUILD_DIR)/packaging/*.metainfo.xml | tee $(BUILD_DIR)/appstream.log
	! grep -E '^[EW]: ' $(BUILD_DIR)/appstream.log

bench: build
	$(BUILD_DIR)/bin/codec-bench
	$(BUILD_DIR)/bin/cli-bench
	$(BUILD_DIR)/bin/import-bench
	$(BUILD_DIR)/bin/exchange-bench

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR)

# The Windows programs, cross-built with mingw-w64 into $(WINDOWS_DIR)/bin beside sample.nes; their
# tests under Wine (one X server and one Wine server for the run), the installer's check among them;
# and the zip and the installer a Windows user downloads.
WINDOWS_DIR ?= build-windows
.PHONY: windows windows-test package-windows windows-bench

windows:
	./scripts/install-deps windows
	cmake -S . -B $(WINDOWS_DIR) --toolchain cmake/mingw-w64-x86_64.cmake -DTHORNVALE_BUILD_BENCH=OFF
	cmake --build $(WINDOWS_DIR) -j $(JOBS)

package-windows: windows
	cmake --build $(WINDOWS_DIR) --target package-windows

windows-test: package-windows
	./scripts/windows-test $(WINDOWS_DIR) $(JOBS)

# The editor's start-up under Wine, as a ratio to a bare Windows API window started in the same run.
windows-bench: windows
	./scripts/windows-bench $(WINDOWS_DIR)
