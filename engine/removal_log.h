// The removal log a run leaves in LogFolder, and the names of the other evidence files kept there.
#pragma once

#include <string>

#include "engine/engine.h"
#include "engine/system.h"

namespace pell {

enum class LogForm { Normal, Aborted };

// LogFolder + "Pellworth Removal Log " + date + " " + time + ".txt", with "/" in the date and ":" in the
// time replaced by "_" (the system's formats may hold other separators; they stay).
std::wstring RemovalLogPath(const std::wstring& logFolder, const std::wstring& dateText,
                            const std::wstring& timeText);

// The log's text: the header line with its own line end (so a blank line follows), the details text,
// and in the aborted form the aborted line; every line ends in CR LF.
std::wstring RemovalLogText(const std::wstring& databaseVersion, const std::wstring& details, LogForm form);

// Creates (or empties) the log and writes `text` in the system's code page in one go. False when the
// file could not be created or written.
bool WriteRemovalLog(System& sys, const std::wstring& path, const std::wstring& text);

// The details line that replaces the log when it could not be saved (no translation carries one).
std::wstring LogNotSavedLine(const std::wstring& path);

// The file a service key is exported to: LogFolder + name + ".reg", with the characters a file name
// cannot hold replaced by "_".
std::wstring ServiceExportFile(const Folders& folders, const std::wstring& serviceName);

// The registry editor's export of a service key into its export file, started before the key is
// deleted; the command line holds together whatever the service's name.
std::wstring ServiceExportCommandLine(const Folders& folders, const std::wstring& serviceName);

}  // namespace pell
