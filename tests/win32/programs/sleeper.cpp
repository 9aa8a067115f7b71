// A harmless program the tests start as a stand-in for a worm: it sleeps (60 s, or the milliseconds
// given, or until the file RELEASE_FILE exists) and exits.
//   sleeper [MS [RELEASE_FILE]]
#include <cstdlib>

#include "tests/win32/programs/release_wait.h"

int main(int argc, char** argv) {
    pell::test::WaitForRelease(argc > 2 ? argv[2] : nullptr, argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 60000);
    return 0;
}
