# The executable maps only KERNEL32 and the C runtime at start; every other
# system DLL is delay-loaded, so a plain import slipping back in (a library
# linked ahead of its delay-load form) shows here.
#   cmake -DOBJDUMP=... -DEXE=... -P load_time_imports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "DLL Name: [^\n]+" names "${headers}")
list(TRANSFORM names REPLACE "DLL Name: " "")
list(TRANSFORM names TOLOWER)
list(SORT names)
if(NOT names STREQUAL "kernel32.dll;msvcrt.dll")
    message(FATAL_ERROR "load-time imports of ${EXE}: ${names}; expected kernel32.dll;msvcrt.dll")
endif()
message(STATUS "load-time imports: ${names}")
