# Native build: the unit tests of the portable rooms with AddressSanitizer and UBSan (the rooms' own
# libraries are built with them, see cmake/PellLibrary.cmake).

find_package(GTest REQUIRED)
# The tests sign detection lists with throwaway keys (OpenSSL's libcrypto, Debian's libssl-dev).
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
file(GLOB PELL_UNIT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${PELL_UNIT_SOURCES})
target_compile_options(unit_tests PRIVATE ${PELL_SANITIZE})
target_compile_definitions(unit_tests PRIVATE PELL_SOURCE_DIR="${CMAKE_SOURCE_DIR}" PELL_TUNE_FILE="${PELL_TUNE_FILE}"
                                              PELL_TRANSLATION_DIR="${PELL_TRANSLATION_DIR}")
add_dependencies(unit_tests pell_tune pell_translations)
target_link_libraries(unit_tests PRIVATE pellconsole pellupdate pelluicore pellfake GTest::gtest_main OpenSSL::Crypto)
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60)

# Benchmarks print figures; they are programs, not tests.
file(GLOB PELL_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/native_*.cpp)
foreach(src ${PELL_BENCH_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_definitions(${name} PRIVATE PELL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    target_link_libraries(${name} PRIVATE pellengine pellfake)
endforeach()

# The fleet report (Python standard library only) against records kept from runs under Wine.
find_program(PELL_PYTHON3 python3 REQUIRED)
add_test(NAME fleet_report COMMAND ${PELL_PYTHON3} ${CMAKE_SOURCE_DIR}/tests/tools/fleet_report_test.py)
