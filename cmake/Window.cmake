# The window program PellworthRemover.exe on ui/'s library (ui/CMakeLists.txt), the program's resources
# (manifest, icon, artwork, version) beside the shared ones.

set(PELL_WINDOW_DIR ${CMAKE_SOURCE_DIR}/app/window)
set(PELL_ARTWORK_DIR ${CMAKE_SOURCE_DIR}/tools/artwork)
configure_file(${PELL_WINDOW_DIR}/window.rc.in ${CMAKE_BINARY_DIR}/window/window.rc @ONLY)
file(GLOB PELL_ARTWORK_FILES CONFIGURE_DEPENDS ${PELL_ARTWORK_DIR}/*.bmp ${PELL_ARTWORK_DIR}/*.ico)

add_executable(PellworthRemover WIN32 ${PELL_WINDOW_DIR}/main.cpp ${CMAKE_BINARY_DIR}/window/window.rc)
target_compile_options(PellworthRemover PRIVATE -Wall -Wextra -municode)
target_link_options(PellworthRemover PRIVATE -municode)
target_link_libraries(PellworthRemover PRIVATE pellui pellstartup)
set_source_files_properties(${CMAKE_BINARY_DIR}/window/window.rc PROPERTIES
    OBJECT_DEPENDS "${PELL_ARTWORK_FILES};${PELL_WINDOW_DIR}/PellworthRemover.manifest")
pell_bind_resources(PellworthRemover)

# Tier 3: reads the window's children and drives its folder picker from beside it, in the same prefix.
add_executable(pell_window_probe ${CMAKE_SOURCE_DIR}/tests/e2e/window_probe.cpp)
target_compile_definitions(pell_window_probe PRIVATE UNICODE _UNICODE)
target_link_libraries(pell_window_probe PRIVATE pellbase user32 gdi32 shell32)

# The window scenarios each drive a Wine desktop under an Xvfb of their own, a heavy load on two cores: one at
# a time (RESOURCE_LOCK window_scenario), while lighter tests run beside them. Together they take longer
# than any other chain of tests, so they start first (COST, highest first; ctest has no measured costs on a
# fresh clone).

# Tier 3 under its own Xvfb: the window program driven through a planted prefix, screenshots kept in
# build/win64/e2e/window/shots.
if(TARGET e2e_test_worm)
    add_test(NAME e2e_window_walkthrough
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/window_walkthrough.sh $<TARGET_FILE:PellworthRemover>
                     $<TARGET_FILE:pell_window_probe> $<TARGET_FILE:e2e_test_worm> $<TARGET_FILE:e2e_shutdown_recorder>
                     ${CMAKE_BINARY_DIR}/e2e/window ${CMAKE_SOURCE_DIR})
    set_tests_properties(e2e_window_walkthrough PROPERTIES FIXTURES_REQUIRED e2e_prefix TIMEOUT 900
                         RESOURCE_LOCK window_scenario COST 1080
                         ENVIRONMENT "E2E_BASE_PREFIX=${CMAKE_BINARY_DIR}/e2e/base-prefix")

    # Tier 3 under its own Xvfb: the downloaded list decides a whole run only when the maker signed it
    # (unsigned and altered lists leave the copy known only by them; the signed one removes it).
    add_test(NAME e2e_signed_update
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/signed_update.sh $<TARGET_FILE:PellworthRemover>
                     $<TARGET_FILE:pell_window_probe> $<TARGET_FILE:e2e_test_worm> $<TARGET_FILE:e2e_shutdown_recorder>
                     ${CMAKE_BINARY_DIR}/e2e/signed_update ${CMAKE_SOURCE_DIR})
    set_tests_properties(e2e_signed_update PROPERTIES FIXTURES_REQUIRED e2e_prefix TIMEOUT 900
                         RESOURCE_LOCK window_scenario COST 1060
                         ENVIRONMENT "E2E_BASE_PREFIX=${CMAKE_BINARY_DIR}/e2e/base-prefix")
endif()

# Tier 3 under its own Xvfb: the languages at start-up and through the picker, screenshots kept in
# build/win64/e2e/window_language/shots.
add_test(NAME e2e_window_language_picker
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/language_picker.sh $<TARGET_FILE:PellworthRemover>
                 $<TARGET_FILE:pell_window_probe> ${CMAKE_BINARY_DIR}/e2e/window_language ${CMAKE_SOURCE_DIR})
set_tests_properties(e2e_window_language_picker PROPERTIES FIXTURES_REQUIRED e2e_prefix TIMEOUT 600
                     RESOURCE_LOCK window_scenario COST 1070
                     ENVIRONMENT "E2E_BASE_PREFIX=${CMAKE_BINARY_DIR}/e2e/base-prefix")

# Tier 3 under its own Xvfb: the undo of a cleaning asked in Russian and in Arabic (menu item, picker
# title, question); screenshots kept in build/win64/e2e/window_restore_language/shots.
add_test(NAME e2e_window_translated_restore
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/translated_restore.sh $<TARGET_FILE:PellworthRemover>
                 $<TARGET_FILE:pell_window_probe> ${CMAKE_BINARY_DIR}/e2e/window_restore_language ${CMAKE_SOURCE_DIR})
set_tests_properties(e2e_window_translated_restore PROPERTIES FIXTURES_REQUIRED e2e_prefix TIMEOUT 300
                     RESOURCE_LOCK window_scenario COST 1020
                     ENVIRONMENT "E2E_BASE_PREFIX=${CMAKE_BINARY_DIR}/e2e/base-prefix")

# Tier 3 under its own Xvfb: the about box opened, read, clicked and closed, the tune file written once and
# gone after CLOSE; screenshots kept in build/win64/e2e/window_about/shots.
add_test(NAME e2e_window_about_box
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/about_box.sh $<TARGET_FILE:PellworthRemover>
                 $<TARGET_FILE:pell_window_probe> ${PELL_TUNE_FILE} ${CMAKE_BINARY_DIR}/e2e/window_about)
set_tests_properties(e2e_window_about_box PROPERTIES FIXTURES_REQUIRED e2e_prefix TIMEOUT 600
                     RESOURCE_LOCK window_scenario COST 1050
                     ENVIRONMENT "E2E_BASE_PREFIX=${CMAKE_BINARY_DIR}/e2e/base-prefix")

# The benchmark of the run in the window links the window and its pictures.
if(TARGET win_window_run)
    target_link_libraries(win_window_run PRIVATE pellui pellstartup)
    target_sources(win_window_run PRIVATE ${CMAKE_BINARY_DIR}/window/window.rc)
endif()

# The release package: both programs and the user guide.
set(PELL_RELEASE_ZIP ${CMAKE_BINARY_DIR}/PellworthRemover-4.6.zip)
add_custom_command(OUTPUT ${PELL_RELEASE_ZIP}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/release
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/release
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:PellworthRemover> $<TARGET_FILE:pellclean>
            ${CMAKE_SOURCE_DIR}/docs/user-guide.txt ${CMAKE_BINARY_DIR}/release/
    COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/release
            ${CMAKE_COMMAND} -E tar cf ${PELL_RELEASE_ZIP} --format=zip PellworthRemover.exe pellclean.exe user-guide.txt
    DEPENDS PellworthRemover pellclean ${CMAKE_SOURCE_DIR}/docs/user-guide.txt
    COMMENT "Packing ${PELL_RELEASE_ZIP}"
    VERBATIM)
add_custom_target(release_zip ALL DEPENDS ${PELL_RELEASE_ZIP})
