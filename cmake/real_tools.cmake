# The real curl.exe (Schannel) and bsdtar as tar.exe, built from upstream
# source archives with this build's MinGW toolchain, once per build tree, into
# build/<preset>/real-tools. Test and demo material only: nothing here is
# linked into VelmoraSetup.exe.
#
# The archives live outside the repository, in shared/third_party beside the
# project root (or beside the folder of git worktrees that holds it);
# VELMORA_THIRD_PARTY_DIR, as a cache or environment variable, names another. Without them the program still builds; with
# VELMORA_REQUIRE_REAL_TOOLS on, their absence stops the configure.

set(default_third_party ${CMAKE_SOURCE_DIR}/../shared/third_party)
if(NOT EXISTS ${default_third_party} AND EXISTS ${CMAKE_SOURCE_DIR}/../../shared/third_party)
    set(default_third_party ${CMAKE_SOURCE_DIR}/../../shared/third_party)
endif()
if(DEFINED ENV{VELMORA_THIRD_PARTY_DIR})
    set(default_third_party $ENV{VELMORA_THIRD_PARTY_DIR})
endif()
set(VELMORA_THIRD_PARTY_DIR ${default_third_party} CACHE PATH
    "Folder holding the curl and libarchive source archives and their SHA256SUMS")
option(VELMORA_REQUIRE_REAL_TOOLS "Fail the configure when the real tools cannot be built" OFF)
set(VELMORA_REAL_TOOLS_DIR ${CMAKE_BINARY_DIR}/real-tools)

set(velmora_curl_archive curl-8.21.0.tar.xz)
set(velmora_libarchive_archive libarchive-3.8.9.tar.xz)

# The digest SHA256SUMS gives for FILE, in OUT; an error when it gives none.
function(velmora_listed_sha256 sums file out)
    file(STRINGS ${sums} lines REGEX "^[0-9a-f]+ +\\*?${file}$")
    list(LENGTH lines count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "${sums} lists no digest for ${file}")
    endif()
    string(REGEX MATCH "^[0-9a-f]+" digest "${lines}")
    set(${out} ${digest} PARENT_SCOPE)
endfunction()

# Sets VELMORA_REAL_TOOLS to whether the archives are there and match their
# listed digests; a mismatch is always an error.
function(velmora_check_third_party)
    # One spelling per folder, so that another path to the same archives
    # does not make the tools build again.
    file(REAL_PATH ${VELMORA_THIRD_PARTY_DIR} dir)
    set(VELMORA_REAL_TOOLS OFF PARENT_SCOPE)
    if(NOT EXISTS ${dir}/SHA256SUMS)
        string(CONCAT text "The real curl.exe and tar.exe need the source archives in ${dir} "
            "(with SHA256SUMS); set VELMORA_THIRD_PARTY_DIR to their folder.")
        if(VELMORA_REQUIRE_REAL_TOOLS)
            message(FATAL_ERROR "${text}")
        endif()
        message(STATUS "Real tools not built: ${text}")
        return()
    endif()
    foreach(archive ${velmora_curl_archive} ${velmora_libarchive_archive})
        velmora_listed_sha256(${dir}/SHA256SUMS ${archive} expected)
        if(NOT EXISTS ${dir}/${archive})
            message(FATAL_ERROR "${dir}/${archive} is missing")
        endif()
        file(SHA256 ${dir}/${archive} actual)
        if(NOT actual STREQUAL expected)
            message(FATAL_ERROR "${dir}/${archive} has SHA-256 ${actual}, SHA256SUMS says ${expected}")
        endif()
        string(REGEX REPLACE "-.*" "" name ${archive})
        set(velmora_${name}_sha256 ${expected} PARENT_SCOPE)
    endforeach()
    set(VELMORA_REAL_TOOLS ON PARENT_SCOPE)
endfunction()

velmora_check_third_party()

# Several build trees of one machine (git worktrees) may share one build of
# the tools: VELMORA_PREBUILT_TOOLS_DIR names a real-tools folder built from
# these same archives, whose curl.exe and tar.exe are copied instead of built.
# For hand builds only; tools/dev never sets it.
set(VELMORA_PREBUILT_TOOLS_DIR "" CACHE PATH
    "A real-tools folder (curl.exe, tar.exe) built from the same archives, to copy instead of building")

