// The one seam between the cleaning engine and the operating system: Windows operations with their raw results.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pell {

// Handles cross the seam as plain numbers; 0 is never a valid handle. Who obtained a handle closes it
// through the matching Close call (engine code uses the owners in base/handles.h).
using RegKey = std::uint64_t;
using ScHandle = std::uint64_t;
using ProcHandle = std::uint64_t;
using FileHandle = std::uint64_t;
using CryptHandle = std::uint64_t;

enum class RegRoot { LocalMachine, CurrentUser, Users };

// Registry views of 64-bit Windows: the KEY_WOW64_* access flags of RegOpenKeyEx. The 32-bit view of
// HKLM\Software is where 32-bit programs (and so most worms) write; HKCU is one key in every view.
namespace regview {
constexpr std::uint32_t Own = 0;             // the view of the calling program
constexpr std::uint32_t Key64 = 0x0100;      // KEY_WOW64_64KEY
constexpr std::uint32_t Key32 = 0x0200;      // KEY_WOW64_32KEY
}  // namespace regview

// Window styles for started command lines (the values of SW_HIDE, SW_SHOWNORMAL, SW_SHOWMINIMIZED).
enum class ShowStyle : int { Hidden = 0, Normal = 1, MinimizedFocus = 2 };

// Result codes the rules test. Every other code is passed through untouched.
namespace code {
constexpr long Success = 0;
constexpr long InvalidFunction = 1;
constexpr long FileNotFound = 2;
constexpr long PathNotFound = 3;
constexpr long AccessDenied = 5;
constexpr long InvalidHandle = 6;
constexpr long SharingViolation = 32;
constexpr long FileExists = 80;
constexpr long InvalidParameter = 87;
constexpr long DiskFull = 112;
constexpr long AlreadyExists = 183;
constexpr long MoreData = 234;
constexpr long NoMoreItems = 259;
constexpr long ServiceDoesNotExist = 1060;
constexpr long ServiceNotActive = 1062;
}  // namespace code

constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;
constexpr std::uint32_t kAttributeReadOnly = 0x1;
constexpr std::uint32_t kAttributeHidden = 0x2;
constexpr std::uint32_t kAttributeSystem = 0x4;
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeNormal = 0x80;
constexpr std::uint32_t kAttributeReparsePoint = 0x400;  // a link: symbolic link, junction, mount point

// What an open file handle leads to (the values of GetFileType): only a disk file has an end to read to.
namespace filetype {
constexpr std::uint32_t Unknown = 0, Disk = 1, Character = 2, Pipe = 3;
}

// Registry value types.
namespace regtype {
constexpr std::uint32_t None = 0, String = 1, ExpandString = 2, Binary = 3, Dword = 4, MultiString = 7, Qword = 11;
}

// Drive types of GetDriveType.
namespace drive {
constexpr unsigned Unknown = 0, NoRootDir = 1, Removable = 2, Fixed = 3, Remote = 4, CdRom = 5, RamDisk = 6;
}

// One registry value as RegEnumValue reports it. `data` is the value's text (for string types the
// characters without the terminator, for other types one character per byte); `dataLength` is the
// length the call reports: characters including the terminator for strings, bytes otherwise. Long data
// is returned whole, never cut at a buffer size.
struct RegValue {
    std::wstring name;
    std::wstring data;
    std::uint32_t dataLength = 0;
};

// One entry of a folder listing ("." and ".." are never reported).
struct FoundFile {
    std::wstring name;
    std::uint32_t attributes = 0;
};

// File access modes and dispositions for OpenFile. ReadLinkItself reads like Read, but a path that is a
// link (a reparse point) opens the link itself, not the file it leads to (FILE_FLAG_OPEN_REPARSE_POINT).
enum class FileAccess { Read, Write, ReadWrite, ReadLinkItself };
enum class FileDisposition {
    OpenExisting,   // fails when missing
    OpenAlways,     // creates an empty file when missing
    CreateAlways,   // creates or empties
    CreateNew,      // fails when it exists
};

// What the volume tells of an open file (GetFileInformationByHandle). The volume serial and file index
// name the file itself: every path that reaches it (another spelling, a hard link, a linked folder)
// gives the same pair. The write time is in the system's 100 ns units.
struct FileIdentity {
    std::uint32_t volumeSerial = 0;
    std::uint64_t fileIndex = 0;
    std::uint64_t size = 0;
    std::uint64_t writeTime = 0;
    std::uint32_t attributes = 0;

    bool SameFile(const FileIdentity& other) const {
        return volumeSerial == other.volumeSerial && fileIndex == other.fileIndex;
    }
};

struct Luid {
    std::uint32_t low = 0;
    std::int32_t high = 0;
};

class System {
public:
    virtual ~System() = default;

    // The error of the most recent failing call on this object (GetLastError right after the call).
    virtual std::uint32_t LastError() const = 0;

