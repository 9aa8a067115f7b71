// The process table, candidate selection, file backup-and-delete and two field helpers.
#include "processes/process_utils.h"

namespace pell {

void BuildProcessTable(Engine& e) {
    e.ProcessTable.assign(1, ProcessEntry{});
    e.ProcessCandidates.assign(1, ProcessEntry{});
}

void SelectProcesses(Engine&, std::wstring_view) {}

void BackUpAndDelete(Engine&, const std::wstring&) {}

std::int16_t CountFields(std::wstring_view, std::wstring_view) { return 0; }

std::wstring GetField(std::wstring_view, std::wstring_view, int, int, int) { return {}; }

}  // namespace pell
