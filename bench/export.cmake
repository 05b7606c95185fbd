# One point frame to a cloud file: kelvara-export's work beside PCL's writer
# alone (goal: under 5 ms a frame).
if(TARGET kelvara_cloud_export)
  kelvara_add_bench(export_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/export_bench.cpp
    LIBS kelvara_cloud_export kelvara_pattern kelvara_testing benchmark::benchmark_main)
endif()
