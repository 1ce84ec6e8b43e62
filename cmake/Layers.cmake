# Helpers for the layered libraries.

# kestrelon_layer_includes(TARGET ENTRY...)
# Gives TARGET an include root of its own that holds only the named entries
# of src/ (a layer folder, or a single header as "layer/file.h"), linked in
# the build tree. Headers of any other layer are not found, so an include
# that points up the layers fails to build. The root is PUBLIC: what links
# to TARGET sees what TARGET sees, and never more than its own layer and
# those below.
function(kestrelon_layer_includes target)
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  foreach(entry ${ARGN})
    get_filename_component(parent ${root}/${entry} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT EXISTS ${root}/${entry})
      file(CREATE_LINK ${SRC}/${entry} ${root}/${entry} SYMBOLIC COPY_ON_ERROR)
    endif()
  endforeach()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# kestrelon_sources(VAR DIR COMMON files... [POSIX files...] [LINUX files...]
#                   [NOT_LINUX files...] [WINDOWS files...])
# The sources of one folder, with the files that belong to one platform
# listed apart, so that each platform builds only its own.
function(kestrelon_sources var dir)
  cmake_parse_arguments(S "" "" "COMMON;POSIX;LINUX;NOT_LINUX;WINDOWS" ${ARGN})
  set(files ${S_COMMON})
  if(WIN32)
    list(APPEND files ${S_WINDOWS})
  else()
    list(APPEND files ${S_POSIX})
  endif()
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    list(APPEND files ${S_LINUX})
  else()
    list(APPEND files ${S_NOT_LINUX})
  endif()
  list(TRANSFORM files PREPEND ${SRC}/${dir}/)
  set(${var} ${files} PARENT_SCOPE)
endfunction()
