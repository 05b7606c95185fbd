# `cpack -G DEB` (or the `package` target): kelvara_<version>_<arch>.deb
# from the install rules of KelvaraInstall.cmake, installed under /usr, its
# dependencies computed by dpkg-shlibdeps. The package's own documents (the
# copyright file and the changelog) go to /usr/share/doc/kelvara/.
set(KELVARA_PACKAGE_MAINTAINER "Kelvara developers <kelvara@example.org>"
  CACHE STRING "Maintainer field of the Debian package")

set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/kelvara)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${doc_dir})
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND sh -c "gzip -9n -c '${CMAKE_BINARY_DIR}/packaging/changelog' > '${CMAKE_BINARY_DIR}/packaging/changelog.gz'"
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog VERBATIM)
add_custom_target(kelvara_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvara)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kelvara developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "client, 3D viewer and tools of a time-of-flight depth camera")
set(CPACK_PACKAGE_DESCRIPTION
  "Desktop software of a 320 x 240 time-of-flight depth camera on a serial link:
the client Kelvara (connect, set the camera's parameters, view and log its
frames), the 3D viewer Orvinel, the table uploader Brenvik, the camera
simulator kelvara-camsim (which also replays recordings), the headless
capture tool kelvara-capture and the cloud converter kelvara-export.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KELVARA_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libUART.so and libvelmar.so come with the package, in the program folder.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CPACK_PACKAGING_INSTALL_PREFIX}/${KELVARA_INSTALL_FOLDER})
# No maintainer scripts: the package only places files.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
