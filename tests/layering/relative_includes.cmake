# Fails when a source below SOURCE includes a header by a path that climbs
# out of its folder.
file(GLOB_RECURSE files ${SOURCE}/*.cpp ${SOURCE}/*.hpp)
set(found "")
foreach(file ${files})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]*\\.\\.")
    foreach(line ${lines})
        string(APPEND found "\n${file}: ${line}")
    endforeach()
endforeach()
if(found)
    message(FATAL_ERROR "relative includes, which bypass the libraries' layering:${found}")
endif()
