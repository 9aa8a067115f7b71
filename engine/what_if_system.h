// The what-if machine: a System that reads through to another one and keeps every change in memory, so a
// run can go through all its stages and see the machine as a cleaning would leave it, changing nothing.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/forwarding_system.h"

namespace pell {

// Thrown by the what-if machine for a change it does not model: rather than let it reach the machine,
// the run that asked for it ends. Deliberately no std::exception, so that no stage's own error handling
// can take it for a failure of its own and go on.
class UnmodelledChange {
public:
    explicit UnmodelledChange(std::wstring operation) : operation_(std::move(operation)) {}
    const std::wstring& Operation() const { return operation_; }

private:
    std::wstring operation_;
};

class WhatIfSystem : public ForwardingSystem {
public:
    explicit WhatIfSystem(System& machine) : ForwardingSystem(machine) {}
    WhatIfSystem(const WhatIfSystem&) = delete;
    WhatIfSystem& operator=(const WhatIfSystem&) = delete;

    // The bytes of a file that exists only in memory (written or copied during the run); nothing when
    // the path names no such file.
    std::optional<std::string> HeldFile(const std::wstring& path) const;
    // The command lines the run would have started (the registry editor's exports included).
    const std::vector<std::wstring>& CommandsNotStarted() const { return notStarted_; }

    std::uint32_t LastError() const override;

    long RegOpenKey(RegRoot root, const std::wstring& path, RegKey& key) override;
    long RegOpenKeyView(RegRoot root, const std::wstring& path, std::uint32_t view, RegKey& key) override;
    long RegEnumValue(RegKey key, std::uint32_t index, RegValue& value) override;
    long RegEnumKey(RegKey key, std::uint32_t index, std::wstring& name) override;
    long RegDeleteValue(RegKey key, const std::wstring& name) override;
    long RegDeleteKey(RegKey key, const std::wstring& subkey) override;
    long RegCloseKey(RegKey key) override;
    long RegSetStringValue(RegKey key, const std::wstring& name, const std::wstring& data) override;
    long RegQueryValue(RegKey key, const std::wstring& name, std::uint32_t& type,
                       std::vector<std::uint8_t>& data) override;
    long RegCreateKey(RegRoot root, const std::wstring& path, RegKey& key) override;
    long RegSetValue(RegKey key, const std::wstring& name, std::uint32_t type,
                     const std::vector<std::uint8_t>& data) override;

    ScHandle OpenService(ScHandle manager, const std::wstring& name, std::uint32_t access) override;
    long ControlService(ScHandle service, std::uint32_t control) override;
    long CloseServiceHandle(ScHandle handle) override;

    long EnumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t bufferBytes, std::uint32_t& neededBytes) override;
    ProcHandle OpenProcess(std::uint32_t access, std::uint32_t pid) override;
    long TerminateProcess(ProcHandle process, std::uint32_t exitCode) override;
    long CloseHandle(ProcHandle handle) override;

    std::uint32_t GetFileAttributes(const std::wstring& path) override;
    long SetFileAttributes(const std::wstring& path, std::uint32_t attributes) override;
    long CopyFile(const std::wstring& from, const std::wstring& to, bool failIfExists) override;
    long DeleteFile(const std::wstring& path) override;
    long MoveFileReplace(const std::wstring& from, const std::wstring& to) override;
    long MoveFileNoReplace(const std::wstring& from, const std::wstring& to) override;
    long GetFileIdentity(FileHandle file, FileIdentity& identity) override;
    std::uint32_t GetFileType(FileHandle file) override;
    long DeleteFileAtRestart(const std::wstring& path) override;
    long OpenFile(const std::wstring& path, FileAccess access, FileDisposition disposition, FileHandle& file) override;
    long ReadFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& read) override;
    long WriteFile(FileHandle file, const void* data, std::uint32_t count, std::uint32_t& written) override;
    long GetFileSize(FileHandle file, std::uint64_t& size) override;
    long CloseFile(FileHandle file) override;
    long FlushFile(FileHandle file) override;
    long ListFolder(const std::wstring& folder, const std::wstring& pattern, std::vector<FoundFile>& entries) override;

    long StartCommandLine(const std::wstring& commandLine, ShowStyle style) override;
    long StartCommandLineAndWait(const std::wstring& commandLine, ShowStyle style, std::uint32_t timeoutMs) override;
    long ShellOpen(const std::wstring& target) override;

private:
    // --- Registry. A key is known by its root and its path in upper case, the 32-bit view of
    // HKLM\Software written out as its Wow6432Node subkey: one name for one key, however it was opened.
    struct OpenedKey {
        RegRoot root;
        std::wstring path;
        std::uint32_t view;
        std::wstring id;
    };
    struct HeldValue {
        std::wstring name;  // as written
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    long OpenThrough(RegRoot root, const std::wstring& path, std::uint32_t view, RegKey& key);
    bool KeyGone(const std::wstring& id) const;
    const OpenedKey* Opened(RegKey key) const;
    bool ValuesChanged(const std::wstring& id) const;
    bool SubkeysChanged(const std::wstring& id) const;
    // Every value / subkey name the key shows now; the machine's own error when its listing failed.
    long CurrentValues(RegKey key, const OpenedKey& opened, std::vector<RegValue>& values);
    long CurrentSubkeys(RegKey key, const OpenedKey& opened, std::vector<std::wstring>& names);
    bool ValueShown(RegKey key, const OpenedKey& opened, const std::wstring& name);

    std::map<RegKey, OpenedKey> keys_;
    std::set<std::wstring> deletedKeys_;
    std::map<std::wstring, std::set<std::wstring>> deletedValues_;             // key id -> upper names
    std::map<std::wstring, std::map<std::wstring, HeldValue>> writtenValues_;  // key id -> upper name -> value

    // --- Services and processes.
    void EndServiceProcess(const std::wstring& service);
    std::map<ScHandle, std::wstring> services_;
    std::set<std::wstring> stoppedServices_;
    std::map<ProcHandle, std::uint32_t> processes_;
    std::set<std::uint32_t> endedProcesses_;

    // --- Files. A path the run has changed is held here; every other path reads through.
    struct HeldFileState {
        bool exists = false;
        std::wstring name;                    // the file name as it was written, for folder listings
        std::uint32_t attributes = 0;
        std::wstring readsFrom;               // a machine file whose bytes this one has (a copy), or
        std::shared_ptr<std::string> bytes;   // the bytes it was written with
    };
    struct OpenedFile {
        FileHandle through = 0;               // a handle of the machine's, reading; or
        std::shared_ptr<std::string> bytes;   // the bytes of a held file
        std::uint64_t position = 0;
        bool writable = false;
    };
    HeldFileState* Held(const std::wstring& path);
    const HeldFileState* Held(const std::wstring& path) const;
    std::uint32_t Attributes(const std::wstring& path);
    HeldFileState& Hold(const std::wstring& path);
    // A new, empty file written by the run; its bytes, which writes through its handles extend.
    std::shared_ptr<std::string> HoldNew(const std::wstring& path);
    // The path names no file any more.
    void Forget(const std::wstring& path);
    bool FolderExists(const std::wstring& path);
    long Refuse(std::uint32_t error);

    std::map<std::wstring, HeldFileState> files_;                // upper path -> state
    std::map<std::wstring, std::set<std::wstring>> filesByFolder_;  // upper folder -> upper paths held
    std::map<FileHandle, OpenedFile> openFiles_;
    FileHandle nextFile_ = 1;

    std::vector<std::wstring> notStarted_;
    std::optional<std::uint32_t> ownError_;
};

}  // namespace pell
