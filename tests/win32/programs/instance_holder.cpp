// Holds the product's running-copy name, as a running window program would, so a test can start a second
// copy beside it: says "holding" on standard output once it holds the name, then keeps it until the file
// RELEASE_FILE exists or MS milliseconds (default 10000) have passed.
//   instance_holder [MS [RELEASE_FILE]]
#include <cstdio>
#include <cstdlib>

#include "platform/win32/program_resources.h"
#include "tests/win32/programs/release_wait.h"

int main(int argc, char** argv) {
    pell::win32::InstanceGuard guard;
    if (guard.AnotherRunning()) return 1;
    std::printf("holding\n");
    std::fflush(stdout);
    pell::test::WaitForRelease(argc > 2 ? argv[2] : nullptr, argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10000);
    return 0;
}
