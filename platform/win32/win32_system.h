// The real System: every operation is the matching W function of Win32, its result passed on untouched
// and GetLastError captured right after the call. Each area lives in its own file beside this one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/system.h"

namespace pell::win32 {

class Win32System : public System {
public:
    std::uint32_t LastError() const override { return lastError_; }

    // registry.cpp
    long RegOpenKey(RegRoot root, const std::wstring& path, RegKey& key) override;
    long RegEnumValue(RegKey key, std::uint32_t index, RegValue& value) override;
    long RegEnumKey(RegKey key, std::uint32_t index, std::wstring& name) override;
    long RegDeleteValue(RegKey key, const std::wstring& name) override;
    long RegDeleteKey(RegKey key, const std::wstring& subkey) override;
    long RegCloseKey(RegKey key) override;
    long RegOpenKeyView(RegRoot root, const std::wstring& path, std::uint32_t view, RegKey& key) override;
    long RegSetStringValue(RegKey key, const std::wstring& name, const std::wstring& data) override;
    long RegQueryValue(RegKey key, const std::wstring& name, std::uint32_t& type, std::vector<std::uint8_t>& data) override;
    long RegCreateKey(RegRoot root, const std::wstring& path, RegKey& key) override;
    long RegSetValue(RegKey key, const std::wstring& name, std::uint32_t type, const std::vector<std::uint8_t>& data) override;

    // services.cpp
    ScHandle OpenSCManager(std::uint32_t access) override;
    ScHandle OpenService(ScHandle manager, const std::wstring& name, std::uint32_t access) override;
    long ControlService(ScHandle service, std::uint32_t control) override;
    long CloseServiceHandle(ScHandle handle) override;

    // processes.cpp
    long PlatformId() override;
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
    std::uint32_t CurrentProcessId() override;
    std::wstring OwnExecutablePath() override;
    std::wstring CurrentUserSid() override;

    // files.cpp
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

    // folders.cpp
    long ListFolder(const std::wstring& folder, const std::wstring& pattern,
                    std::vector<FoundFile>& entries) override;
    std::vector<std::wstring> LogicalDrives() override;
    unsigned GetDriveType(const std::wstring& root) override;
    std::uint32_t GetSystemDirectory(std::wstring& path) override;
    std::uint32_t GetTempPath(std::wstring& path) override;
    std::uint32_t GetSystemWow64Directory(std::wstring& path) override;

    // shell.cpp
    long StartCommandLine(const std::wstring& commandLine, ShowStyle style) override;
    // A window program waits for a started command line while serving its messages through `pump`
    // (painting, timers and sockets go on); without one the wait blocks the thread.
    void ServeMessagesWhileWaiting(std::function<void()> pump) { pump_ = std::move(pump); }
    long StartCommandLineAndWait(const std::wstring& commandLine, ShowStyle style, std::uint32_t timeoutMs) override;
    long ShellOpen(const std::wstring& target) override;

    // crypto.cpp
    long CryptAcquireContext(CryptHandle& provider, const std::wstring& providerName,
                             std::uint32_t providerType, std::uint32_t flags) override;
    long CryptCreateHash(CryptHandle provider, std::uint32_t algorithm, CryptHandle& hash) override;
    long CryptHashData(CryptHandle hash, const void* data, std::uint32_t count) override;
    long CryptGetHashParam(CryptHandle hash, std::uint32_t param, std::vector<std::uint8_t>& value) override;
    long CryptDestroyHash(CryptHandle hash) override;
    long CryptReleaseContext(CryptHandle provider) override;

    // locale.cpp
    std::wstring DateText() override;
    std::wstring TimeText() override;
    std::wstring LocaleLanguageName() override;
    std::wstring UtcTimestamp() override;
    std::wstring ComputerName() override;
    std::wstring UserName() override;
    std::string ToSystemCodePage(const std::wstring& text) override;
    std::wstring FromSystemCodePage(const std::string& bytes) override;
    std::wstring FromCodePage(unsigned codePage, const std::string& bytes) override;

private:
    // Records GetLastError of the call just made and passes its result through.
    template <typename T>
    T Keep(T result);

    std::uint32_t lastError_ = 0;
    std::function<void()> pump_;
};

}  // namespace pell::win32
