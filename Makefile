# Entry points: `make run` and `make test`. Everything else goes through CMake.
BUILD ?= build
JOBS ?= $(shell nproc)
# Paths relative to the checkout, so that other checkouts hit the compiler cache.
export CCACHE_BASEDIR ?= $(CURDIR)
CMAKE_FLAGS ?=
ifeq ($(CI),true)
CMAKE_FLAGS += -DPIXMOLD_WERROR=ON
endif

.PHONY: deps build run test asan cross-arm64 clean

deps:
	bash scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/pixmold

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Decoder robustness tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIXMOLD_SANITIZE=ON -DPIXMOLD_GUI=OFF $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS) --target image_tests
	cd build-asan && ctest --output-on-failure -R '^image\.' -j $(JOBS)

# The engine and the batch tool cross-built for arm64, their tests run under
# qemu-user. Two tests that resize big pictures just to have something to
# stop take minutes under emulation and test nothing machine-specific.
cross-arm64: deps
	cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DCMAKE_BUILD_TYPE=Release -DPIXMOLD_GUI=OFF $(CMAKE_FLAGS)
	cmake --build build-arm64 -j $(JOBS) --target pixmold_image pixmold_batch pixmold-batch image_tests batch_tests
	cd build-arm64 && ctest --output-on-failure -j $(JOBS) -R '^(image|batch)\.' \
	  -E 'StopMidBatchLeavesNoPartialOrTemporaryFile|RefusesASecondStartWhileRunning'

clean:
	rm -rf $(BUILD) build-asan build-arm64
