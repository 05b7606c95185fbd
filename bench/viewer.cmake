# The viewer's cloud builders: distance cloud with file read, the half turn,
# and the plain formulas they replace, for comparison.
if(TARGET kelvara_viewer_cloud)
  kelvara_add_bench(viewer_cloud_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewer_cloud_bench.cpp
    LIBS kelvara_viewer_cloud)
endif()

# The live view's pace: the viewer fed a new ring file every 50 ms through
# libvelmar.so (runs itself under xvfb-run when there is no display).
if(TARGET Orvinel)
  kelvara_add_bench(viewer_pace_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewer_pace_bench.cpp
    LIBS velmar kelvara_loop kelvara_feed3d kelvara_camsim kelvara_runtime kelvara_testing
    ARGS --pace_seconds=1)
  target_compile_definitions(viewer_pace_bench PRIVATE ORVINEL_PATH="$<TARGET_FILE:Orvinel>")
  add_dependencies(viewer_pace_bench Orvinel)
  if(TEST viewer_pace_bench.smoke)
    set_tests_properties(viewer_pace_bench.smoke PROPERTIES RESOURCE_LOCK xvfb TIMEOUT 300)
  endif()
endif()
