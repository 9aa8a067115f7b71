// An in-memory Windows PC behind the System seam, with fault injection by operation, target and count.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/system.h"
#include "tests/fake/planter.h"

namespace pell::test {

// Operations that faults can be injected into and that are counted.
enum class Op {
    RegOpenKey, RegEnumValue, RegEnumKey, RegDeleteValue, RegDeleteKey, RegSetValue,
    OpenSCManager, OpenService, ControlService,
    OpenProcessToken, LookupPrivilegeValue, AdjustTokenPrivileges, EnumProcesses, OpenProcess,
    EnumProcessModules, GetModuleFileNameEx, TerminateProcess,
    GetFileAttributes, SetFileAttributes, CopyFile, DeleteFile, MoveFileReplace, DeleteFileAtRestart, OpenFile, ReadFile,
    WriteFile, ListFolder, StartCommandLine, ShellOpen,
    CryptAcquireContext, CryptCreateHash, CryptHashData, CryptGetHashParam,
    RegQueryValue, RegCreateKey, FlushFile, MoveFileNoReplace, GetFileIdentity,
    Count_
};

// "This operation, on this target, after `skip` matching calls, answers `result` (and sets `error`)
// `times` times (-1: from then on)". The target is matched case-insensitively against the call's main
// argument (path, key path "HKLM\...", value name, service name, process id as text); empty = any.
// For BOOL operations `result` is the return value (usually 0) and `error` the last error; for registry
// operations `result` is the error code itself.
struct Fault {
    Op op;
    std::wstring target;
    long result = 0;
    std::uint32_t error = 0;
    int skip = 0;
    int times = 1;
};

struct StartedCommand {
    std::wstring commandLine;
    ShowStyle style;
    bool waited = false;  // started through StartCommandLineAndWait
};

class FakeMachine : public System, public Planter {
public:
    FakeMachine();

    // --- Set-up beyond the Planter interface. ---
    void SetSystemDirectory(const std::wstring& path) { systemDir_ = path; }  // default C:\WINDOWS\system32
    void SetTempPath(const std::wstring& path) { tempPath_ = path; }          // default C:\DOCUME~1\X\LOCALS~1\Temp\ .
    // Makes this a 64-bit Windows: the 32-bit system folder is planted and reported (by default there
    // is none, as on 32-bit Windows). The 32-bit registry view of HKLM\Software is always there, under
    // HKLM\Software\Wow6432Node, as a 64-bit Windows keeps it; HKCU and HKU are one key in every view.
    void SetSystemWow64Directory(const std::wstring& path);
    // The account the program runs as, whose hive HKCU is (default S-1-5-21-1-2-3-1000). Its hive under
    // HKU is not the one HKCU reaches: the fake keeps the two trees apart.
    void SetCurrentUserSid(const std::wstring& sid) { currentSid_ = sid; }
    void SetDateTime(const std::wstring& date, const std::wstring& time) { date_ = date; time_ = time; }
    void SetLocaleLanguageName(const std::wstring& name) { locale_ = name; }
    void SetPlatformId(long id) { platformId_ = id; }
    void AddDrive(wchar_t letter, unsigned type);  // C: is fixed by default
    // A process whose image path is reported exactly as given (e.g. "\SystemRoot\System32\smss.exe").
    // A running process locks its image file against deletion.
    std::uint32_t AddProcess(const std::wstring& imagePath, bool terminable = true);
    // A service in the service control manager (its registry key is planted separately or by PlantService).
    void AddScmService(const std::wstring& name, bool running = true, bool stoppable = true);
    bool ServiceRunning(const std::wstring& name) const;
    void LockFile(const std::wstring& path, bool locked = true);
    // The cleaner itself as a running process of this machine (its image planted at `path`).
    std::uint32_t StartOwnProgram(const std::wstring& path, const std::string& bytes);
    // A folder whose disk holds only `bytes` more (copies and writes into it stop there, leaving what
    // they wrote, and fail with ERROR_DISK_FULL), or in which no file can be created at all.
    void SetFolderFreeSpace(const std::wstring& folder, std::uint64_t bytes);
    void SetFolderReadOnly(const std::wstring& folder);
    // A folder whose names keep their case, as a case-sensitive folder of NTFS does: "A.exe" and "a.exe"
    // are two files there.
    void SetFolderCaseSensitive(const std::wstring& folder);
    // A folder that is a link (a junction) to another: paths through it reach the target's files, and
    // its parent lists it as a folder that is a reparse point.
    void PlantFolderLink(const std::wstring& link, const std::wstring& target);
    // A file that is a symbolic link to another file: opened, copied or hashed, it gives the target's
    // bytes; FileAccess::ReadLinkItself, its attributes and its deletion reach the link alone.
    void PlantFileLink(const std::wstring& link, const std::wstring& target);
    // How many times the file was read from its start (a whole read for a digest or a copy).
    std::size_t ReadPasses(const std::wstring& path);
    // A name that opens a device or a pipe instead of a disk file (COM1, a FIFO someone left).
    void PlantDevice(const std::wstring& path, std::uint32_t type = filetype::Character);
    // The computer restarts: every process ends and the deletions marked for the restart are made.
    void Restart();
    void InjectFault(const Fault& fault) { faults_.push_back(fault); }
    void ClearFaults() { faults_.clear(); }

