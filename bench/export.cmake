# One point frame to a cloud file: kelvara-export's work beside PCL's writer
# alone (goal: under 5 ms a frame); kelvara-export on a recording of 30 and
# 300 frames: frames per second, peak resident size (goal: flat in the
# number of frames, at most 60 MB for 300).
if(TARGET kelvara_cloud_export)
  kelvara_add_bench(export_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/export_bench.cpp
    LIBS kelvara_cloud_export kelvara_pattern kelvara_recording kelvara_testing benchmark::benchmark_main)
  target_compile_definitions(export_bench PRIVATE KELVARA_EXPORT_PATH="$<TARGET_FILE:kelvara-export>")
  add_dependencies(export_bench kelvara-export)
endif()
