# The signature database: the build compiles signatures/data/ with sigc into one block file.
# Sets PELL_SIGDB_FILE (its path) and the target pell_sigdb; a program that binds the file as a
# resource depends on that target and lists PELL_SIGDB_FILE among its resource's OBJECT_DEPENDS.

set(PELL_SIGDB_FILE ${CMAKE_BINARY_DIR}/signatures/pellworth.sigdb)
file(GLOB PELL_SIGDATA_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/signatures/data/*.txt)

if(CMAKE_CROSSCOMPILING)
    # The build tools (the compiler, the translation converter) run during the build, so they are built
    # for the build machine with its own compiler.
    include(ExternalProject)
    find_program(PELL_HOST_CXX NAMES g++ c++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
    set(PELL_SIGC ${CMAKE_BINARY_DIR}/host-tools/sigc)
    set(PELL_LANGC ${CMAKE_BINARY_DIR}/host-tools/langc)
    ExternalProject_Add(pell_host_tools
        SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools
        BINARY_DIR ${CMAKE_BINARY_DIR}/host-tools
        CMAKE_ARGS -DCMAKE_CXX_COMPILER=${PELL_HOST_CXX} -DCMAKE_BUILD_TYPE=Release
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS ${PELL_SIGC} ${PELL_LANGC})
    set(PELL_SIGC_DEPENDS pell_host_tools ${PELL_SIGC})
    set(PELL_HOST_TOOLS_DEPENDS pell_host_tools ${PELL_LANGC})
else()
    add_subdirectory(${CMAKE_SOURCE_DIR}/tools ${CMAKE_BINARY_DIR}/tools)
    set(PELL_SIGC $<TARGET_FILE:sigc>)
    set(PELL_SIGC_DEPENDS sigc)
    set(PELL_LANGC $<TARGET_FILE:langc>)
    set(PELL_HOST_TOOLS_DEPENDS langc)
endif()

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
