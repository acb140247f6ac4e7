# Cross-compiles for 64-bit Windows with Debian's mingw-w64 GCC. The posix-thread flavour
# gives std::thread, std::mutex and std::condition_variable; -static puts libgcc, libstdc++
# and winpthreads inside each program, so it needs no DLL beyond Windows' own. Libraries are
# found only in QUILMORANTE_WINDOWS_PREFIX (windows/dependencies.sh builds them there), never
# on the build machine, and tests run under Wine.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DQUILMORANTE_WINDOWS_PREFIX=$PWD/build-windows-deps/prefix
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(QUILMORANTE_WINDOWS_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../build-windows-deps/prefix"
    CACHE PATH "Absolute path of the Windows libraries (windows/dependencies.sh DEST/prefix)")
# try_compile projects read this file again and need the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUILMORANTE_WINDOWS_PREFIX)
get_filename_component(prefix "${QUILMORANTE_WINDOWS_PREFIX}" ABSOLUTE)

set(CMAKE_FIND_ROOT_PATH ${prefix} /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config reads the prefix's .pc files only, and with --static, so that imported targets
# carry each static library's own dependencies.
set(ENV{PKG_CONFIG_LIBDIR} ${prefix}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_ARGN --static CACHE STRING "Arguments to supply to pkg-config")

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
# Wine in a prefix of the build folder's own; windows/wine.sh creates it on first use.
get_filename_component(wine_sh ${CMAKE_CURRENT_LIST_DIR}/../windows/wine.sh ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${wine_sh} ${CMAKE_BINARY_DIR}/wine)
