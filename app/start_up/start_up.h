// What both programs do before their first run, in the same way: the translation, the second-copy
// guard, the bound signature database merged into the detection tables, and extra detections from a
// file. Each program says a refusal its own way (a box in the skin, a line on the console).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/system.h"
#include "i18n/language.h"
#include "platform/win32/program_resources.h"
#include "signatures/detection_tables.h"

namespace pell::startup {

// The English translation into `language`, with nothing on screen to show it (the console program;
// the window chooses by the system's language through StartUpLanguage). False with the reason when the
// bound resource is missing or broken.
bool LoadEnglish(win32::ProgramLanguageResources& resources, LanguageState& language, std::wstring& error);

// The signature database bound into the program (resource SIGDB 1), merged into `tables`. When it is
// missing or fails its checks, `error` says why: the programs never run without detections.
enum class BoundDetections { Loaded, Missing, Refused };
BoundDetections LoadBoundDetections(DetectionTables& tables, std::wstring& error);

// Extra MD5 detections read from the file at `path` (one digest per line). Nothing, with the reason in
// `error`, when it is not a plain disk file (a device such as COM1 would never end), cannot be read or is
// larger than any list of digests could be (64 MiB); otherwise how many were added and a description of
// each line refused.
struct ExtraDetections {
    std::size_t added = 0;
    std::vector<std::wstring> rejected;
};
std::optional<ExtraDetections> AddExtraDetections(System& sys, DetectionTables& tables, const std::wstring& path,
                                                  std::wstring& error);

}  // namespace pell::startup
