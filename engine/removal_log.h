// The removal log a run leaves in LogFolder.
#pragma once

#include <string>

#include "base/folders.h"
#include "base/system.h"

namespace pell {

enum class LogForm { Normal, Aborted };

// LogFolder + "Pellworth Removal Log " + date + " " + time + ".txt", with "/" in the date and ":" in the
// time replaced by "_" (the system's formats may hold other separators; they stay).
std::wstring RemovalLogPath(const std::wstring& logFolder, const std::wstring& dateText,
                            const std::wstring& timeText);

// The log's path were it saved now: a run's record is named after it until the log itself is saved.
std::wstring StartLogPath(const Folders& folders, System& sys);

// The log's text: the header line with its own line end (so a blank line follows), the details text,
// and in the aborted form the aborted line; every line ends in CR LF.
std::wstring RemovalLogText(const std::wstring& databaseVersion, const std::wstring& details, LogForm form);

// Creates (or empties) the log and writes `text` in the system's code page in one go. False when the
// file could not be created or written.
bool WriteRemovalLog(System& sys, const std::wstring& path, const std::wstring& text);

// The details line that replaces the log when it could not be saved (no translation carries one).
std::wstring LogNotSavedLine(const std::wstring& path);

}  // namespace pell
