# The about box's hidden tune: tools/tunegen writes it at build time. Sets PELL_TUNE_FILE (its path) and
# the target pell_tune; the Windows programs bind the file as resource "EEGG" 1.
include(${CMAKE_CURRENT_LIST_DIR}/HostTools.cmake)

set(PELL_TUNE_FILE ${CMAKE_BINARY_DIR}/resources/tune.mid)
add_custom_command(OUTPUT ${PELL_TUNE_FILE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
    COMMAND ${PELL_TUNEGEN} ${PELL_TUNE_FILE}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/tunegen.cpp ${PELL_TUNEGEN_DEPENDS}
    COMMENT "Writing the hidden tune"
    VERBATIM)
add_custom_target(pell_tune ALL DEPENDS ${PELL_TUNE_FILE})
