# Installation and the Debian packages (CPack, DEB generator, one package a
# component):
#
#   cmake --build build --target package     (or: cd build && cpack)
#
#   kestrelon-mfg-cli  the command line, the receivers' udev rule, its manual
#                      page and the line set-up guide; no Qt, for stations
#                      without a desktop
#   kestrelon-mfg      the window, its menu entry and icon, its manual page;
#                      depends on kestrelon-mfg-cli
#
# The simulated receiver for the kernel (kestrelon-uhid-dongle) is a test
# tool and is not installed. For `cmake --install` use the prefix /usr (udev
# reads its rules from /usr/lib/udev/rules.d, not from /usr/local).
#
# The same commit gives the same package bytes: every date in it is the last
# commit's (SOURCE_DATE_EPOCH, unless the environment sets one), the manual
# pages and changelogs are compressed without a time stamp, and the build
# paths do not reach the programs (see KESTRELON_HARDENING in CMakeLists.txt).

set(KESTRELON_MAINTAINER "Kestrelon production tools <mfg-tools@kestrelon.example>"
    CACHE STRING "Maintainer named in the Debian package")
set(pkg ${CMAKE_BINARY_DIR}/packaging)
set(pkg_src ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
file(MAKE_DIRECTORY ${pkg})

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(KESTRELON_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${CMAKE_CURRENT_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE KESTRELON_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_status ERROR_QUIET)
  if(NOT git_status EQUAL 0 OR NOT KESTRELON_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    set(KESTRELON_SOURCE_DATE_EPOCH 0)   # no history: a fixed date rather than today's
  else()
    # A new commit configures again, so the packages take its date.
    execute_process(COMMAND git -C ${CMAKE_CURRENT_SOURCE_DIR} rev-parse --git-path HEAD
                            --symbolic-full-name HEAD
                    OUTPUT_VARIABLE git_head OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    string(REPLACE "\n" ";" git_head "${git_head}")
    list(GET git_head 0 head_file)
    set(watched ${head_file})
    list(LENGTH git_head parts)
    if(parts GREATER 1)
      list(GET git_head 1 branch)
      execute_process(COMMAND git -C ${CMAKE_CURRENT_SOURCE_DIR} rev-parse --git-path ${branch}
                      OUTPUT_VARIABLE branch_file OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      list(APPEND watched ${branch_file})
    endif()
    foreach(file ${watched})
      get_filename_component(file ${file} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      if(EXISTS ${file})
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
      endif()
    endforeach()
  endif()
endif()
set(ENV{SOURCE_DATE_EPOCH} ${KESTRELON_SOURCE_DATE_EPOCH})   # string(TIMESTAMP) below
string(TIMESTAMP KESTRELON_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
# cpack runs later, in its own process: it gets the date through this file.
file(WRITE ${pkg}/cpack_date.cmake "set(ENV{SOURCE_DATE_EPOCH} ${KESTRELON_SOURCE_DATE_EPOCH})\n")
set(CPACK_PROJECT_CONFIG_FILE ${pkg}/cpack_date.cmake)

# Manual pages and a changelog for each package.
set(gz_files)
foreach(page kestrelon-mfg-cli.1 kestrelon-mfg.1)
  configure_file(${pkg_src}/man/${page} ${pkg}/${page} @ONLY)
endforeach()
foreach(KESTRELON_PACKAGE kestrelon-mfg-cli kestrelon-mfg)
  configure_file(${pkg_src}/debian/changelog.in ${pkg}/${KESTRELON_PACKAGE}/changelog @ONLY)
endforeach()
foreach(file kestrelon-mfg-cli.1 kestrelon-mfg.1 kestrelon-mfg-cli/changelog kestrelon-mfg/changelog)
  add_custom_command(OUTPUT ${pkg}/${file}.gz
    COMMAND sh -c "gzip -9n < '${pkg}/${file}' > '${pkg}/${file}.gz'"
    DEPENDS ${pkg}/${file}
    VERBATIM)
  list(APPEND gz_files ${pkg}/${file}.gz)
endforeach()
add_custom_target(package_files ALL DEPENDS ${gz_files})

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(TARGETS kestrelon-mfg-cli RUNTIME DESTINATION bin COMPONENT cli)
install(FILES ${udev_rule} DESTINATION lib/udev/rules.d COMPONENT cli)
install(FILES ${pkg}/kestrelon-mfg-cli.1.gz DESTINATION share/man/man1 COMPONENT cli)
install(FILES ${pkg}/kestrelon-mfg-cli/changelog.gz ${pkg_src}/debian/copyright
              ${CMAKE_CURRENT_SOURCE_DIR}/docs/line-setup.md
        DESTINATION share/doc/kestrelon-mfg-cli COMPONENT cli)
set(CPACK_COMPONENTS_ALL cli)
if(KESTRELON_WITH_WINDOW)
  install(TARGETS kestrelon-mfg RUNTIME DESTINATION bin COMPONENT window)
  install(FILES ${pkg}/kestrelon-mfg.1.gz DESTINATION share/man/man1 COMPONENT window)
  install(FILES ${pkg}/kestrelon-mfg/changelog.gz ${pkg_src}/debian/copyright
          DESTINATION share/doc/kestrelon-mfg COMPONENT window)
  install(FILES ${pkg_src}/desktop/kestrelon-mfg.desktop DESTINATION share/applications COMPONENT window)
  install(FILES ${pkg_src}/debian/lintian-overrides DESTINATION share/lintian/overrides RENAME kestrelon-mfg
          COMPONENT window)
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/src/window/pictures/icon.png
          DESTINATION share/icons/hicolor/48x48/apps RENAME kestrelon-mfg.png COMPONENT window)
  install(FILES ${pkg_src}/desktop/kestrelon-mfg.svg DESTINATION share/icons/hicolor/scalable/apps
          COMPONENT window)
  list(APPEND CPACK_COMPONENTS_ALL window)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_PACKAGE_NAME kestrelon-mfg)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KESTRELON_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES TRUE)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME kestrelon-mfg-cli)
set(CPACK_COMPONENT_CLI_DESCRIPTION
    "production-line command line for 2.4 GHz receivers and mice\n"
    "Finds a Kestrelon USB receiver among the HID devices, checks that its paired\n"
    "mouse answers by radio, and programs both: RF power, EEPROM images, RF IDs\n"
    "and serial numbers from persistent counters, verified writes, PASS or FAIL.\n"
    "Contains the command line (kestrelon-mfg-cli), which runs the line without\n"
    "a desktop and sets up its numbering, and the udev rule that gives the user\n"
    "at the seat access to the receivers.")
list(JOIN CPACK_COMPONENT_CLI_DESCRIPTION "" CPACK_COMPONENT_CLI_DESCRIPTION)
# Until 0.36 the window's package carried the command line and the udev rule.
set(CPACK_DEBIAN_CLI_PACKAGE_REPLACES "kestrelon-mfg (<= 0.36)")
# The udev rule's scripts go with the rule.
set(CPACK_DEBIAN_CLI_PACKAGE_CONTROL_EXTRA ${pkg_src}/debian/postinst ${pkg_src}/debian/postrm)

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME kestrelon-mfg)
set(CPACK_COMPONENT_WINDOW_DESCRIPTION
    "production-line window for 2.4 GHz receivers and mice\n"
    "The operator's window (kestrelon-mfg) of the Kestrelon production line: it\n"
    "finds each receiver as it is plugged, shows whether the receiver and its\n"
    "mouse are ready, and programs both on Go, with PASS or FAIL.")
list(JOIN CPACK_COMPONENT_WINDOW_DESCRIPTION "" CPACK_COMPONENT_WINDOW_DESCRIPTION)
# The Chinese captions need a CJK font; no library names it.
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS
    "kestrelon-mfg-cli (= ${PROJECT_VERSION}), fonts-noto-cjk | fonts-wqy-microhei")
include(CPack)
