# Entry points: `make run` and `make test`. Everything else goes through CMake.
BUILD ?= build
JOBS ?= $(shell nproc)
# Paths relative to the checkout, so that other checkouts hit the compiler cache.
export CCACHE_BASEDIR ?= $(CURDIR)
CMAKE_FLAGS ?=
ifeq ($(CI),true)
CMAKE_FLAGS += -DPIXMOLD_WERROR=ON
endif

.PHONY: deps build run test asan tsan cross-arm64 fuzz clean

deps:
	bash scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/pixmold

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The headless build (pixmold-batch and the libraries below it, no Qt and no
# libcurl: CMake may not even look for them) with all its tests under
# AddressSanitizer and UndefinedBehaviorSanitizer (leaks inside the system's
# libraries are listed in tests/support/lsan.supp).
asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIXMOLD_SANITIZE=ON -DPIXMOLD_GUI=OFF \
	  -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON -DCMAKE_DISABLE_FIND_PACKAGE_CURL=ON $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp ctest --output-on-failure -j $(JOBS)

# The tests that run threads (batch job, session, scheduler, picture store,
# resampler on several threads) under ThreadSanitizer; any report fails the
# run. The extreme-ratio resamples take minutes there and add no threading.
TSAN_TESTS = ^(image\.(Store|Resample[A-Za-z]*|Resample/EachIsa|DecodeToASize)\.|batch\.(Job|Session|Scheduler)\.)
tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIXMOLD_TSAN=ON -DPIXMOLD_GUI=OFF $(CMAKE_FLAGS)
	cmake --build build-tsan -j $(JOBS) --target image_tests batch_tests
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --output-on-failure -R '$(TSAN_TESTS)' -E 'AtExtremeRatios' -j $(JOBS)

.PHONY: package install-check

# The Debian package: $(BUILD)/pixmold_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack -G DEB

# The staged install and the package checked against each other.
install-check: package
	bash tests/packaging/install_test.sh $(BUILD) --deb

# The engine and the batch tool cross-built for arm64, their tests run under
# qemu-user. Two tests that resize big pictures just to have something to
# stop take minutes under emulation and test nothing machine-specific.
cross-arm64: deps
	cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DCMAKE_BUILD_TYPE=Release -DPIXMOLD_GUI=OFF $(CMAKE_FLAGS)
	cmake --build build-arm64 -j $(JOBS) --target pixmold_image pixmold_batch pixmold-batch image_tests batch_tests
	cd build-arm64 && ctest --output-on-failure -j $(JOBS) -R '^(image|batch)\.' \
	  -E 'StopMidBatchLeavesNoPartialOrTemporaryFile|RefusesASecondStartWhileRunning'

# The libFuzzer target over every decoder, built with clang, and a short run
# with a fixed seed so that it compiles and stays sound from one commit to the
# next; longer hunts: tests/fuzz/run-fuzz.sh SECONDS.
FUZZ_RUNS ?= 30000
fuzz: deps
	bash tests/fuzz/run-fuzz.sh 120 -seed=1 -runs=$(FUZZ_RUNS)

clean:
	rm -rf $(BUILD) build-asan build-tsan build-arm64 build-fuzz