    // --- Inspection. ---
    const std::vector<StartedCommand>& StartedCommands() const { return started_; }
    const std::vector<std::wstring>& ShellOpened() const { return opened_; }
    const std::vector<std::wstring>& DeletionsAtRestart() const { return atRestart_; }
    std::size_t Calls(Op op) const { return calls_[static_cast<std::size_t>(op)]; }
    void ResetCalls();
    // Every file path in the machine, sorted case-insensitively (for before/after comparisons).
    std::vector<std::wstring> AllFiles() const;
    // A readable dump of the whole registry (for before/after comparisons).
    std::wstring RegistryDump() const;
    std::size_t OpenHandleCount() const;

    // --- Planter. ---
    void PlantFolder(const std::wstring& path) override;
    void PlantFile(const std::wstring& path, const std::string& bytes,
                   std::uint32_t attributes = kAttributeNormal) override;
    bool FileExists(const std::wstring& path) override;
    std::optional<std::string> FileBytes(const std::wstring& path) override;
    void PlantKey(RegRoot root, const std::wstring& key) override;
    void PlantString(RegRoot root, const std::wstring& key, const std::wstring& name,
                     const std::wstring& data) override;
    void PlantDword(RegRoot root, const std::wstring& key, const std::wstring& name,
                    std::uint32_t data) override;
    // A value of any type with exactly these bytes.
    void PlantValue(RegRoot root, const std::wstring& key, const std::wstring& name, std::uint32_t type,
                    const std::string& bytes);
    bool KeyExists(RegRoot root, const std::wstring& key) override;
    std::optional<std::wstring> StringValue(RegRoot root, const std::wstring& key,
                                            const std::wstring& name) override;
    bool ValueExists(RegRoot root, const std::wstring& key, const std::wstring& name) override;
    void PlantService(const std::wstring& name, const std::wstring& imagePath) override;
    std::uint32_t StartProgram(const std::wstring& path) override;
    bool ProcessRunning(std::uint32_t pid) override;

