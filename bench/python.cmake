# The Python module's frames() against kelvara-capture on the unpaced
# simulator, and frame.points for one frame.
if(TARGET _kelvara AND TARGET kelvara-capture)
  kelvara_add_bench(python_bench
    SOURCES python_bench.cpp
    LIBS kelvara_sim_process kelvara_testing)
  target_compile_definitions(python_bench PRIVATE
    KELVARA_CAPTURE_PATH="$<TARGET_FILE:kelvara-capture>"
    KELVARA_PYTHON="${Python3_EXECUTABLE}"
    KELVARA_PYTHON_PATH="${CMAKE_BINARY_DIR}/python"
    KELVARA_PYTHON_SCRIPT="${CMAKE_CURRENT_SOURCE_DIR}/python_frames.py")
  add_dependencies(python_bench _kelvara kelvara-capture kelvara-camsim)
  if(TEST python_bench.smoke)
    set_tests_properties(python_bench.smoke PROPERTIES ENVIRONMENT KELVARA_PYTHON_BENCH_FRAMES=20)
  endif()
endif()
