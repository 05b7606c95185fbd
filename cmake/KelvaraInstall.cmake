# `cmake --install`: the program folder is <prefix>/lib/kelvara/, holding the
# programs, the two libraries, 3d_data/angle.org and Table/qor_table.dat, so
# that the client finds everything beside itself; <prefix>/bin gets links to
# the programs a user starts, and the desktop entry and icon go where
# desktops look for them. An installed program folder is not writable by the
# user: the client then keeps its profile in ~/.config/kelvara/ and its 3D
# exchange files and upload marker in the runtime directory.
include(GNUInstallDirs)
set(KELVARA_INSTALL_FOLDER ${CMAKE_INSTALL_LIBDIR}/kelvara)

foreach(target Kelvara Orvinel Brenvik kelvara-capture kelvara-camsim)
  if(TARGET ${target})
    install(TARGETS ${target} RUNTIME DESTINATION ${KELVARA_INSTALL_FOLDER})
  endif()
endforeach()
foreach(target UART velmar)
  if(TARGET ${target})
    install(TARGETS ${target} LIBRARY DESTINATION ${KELVARA_INSTALL_FOLDER})
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
foreach(program Kelvara kelvara-capture kelvara-camsim)
  if(TARGET ${program})
    install(CODE "
      file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
      file(CREATE_LINK \"../${KELVARA_INSTALL_FOLDER}/${program}\"
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\" SYMBOLIC)")
  endif()
endforeach()

if(TARGET Kelvara)
  install(FILES ${CMAKE_SOURCE_DIR}/client/shell/kelvara.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/client/shell/kelvara.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