    // --- System. ---
    std::uint32_t LastError() const override { return lastError_; }
    long RegOpenKey(RegRoot root, const std::wstring& path, RegKey& key) override;
    long RegEnumValue(RegKey key, std::uint32_t index, RegValue& value) override;
    long RegEnumKey(RegKey key, std::uint32_t index, std::wstring& name) override;
    long RegDeleteValue(RegKey key, const std::wstring& name) override;
    long RegDeleteKey(RegKey key, const std::wstring& subkey) override;
    long RegCloseKey(RegKey key) override;
    // Faults of RegOpenKey, targeted at the key the view leads to ("HKLM\Software\Wow6432Node\...").
    long RegOpenKeyView(RegRoot root, const std::wstring& path, std::uint32_t view, RegKey& key) override;
    // Faults: RegSetValue, targeted at the value name.
    long RegSetStringValue(RegKey key, const std::wstring& name, const std::wstring& data) override;
    std::wstring CurrentUserSid() override { return currentSid_; }
    long RegQueryValue(RegKey key, const std::wstring& name, std::uint32_t& type,
                       std::vector<std::uint8_t>& data) override;
    long RegCreateKey(RegRoot root, const std::wstring& path, RegKey& key) override;
    long RegSetValue(RegKey key, const std::wstring& name, std::uint32_t type,
                     const std::vector<std::uint8_t>& data) override;
    ScHandle OpenSCManager(std::uint32_t access) override;
    ScHandle OpenService(ScHandle manager, const std::wstring& name, std::uint32_t access) override;
    long ControlService(ScHandle service, std::uint32_t control) override;
    long CloseServiceHandle(ScHandle handle) override;
    long PlatformId() override { return platformId_; }
    long OpenProcessToken(std::uint32_t access, ProcHandle& token) override;
    long LookupPrivilegeValue(const std::wstring& name, Luid& luid) override;
    long AdjustTokenPrivileges(ProcHandle token, const Luid& luid, std::uint32_t attributes) override;
    long EnumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t bufferBytes,
                       std::uint32_t& neededBytes) override;
    ProcHandle OpenProcess(std::uint32_t access, std::uint32_t pid) override;
    long EnumProcessModules(ProcHandle process, std::uint64_t& firstModule) override;
    std::uint32_t GetModuleFileNameEx(ProcHandle process, std::uint64_t module, std::wstring& path) override;
    long TerminateProcess(ProcHandle process, std::uint32_t exitCode) override;
    long CloseHandle(ProcHandle handle) override;
    std::uint32_t CurrentProcessId() override { return ownPid_; }
    std::wstring OwnExecutablePath() override { return ownPath_; }
    std::uint32_t GetFileAttributes(const std::wstring& path) override;
    long SetFileAttributes(const std::wstring& path, std::uint32_t attributes) override;
    long CopyFile(const std::wstring& from, const std::wstring& to, bool failIfExists) override;
    long DeleteFile(const std::wstring& path) override;
    long MoveFileReplace(const std::wstring& from, const std::wstring& to) override;
    long MoveFileNoReplace(const std::wstring& from, const std::wstring& to) override;
    long DeleteFileAtRestart(const std::wstring& path) override;
    long OpenFile(const std::wstring& path, FileAccess access, FileDisposition disposition,
                  FileHandle& file) override;
    long ReadFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& read) override;
    long WriteFile(FileHandle file, const void* data, std::uint32_t count, std::uint32_t& written) override;
    long GetFileSize(FileHandle file, std::uint64_t& size) override;
    long GetFileIdentity(FileHandle file, FileIdentity& identity) override;
    std::uint32_t GetFileType(FileHandle file) override;
    long CloseFile(FileHandle file) override;
    long FlushFile(FileHandle file) override;
    long ListFolder(const std::wstring& folder, const std::wstring& pattern,
                    std::vector<FoundFile>& entries) override;
    std::vector<std::wstring> LogicalDrives() override;
    unsigned GetDriveType(const std::wstring& root) override;
    std::uint32_t GetSystemDirectory(std::wstring& path) override;
    std::uint32_t GetTempPath(std::wstring& path) override;
    std::uint32_t GetSystemWow64Directory(std::wstring& path) override;
    long StartCommandLine(const std::wstring& commandLine, ShowStyle style) override;
    // Faults: those of StartCommandLine. The registry editor is carried out as it would run: an export
    // ("...regedit.exe /e "FILE" "KEY"") writes KEY in the editor's file format (as UTF-8) when KEY exists
    // and FILE's folder does; an import ("...regedit.exe /s "FILE"") creates the keys and values FILE holds.
    long StartCommandLineAndWait(const std::wstring& commandLine, ShowStyle style,
                                 std::uint32_t timeoutMs) override;
    long ShellOpen(const std::wstring& target) override;
    long CryptAcquireContext(CryptHandle& provider, const std::wstring& providerName,
                             std::uint32_t providerType, std::uint32_t flags) override;
    long CryptCreateHash(CryptHandle provider, std::uint32_t algorithm, CryptHandle& hash) override;
    long CryptHashData(CryptHandle hash, const void* data, std::uint32_t count) override;
    long CryptGetHashParam(CryptHandle hash, std::uint32_t param, std::vector<std::uint8_t>& value) override;
    long CryptDestroyHash(CryptHandle hash) override;
    long CryptReleaseContext(CryptHandle provider) override;
    std::wstring DateText() override { return date_; }
    std::wstring TimeText() override { return time_; }
    std::wstring LocaleLanguageName() override { return locale_; }
    std::wstring UtcTimestamp() override { return L"2026-12-07T01:45:10Z"; }
    std::wstring ComputerName() override { return L"PELLTEST"; }
    std::wstring UserName() override { return L"X"; }
    std::string ToSystemCodePage(const std::wstring& text) override;
    std::wstring FromSystemCodePage(const std::string& bytes) override;
    // The Windows code pages of the translations, through the C library's converters.
    std::wstring FromCodePage(unsigned codePage, const std::string& bytes) override;

