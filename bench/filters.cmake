# The measurement filters per frame of the room scene, with the shares they
# reach against the simulator's ground truth as counters.
kelvara_add_bench(filters_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/filters_bench.cpp
  LIBS kelvara_filters kelvara_filters_testing benchmark::benchmark_main)
