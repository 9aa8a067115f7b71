# The build-time tools of tools/ (the database compiler, the tune generator, the translation converter),
# built for the machine that runs the build. Sets PELL_SIGC, PELL_TUNEGEN and PELL_LANGC (their paths)
# and PELL_SIGC_DEPENDS, PELL_TUNEGEN_DEPENDS and PELL_LANGC_DEPENDS (what a custom command that runs
# them depends on).
include_guard(GLOBAL)

if(CMAKE_CROSSCOMPILING)
    # The tools have to run during the build, so they are built for the build machine with its own compiler.
    include(ExternalProject)
    find_program(PELL_HOST_CXX NAMES g++ c++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
    set(PELL_SIGC ${CMAKE_BINARY_DIR}/host-tools/sigc)
    set(PELL_TUNEGEN ${CMAKE_BINARY_DIR}/host-tools/tunegen)
    set(PELL_LANGC ${CMAKE_BINARY_DIR}/host-tools/langc)
    ExternalProject_Add(pell_host_tools
        SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools
        BINARY_DIR ${CMAKE_BINARY_DIR}/host-tools
        CMAKE_ARGS -DCMAKE_CXX_COMPILER=${PELL_HOST_CXX} -DCMAKE_BUILD_TYPE=Release
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS ${PELL_SIGC} ${PELL_TUNEGEN} ${PELL_LANGC})
    set(PELL_SIGC_DEPENDS pell_host_tools ${PELL_SIGC})
    set(PELL_TUNEGEN_DEPENDS pell_host_tools ${PELL_TUNEGEN})
    set(PELL_LANGC_DEPENDS pell_host_tools ${PELL_LANGC})
else()
    add_subdirectory(${CMAKE_SOURCE_DIR}/tools ${CMAKE_BINARY_DIR}/tools)
    set(PELL_SIGC $<TARGET_FILE:sigc>)
    set(PELL_SIGC_DEPENDS sigc)
    set(PELL_TUNEGEN $<TARGET_FILE:tunegen>)
    set(PELL_TUNEGEN_DEPENDS tunegen)
    set(PELL_LANGC $<TARGET_FILE:langc>)
    set(PELL_LANGC_DEPENDS langc)
endif()