private:
    struct RegValueNode {
        std::wstring name;
        bool isString = true;
        std::wstring text;       // string values
        std::string bytes;       // other values
        std::uint32_t type = regtype::String;
    };
    struct RegKeyNode {
        std::wstring name;  // as created
        std::vector<RegValueNode> values;                 // in creation order
        std::map<std::wstring, RegKeyNode> subkeys;       // by upper-case name
        std::vector<std::wstring> subkeyOrder;            // upper-case names in creation order
    };
    struct FileNode {
        std::wstring path;  // as created
        std::string bytes;
        std::uint32_t attributes = kAttributeNormal;
        bool locked = false;
        std::uint32_t type = filetype::Disk;  // a device reads zeros without end and has no size
        std::uint64_t index = NewFileIndex();  // the file's identity on its volume; a copy gets its own
        std::uint64_t writeTime = NewFileIndex();
        std::wstring linkTarget{};  // a symbolic link: the path it leads to
    };
    struct Process {
        std::uint32_t pid;
        std::wstring imagePath;
        bool terminable;
        bool running = true;
    };
    struct ScmService {
        std::wstring name;
        bool running;
        bool stoppable;
    };
    struct OpenFileState {
        std::wstring key;  // upper-case path
        FileAccess access;
        std::uint64_t position = 0;
    };
    struct Md5State;

    // Returns the matching fault's answer, if one fires for this call (and counts the call).
    std::optional<Fault> Hit(Op op, const std::wstring& target);
    RegKeyNode* FindKey(const std::wstring& fullPath);  // "HKLM\A\B"
    RegKeyNode& MakeKey(const std::wstring& fullPath);
    static std::wstring RootPrefix(RegRoot root);
    std::wstring KeyPath(RegKey key) const;  // empty when the handle is unknown
    // Upper case (but the name in a case-sensitive folder), no trailing backslash, linked folders
    // followed to their targets.
    std::wstring Norm(const std::wstring& path) const;
    static std::uint64_t NewFileIndex();
    // The key of the file a handle reads: a symbolic link opened to be followed leads to its target.
    std::wstring Followed(const std::wstring& normPath) const;
    static std::wstring Parent(const std::wstring& normPath);
    bool FolderExists(const std::wstring& path) const;
    bool FileLockedByProcess(const std::wstring& normPath) const;
    // What the folder of a new or growing file allows: false when no file may be created there; `room`
    // is the number of bytes that still fit.
    bool MayCreateIn(const std::wstring& normPath) const;
    std::uint64_t RoomIn(const std::wstring& normPath) const;
    void UseRoomIn(const std::wstring& normPath, std::uint64_t bytes);
    long Fail(std::uint32_t error) { lastError_ = error; return 0; }
    void DumpKey(const RegKeyNode& node, const std::wstring& path, std::wstring& out) const;
    void ExportKey(const RegKeyNode& node, const std::wstring& path, std::wstring& out) const;
    void ImportRegFile(const std::wstring& text);
    RegValueNode& ValueSlot(RegKeyNode& node, const std::wstring& name);
    static std::vector<std::uint8_t> StoredBytes(const RegValueNode& v);

    std::map<std::wstring, RegKeyNode> roots_;
    std::map<RegKey, std::wstring> keyHandles_;
    std::map<std::wstring, FileNode> files_;         // by normalized path
    std::map<std::wstring, std::wstring> folders_;   // normalized -> as created
    std::map<wchar_t, unsigned> drives_;
    std::vector<Process> processes_;
    std::map<std::wstring, ScmService> scm_;         // by upper-case name
    std::map<ScHandle, std::wstring> scHandles_;     // service handles -> upper-case name ("" = manager)
    std::map<ProcHandle, std::uint32_t> procHandles_;  // pid, 0 = token
    std::map<FileHandle, OpenFileState> fileHandles_;
    std::map<CryptHandle, std::vector<std::uint8_t>> hashes_;  // hash handle -> data hashed so far
    std::map<CryptHandle, bool> providers_;
    std::vector<Fault> faults_;
    std::vector<StartedCommand> started_;
    std::vector<std::wstring> opened_;
    std::vector<std::wstring> atRestart_;
    std::map<std::wstring, std::uint64_t> freeSpace_;  // by normalized folder
    std::map<std::wstring, bool> readOnlyFolders_;
    std::map<std::wstring, bool> caseSensitiveFolders_;
    std::map<std::wstring, std::size_t> readPasses_;  // by normalized path; kept when the file goes
    std::map<std::wstring, std::wstring> folderLinks_;  // upper-case link path -> upper-case target
    std::uint32_t ownPid_ = 4;  // no process of the machine until StartOwnProgram
    std::wstring ownPath_ = L"C:\\Program Files\\Pellworth Remover\\pellclean.exe";
    std::vector<std::size_t> calls_;
    std::uint64_t nextHandle_ = 0x100;
    std::uint32_t nextPid_ = 0x20;
    std::uint32_t lastError_ = 0;
    long platformId_ = 2;
    std::wstring systemDir_ = L"C:\\WINDOWS\\system32";
    std::wstring tempPath_ = L"C:\\DOCUME~1\\X\\LOCALS~1\\Temp\\";
    std::wstring systemWow64Dir_;
    std::wstring currentSid_ = L"S-1-5-21-1-2-3-1000";
    std::wstring date_ = L"12/7/2026";
    std::wstring time_ = L"1:45:10 AM";
    std::wstring locale_ = L"English";
};

// MD5 of a byte string as 32 upper-case hexadecimal digits (the fake's own implementation of RFC 1321).
std::string Md5Hex(const std::string& bytes);
std::vector<std::uint8_t> Md5Digest(const std::uint8_t* data, std::size_t size);

}  // namespace pell::test
