# Frames per second of the measurement loop against the unpaced simulator,
# beside the raw link rate; the loop's own work per frame.
kelvara_add_bench(capture_bench
  SOURCES capture_bench.cpp
  LIBS kelvara_loop kelvara_sim_process kelvara_fake_camera kelvara_config_testing kelvara_testing kelvara_pattern benchmark::benchmark_main)
add_dependencies(capture_bench kelvara-camsim)

# kelvara-capture against a simulator paced like a real camera: frames lost
# from the log and CPU time per frame.
if(TARGET kelvara-capture)
  kelvara_add_bench(capture_paced_bench
    SOURCES capture_paced_bench.cpp
    LIBS kelvara_sim_process kelvara_testing benchmark::benchmark_main)
  target_compile_definitions(capture_paced_bench PRIVATE KELVARA_CAPTURE_PATH="$<TARGET_FILE:kelvara-capture>")
  add_dependencies(capture_paced_bench kelvara-capture kelvara-camsim)
  # The smoke run logs 20 frames, not 600.
  if(TEST capture_paced_bench.smoke)
    set_tests_properties(capture_paced_bench.smoke PROPERTIES ENVIRONMENT KELVARA_PACED_FRAMES=20)
  endif()
endif()
