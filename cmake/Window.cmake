# The window program PellworthRemover.exe: ui/ as a library of its own (Win32 only), the program's
# resources (manifest, icon, artwork, version) beside the shared ones.
file(GLOB PELL_UI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/ui/*.cpp)
add_library(pellui STATIC ${PELL_UI_SOURCES})
target_compile_options(pellui PRIVATE -Wall -Wextra)
target_link_libraries(pellui PUBLIC pellwin32 msimg32)

set(PELL_WINDOW_DIR ${CMAKE_SOURCE_DIR}/app/window)
set(PELL_ARTWORK_DIR ${CMAKE_SOURCE_DIR}/tools/artwork)
configure_file(${PELL_WINDOW_DIR}/window.rc.in ${CMAKE_BINARY_DIR}/window/window.rc @ONLY)
file(GLOB PELL_ARTWORK_FILES CONFIGURE_DEPENDS ${PELL_ARTWORK_DIR}/*.bmp ${PELL_ARTWORK_DIR}/*.ico)

add_executable(PellworthRemover WIN32 ${PELL_WINDOW_DIR}/main.cpp ${CMAKE_BINARY_DIR}/window/window.rc)
target_compile_options(PellworthRemover PRIVATE -Wall -Wextra -municode)
target_link_options(PellworthRemover PRIVATE -municode)
target_link_libraries(PellworthRemover PRIVATE pellui)
set_source_files_properties(${CMAKE_BINARY_DIR}/window/window.rc PROPERTIES
    OBJECT_DEPENDS "${PELL_ARTWORK_FILES};${PELL_WINDOW_DIR}/PellworthRemover.manifest")
pell_bind_resources(PellworthRemover)
