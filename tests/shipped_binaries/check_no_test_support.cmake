# cmake -DNM=nm -DOBJDUMP=objdump [-DBIN_DIR=dir] [-DFILES=a|b] -P check_no_test_support.cmake
# Fails when a listed file is missing, or when a listed file or an ELF file
# in BIN_DIR holds a symbol of test support or needs a test library.

# Names of test support, and its namespaces (kelvara::testing,
# testing_support, GoogleTest's testing::). An nm line never starts with a
# name, so the namespace always follows another character. The tests'
# RunProgram( is matched whole: the client's own RunProgramAndWait (the
# table uploader's run) is no test support.
set(test_support "(RecordingNotifier|ScriptedSerial|FakeCamera|FakeVelmar|TempFolder|TempProgramFolder|ChildProcess|SimProcess|PrivateRuntimeDir|RunProgram\\(|[^A-Za-z0-9_]testing(_support)?::)")

string(REPLACE "|" ";" files "${FILES}")
foreach(file ${files})
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "missing: ${file} (build every target first)")
  endif()
endforeach()
if(BIN_DIR)
  file(GLOB_RECURSE candidates LIST_DIRECTORIES false "${BIN_DIR}/*")
  foreach(candidate ${candidates})
    file(READ "${candidate}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
      list(APPEND files "${candidate}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES files)
endif()
if(NOT files)
  message(FATAL_ERROR "no binary to check")
endif()

set(found "")
foreach(file ${files})
  # The symbol table, and the dynamic one for a stripped file.
  execute_process(COMMAND ${NM} -C "${file}" OUTPUT_VARIABLE symbols ERROR_QUIET)
  execute_process(COMMAND ${NM} -C -D "${file}" OUTPUT_VARIABLE dynamic ERROR_QUIET)
  string(APPEND symbols "${dynamic}")
  string(REPLACE ";" "," symbols "${symbols}")
  string(REGEX MATCHALL "[^\n]*${test_support}[^\n]*" hits "${symbols}")
  # Shared libraries it needs: none of the test ones (fakes, testing).
  execute_process(COMMAND ${OBJDUMP} -p "${file}" OUTPUT_VARIABLE headers ERROR_QUIET)
  string(REGEX MATCHALL "NEEDED[ \t]+[^\n]*(fake|testing)[^\n]*" needed "${headers}")
  list(APPEND hits ${needed})
  list(LENGTH hits count)
  if(count GREATER 0)
    list(SUBLIST hits 0 5 shown)
    string(REPLACE ";" "\n    " shown "${shown}")
    string(APPEND found "${file}: ${count} test-support symbols, e.g.\n    ${shown}\n")
  else()
    message(STATUS "clean: ${file}")
  endif()
endforeach()
if(found)
  message(FATAL_ERROR "test support in shipped binaries:\n${found}")
endif()