    // --- Registry. 0 = done; 259 = no more items; 5 = refused (a key with subkeys). ---
    virtual long RegOpenKey(RegRoot root, const std::wstring& path, RegKey& key) = 0;
    // RegOpenKey in the registry view `view` (a regview flag, handed to the system as it is).
    virtual long RegOpenKeyView(RegRoot root, const std::wstring& path, std::uint32_t view, RegKey& key) = 0;
    virtual long RegEnumValue(RegKey key, std::uint32_t index, RegValue& value) = 0;
    virtual long RegEnumKey(RegKey key, std::uint32_t index, std::wstring& name) = 0;
    virtual long RegDeleteValue(RegKey key, const std::wstring& name) = 0;
    // An empty subkey deletes the open key itself.
    virtual long RegDeleteKey(RegKey key, const std::wstring& subkey) = 0;
    virtual long RegCloseKey(RegKey key) = 0;
    // Writes `data` as a string value (REG_SZ) of the open key, replacing a value of that name.
    virtual long RegSetStringValue(RegKey key, const std::wstring& name, const std::wstring& data) = 0;
    // The string SID ("S-1-5-21-...") of the account this program runs as, whose hive HKCU is; empty
    // when it cannot be told.
    virtual std::wstring CurrentUserSid() = 0;
    // The value's type and its data exactly as stored (strings as UTF-16LE bytes with their terminator).
    virtual long RegQueryValue(RegKey key, const std::wstring& name, std::uint32_t& type,
                               std::vector<std::uint8_t>& data) = 0;
    // Opens the key, creating it and any missing parent first.
    virtual long RegCreateKey(RegRoot root, const std::wstring& path, RegKey& key) = 0;
    // Creates or replaces the value with exactly this type and these bytes.
    virtual long RegSetValue(RegKey key, const std::wstring& name, std::uint32_t type,
                             const std::vector<std::uint8_t>& data) = 0;

    // --- Service control manager. A 0 handle means the call failed. ---
    virtual ScHandle OpenSCManager(std::uint32_t access) = 0;
    virtual ScHandle OpenService(ScHandle manager, const std::wstring& name, std::uint32_t access) = 0;
    // Returns the BOOL of ControlService: exactly 1 means the control was accepted.
    virtual long ControlService(ScHandle service, std::uint32_t control) = 0;
    virtual long CloseServiceHandle(ScHandle handle) = 0;

