// The details channel: every stage reports one translated status line through it.
#pragma once

#include <string>
#include <string_view>

#include "base/host.h"
#include "i18n/translation.h"

namespace pell {

// Status codes: each selects one line of the details box. The English text of each is in its comment.
namespace status {
constexpr float StartingScan = 1.0f;                  // "Starting Scan... >> SmartScanning Processes..." (restarts the box)
constexpr float Identified = 2.0f;                    // "%% ...Identified"
constexpr float SmartScanningRegistry = 2.5f;         // "SmartScanning Registry Items..."
constexpr float SmartScanningAutoRuns = 2.75f;        // "SmartScanning AutoRuns...", in every language
constexpr float LookingForServices = 3.0f;            // "Looking For Virus Services..."
constexpr float Found = 4.0f;                         // "Found "%%""
constexpr float UnableToBackUp = 5.0f;                // "Unable to backup "%%""
constexpr float BackedUp = 6.0f;                      // "Successfully backed up "%%""
constexpr float LookingForProcesses = 7.0f;           // "Looking For Virus Processes..."
constexpr float LookingForFiles = 8.0f;               // "Looking for Virus Files..."
constexpr float ScanningRegistry = 9.0f;              // "Scanning Registry..."
constexpr float UnableToOpenRunServices = 10.0f;      // "Unable to open RunServices Registry"
constexpr float Terminated = 11.0f;                   // "%% ...Terminated"
constexpr float UnableToTerminate = 12.0f;            // "%% ...Unable To Terminate!!"
constexpr float UnableToRemove = 13.0f;               // "Found %% ...Unable To Remove!!"
constexpr float Removed = 14.0f;                      // "Found %% ...Removed"
constexpr float ScanningHostsFile = 15.0f;            // "Scanning Hosts File..."
constexpr float UnableToClearHostsReadOnly = 16.0f;   // "Unable to remove read-only from Hosts File"
constexpr float UnableToOpenHostsForScanning = 17.0f; // "Unable to open Hosts File for Scanning"
constexpr float UnableToOpenHostsForCleaning = 18.0f; // "Unable to open Hosts File for Cleaning"
constexpr float FoundHostsEntry = 19.0f;              // "Found Entry %%"
constexpr float SavingLog = 20.0f;                    // "Saving Log..."
constexpr float Done = 21.0f;                         // "Done!"
constexpr float EnablingTools = 22.0f;                // "Enabling: Task Manager, Regedit, System Restore Config, ..."
}  // namespace status

// The line that status code `code` selects, with "%%" replaced by `arg` where the line takes an
// argument; the empty string for a code without a line.
std::wstring StatusLine(const Translation& translation, float code, std::wstring_view arg);

// Code 1 restarts the details text; every other code appends CR LF and its line. The caret then moves
// to the end of the text.
void WriteDetails(Host& host, const Translation& translation, float code, std::wstring_view arg);

// Appends CR LF and `line` and moves the caret to the end, as WriteDetails does for a status line. For
// the few fixed English lines that no translation carries.
void AppendDetailsLine(Host& host, std::wstring_view line);

}  // namespace pell
