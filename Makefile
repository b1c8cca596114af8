# Front door: `make run` starts the window, `make test` runs every test.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all build deps configure run test bench clean sanitize fuzz fuzz-short

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

# The core and CLI tests built with clang under AddressSanitizer, UBSan and the
# float-to-integer cast check; any report fails the test that caused it. The same build
# holds the libFuzzer targets of fuzz/.
SAN_DIR ?= build-asan
FUZZ_SECONDS ?= 300
$(SAN_DIR)/build.ninja:
	cmake -S . -B $(SAN_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DENABLE_ASAN=ON -DVOLTARIS_FUZZ=ON -DVOLTARIS_BUILD_GUI=OFF

sanitize: deps $(SAN_DIR)/build.ninja
	cmake --build $(SAN_DIR) -j $(JOBS) --target core_tests cli_tests voltaris-cli
	cd $(SAN_DIR) && ctest --output-on-failure -j $(JOBS)

# `make fuzz` runs each fuzz target for FUZZ_SECONDS (default 300) on its seed corpus;
# `make fuzz-short` for 20 s each (what CI runs).
fuzz: deps $(SAN_DIR)/build.ninja
	FUZZ_SECONDS=$(FUZZ_SECONDS) cmake --build $(SAN_DIR) -j $(JOBS) --target fuzz

fuzz-short:
	$(MAKE) fuzz FUZZ_SECONDS=20

clean:
	rm -rf $(BUILD_DIR) $(SAN_DIR)
