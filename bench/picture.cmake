# The picture window: painting one two-image frame at 1280 x 960 against a
# plain QPainter::drawImage of the two scaled images, and the time from a
# rendered frame to its painted pixels.
if(KELVARA_BUILD_GUI AND TARGET kelvara_display_ui)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  kelvara_add_bench(picture_paint_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/picture_paint_bench.cpp
    LIBS kelvara_display_ui kelvara_pattern Qt6::Widgets)
  if(KELVARA_BUILD_TESTS)
    set_tests_properties(picture_paint_bench.smoke PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  endif()
endif()
