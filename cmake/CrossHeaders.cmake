# Header-only libraries for a cross build, taken from the build machine's
# Debian packages (nlohmann-json3-dev, libsimpleini-dev). Only the headers
# themselves are linked into an include folder of the build tree: the build
# machine's /usr/include as a whole would hide the target's C library.
set(KESTRELON_HOST_INCLUDE /usr/include CACHE PATH "Where the build machine's header-only libraries are")
set(cross_include ${CMAKE_BINARY_DIR}/cross-include)
file(MAKE_DIRECTORY ${cross_include})
foreach(entry nlohmann SimpleIni.h)
  if(NOT EXISTS ${KESTRELON_HOST_INCLUDE}/${entry})
    message(FATAL_ERROR "${KESTRELON_HOST_INCLUDE}/${entry} is missing: install nlohmann-json3-dev and libsimpleini-dev")
  endif()
  if(NOT EXISTS ${cross_include}/${entry})
    file(CREATE_LINK ${KESTRELON_HOST_INCLUDE}/${entry} ${cross_include}/${entry} SYMBOLIC COPY_ON_ERROR)
  endif()
endforeach()

add_library(nlohmann_json INTERFACE)
target_include_directories(nlohmann_json SYSTEM INTERFACE ${cross_include})
add_library(nlohmann_json::nlohmann_json ALIAS nlohmann_json)

# Debian's SimpleIni keeps its template bodies behind SI_IMPLEMENTATION (the
# library is built from them) and would convert through ICU; here it is
# header-only, and the settings file does its own UTF-16 decoding.
add_library(kestrelon_simpleini INTERFACE)
target_include_directories(kestrelon_simpleini SYSTEM INTERFACE ${cross_include})
target_compile_definitions(kestrelon_simpleini INTERFACE SI_IMPLEMENTATION SI_NO_CONVERSION)
