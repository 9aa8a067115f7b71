# Windows build (mingw-w64, posix threads): the programs and the tests that ctest runs under Wine.
add_link_options(-static -static-libgcc -static-libstdc++)
