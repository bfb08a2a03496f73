# The program's libraries, one per folder of src/, each naming the libraries
# it may use. A library sees only its own headers and those of what it links:
# its sources are compiled against an include folder that holds itself alone
# (build/include/<name>/<name> -> src/<name>), so an include of a library it
# does not link fails to build.
#
# PUBLIC names the libraries whose headers the library's own headers include,
# which its users therefore see too; PRIVATE those only its sources use,
# which stay hidden from its users (window uses launch, and launch uses
# process, yet window cannot include a process header).
#
# Files whose name ends in _win.cpp call Windows; every other source is the
# Windows-free core, which builds natively too (sanitizers, fuzzing).
#   velmora_library(NAME [PUBLIC LIB...] [PRIVATE LIB...] [EXCLUDE FILE...])
set(VELMORA_LIBRARIES "" CACHE INTERNAL "")

function(velmora_library name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "PUBLIC;PRIVATE;EXCLUDE")
    set(folder ${PROJECT_SOURCE_DIR}/src/${name})
    file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
    foreach(excluded ${arg_EXCLUDE})
        list(REMOVE_ITEM sources ${folder}/${excluded})
    endforeach()
    if(NOT WIN32)
        list(FILTER sources EXCLUDE REGEX "_win\\.cpp$")
    endif()

    set(root ${CMAKE_BINARY_DIR}/include/${name})
    if(NOT EXISTS ${root}/${name})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${folder} ${root}/${name} SYMBOLIC RESULT linked)
        if(NOT linked EQUAL 0)
            # A Windows account without the right to make links: the
            # library then sees every header, unchecked.
            set(root ${PROJECT_SOURCE_DIR}/src)
        endif()
    endif()

    set(target velmora_${name})
    if(sources)
        add_library(${target} STATIC ${sources})
        set(scope PUBLIC)
    else()
        add_library(${target} INTERFACE)
        set(scope INTERFACE)
    endif()
    target_include_directories(${target} ${scope} ${root})
    list(TRANSFORM arg_PUBLIC PREPEND velmora_)
    list(TRANSFORM arg_PRIVATE PREPEND velmora_)
    target_link_libraries(${target} ${scope} velmora_options ${arg_PUBLIC})
    if(arg_PRIVATE)
        target_link_libraries(${target} PRIVATE ${arg_PRIVATE})
    endif()
    set(VELMORA_LIBRARIES ${VELMORA_LIBRARIES} ${target} CACHE INTERNAL "")
endfunction()

velmora_library(common)
velmora_library(json PUBLIC common)
velmora_library(files PUBLIC common)
velmora_library(process PUBLIC common)
velmora_library(install PUBLIC common json PRIVATE files process)
velmora_library(launch PUBLIC common PRIVATE install files process)
velmora_library(window PUBLIC common PRIVATE install launch)
velmora_library(app PUBLIC common PRIVATE window launch install process files
    EXCLUDE entry_win.cpp)

# What the tests, benchmarks and fuzzers link: every library, every header.
add_library(velmora_all INTERFACE)
target_link_libraries(velmora_all INTERFACE ${VELMORA_LIBRARIES})

target_link_libraries(velmora_json PUBLIC nlohmann_json_headers)
target_compile_definitions(velmora_install PRIVATE
    VELMORA_MANIFEST_HOST="${VELMORA_MANIFEST_HOST}")
if(WIN32)
    # user32, gdi32, comctl32 and bcrypt for whatever links the program.
    velmora_link_delay_loaded(velmora_common)
endif()
