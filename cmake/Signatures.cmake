# The signature database: the build compiles signatures/data/ with sigc into one block file.
# Sets PELL_SIGDB_FILE (its path) and the target pell_sigdb; a program that binds the file as a
# resource depends on that target and lists PELL_SIGDB_FILE among its resource's OBJECT_DEPENDS.

set(PELL_SIGDB_FILE ${CMAKE_BINARY_DIR}/signatures/pellworth.sigdb)
file(GLOB PELL_SIGDATA_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/signatures/data/*.txt)

include(${CMAKE_CURRENT_LIST_DIR}/HostTools.cmake)

add_custom_command(OUTPUT ${PELL_SIGDB_FILE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/signatures
    COMMAND ${PELL_SIGC} ${CMAKE_SOURCE_DIR}/signatures/data ${PELL_SIGDB_FILE}
    DEPENDS ${PELL_SIGDATA_SOURCES} ${PELL_SIGC_DEPENDS}
    COMMENT "Compiling the signature database"
    VERBATIM)
add_custom_target(pell_sigdb ALL DEPENDS ${PELL_SIGDB_FILE})

if(NOT CMAKE_CROSSCOMPILING)
    # The printer reads the shipped file back; the compiler refuses a denylisted name and writes nothing.
    add_test(NAME sigc_prints_shipped_database COMMAND sigc --print ${PELL_SIGDB_FILE})
    set_tests_properties(sigc_prints_shipped_database PROPERTIES
        PASS_REGULAR_EXPRESSION "InfectionNames: [0-9]+ entries")
    add_test(NAME sigc_refuses_denylisted_name
        COMMAND sigc ${CMAKE_SOURCE_DIR}/tests/fixtures/signatures/denylisted ${CMAKE_BINARY_DIR}/refused.sigdb)
    set_tests_properties(sigc_refuses_denylisted_name PROPERTIES
        PASS_REGULAR_EXPRESSION "\"Skype\" refused: \"Skype\" is the name of a common application")
endif()
