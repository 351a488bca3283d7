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

# The headless build (pixmold-batch and the libraries below it, no Qt and no
# libcurl: CMake may not even look for them) with all its tests under
# AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIXMOLD_SANITIZE=ON -DPIXMOLD_GUI=OFF \
	  -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON -DCMAKE_DISABLE_FIND_PACKAGE_CURL=ON $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest --output-on-failure -j $(JOBS)

.PHONY: package install-check

# The Debian package: $(BUILD)/pixmold_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack -G DEB

# The staged install and the package checked against each other.
install-check: package
	bash tests/packaging/install_test.sh $(BUILD) --deb

clean:
	rm -rf $(BUILD) build-asan
