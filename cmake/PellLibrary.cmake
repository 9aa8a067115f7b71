# The rule every room's library is made by: a static library of the room's own sources that links only
# the rooms it stands on, so the link graph is the dependency direction (cmake/check_layers.cmake holds
# the includes to the same direction).
include_guard(GLOBAL)
get_filename_component(PELL_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

# pell_library(<name> SOURCES <files...> [DEPENDS <libraries...>])
function(pell_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PELL_ROOT})
    target_compile_options(${name} PRIVATE -Wall -Wextra ${PELL_SANITIZE})
    target_link_options(${name} INTERFACE ${PELL_SANITIZE})
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()
