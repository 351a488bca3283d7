# Entry points: `make run` and `make test`. Everything else goes through CMake.
BUILD ?= build
JOBS ?= $(shell nproc)
# Paths relative to the checkout, so that other checkouts hit the compiler cache.
export CCACHE_BASEDIR ?= $(CURDIR)
CMAKE_FLAGS ?=
ifeq ($(CI),true)
CMAKE_FLAGS += -DPIXMOLD_WERROR=ON
endif

.PHONY: deps build run test asan clean

deps:
	bash scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/pixmold

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Decoder robustness tests under AddressSanitizer and UndefinedBehaviorSanitizer
# (leaks inside the system's libraries are listed in tests/support/lsan.supp).
asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIXMOLD_SANITIZE=ON -DPIXMOLD_GUI=OFF $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS) --target image_tests
	cd build-asan && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp ctest --output-on-failure -R '^image\.' -j $(JOBS)

.PHONY: package install-check

# The Debian package: $(BUILD)/pixmold_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack -G DEB

# The staged install and the package checked against each other.
install-check: package
	bash tests/packaging/install_test.sh $(BUILD) --deb

clean:
	rm -rf $(BUILD) build-asan
