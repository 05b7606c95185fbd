# Playback of a recording inside the client's session: frames per second
# achieved against the asked rate at 1x, 2x and 4x of a 20 fps recording,
# with the picture and the 3D export ring on, and the frames lost.
kelvara_add_bench(playback_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/playback_bench.cpp
  LIBS kelvara_playback kelvara_session kelvara_pattern kelvara_recording kelvara_testing
    benchmark::benchmark_main)
