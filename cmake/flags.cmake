# Compiler options shared by every target of the project.
add_library(velmora_options INTERFACE)

if(MSVC)
    target_compile_options(velmora_options INTERFACE /W4 /utf-8 /permissive-)
else()
    target_compile_options(velmora_options INTERFACE -Wall -Wextra)
endif()

if(WIN32)
    target_compile_definitions(velmora_options INTERFACE
        UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
endif()

if(MINGW)
    # One self-contained executable per target: only system DLLs are imported.
    add_compile_options(-ffunction-sections -fdata-sections)
    add_link_options(-static -Wl,--gc-sections)
    # The same sources give the same bytes, wherever and whenever they are
    # built: no link time in the PE header (nor the checksum derived from it),
    # and no source or build folder in debug or assertion strings.
    add_link_options(-Wl,--no-insert-timestamp)
    add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
        -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
    # Tests run the Windows executables under this build's private Wine prefix.
    set(VELMORA_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    configure_file(${CMAKE_SOURCE_DIR}/tests/wine/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
        WORLD_READ WORLD_EXECUTE @ONLY)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()

if(VELMORA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()
