// The service scan's building blocks, for the scan itself and for tests that drive them one by one.
#pragma once

#include <string>

#include "base/folders.h"
#include "base/system.h"
#include "record/record_places.h"

namespace pell {

// Asks the service control manager to stop the service; true only when ControlService answered exactly 1.
bool StopService(System& sys, const std::wstring& serviceName);

// Deletes every subkey of the open `key`, which is HKLM services key + "\" + `path`, depth first. A
// subkey that keeps refusing deletion (or keeps failing) is passed over after its second refusal, so
// a protected key never makes the deletion loop forever.
// A subkey that is deleted but is there again (re-created, or a deletion that only said it was done) is
// passed over after kMaxSubkeyDeletions deletions.
inline constexpr int kMaxSubkeyDeletions = 3;
void DeleteSubkeys(System& sys, RegKey key, const std::wstring& path);

// The file a service key is exported to: LogFolder + name + ".reg", with the characters a file name
// cannot hold replaced by "_".
std::wstring ServiceExportFile(const Folders& folders, const std::wstring& serviceName);

// The registry editor's export of a service key into its export file, started before the key is
// deleted; the command line holds together whatever the service's name.
std::wstring ServiceExportCommandLine(const Folders& folders, const std::wstring& serviceName);

}  // namespace pell
