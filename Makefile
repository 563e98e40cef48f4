# The two commands of the README: `make run` and `make test`. Both install what is missing first.
BUILD_DIR ?= build
ASAN_DIR  ?= build-asan
JOBS      ?= $(shell nproc)

.PHONY: all deps configure build run test sanitize bench clean

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

bench: build
	$(BUILD_DIR)/bin/codec-bench

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR)
