# SPDX-License-Identifier: MIT
# What `cmake --install` puts where the freedesktop conventions say, and the
# Debian package that carries the same files:
#   cmake --build build --target package
# The relative places come from GNUInstallDirs (included by the top file).

set(OVRIN_LINUX ${CMAKE_CURRENT_SOURCE_DIR}/dist/linux)

install(TARGETS ovrin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS ovrin-window RUNTIME DESTINATION ${OVRIN_LIBEXEC_SUBDIR})
install(FILES ${OVRIN_LINUX}/ovrin.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${OVRIN_LINUX}/ovrin.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/gui/res/icons/ovrin.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/gui/res/icons/ovrin-document.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes
  RENAME application-x-ovrin-document.svg)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/README.md ${OVRIN_LINUX}/copyright
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ovrin)

# Manual page and change log are kept compressed, as Debian's policy asks
# (without a time stamp, so that builds are reproducible).
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/ovrin.1.gz
  COMMAND gzip -9n -c ${OVRIN_LINUX}/ovrin.1 > ${CMAKE_CURRENT_BINARY_DIR}/ovrin.1.gz
  DEPENDS ${OVRIN_LINUX}/ovrin.1 VERBATIM)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
  COMMAND gzip -9n -c ${OVRIN_LINUX}/changelog > ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
  DEPENDS ${OVRIN_LINUX}/changelog VERBATIM)
add_custom_target(ovrin_manual ALL
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/ovrin.1.gz ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ovrin.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ovrin)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ovrin)
set(CPACK_PACKAGE_VENDOR "Ovrin")
set(CPACK_PACKAGE_CONTACT "Ovrin developers <maintainers@ovrin.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "key words with descriptions, kept in order and found again")
# Lines of at most 80 characters, as Debian's control files want them.
set(CPACK_PACKAGE_DESCRIPTION "Ovrin records key words together with a free description and finds them\n\
again: one document of entries kept in key-word order, shown in a window and\n\
printed, with command-line modes to list, search, export to and import from\n\
GNU recutils record sets.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded as plug-ins, so dpkg-shlibdeps cannot see them: the X11 and Wayland
# platforms and the SVG icons.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "recutils")
include(CPack)
