# Shared build helpers: warnings, sanitizers and unit tests.

if(KELVARA_SANITIZE STREQUAL "address")
  set(KELVARA_SAN_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
elseif(KELVARA_SANITIZE STREQUAL "thread")
  set(KELVARA_SAN_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT KELVARA_SANITIZE STREQUAL "")
  message(FATAL_ERROR "KELVARA_SANITIZE must be empty, 'address' or 'thread'")
endif()
# The fuzz build: every target carries the fuzzer's coverage and ASan+UBSan;
# only the fuzz targets link libFuzzer's main (fuzz/CMakeLists.txt).
if(KELVARA_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KELVARA_BUILD_FUZZ needs clang: -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang")
  endif()
  list(APPEND KELVARA_SAN_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
       -fno-sanitize-recover=undefined)
endif()
if(KELVARA_SAN_FLAGS)
  add_compile_options(${KELVARA_SAN_FLAGS})
  add_link_options(${KELVARA_SAN_FLAGS})
endif()

# Warnings for the project's own targets (not for third-party headers).
function(kelvara_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(KELVARA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# kelvara_exports(target version_script)
# The one way the shared libraries (libUART.so, libvelmar.so) choose what
# they export: exactly the functions listed global in their version script;
# everything else, also what static libraries bring in, stays local. A test
# checks the dynamic symbol table against the script.
function(kelvara_exports target map)
  target_link_options(${target} PRIVATE -Wl,--version-script=${map})
  set_target_properties(${target} PROPERTIES LINK_DEPENDS ${map})
  if(KELVARA_BUILD_TESTS)
    add_test(NAME ${target}.exports
      COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check_exports.sh $<TARGET_FILE:${target}> ${map})
  endif()
endfunction()

# kelvara_add_test(name SOURCES a.cpp b.cpp LIBS x y [LABELS l] [ENV K=V ...])
# A GoogleTest executable beside the code it tests, run by ctest.
function(kelvara_add_test name)
  if(NOT KELVARA_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  kelvara_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  set(props "")
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  if(T_ENV)
    list(APPEND props ENVIRONMENT "${T_ENV}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# kelvara_add_bench(name SOURCES ... LIBS ... [ARGS ...])
# A Google Benchmark program in build/bench. ctest runs it once briefly
# (label "bench"), so that every benchmark keeps working; figures come from
# scripts/bench.sh.
function(kelvara_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS;ARGS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  kelvara_warnings(${name})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  if(KELVARA_BUILD_TESTS)
    add_test(NAME ${name}.smoke COMMAND ${name} --benchmark_min_time=0.01 ${B_ARGS})
    set_tests_properties(${name}.smoke PROPERTIES LABELS bench)
  endif()
endfunction()
