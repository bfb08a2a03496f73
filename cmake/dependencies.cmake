# nlohmann/json (header-only) and GoogleTest, both from the distribution.

# Expose only nlohmann/ to the cross compiler: the host's /usr/include holds
# glibc headers that would shadow MinGW's own.
find_path(NLOHMANN_JSON_INCLUDE_DIR nlohmann/json.hpp
    PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(json_dir ${CMAKE_BINARY_DIR}/deps/include)
file(MAKE_DIRECTORY ${json_dir})
if(NOT EXISTS ${json_dir}/nlohmann)
    file(CREATE_LINK ${NLOHMANN_JSON_INCLUDE_DIR}/nlohmann ${json_dir}/nlohmann SYMBOLIC)
endif()
add_library(nlohmann_json_headers INTERFACE)
target_include_directories(nlohmann_json_headers SYSTEM INTERFACE ${json_dir})

function(velmora_add_googletest)
    if(TARGET GTest::gtest_main)
        return()
    endif()
    if(CMAKE_CROSSCOMPILING)
        set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    else()
        find_package(GTest REQUIRED)
    endif()
endfunction()
