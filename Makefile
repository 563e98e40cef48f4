# The two commands of the README: `make run` and `make test`. Both install what is missing first.
BUILD_DIR ?= build
ASAN_DIR  ?= build-asan
FUZZ_DIR  ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS      ?= $(shell nproc)

.PHONY: all deps configure build run test sanitize fuzz bench package clean

all: build

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The editor; its Open dialog starts beside the sample image. Without a display: xvfb-run make run
run: build
	$(BUILD_DIR)/bin/thornvale-editor

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, in a build of its own.
sanitize: deps
	cmake -S . -B $(ASAN_DIR) -DTHORNVALE_SANITIZE=ON -DTHORNVALE_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(ASAN_DIR) -j $(JOBS)
	ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS)

# Each libFuzzer target for FUZZ_SECONDS, built with clang in a build of its own.
fuzz: deps
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DTHORNVALE_FUZZ=ON \
	  -DTHORNVALE_BUILD_TESTS=OFF -DTHORNVALE_BUILD_BENCH=OFF -DTHORNVALE_BUILD_UI=OFF \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	./scripts/run-fuzzers $(FUZZ_DIR)/bin $(FUZZ_SECONDS)

# A Debian package of both programs, in $(BUILD_DIR).
package: build
	cd $(BUILD_DIR) && cpack

bench: build
	$(BUILD_DIR)/bin/codec-bench
	$(BUILD_DIR)/bin/cli-bench
	$(BUILD_DIR)/bin/import-bench

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR)

# The Windows programs, cross-built with mingw-w64 into $(WINDOWS_DIR)/bin beside sample.nes; their
# tests under Wine (one X server and one Wine server for the run), the installer's check among them;
# and the zip and the installer a Windows user downloads.
WINDOWS_DIR ?= build-windows
.PHONY: windows windows-test package-windows windows-bench

windows: deps
	cmake -S . -B $(WINDOWS_DIR) --toolchain cmake/mingw-w64-x86_64.cmake -DTHORNVALE_BUILD_BENCH=OFF
	cmake --build $(WINDOWS_DIR) -j $(JOBS)

package-windows: windows
	cmake --build $(WINDOWS_DIR) --target package-windows

windows-test: package-windows
	./scripts/windows-test $(WINDOWS_DIR) $(JOBS)

# The editor's start-up under Wine, as a ratio to a bare Windows API window started in the same run.
windows-bench: windows
	./scripts/windows-bench $(WINDOWS_DIR)
