// Holds the product's running-copy name for the milliseconds given (default 10000), as a running
// window program would, so a test can start a second copy beside it.
#include <cstdlib>

#include "platform/win32/program_resources.h"

int main(int argc, char** argv) {
    pell::win32::InstanceGuard guard;
    if (guard.AnotherRunning()) return 1;
    ::Sleep(argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 10000);
    return 0;
}
