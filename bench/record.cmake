# Recording and replay: frames per second of the measurement loop with and
# without --record against the unpaced simulator; result rate of a replay
# beside the live simulator.
kelvara_add_bench(record_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/record_bench.cpp
  LIBS kelvara_capture kelvara_session kelvara_sim_process kelvara_pattern kelvara_testing benchmark::benchmark_main)
add_dependencies(record_bench kelvara-camsim)
