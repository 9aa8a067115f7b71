// The detection tables the signature database is merged into: worm names, digests and hosts lines.
#pragma once

#include <string>
#include <vector>

#include "base/string_list.h"

namespace pell {

struct DetectionTables {
    std::vector<std::wstring> InfectionNames;
    std::vector<std::wstring> MD5Hashes;
    StringList lstHostInfections;
};

}  // namespace pell
