# The Wine test harness: a throwaway prefix under the build folder, a wrapper that every Wine run goes
# through (tests, test discovery at build time, the demo), and the ctest fixture that keeps one
# persistent wineserver up for the whole suite and stops it at the end.
set(PELL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(PELL_WINE_ENV
    "WINEPREFIX=${PELL_WINEPREFIX}"
    "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=winealsa.drv=d;mscoree,mshtml=")

find_program(PELL_WINE wine REQUIRED)
find_program(PELL_WINESERVER wineserver REQUIRED)
find_program(PELL_WINEBOOT wineboot REQUIRED)

configure_file(${CMAKE_SOURCE_DIR}/tools/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
    @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

# The prefix is made once (wineboot takes about 10 s) and kept; delete the stamp to make it anew.
set(PELL_WINEPREFIX_STAMP ${CMAKE_BINARY_DIR}/wineprefix.stamp)
add_custom_command(OUTPUT ${PELL_WINEPREFIX_STAMP}
    COMMAND ${CMAKE_BINARY_DIR}/wine-run.sh --make-prefix
    COMMAND ${CMAKE_COMMAND} -E touch ${PELL_WINEPREFIX_STAMP}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/wine-run.sh.in
    COMMENT "Creating the Wine test prefix ${PELL_WINEPREFIX}"
    VERBATIM)
add_custom_target(pell_wineprefix DEPENDS ${PELL_WINEPREFIX_STAMP})

# Fixture: one persistent wineserver for the suite, started with its output away from ctest's pipes,
# and stopped when the suite ends.
add_test(NAME wine_server_start COMMAND ${CMAKE_BINARY_DIR}/wine-run.sh --start-server)
add_test(NAME wine_server_stop COMMAND ${CMAKE_BINARY_DIR}/wine-run.sh --stop-server)
set_tests_properties(wine_server_start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_server_stop PROPERTIES FIXTURES_CLEANUP wine)

# Registers a GoogleTest program that runs under Wine: built after the prefix exists, its tests
# discovered through the wrapper and all of them requiring the wineserver fixture.
function(pell_wine_tests target)
    add_dependencies(${target} pell_wineprefix)
    gtest_discover_tests(${target}
        DISCOVERY_TIMEOUT 120
        PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${PELL_WINE_ENV}" TIMEOUT 120)
endfunction()
