# Installation and the Debian package (CPack, DEB generator):
#
#   cmake --build build --target package     (or: cd build && cpack)
#
# kestrelon-mfg and kestrelon-mfg-cli in bin, the receivers' udev rule, the
# menu entry with its icon, a manual page for each program. The simulated
# receiver for the kernel (kestrelon-uhid-dongle) is a test tool and is not
# installed. For `cmake --install` use the prefix /usr (udev reads its
# rules from /usr/lib/udev/rules.d, not from /usr/local).

set(KESTRELON_MAINTAINER "Kestrelon production tools <mfg-tools@kestrelon.example>"
    CACHE STRING "Maintainer named in the Debian package")
set(pkg ${CMAKE_BINARY_DIR}/packaging)
set(pkg_src ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
file(MAKE_DIRECTORY ${pkg})

# Manual pages and the changelog, compressed without a time stamp so the
# package comes out the same from the same sources.
string(TIMESTAMP KESTRELON_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${pkg_src}/debian/changelog.in ${pkg}/changelog @ONLY)
set(gz_files)
foreach(page kestrelon-mfg-cli.1 kestrelon-mfg.1)
  configure_file(${pkg_src}/man/${page} ${pkg}/${page} @ONLY)
endforeach()
foreach(file kestrelon-mfg-cli.1 kestrelon-mfg.1 changelog)
  add_custom_command(OUTPUT ${pkg}/${file}.gz
    COMMAND sh -c "gzip -9n < '${pkg}/${file}' > '${pkg}/${file}.gz'"
    DEPENDS ${pkg}/${file}
    VERBATIM)
  list(APPEND gz_files ${pkg}/${file}.gz)
endforeach()
add_custom_target(package_files ALL DEPENDS ${gz_files})

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(TARGETS kestrelon-mfg-cli RUNTIME DESTINATION bin)
install(FILES ${udev_rule} DESTINATION lib/udev/rules.d)
install(FILES ${pkg}/kestrelon-mfg-cli.1.gz DESTINATION share/man/man1)
install(FILES ${pkg}/changelog.gz ${pkg_src}/debian/copyright DESTINATION share/doc/kestrelon-mfg)
if(KESTRELON_WITH_WINDOW)
  install(TARGETS kestrelon-mfg RUNTIME DESTINATION bin)
  install(FILES ${pkg}/kestrelon-mfg.1.gz DESTINATION share/man/man1)
  install(FILES ${pkg_src}/desktop/kestrelon-mfg.desktop DESTINATION share/applications)
  install(FILES ${pkg_src}/debian/lintian-overrides DESTINATION share/lintian/overrides RENAME kestrelon-mfg)
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/src/window/pictures/icon.png
          DESTINATION share/icons/hicolor/48x48/apps RENAME kestrelon-mfg.png)
  install(FILES ${pkg_src}/desktop/kestrelon-mfg.svg DESTINATION share/icons/hicolor/scalable/apps)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrelon-mfg)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KESTRELON_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "production-line tool for 2.4 GHz receivers and mice")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Finds a Kestrelon USB receiver among the HID devices, checks that its paired\n"
    "mouse answers by radio, and programs both: RF power, EEPROM images, RF IDs\n"
    "and serial numbers from persistent counters, verified writes, PASS or FAIL.\n"
    "Contains the operator's window (kestrelon-mfg), the command line\n"
    "(kestrelon-mfg-cli) and the udev rule that gives the user at the seat\n"
    "access to the receivers.")
list(JOIN CPACK_DEBIAN_PACKAGE_DESCRIPTION "" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's Chinese captions need a CJK font; no library names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${pkg_src}/debian/postinst ${pkg_src}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES TRUE)
include(CPack)
