# Front door: `make run` starts the window, `make test` runs every test.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all build deps configure run test bench clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS)

configure: $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: deps build
	./$(BUILD_DIR)/voltaris

test: deps build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench: build
	./$(BUILD_DIR)/bench/voltaris_bench

clean:
	rm -rf $(BUILD_DIR)
