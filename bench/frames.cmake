# Frames: decode and render one frame; save one display image as PNG.
find_package(PNG REQUIRED)
kelvara_add_bench(frame_render_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/frame_render_bench.cpp
  LIBS kelvara_display kelvara_pattern)
kelvara_add_bench(frame_png_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/frame_png_bench.cpp
  LIBS kelvara_display kelvara_pattern kelvara_testing PNG::PNG)
