# Windows build (mingw-w64, posix threads): the programs and the tests that ctest runs under Wine.
add_link_options(-static -static-libgcc -static-libstdc++)

# GoogleTest from the Debian source package, built here for mingw.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# The small test programs reach the Windows headers through platform/win32/win32_api.h too.
include_directories(${CMAKE_SOURCE_DIR})

include(${CMAKE_CURRENT_LIST_DIR}/WineHarness.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/Resources.cmake)

# Tier 2: every System operation under Wine, on the throwaway prefix.
file(GLOB PELL_WIN32_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*.cpp)
if(PELL_WIN32_TEST_SOURCES)
    # Small programs the tests start: a sleeper (the "worm" process) and a service.
    add_executable(pell_sleeper ${CMAKE_SOURCE_DIR}/tests/win32/programs/sleeper.cpp)
    add_executable(pell_test_service ${CMAKE_SOURCE_DIR}/tests/win32/programs/test_service.cpp)
    target_compile_definitions(pell_test_service PRIVATE UNICODE _UNICODE)
    target_link_libraries(pell_test_service PRIVATE advapi32 shell32)

    # The start-up update check on its own, printing what the window would show (tier 3, below).
    add_executable(pell_update_probe ${CMAKE_SOURCE_DIR}/tests/win32/programs/update_probe.cpp)
    target_link_libraries(pell_update_probe PRIVATE pellnet pellfake)

    add_executable(win32_tests ${PELL_WIN32_TEST_SOURCES})
    target_link_libraries(win32_tests PRIVATE pellwin32 pellnet pellconsole pelluicore pellfake GTest::gtest_main)
    target_compile_definitions(win32_tests PRIVATE PELL_TUNE_FILE_WIN="Z:${PELL_TUNE_FILE}"
                                              PELL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    add_dependencies(win32_tests pell_sleeper pell_test_service)
    pell_bind_resources(win32_tests)
    pell_wine_tests(win32_tests)
    # The tests' own code runs once per test and waits on Wine, not on the CPU: unoptimised, it compiles a
    # quarter faster. The product code they test keeps the release build's optimisation.
    target_compile_options(win32_tests PRIVATE -O0)
    target_compile_options(gtest PRIVATE -O0)
    target_compile_options(gtest_main PRIVATE -O0)
endif()

# The console program.
if(EXISTS ${CMAKE_SOURCE_DIR}/app/pellclean/main.cpp)
    add_executable(pellclean ${CMAKE_SOURCE_DIR}/app/pellclean/main.cpp)
    target_link_libraries(pellclean PRIVATE pellconsole pellstartup pellwin32)
    target_compile_options(pellclean PRIVATE -Wall -Wextra)
    pell_bind_resources(pellclean)

    # Tier 3: the console program whole, beside a program holding the running-copy name. It runs
    # alone: a cleaning run must not meet the processes and services other tests plant.
    add_executable(pell_instance_holder ${CMAKE_SOURCE_DIR}/tests/win32/programs/instance_holder.cpp)
    target_link_libraries(pell_instance_holder PRIVATE pellwin32)
    add_executable(pell_resource_patcher ${CMAKE_SOURCE_DIR}/tests/win32/programs/resource_patcher.cpp)
    target_link_libraries(pell_resource_patcher PRIVATE shell32)
    add_test(NAME pellclean.console_program
        COMMAND sh ${CMAKE_SOURCE_DIR}/tests/e2e/console_program.sh ${CMAKE_BINARY_DIR}/wine-run.sh
                $<TARGET_FILE:pellclean> $<TARGET_FILE:pell_instance_holder> $<TARGET_FILE:pell_resource_patcher>
                ${CMAKE_BINARY_DIR}/e2e/console_program)
    set_tests_properties(pellclean.console_program PROPERTIES
        FIXTURES_REQUIRED wine RUN_SERIAL TRUE TIMEOUT 300 ENVIRONMENT "${PELL_WINE_ENV}")
endif()

# Benchmarks under Wine print figures; they are programs, not tests.
file(GLOB PELL_WIN_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/win_*.cpp)
foreach(src ${PELL_WIN_BENCH_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE pellwin32 pellengine pellfake)
    pell_bind_resources(${name})
endforeach()

# Tier 3: the whole run in throwaway prefixes with a planted infection set.
include(${CMAKE_SOURCE_DIR}/tests/e2e/scenarios.cmake)

# The window program and its walk-through.
include(${CMAKE_CURRENT_LIST_DIR}/Window.cmake)
