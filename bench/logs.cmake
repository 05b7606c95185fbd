# Log writers: one CSV matrix against a naive fprintf writer, and the
# heaviest per-frame log (format 5 with CSV and PCD).
kelvara_add_bench(log_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/log_csv_bench.cpp ${CMAKE_CURRENT_SOURCE_DIR}/log_frame_bench.cpp
  LIBS kelvara_logging kelvara_testing kelvara_pattern benchmark::benchmark_main)