    // --- Processes, tokens and the debug privilege. BOOL results: 0 = failed. ---
    virtual long PlatformId() = 0;  // 2 = NT family
    virtual long OpenProcessToken(std::uint32_t access, ProcHandle& token) = 0;
    virtual long LookupPrivilegeValue(const std::wstring& name, Luid& luid) = 0;
    virtual long AdjustTokenPrivileges(ProcHandle token, const Luid& luid, std::uint32_t attributes) = 0;
    // EnumProcesses with a buffer of `bufferBytes` bytes: fills `ids` with at most bufferBytes / 4 ids
    // and sets `neededBytes` to the bytes returned (equal to bufferBytes when the buffer was too small).
    virtual long EnumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t bufferBytes,
                               std::uint32_t& neededBytes) = 0;
    virtual ProcHandle OpenProcess(std::uint32_t access, std::uint32_t pid) = 0;
    // The first module of the process (its executable); 0 = failed.
    virtual long EnumProcessModules(ProcHandle process, std::uint64_t& firstModule) = 0;
    // The module's path; returns its length, 0 on failure (the path is then empty).
    virtual std::uint32_t GetModuleFileNameEx(ProcHandle process, std::uint64_t module, std::wstring& path) = 0;
    virtual long TerminateProcess(ProcHandle process, std::uint32_t exitCode) = 0;
    virtual long CloseHandle(ProcHandle handle) = 0;
    // The running program's own process id and executable path: no rule may end or delete the cleaner.
    virtual std::uint32_t CurrentProcessId() = 0;
    virtual std::wstring OwnExecutablePath() = 0;

    // --- Files and folders. BOOL results: nonzero = done; the reason is in LastError(). ---
    virtual std::uint32_t GetFileAttributes(const std::wstring& path) = 0;  // kInvalidAttributes on failure
    virtual long SetFileAttributes(const std::wstring& path, std::uint32_t attributes) = 0;
    virtual long CopyFile(const std::wstring& from, const std::wstring& to, bool failIfExists) = 0;
    virtual long DeleteFile(const std::wstring& path) = 0;
    // Moves `from` over `to` in one step, replacing `to` when it exists (MoveFileEx with REPLACE_EXISTING).
    virtual long MoveFileReplace(const std::wstring& from, const std::wstring& to) = 0;
    // Renames `from` to `to` only when no file or folder holds `to` (MoveFileEx without REPLACE_EXISTING,
    // written through); fails with 80 or 183 when the name is taken.
    virtual long MoveFileNoReplace(const std::wstring& from, const std::wstring& to) = 0;
    // Marks the file to be deleted when the computer next starts (MoveFileEx with no target and
    // DELAY_UNTIL_REBOOT): for a file that cannot be deleted while Windows runs. Nonzero = marked.
    virtual long DeleteFileAtRestart(const std::wstring& path) = 0;
    virtual long OpenFile(const std::wstring& path, FileAccess access, FileDisposition disposition,
                          FileHandle& file) = 0;
    // Reads up to `count` bytes at the current position; `read` < count only at the end of the file.
    virtual long ReadFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& read) = 0;
    virtual long WriteFile(FileHandle file, const void* data, std::uint32_t count, std::uint32_t& written) = 0;
    virtual long GetFileSize(FileHandle file, std::uint64_t& size) = 0;
    // The identity, size, write time and attributes of the open file. BOOL result.
    virtual long GetFileIdentity(FileHandle file, FileIdentity& identity) = 0;
    // A filetype value: whether the handle is a disk file, a device (COM1, NUL) or a pipe.
    virtual std::uint32_t GetFileType(FileHandle file) = 0;
    virtual long CloseFile(FileHandle file) = 0;
    // Makes what was written to the file durable (FlushFileBuffers): it survives a crash or power cut.
    virtual long FlushFile(FileHandle file) = 0;
    // Every file and folder of `folder` (no trailing backslash needed) whose name matches `pattern`
    // ("*" or "*.ext"), hidden and system entries included. 0 = listed (possibly empty); otherwise the
    // error of the listing (3 = folder missing).
    virtual long ListFolder(const std::wstring& folder, const std::wstring& pattern,
                            std::vector<FoundFile>& entries) = 0;
    // The drives in letter order as "C:" texts.
    virtual std::vector<std::wstring> LogicalDrives() = 0;
    virtual unsigned GetDriveType(const std::wstring& root) = 0;
    // Fill `path` with the folder; returns its length (0 = failed).
    virtual std::uint32_t GetSystemDirectory(std::wstring& path) = 0;
    virtual std::uint32_t GetTempPath(std::wstring& path) = 0;
    // The 32-bit system folder of 64-bit Windows (SysWOW64); 0 = there is none (32-bit Windows).
    virtual std::uint32_t GetSystemWow64Directory(std::wstring& path) = 0;

    // --- Shell. ---
    // Starts a command line without waiting for it; nonzero = started.
    virtual long StartCommandLine(const std::wstring& commandLine, ShowStyle style) = 0;
    // Starts a command line and waits until it has ended, at most `timeoutMs`; nonzero = started
    // (whether or not it ended in time). For work whose result the caller relies on at once (the
    // registry export of a key that is deleted right after it).
    virtual long StartCommandLineAndWait(const std::wstring& commandLine, ShowStyle style,
                                         std::uint32_t timeoutMs) = 0;
    // ShellExecute with the verb "open", no parameters, no folder, a normal window; > 32 = done.
    virtual long ShellOpen(const std::wstring& target) = 0;

    // --- CryptoAPI. BOOL results: 0 = failed. ---
    virtual long CryptAcquireContext(CryptHandle& provider, const std::wstring& providerName,
                                     std::uint32_t providerType, std::uint32_t flags) = 0;
    virtual long CryptCreateHash(CryptHandle provider, std::uint32_t algorithm, CryptHandle& hash) = 0;
    virtual long CryptHashData(CryptHandle hash, const void* data, std::uint32_t count) = 0;
    // param 4 = HP_HASHSIZE (a 4-byte value), 2 = HP_HASHVAL. `value` is resized to the returned length.
    virtual long CryptGetHashParam(CryptHandle hash, std::uint32_t param, std::vector<std::uint8_t>& value) = 0;
    virtual long CryptDestroyHash(CryptHandle hash) = 0;
    virtual long CryptReleaseContext(CryptHandle provider) = 0;

    // --- Date, time and locale. ---
    // The current date in the user's short-date format and the current time in the time format.
    virtual std::wstring DateText() = 0;
    virtual std::wstring TimeText() = 0;
    // The English name of the user's default language (LOCALE_SENGLANGUAGE), e.g. "German".
    virtual std::wstring LocaleLanguageName() = 0;
    // The current time in UTC as "YYYY-MM-DDTHH:MM:SSZ", for records that are compared across machines.
    virtual std::wstring UtcTimestamp() = 0;
    // The computer's NetBIOS name and the name of the user the program runs as ("" when unknown).
    virtual std::wstring ComputerName() = 0;
    virtual std::wstring UserName() = 0;
    // Text in the system's code page (the log file and the hosts file are narrow text in it).
    virtual std::string ToSystemCodePage(const std::wstring& text) = 0;
    virtual std::wstring FromSystemCodePage(const std::string& bytes) = 0;
    // Text in code page `codePage` (the translations are each in their language's own), decoded as the
    // system decodes it: a byte sequence that is no character of the page becomes U+FFFD.
    virtual std::wstring FromCodePage(unsigned codePage, const std::string& bytes) = 0;
};

}  // namespace pell
