// The reference for the file pass: every path of every name handed to BackUpAndDelete, whether or not a
// file is there, as the process scan describes it. Tests and benchmarks compare the indexed pass with it.
#pragma once

#include <cstddef>

#include "engine/engine.h"
#include "processes/file_groups.h"
#include "engine/file_pass.h"
#include "engine/process_utils.h"

namespace pell::test {

inline void LiteralFilePass(Engine& e) {
    const std::size_t count = e.InfectionNames.size();
    const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(count) - 1;
    for (std::size_t i = 0; i < count; ++i) {
        for (const std::wstring& path : WormFilePaths(e.folders, e.InfectionNames[i])) BackUpAndDelete(e, path);
        e.host.SetProg1(ProgressValue(i, last));
        e.host.DoEvents();
    }
}

}  // namespace pell::test
