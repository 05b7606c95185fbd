# The Trends window's cost on the UI thread per frame: the distance
# histogram of a frame alone, and a whole frame's work with the window shown
# (histogram and its repaint, and once a second a point on each trend and
# the chart's repaint) after eight hours of trends (goal: under 2 ms a frame).
if(TARGET kelvara_trends_ui)
  kelvara_add_bench(trends_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/trends_bench.cpp
    LIBS kelvara_trends_ui kelvara_pattern Qt6::Widgets)
  if(KELVARA_BUILD_TESTS)
    set_tests_properties(trends_bench.smoke PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  endif()
endif()
