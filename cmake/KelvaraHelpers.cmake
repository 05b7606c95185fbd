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

# kelvara_need_x_tools(VAR tool "what")
# Finds xvfb-run (KELVARA_XVFB_RUN) and `tool` (into VAR); when either is
# missing, warns that `what` is not registered and returns from the calling
# CMakeLists.txt (a macro, so that return() leaves the caller).
macro(kelvara_need_x_tools var tool what)
  find_program(KELVARA_XVFB_RUN xvfb-run)
  find_program(${var} ${tool})
  if(NOT KELVARA_XVFB_RUN OR NOT ${var})
    message(WARNING "xvfb-run or ${tool} missing: ${what} is not registered")
    return()
  endif()
endmacro()

# kelvara_add_xvfb_test(name SOURCES ... LIBS ... [DEFINES ...] [DEPENDS ...]
#                       DISPLAY_FROM n SCREEN WxHxD TIMEOUT s [ENV K=V ...] [QT_X11])
# An end-to-end test program `name`_test in build/tests, run by ctest as
# test `name` on its own X server (xvfb-run, from KELVARA_XVFB_RUN).
# xvfb-run -a picks a free display, searching from DISPLAY_FROM rather than
# the usual 99, so that two X servers starting at once are unlikely to race
# for one number; the "xvfb" resource lock keeps these tests apart. QT_X11:
# the program runs Qt's X11 platform, which hands strndup (in
# libxkbcommon-x11) a string that ends before the bound it passes; strict
# string checks flag that library, not this project's code, so under ASan
# the test runs without them.
function(kelvara_add_xvfb_test name)
  cmake_parse_arguments(X "QT_X11" "DISPLAY_FROM;SCREEN;TIMEOUT" "SOURCES;LIBS;DEFINES;DEPENDS;ENV" ${ARGN})
  set(program ${name}_test)
  add_executable(${program} ${X_SOURCES})
  kelvara_warnings(${program})
  target_link_libraries(${program} PRIVATE ${X_LIBS})
  if(X_DEFINES)
    target_compile_definitions(${program} PRIVATE ${X_DEFINES})
  endif()
  set_target_properties(${program} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(X_DEPENDS)
    add_dependencies(${program} ${X_DEPENDS})
  endif()

  add_test(NAME ${name}
    COMMAND ${KELVARA_XVFB_RUN} -a -n ${X_DISPLAY_FROM} -s "-screen 0 ${X_SCREEN}" $<TARGET_FILE:${program}>)
  set_tests_properties(${name} PROPERTIES
    LABELS e2e
    RESOURCE_LOCK xvfb
    TIMEOUT ${X_TIMEOUT}
    ENVIRONMENT "${X_ENV}")
  if(X_QT_X11 AND KELVARA_SANITIZE STREQUAL "address")
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1")
  endif()
endfunction()
