// Where a run tells every change it makes to the machine, at the one place each change is made, with
// what is needed to put it back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/handles.h"
#include "base/system.h"

namespace pell {

// A registry value as it stood before the run changed it.
struct RecordedValue {
    RegRoot root = RegRoot::LocalMachine;
    std::wstring view = L"64";  // the registry view the key was opened in: "64" or "32"
    std::wstring key;           // below the root
    std::wstring name;
    bool read = false;          // false: the value could not be read before it went (type and data unknown)
    std::uint32_t type = regtype::None;
    std::vector<std::uint8_t> data;
};

// The copy a deleted file left in the log folder: its name there, and the size and digest of exactly the
// bytes copied from the file that was deleted. An empty name: no copy was made.
struct FileCopy {
    std::wstring name;
    std::uint64_t size = 0;
    std::wstring md5;  // "" when no digest could be computed
};

// Why a value was deleted; restore treats both alike, reports count them apart.
enum class ValueKind { Autorun, Policy };

enum class FileDeletion { Now, AtRestart };

class ChangeSink {
public:
    virtual ~ChangeSink() = default;

    // A process that was ended (its executable's path as the process table holds it).
    virtual void ProcessTerminated(const std::wstring& path, std::uint32_t pid) = 0;
    // A file that was deleted, or that Windows deletes when it starts again (it would not go now): its
    // attributes before the run touched them and its copy.
    virtual void FileDeleted(const std::wstring& path, std::uint32_t attributes, const FileCopy& copy,
                             FileDeletion when) = 0;
    virtual void ValueDeleted(ValueKind kind, const RecordedValue& before) = 0;
    // A value the run rewrote instead of deleting (its old data in `before`, the data written in `after`).
    virtual void ValueRewritten(const RecordedValue& before, const std::vector<std::uint8_t>& after) = 0;
    // A service key that was deleted, with the name of its export in the log folder (empty when none).
    virtual void ServiceDeleted(const std::wstring& name, const std::wstring& imagePath,
                                const std::wstring& exportName) = 0;
    // The hosts file after it was replaced: its copy's name, the lines left out, and the bytes written.
    virtual void HostsRewritten(const std::wstring& path, const std::wstring& backupName,
                                const std::vector<std::wstring>& droppedLines, const std::string& written) = 0;
    // False once a change could not be written down: from then on the run changes nothing more.
    virtual bool Intact() const { return true; }
};

// Reads the value, deletes it, and tells `sink` when the deletion was done. Returns the deletion's result.
// The value's name is recorded as given: callers pass the name as the key holds it.
long DeleteValueAndRecord(System& sys, ChangeSink& sink, ValueKind kind, RegRoot root, const std::wstring& keyPath,
                          RegKey key, const std::wstring& name);

// A REG_SZ value's data as the registry stores it: UTF-16LE with its terminating zero.
std::vector<std::uint8_t> StringValueBytes(const std::wstring& text);

}  // namespace pell
