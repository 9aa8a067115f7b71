# Writes one ctest entry per GoogleTest suite of a test program (run after each link): a sanitized
# program takes about as long to start as most of its tests take to run, so one process per suite rather
# than one per test keeps the native run short. A failing entry's output names the failing tests.
# cmake -DEXE=<program> -DOUT=<file ctest includes> -P gtest_suites.cmake
execute_process(COMMAND ${EXE} --gtest_list_tests OUTPUT_VARIABLE listing RESULT_VARIABLE rc TIMEOUT 60)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${EXE} --gtest_list_tests failed (${rc})")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(suites "")
foreach(line IN LISTS lines)
    # Suites start in the first column ("Suite." or "Prefix/Suite.  # TypeParam = ..."); tests are indented.
    if(line MATCHES "^([A-Za-z0-9_/]+)\\.")
        list(APPEND suites "${CMAKE_MATCH_1}")
    endif()
endforeach()
list(REMOVE_DUPLICATES suites)
if(suites STREQUAL "")
    message(FATAL_ERROR "${EXE} lists no tests")
endif()
get_filename_component(dir "${EXE}" DIRECTORY)
set(content "")
foreach(suite IN LISTS suites)
    string(APPEND content "add_test([==[${suite}]==] [==[${EXE}]==] [==[--gtest_filter=${suite}.*]==])\n"
        "set_tests_properties([==[${suite}]==] PROPERTIES WORKING_DIRECTORY [==[${dir}]==])\n")
endforeach()
file(WRITE "${OUT}.new" "${content}")
file(RENAME "${OUT}.new" "${OUT}")
