// The console program's --scan: the scan on the what-if machine, its record saved or printed, its exit code.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "engine/scan.h"

namespace pell::console {

int ExitCode(ScanOutcome outcome);

// Runs the scan on `e` (whose System is `whatIf`, over `real`) with the record going to `folder` of the
// real machine, or with an empty folder to `print` after the details lines. `print` takes UTF-8 text;
// `printError` one message. Returns the exit code.
int ScanCommand(Engine& e, WhatIfSystem& whatIf, System& real, const std::wstring& folder,
                const std::function<void(std::string_view)>& print,
                const std::function<void(const std::wstring&)>& printError);

}  // namespace pell::console
