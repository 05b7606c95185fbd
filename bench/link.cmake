# Result round trips through the client's link library and libUART.so
# against the unpaced simulator on a pseudo-terminal.
kelvara_add_bench(link_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/link_result_roundtrip.cpp
  LIBS kelvara_link kelvara_sim_process)
