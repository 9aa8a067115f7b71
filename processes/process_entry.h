// One running process as the process table holds it.
#pragma once

#include <cstdint>
#include <string>

namespace pell {

struct ProcessEntry {
    std::wstring fileName;  // upper case, the text after the last backslash of the executable's path
    std::int32_t id = 0;
    std::wstring folder;    // upper case, ending with a backslash; begins at the drive letter when there is one
};

}  // namespace pell
