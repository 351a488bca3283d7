# Cross build for 64-bit ARM Linux with Debian's cross compiler and the
# :arm64 libraries installed beside the native ones (scripts/install-deps).
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DPIXMOLD_GUI=OFF
# Test programs run through qemu-user (ctest and test discovery use it).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# Headers and libraries of the target only; build tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# pkg-config reads the target's .pc files (libwebp, libheif, OpenJPEG).
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)

find_program(PIXMOLD_QEMU_AARCH64 qemu-aarch64-static)
if(PIXMOLD_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PIXMOLD_QEMU_AARCH64})
endif()
