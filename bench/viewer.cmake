# The viewer's cloud builders: distance cloud with file read, the half turn,
# and the plain formulas they replace, for comparison.
if(TARGET kelvara_viewer_cloud)
  kelvara_add_bench(viewer_cloud_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewer_cloud_bench.cpp
    LIBS kelvara_viewer_cloud)
endif()
