// A harmless program the tests start as a stand-in for a worm: it sleeps (60 s, or the milliseconds
// given) and exits.
#include <cstdlib>

#include "platform/win32/win32_api.h"

int main(int argc, char** argv) {
    ::Sleep(argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 60000);
    return 0;
}
