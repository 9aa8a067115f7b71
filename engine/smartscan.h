// SmartScan: identification of running and autorun programs by the MD5 digest of their files.
#pragma once

#include <string>
#include <string_view>

#include "engine/engine.h"
#include "smartscan/match_index.h"

namespace pell {

// One SmartScan over the engine's state. The digest and name indexes are built when it starts and
// follow the tables as they grow; every line and list entry comes in the order of a walk of the tables.
//
// Each match appends the file's base name to InfectionNames (unless already listed), its path to
// lstIdentifiedByMD5, and reports it with status code 2. An MD5Hash that cannot be created (no crypto
// provider) raises RuntimeError out of the process and registry passes; the autorun pass passes it over.
class SmartScanner {
public:
    explicit SmartScanner(Engine& e);

    // The three passes with their status lines (2.5, 2.75) and the closing status code 3.
    void SmartScan();
    // Every running process's executable, reported with its full (upper-case) path.
    void SmartScanProcesses();
    // The programs of the Run and RunServices keys; a match is reported (with the short name) only
    // when its base name was not listed yet. lstKeys is empty afterwards.
    void SmartScanRegistry();
    // The programs that "autorun.inf" files at the drive roots name (removable, fixed, remote and RAM
    // drives; not CD-ROMs).
    void SmartScanAutoRuns();
    // Hashes the file at `path` (a drive root followed by the file's path) with an MD5Hash of its own;
    // true when it matched.
    bool IdentifyFile(const std::wstring& path);

private:
    // Appends a base name that was found not listed. An empty base name, which only a file name too
    // short to carry an extension gives, would stand for every name in the later stages: it is not added.
    // Nor is one with a ".." part (an autorun.inf or Run value can write "x\..\..\WINDOWS\system32\y.exe"):
    // the file pass would join it to its folders and reach genuine files outside them. The file itself
    // is still reported and listed for removal by its own path.
    void AppendName(const std::wstring& baseName);
    // A match on the cleaner itself or on a genuine Windows program in its own folder is reported as
    // left alone and changes nothing: no name, no path for the later stages.
    bool LeftAlone(const std::wstring& path);
    void ScanAutorunInf(const std::wstring& root, const std::wstring& fileName);

    Engine& e_;
    DigestIndex digests_;
    ListedNames listed_;
};

// Whether the file at `path` hashes to an entry of MD5Hashes (false when it cannot be read or hashed).
bool FileDigestListed(Engine& e, const std::wstring& path);

// The command line without double quotes and without arguments: cut after the "exe" of the first
// ".exe " (else ".com ", else ".cmd "), case-insensitively.
std::wstring StripArguments(std::wstring_view commandLine);

}  // namespace pell
