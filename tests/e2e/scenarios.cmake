# End-to-end scenarios: the console cleaner in throwaway Wine prefixes, with a planted infection set of our
# own harmless programs and a stand-in for shutdown.exe that records the restart.
add_executable(e2e_test_worm WIN32 ${CMAKE_CURRENT_LIST_DIR}/test_worm.c)
add_executable(e2e_shutdown_recorder ${CMAKE_CURRENT_LIST_DIR}/shutdown_recorder.c)
target_compile_options(e2e_test_worm PRIVATE -Os -Wall -Wextra)
target_compile_options(e2e_shutdown_recorder PRIVATE -Os -Wall -Wextra)

if(TARGET pellclean)
    set(PELL_E2E_DIR ${CMAKE_BINARY_DIR}/e2e)
    add_test(NAME e2e_base_prefix
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/make_base_prefix.sh ${PELL_E2E_DIR}/base-prefix)
    # The prefix every scenario copies comes first: ctest orders a fixture's set-up by its own COST.
    set_tests_properties(e2e_base_prefix PROPERTIES FIXTURES_SETUP e2e_prefix TIMEOUT 120 COST 10000)
    foreach(scenario planted clean)
        add_test(NAME e2e_${scenario}
                 COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/run_scenario.sh ${scenario} $<TARGET_FILE:pellclean>
                         $<TARGET_FILE:e2e_test_worm> $<TARGET_FILE:e2e_shutdown_recorder>
                         ${PELL_E2E_DIR}/${scenario} ${CMAKE_SOURCE_DIR})
        set_tests_properties(e2e_${scenario} PROPERTIES FIXTURES_REQUIRED e2e_prefix TIMEOUT 900
                             ENVIRONMENT "E2E_BASE_PREFIX=${PELL_E2E_DIR}/base-prefix")
    endforeach()
    foreach(scenario notepad readonly linked)
        add_test(NAME e2e_safety_${scenario}
                 COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/safety_scenario.sh ${scenario} $<TARGET_FILE:pellclean>
                         $<TARGET_FILE:e2e_test_worm> ${PELL_E2E_DIR}/safety-${scenario})
        set_tests_properties(e2e_safety_${scenario} PROPERTIES FIXTURES_REQUIRED e2e_prefix TIMEOUT 600
                             ENVIRONMENT "E2E_BASE_PREFIX=${PELL_E2E_DIR}/base-prefix")
    endforeach()
    # The round trip: planted, cleaned, and put back from the run's record.
    add_test(NAME e2e_restore
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/restore_scenario.sh $<TARGET_FILE:pellclean>
                     $<TARGET_FILE:e2e_test_worm> ${PELL_E2E_DIR}/restore ${CMAKE_SOURCE_DIR})
    set_tests_properties(e2e_restore PROPERTIES FIXTURES_REQUIRED e2e_prefix TIMEOUT 900
                         ENVIRONMENT "E2E_BASE_PREFIX=${PELL_E2E_DIR}/base-prefix")

    # The scan: nothing on the planted machine changes, and it lists what the cleaning that follows changes.
    add_test(NAME e2e_scan
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/scan_scenario.sh $<TARGET_FILE:pellclean>
                     $<TARGET_FILE:e2e_test_worm> ${PELL_E2E_DIR}/scan)
    set_tests_properties(e2e_scan PROPERTIES FIXTURES_REQUIRED e2e_prefix TIMEOUT 900
                         ENVIRONMENT "E2E_BASE_PREFIX=${PELL_E2E_DIR}/base-prefix")

    # Roughly the seconds each scenario takes on two cores, as COST: ctest starts the longest first so that
    # both lanes end together (a fresh clone has no measured costs).
    set_tests_properties(e2e_planted e2e_restore PROPERTIES COST 65)
    set_tests_properties(e2e_safety_readonly e2e_scan PROPERTIES COST 50)
    set_tests_properties(e2e_safety_notepad e2e_clean PROPERTIES COST 25)

    # The update check against the update server, inside a private network namespace of its own.
    if(TARGET pell_update_probe)
        add_test(NAME e2e_update_check
                 COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/update_check.sh $<TARGET_FILE:pell_update_probe>
                         ${PELL_E2E_DIR}/update_check ${CMAKE_SOURCE_DIR})
        set_tests_properties(e2e_update_check PROPERTIES FIXTURES_REQUIRED e2e_prefix TIMEOUT 300 COST 40
                             ENVIRONMENT "E2E_BASE_PREFIX=${PELL_E2E_DIR}/base-prefix")
    endif()
endif()
