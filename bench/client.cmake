# The client's main dialog against the unpaced simulator: how long the UI
# thread's event loop waits while a run goes on at full rate (goal: never
# over 50 ms), and the connect sequence against the sum of its exchanges
# (goal: within 10 %); and playback of a 20 fps recording at 1x, 2x and 4x
# with the picture window and (on an X display) the 3D view (goal: the asked
# rate, no frame lost).
if(TARGET kelvara_shell)
  kelvara_add_bench(client_ui_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/client_ui_bench.cpp
    LIBS kelvara_shell kelvara_config_testing kelvara_sim_process kelvara_pattern)
  target_compile_definitions(client_ui_bench PRIVATE KELVARA_PROGRAM_FOLDER="${KELVARA_BIN_DIR}/")
endif()
