# The folders below the windows include no header of a window or a toolkit: the code page and
# everything toolkit-free stand on their own, so that they build and are tested without a window.
# Run as: cmake -DSOURCE_DIR=<src> -P Layering.cmake
set(lower shell lifecycle editing volume text workbench lesson results pictures)
set(found "")
foreach(folder IN LISTS lower)
  file(GLOB_RECURSE files "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](window|qt|win32|app)/|^[ \t]*#[ \t]*include[ \t]*<Q")
    foreach(line IN LISTS includes)
      file(RELATIVE_PATH name "${SOURCE_DIR}" "${file}")
      string(APPEND found "\n  ${name}: ${line}")
    endforeach()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "a toolkit-free folder includes a window's header:${found}")
endif()
message(STATUS "no toolkit-free folder includes a window's header")
