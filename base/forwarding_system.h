// A System that passes every call to another one: the base of decorators that change a few calls
// (the console program's restart suppression, fault injection over the real machine).
#pragma once

#include "base/system.h"

namespace pell {

class ForwardingSystem : public System {
public:
    explicit ForwardingSystem(System& inner) : inner_(inner) {}

    std::uint32_t LastError() const override { return inner_.LastError(); }
    long RegOpenKey(RegRoot root, const std::wstring& path, RegKey& key) override { return inner_.RegOpenKey(root, path, key); }
    long RegOpenKeyView(RegRoot root, const std::wstring& path, std::uint32_t view, RegKey& key) override {
        return inner_.RegOpenKeyView(root, path, view, key);
    }
    long RegSetStringValue(RegKey key, const std::wstring& name, const std::wstring& data) override {
        return inner_.RegSetStringValue(key, name, data);
    }
    std::wstring CurrentUserSid() override { return inner_.CurrentUserSid(); }
    long RegEnumValue(RegKey key, std::uint32_t index, RegValue& value) override { return inner_.RegEnumValue(key, index, value); }
    long RegEnumKey(RegKey key, std::uint32_t index, std::wstring& name) override { return inner_.RegEnumKey(key, index, name); }
    long RegDeleteValue(RegKey key, const std::wstring& name) override { return inner_.RegDeleteValue(key, name); }
    long RegDeleteKey(RegKey key, const std::wstring& subkey) override { return inner_.RegDeleteKey(key, subkey); }
    long RegCloseKey(RegKey key) override { return inner_.RegCloseKey(key); }
    long RegQueryValue(RegKey key, const std::wstring& name, std::uint32_t& type, std::vector<std::uint8_t>& data) override {
        return inner_.RegQueryValue(key, name, type, data);
    }
    long RegCreateKey(RegRoot root, const std::wstring& path, RegKey& key) override { return inner_.RegCreateKey(root, path, key); }
    long RegSetValue(RegKey key, const std::wstring& name, std::uint32_t type, const std::vector<std::uint8_t>& data) override {
        return inner_.RegSetValue(key, name, type, data);
    }
    ScHandle OpenSCManager(std::uint32_t access) override { return inner_.OpenSCManager(access); }
    ScHandle OpenService(ScHandle manager, const std::wstring& name, std::uint32_t access) override {
        return inner_.OpenService(manager, name, access);
    }
    long ControlService(ScHandle service, std::uint32_t control) override { return inner_.ControlService(service, control); }
    long CloseServiceHandle(ScHandle handle) override { return inner_.CloseServiceHandle(handle); }
    long PlatformId() override { return inner_.PlatformId(); }
    long OpenProcessToken(std::uint32_t access, ProcHandle& token) override { return inner_.OpenProcessToken(access, token); }
    long LookupPrivilegeValue(const std::wstring& name, Luid& luid) override { return inner_.LookupPrivilegeValue(name, luid); }
    long AdjustTokenPrivileges(ProcHandle token, const Luid& luid, std::uint32_t attributes) override {
        return inner_.AdjustTokenPrivileges(token, luid, attributes);
    }
    long EnumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t bufferBytes, std::uint32_t& neededBytes) override {
        return inner_.EnumProcesses(ids, bufferBytes, neededBytes);
    }
    ProcHandle OpenProcess(std::uint32_t access, std::uint32_t pid) override { return inner_.OpenProcess(access, pid); }
    long EnumProcessModules(ProcHandle process, std::uint64_t& firstModule) override {
        return inner_.EnumProcessModules(process, firstModule);
    }
    std::uint32_t GetModuleFileNameEx(ProcHandle process, std::uint64_t module, std::wstring& path) override {
        return inner_.GetModuleFileNameEx(process, module, path);
    }
    long TerminateProcess(ProcHandle process, std::uint32_t exitCode) override { return inner_.TerminateProcess(process, exitCode); }
    long CloseHandle(ProcHandle handle) override { return inner_.CloseHandle(handle); }
    std::uint32_t CurrentProcessId() override { return inner_.CurrentProcessId(); }
    std::wstring OwnExecutablePath() override { return inner_.OwnExecutablePath(); }
    std::uint32_t GetFileAttributes(const std::wstring& path) override { return inner_.GetFileAttributes(path); }
    long SetFileAttributes(const std::wstring& path, std::uint32_t attributes) override {
        return inner_.SetFileAttributes(path, attributes);
    }
    long CopyFile(const std::wstring& from, const std::wstring& to, bool failIfExists) override {
        return inner_.CopyFile(from, to, failIfExists);
    }
    long DeleteFile(const std::wstring& path) override { return inner_.DeleteFile(path); }
    long MoveFileReplace(const std::wstring& from, const std::wstring& to) override { return inner_.MoveFileReplace(from, to); }
    long MoveFileNoReplace(const std::wstring& from, const std::wstring& to) override {
        return inner_.MoveFileNoReplace(from, to);
    }
    long DeleteFileAtRestart(const std::wstring& path) override { return inner_.DeleteFileAtRestart(path); }
    long OpenFile(const std::wstring& path, FileAccess access, FileDisposition disposition, FileHandle& file) override {
        return inner_.OpenFile(path, access, disposition, file);
    }
    long ReadFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& read) override {
        return inner_.ReadFile(file, buffer, count, read);
    }
    long WriteFile(FileHandle file, const void* data, std::uint32_t count, std::uint32_t& written) override {
        return inner_.WriteFile(file, data, count, written);
    }
    long GetFileSize(FileHandle file, std::uint64_t& size) override { return inner_.GetFileSize(file, size); }
    long GetFileIdentity(FileHandle file, FileIdentity& identity) override {
        return inner_.GetFileIdentity(file, identity);
    }
    std::uint32_t GetFileType(FileHandle file) override { return inner_.GetFileType(file); }
    long CloseFile(FileHandle file) override { return inner_.CloseFile(file); }
    long FlushFile(FileHandle file) override { return inner_.FlushFile(file); }
    long ListFolder(const std::wstring& folder, const std::wstring& pattern, std::vector<FoundFile>& entries) override {
        return inner_.ListFolder(folder, pattern, entries);
    }
    std::vector<std::wstring> LogicalDrives() override { return inner_.LogicalDrives(); }
    unsigned GetDriveType(const std::wstring& root) override { return inner_.GetDriveType(root); }
    std::uint32_t GetSystemDirectory(std::wstring& path) override { return inner_.GetSystemDirectory(path); }
    std::uint32_t GetSystemWow64Directory(std::wstring& path) override { return inner_.GetSystemWow64Directory(path); }
    std::uint32_t GetTempPath(std::wstring& path) override { return inner_.GetTempPath(path); }
    long StartCommandLine(const std::wstring& commandLine, ShowStyle style) override {
        return inner_.StartCommandLine(commandLine, style);
    }
    long StartCommandLineAndWait(const std::wstring& commandLine, ShowStyle style, std::uint32_t timeoutMs) override {
        return inner_.StartCommandLineAndWait(commandLine, style, timeoutMs);
    }
    long ShellOpen(const std::wstring& target) override { return inner_.ShellOpen(target); }
    long CryptAcquireContext(CryptHandle& provider, const std::wstring& providerName, std::uint32_t providerType,
                             std::uint32_t flags) override {
        return inner_.CryptAcquireContext(provider, providerName, providerType, flags);
    }
    long CryptCreateHash(CryptHandle provider, std::uint32_t algorithm, CryptHandle& hash) override {
        return inner_.CryptCreateHash(provider, algorithm, hash);
    }
    long CryptHashData(CryptHandle hash, const void* data, std::uint32_t count) override {
        return inner_.CryptHashData(hash, data, count);
    }
    long CryptGetHashParam(CryptHandle hash, std::uint32_t param, std::vector<std::uint8_t>& value) override {
        return inner_.CryptGetHashParam(hash, param, value);
    }
    long CryptDestroyHash(CryptHandle hash) override { return inner_.CryptDestroyHash(hash); }
    long CryptReleaseContext(CryptHandle provider) override { return inner_.CryptReleaseContext(provider); }
    std::wstring DateText() override { return inner_.DateText(); }
    std::wstring TimeText() override { return inner_.TimeText(); }
    std::wstring LocaleLanguageName() override { return inner_.LocaleLanguageName(); }
    std::wstring UtcTimestamp() override { return inner_.UtcTimestamp(); }
    std::wstring ComputerName() override { return inner_.ComputerName(); }
    std::wstring UserName() override { return inner_.UserName(); }
    std::string ToSystemCodePage(const std::wstring& text) override { return inner_.ToSystemCodePage(text); }
    std::wstring FromSystemCodePage(const std::string& bytes) override { return inner_.FromSystemCodePage(bytes); }
    std::wstring FromCodePage(unsigned codePage, const std::string& bytes) override {
        return inner_.FromCodePage(codePage, bytes);
    }

protected:
    System& inner_;
};

}  // namespace pell
