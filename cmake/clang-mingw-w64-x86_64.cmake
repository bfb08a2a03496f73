# Cross build for 64-bit Windows with clang 16 as the compiler and the
# MinGW-w64 GCC (posix thread model) runtime: its libstdc++ headers and
# libraries, the MinGW headers and import libraries, linked by lld. A second
# compiler's warnings on the same code, and the same kind of executable.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang-16)
set(CMAKE_CXX_COMPILER clang++-16)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
set(CMAKE_RC_COMPILER ${triple}-windres)
# binutils' ld links clang's objects too, but warns on every type name that
# clang and GCC lay out differently; lld accepts both without a word.
find_program(VELMORA_LLD NAMES ld.lld-16 ld.lld REQUIRED)

# clang looks for the GCC runtime under a plain version number; Debian names
# the folder after the thread model too (12-posix), so it is named here.
file(GLOB gcc_dirs LIST_DIRECTORIES true /usr/lib/gcc/${triple}/*-posix)
list(SORT gcc_dirs COMPARE NATURAL)
list(POP_BACK gcc_dirs gcc_dir)
if(NOT gcc_dir)
    message(FATAL_ERROR "No MinGW-w64 GCC runtime of the posix thread model in /usr/lib/gcc/${triple}")
endif()

# GCC's MinGW runtime keeps thread-local variables (std::call_once's among
# them) in emulated TLS; clang must reach them the same way.
set(CMAKE_C_FLAGS_INIT "-femulated-tls")
set(CMAKE_CXX_FLAGS_INIT "-nostdinc++ -femulated-tls")
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES
    ${gcc_dir}/include/c++ ${gcc_dir}/include/c++/${triple} ${gcc_dir}/include/c++/backward)
# -pthread links winpthreads after libgcc_eh, whose thread-local emulation
# needs it. The compile flags reach the link step too, where -nostdinc++ means
# nothing.
set(link_flags "--ld-path=${VELMORA_LLD} -L${gcc_dir} -pthread -Wno-unused-command-line-argument")
set(CMAKE_EXE_LINKER_FLAGS_INIT ${link_flags})
set(CMAKE_SHARED_LINKER_FLAGS_INIT ${link_flags})
set(CMAKE_MODULE_LINKER_FLAGS_INIT ${link_flags})

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
