# System DLLs that only some modes need are mapped at their first call, not at
# process start: the launch mode neither hashes nor shows a window (unless it
# fails), and mapping user32, gdi32, comctl32 and bcrypt was most of its start
# time. velmora_link_delay_loaded(TARGET) links them that way, for whatever
# links TARGET too.
set(VELMORA_DELAY_LOADED user32 gdi32 comctl32 bcrypt)

function(velmora_link_delay_loaded target)
    if(NOT MINGW)
        target_link_libraries(${target} PUBLIC ${VELMORA_DELAY_LOADED})
        if(MSVC)
            target_link_libraries(${target} PUBLIC delayimp)
            foreach(dll ${VELMORA_DELAY_LOADED})
                target_link_options(${target} PUBLIC /DELAYLOAD:${dll}.dll)
            endforeach()
        endif()
        return()
    endif()
    find_program(VELMORA_MINGW_NM x86_64-w64-mingw32-nm REQUIRED)
    find_program(VELMORA_DLLTOOL x86_64-w64-mingw32-dlltool REQUIRED)
    set(folder ${CMAKE_BINARY_DIR}/delay-load)
    file(MAKE_DIRECTORY ${folder})
    set(libraries)
    foreach(dll ${VELMORA_DELAY_LOADED})
        # The delay-load library exports what the plain import library does,
        # so no list of functions is kept by hand.
        find_library(VELMORA_IMPORT_${dll} NAMES lib${dll}.a REQUIRED)
        execute_process(COMMAND ${VELMORA_MINGW_NM} ${VELMORA_IMPORT_${dll}}
            OUTPUT_VARIABLE symbols ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
        string(REGEX MATCHALL " I __imp_[A-Za-z0-9_@]+" imports "${symbols}")
        list(TRANSFORM imports REPLACE " I __imp_" "")
        list(REMOVE_DUPLICATES imports)
        list(JOIN imports "\n" exports)
        file(WRITE ${folder}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
        set(library ${folder}/lib${dll}_delay.a)
        execute_process(COMMAND ${VELMORA_DLLTOOL} --input-def ${folder}/${dll}.def
            --dllname ${dll}.dll --output-delaylib ${library} COMMAND_ERROR_IS_FATAL ANY)
        list(APPEND libraries ${library})
    endforeach()
    target_link_libraries(${target} PUBLIC ${libraries})
endfunction()