if(VELMORA_REAL_TOOLS AND VELMORA_PREBUILT_TOOLS_DIR)
    add_custom_target(velmora_real_tools
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMORA_REAL_TOOLS_DIR}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VELMORA_PREBUILT_TOOLS_DIR}/curl.exe
            ${VELMORA_PREBUILT_TOOLS_DIR}/tar.exe ${VELMORA_REAL_TOOLS_DIR}
        BYPRODUCTS ${VELMORA_REAL_TOOLS_DIR}/curl.exe ${VELMORA_REAL_TOOLS_DIR}/tar.exe)
elseif(VELMORA_REAL_TOOLS)
    include(ExternalProject)
    set(tool_args
        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
        -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_EXE_LINKER_FLAGS=-static
        -DBUILD_SHARED_LIBS=OFF)

    # HTTP and HTTPS only, through Schannel; the Unicode build takes wide
    # command lines, as the curl.exe of Windows does.
    ExternalProject_Add(velmora_real_curl
        URL ${VELMORA_THIRD_PARTY_DIR}/${velmora_curl_archive}
        URL_HASH SHA256=${velmora_curl_sha256}
        PREFIX ${CMAKE_BINARY_DIR}/third_party/curl
        CMAKE_ARGS ${tool_args}
            -DBUILD_STATIC_LIBS=ON -DBUILD_CURL_EXE=ON -DBUILD_TESTING=OFF
            -DBUILD_LIBCURL_DOCS=OFF -DBUILD_MISC_DOCS=OFF -DENABLE_CURL_MANUAL=OFF
            -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF
            -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF
            -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_DISABLE_LDAP=ON
            -DENABLE_UNICODE=ON -DHTTP_ONLY=ON
        BUILD_COMMAND $(MAKE) curl
        INSTALL_COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/src/curl.exe
            ${VELMORA_REAL_TOOLS_DIR}/curl.exe
        BUILD_BYPRODUCTS ${VELMORA_REAL_TOOLS_DIR}/curl.exe)

    # bsdtar with zlib only: the setup program unpacks deflated zips.
    # archive_random calls BCryptGenRandom, hence -lbcrypt.
    ExternalProject_Add(velmora_real_tar
        URL ${VELMORA_THIRD_PARTY_DIR}/${velmora_libarchive_archive}
        URL_HASH SHA256=${velmora_libarchive_sha256}
        PREFIX ${CMAKE_BINARY_DIR}/third_party/libarchive
        CMAKE_ARGS ${tool_args}
            -DENABLE_TAR=ON -DENABLE_TAR_SHARED=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF
            -DENABLE_UNZIP=OFF -DENABLE_TEST=OFF -DENABLE_ZLIB=ON -DENABLE_OPENSSL=OFF
            -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF -DENABLE_CNG=OFF -DENABLE_LIBB2=OFF
            -DENABLE_LZ4=OFF -DENABLE_LZO=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF
            -DENABLE_BZip2=OFF -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF -DENABLE_PCREPOSIX=OFF
            -DENABLE_PCRE2POSIX=OFF -DENABLE_ICONV=OFF -DENABLE_ACL=OFF -DENABLE_XATTR=OFF
            -DENABLE_WIN32_XMLLITE=OFF
            "-DCMAKE_C_STANDARD_LIBRARIES=-lbcrypt -lkernel32 -luser32 -lgdi32 -lwinspool -lshell32 -lole32 -loleaut32 -luuid -lcomdlg32 -ladvapi32"
        BUILD_COMMAND $(MAKE) bsdtar
        INSTALL_COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/bin/bsdtar.exe
            ${VELMORA_REAL_TOOLS_DIR}/tar.exe
        BUILD_BYPRODUCTS ${VELMORA_REAL_TOOLS_DIR}/tar.exe)

    add_custom_target(velmora_real_tools DEPENDS velmora_real_curl velmora_real_tar)
endif()
