# Frames per second of the measurement loop against the unpaced simulator,
# beside the raw link rate; the loop's own work per frame.
kelvara_add_bench(capture_bench
  SOURCES capture_bench.cpp
  LIBS kelvara_loop kelvara_sim_process kelvara_fake_camera kelvara_config_testing kelvara_testing kelvara_pattern benchmark::benchmark_main)
add_dependencies(capture_bench kelvara-camsim)
