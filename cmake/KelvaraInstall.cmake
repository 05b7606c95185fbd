# `cmake --install`: the program folder is <prefix>/lib/kelvara/, holding the
# programs, the two libraries, 3d_data/angle.org and Table/qor_table.dat, so
# that the client finds everything beside itself; <prefix>/bin gets links to
# the programs, and the desktop entry, icon, AppStream metadata, manual
# pages and the package's documents go where desktops and tools look for
# them. An installed program folder is not writable by the user: the client
# then keeps its profile in ~/.config/kelvara/ and its 3D exchange files and
# upload marker in the runtime directory.
include(GNUInstallDirs)
# The date of this release, for the AppStream metadata and the changelog.
set(KELVARA_RELEASE_DATE "2026-12-11")
set(KELVARA_RELEASE_DATE_RFC2822 "Fri, 11 Dec 2026 00:00:00 +0000")
# A program folder of its own, not a multiarch library folder.
set(KELVARA_INSTALL_FOLDER lib/kelvara)
set(KELVARA_PROGRAMS Kelvara Orvinel Brenvik kelvara-capture kelvara-camsim kelvara-export kelvara-3d-send)

foreach(target ${KELVARA_PROGRAMS})
  if(TARGET ${target})
    install(TARGETS ${target} RUNTIME DESTINATION ${KELVARA_INSTALL_FOLDER})
  endif()
endforeach()
# Shared libraries are loaded, not run: no execute bits.
foreach(target UART velmar)
  if(TARGET ${target})
    install(TARGETS ${target} LIBRARY DESTINATION ${KELVARA_INSTALL_FOLDER}
      PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endif()
endforeach()
if(TARGET angle_org)
  install(FILES ${KELVARA_BIN_DIR}/3d_data/angle.org DESTINATION ${KELVARA_INSTALL_FOLDER}/3d_data)
endif()
if(TARGET kelvara_table)
  install(FILES ${KELVARA_BIN_DIR}/Table/qor_table.dat DESTINATION ${KELVARA_INSTALL_FOLDER}/Table)
endif()

# Links in bin/: the client reads its program folder from /proc/self/exe,
# which names the real file, so a link works.
foreach(program ${KELVARA_PROGRAMS})
  if(TARGET ${program})
    install(CODE "
      file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
      file(CREATE_LINK \"../${KELVARA_INSTALL_FOLDER}/${program}\"
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\" SYMBOLIC)")
    # One manual page per program, compressed as Debian wants it.
    set(page ${CMAKE_SOURCE_DIR}/packaging/man/${program}.1)
    set(page_gz ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
    add_custom_command(OUTPUT ${page_gz}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND sh -c "gzip -9n -c '${page}' > '${page_gz}'"
      DEPENDS ${page} VERBATIM)
    list(APPEND KELVARA_MAN_PAGES ${page_gz})
  endif()
endforeach()
add_custom_target(kelvara_man_pages ALL DEPENDS ${KELVARA_MAN_PAGES})
install(FILES ${KELVARA_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(KELVARA_APP_ID org.kelvara.Kelvara)
if(TARGET Kelvara)
  install(FILES ${CMAKE_SOURCE_DIR}/client/shell/kelvara.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/client/shell/kelvara.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # The recordings' type (*.kvrec, and their magic), which the desktop
  # entry opens.
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/kelvara-recording.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kelvara.xml)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/kelvara.metainfo.xml.in
    ${CMAKE_BINARY_DIR}/packaging/${KELVARA_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${KELVARA_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
