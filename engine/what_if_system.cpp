// The what-if machine: reads go through, changes stay in memory and shape every later read.
#include "engine/what_if_system.h"

#include <algorithm>

#include "base/handles.h"
#include "base/text.h"
#include "record/change_sink.h"

namespace pell {
namespace {

constexpr std::uint32_t kAttributeArchive = 0x20;
constexpr std::uint32_t kServiceControlStop = 1;
constexpr std::uint32_t kServiceControlInterrogate = 4;
constexpr std::uint32_t kQueryAndReadAccess = 0x410;
// A listing of one key never holds more; the bound only ends a walk of a key that keeps growing.
constexpr std::uint32_t kMaxListed = 1u << 20;
constexpr std::uint32_t kMaxProcessIdBytes = 1u << 24;

std::wstring RootName(RegRoot root) {
    switch (root) {
        case RegRoot::LocalMachine: return L"HKLM";
        case RegRoot::Users: return L"HKU";
        default: return L"HKCU";
    }
}

// The one name of the key a root, path and view lead to: 64-bit Windows keeps the 32-bit programs'
// HKLM\Software in its Wow6432Node subkey; every other key is the same in both views.
std::wstring KeyId(RegRoot root, const std::wstring& path, std::uint32_t view) {
    std::wstring upper = UpperCase(path);
    while (!upper.empty() && upper.back() == L'\\') upper.pop_back();
    static const std::wstring kSoftware = L"SOFTWARE";
    if (root == RegRoot::LocalMachine && (view & regview::Key32) && upper.rfind(kSoftware, 0) == 0 &&
        (upper.size() == kSoftware.size() || upper[kSoftware.size()] == L'\\') &&
        upper.rfind(kSoftware + L"\\WOW6432NODE", 0) != 0)
        upper.insert(kSoftware.size(), L"\\WOW6432NODE");
    return RootName(root) + (upper.empty() ? L"" : L"\\" + upper);
}

bool IsStringType(std::uint32_t type) {
    return type == regtype::String || type == regtype::ExpandString || type == regtype::MultiString;
}

// A value as a listing reports it (see RegValue): text without its terminator for string types, one
// character per byte for the others.
RegValue Listed(const std::wstring& name, std::uint32_t type, const std::vector<std::uint8_t>& data) {
    RegValue value;
    value.name = name;
    if (IsStringType(type)) {
        for (std::size_t i = 0; i + 1 < data.size(); i += 2)
            value.data.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
        if (!value.data.empty() && value.data.back() == L'\0') value.data.pop_back();
        value.dataLength = data.empty() ? 0 : static_cast<std::uint32_t>(value.data.size() + 1);
    } else {
        value.data.assign(data.begin(), data.end());
        value.dataLength = static_cast<std::uint32_t>(data.size());
    }
    return value;
}

std::wstring UpperFolder(const std::wstring& path) {
    std::wstring folder = UpperCase(FolderOf(path).value_or(L""));
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

// "*" and "?" as a folder listing takes them, any case.
bool MatchesPattern(std::wstring_view name, std::wstring_view pattern) {
    std::size_t n = 0, p = 0, starP = std::wstring_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || UpperChar(pattern[p]) == UpperChar(name[n]))) {
            ++n, ++p;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::wstring_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

// The program a service runs: its image path without arguments and quotation marks, and without the
// "\??\" form the service manager writes for drivers.
std::wstring ServiceProgram(const std::wstring& imagePath) {
    std::wstring unquoted;
    for (wchar_t c : imagePath)
        if (c != L'"') unquoted.push_back(c);
    std::wstring program = TrimBlanks(CutAfterExtension(unquoted, {L".exe "}));
    if (program.rfind(L"\\??\\", 0) == 0) program.erase(0, 4);
    return program;
}

}  // namespace

std::uint32_t WhatIfSystem::LastError() const { return ownError_ ? *ownError_ : inner_.LastError(); }

long WhatIfSystem::Refuse(std::uint32_t error) {
    ownError_ = error;
    return 0;
}

// ------------------------------------------------------------------------------------------ registry

long WhatIfSystem::OpenThrough(RegRoot root, const std::wstring& path, std::uint32_t view, RegKey& key) {
    const std::wstring id = KeyId(root, path, view);
    if (KeyGone(id)) return code::FileNotFound;
    RegKey opened = 0;
    const long rc = view == regview::Own ? inner_.RegOpenKey(root, path, opened)
                                         : inner_.RegOpenKeyView(root, path, view, opened);
    if (rc != code::Success) return rc;
    keys_[opened] = OpenedKey{root, path, view, id};
    key = opened;
    return rc;
}

long WhatIfSystem::RegOpenKey(RegRoot root, const std::wstring& path, RegKey& key) {
    return OpenThrough(root, path, regview::Own, key);
}

long WhatIfSystem::RegOpenKeyView(RegRoot root, const std::wstring& path, std::uint32_t view, RegKey& key) {
    return OpenThrough(root, path, view, key);
}

bool WhatIfSystem::KeyGone(const std::wstring& id) const {
    for (const std::wstring& gone : deletedKeys_)
        if (id.size() >= gone.size() && id.compare(0, gone.size(), gone) == 0 &&
            (id.size() == gone.size() || id[gone.size()] == L'\\'))
            return true;
    return false;
}

const WhatIfSystem::OpenedKey* WhatIfSystem::Opened(RegKey key) const {
    auto it = keys_.find(key);
    return it == keys_.end() ? nullptr : &it->second;
}

bool WhatIfSystem::ValuesChanged(const std::wstring& id) const {
    return deletedValues_.count(id) != 0 || writtenValues_.count(id) != 0;
}

bool WhatIfSystem::SubkeysChanged(const std::wstring& id) const {
    const std::wstring below = id + L"\\";
    for (const std::wstring& gone : deletedKeys_)
        if (gone.rfind(below, 0) == 0 && gone.find(L'\\', below.size()) == std::wstring::npos) return true;
    return false;
}

long WhatIfSystem::CurrentValues(RegKey key, const OpenedKey& opened, std::vector<RegValue>& values) {
    const auto deleted = deletedValues_.find(opened.id);
    const auto written = writtenValues_.find(opened.id);
    std::set<std::wstring> seen;
    long rc = code::Success;
    for (std::uint32_t index = 0; index < kMaxListed; ++index) {
        RegValue value;
        rc = inner_.RegEnumValue(key, index, value);
        if (rc != code::Success) break;
        const std::wstring upper = UpperCase(value.name);
        seen.insert(upper);
        if (deleted != deletedValues_.end() && deleted->second.count(upper)) continue;
        if (written != writtenValues_.end()) {
            auto held = written->second.find(upper);
            if (held != written->second.end()) value = Listed(value.name, held->second.type, held->second.data);
        }
        values.push_back(std::move(value));
    }
    if (written != writtenValues_.end())
        for (const auto& [upper, held] : written->second)
            if (!seen.count(upper)) values.push_back(Listed(held.name, held.type, held.data));
    return rc == code::NoMoreItems ? code::Success : rc;
}

long WhatIfSystem::CurrentSubkeys(RegKey key, const OpenedKey& opened, std::vector<std::wstring>& names) {
    long rc = code::Success;
    for (std::uint32_t index = 0; index < kMaxListed; ++index) {
        std::wstring name;
        rc = inner_.RegEnumKey(key, index, name);
        if (rc != code::Success) break;
        if (!KeyGone(opened.id + L"\\" + UpperCase(name))) names.push_back(std::move(name));
    }
    return rc == code::NoMoreItems ? code::Success : rc;
}

long WhatIfSystem::RegEnumValue(RegKey key, std::uint32_t index, RegValue& value) {
    const OpenedKey* opened = Opened(key);
    if (!opened || !ValuesChanged(opened->id)) return inner_.RegEnumValue(key, index, value);
    std::vector<RegValue> values;
    const long rc = CurrentValues(key, *opened, values);
    if (index < values.size()) {
        value = values[index];
        return code::Success;
    }
    return rc == code::Success ? code::NoMoreItems : rc;
}

long WhatIfSystem::RegEnumKey(RegKey key, std::uint32_t index, std::wstring& name) {
    const OpenedKey* opened = Opened(key);
    if (!opened || !SubkeysChanged(opened->id)) return inner_.RegEnumKey(key, index, name);
    std::vector<std::wstring> names;
    const long rc = CurrentSubkeys(key, *opened, names);
    if (index < names.size()) {
        name = names[index];
        return code::Success;
    }
    return rc == code::Success ? code::NoMoreItems : rc;
}

bool WhatIfSystem::ValueShown(RegKey key, const OpenedKey& opened, const std::wstring& name) {
    const std::wstring upper = UpperCase(name);
    auto written = writtenValues_.find(opened.id);
    if (written != writtenValues_.end() && written->second.count(upper)) return true;
    auto deleted = deletedValues_.find(opened.id);
    if (deleted != deletedValues_.end() && deleted->second.count(upper)) return false;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    return inner_.RegQueryValue(key, name, type, data) == code::Success;
}

long WhatIfSystem::RegDeleteValue(RegKey key, const std::wstring& name) {
    const OpenedKey* opened = Opened(key);
    if (!opened) return code::InvalidHandle;
    if (!ValueShown(key, *opened, name)) return code::FileNotFound;
    const std::wstring upper = UpperCase(name);
    auto written = writtenValues_.find(opened->id);
    if (written != writtenValues_.end()) {
        written->second.erase(upper);
        if (written->second.empty()) writtenValues_.erase(written);
    }
    deletedValues_[opened->id].insert(upper);
    return code::Success;
}

long WhatIfSystem::RegDeleteKey(RegKey key, const std::wstring& subkey) {
    const OpenedKey* opened = Opened(key);
    if (!opened) return code::InvalidHandle;
    const OpenedKey parent = *opened;
    RegKey target = key;
    OpenedKey targetKey = parent;
    if (!subkey.empty()) {
        const long rc = OpenThrough(parent.root, parent.path + L"\\" + subkey, parent.view, target);
        if (rc != code::Success) return rc;
        targetKey = keys_[target];
    }
    // As Windows does, a key that still has subkeys is refused.
    std::vector<std::wstring> below;
    const long listed = CurrentSubkeys(target, targetKey, below);
    if (!subkey.empty()) RegCloseKey(target);
    if (listed != code::Success) return listed;
    if (!below.empty()) return code::AccessDenied;
    deletedKeys_.insert(targetKey.id);
    return code::Success;
}

long WhatIfSystem::RegCloseKey(RegKey key) {
    keys_.erase(key);
    return inner_.RegCloseKey(key);
}

long WhatIfSystem::RegQueryValue(RegKey key, const std::wstring& name, std::uint32_t& type,
                                 std::vector<std::uint8_t>& data) {
    const OpenedKey* opened = Opened(key);
    if (opened) {
        const std::wstring upper = UpperCase(name);
        auto written = writtenValues_.find(opened->id);
        if (written != writtenValues_.end()) {
            auto held = written->second.find(upper);
            if (held != written->second.end()) {
                type = held->second.type;
                data = held->second.data;
                return code::Success;
            }
        }
        auto deleted = deletedValues_.find(opened->id);
        if (deleted != deletedValues_.end() && deleted->second.count(upper)) return code::FileNotFound;
    }
    return inner_.RegQueryValue(key, name, type, data);
}

long WhatIfSystem::RegSetStringValue(RegKey key, const std::wstring& name, const std::wstring& data) {
    return RegSetValue(key, name, regtype::String, StringValueBytes(data));
}

long WhatIfSystem::RegSetValue(RegKey key, const std::wstring& name, std::uint32_t type,
                               const std::vector<std::uint8_t>& data) {
    const OpenedKey* opened = Opened(key);
    if (!opened) return code::InvalidHandle;
    const std::wstring upper = UpperCase(name);
    auto deleted = deletedValues_.find(opened->id);
    if (deleted != deletedValues_.end()) {
        deleted->second.erase(upper);
        if (deleted->second.empty()) deletedValues_.erase(deleted);
    }
    writtenValues_[opened->id][upper] = HeldValue{name, type, data};
    return code::Success;
}

long WhatIfSystem::RegCreateKey(RegRoot root, const std::wstring& path, RegKey&) {
    throw UnmodelledChange(L"creating the registry key " + RootName(root) + L"\\" + path);
}

// ------------------------------------------------------------------------------------------ services

ScHandle WhatIfSystem::OpenService(ScHandle manager, const std::wstring& name, std::uint32_t access) {
    const ScHandle service = inner_.OpenService(manager, name, access);
    if (service != 0) services_[service] = name;
    return service;
}

long WhatIfSystem::ControlService(ScHandle service, std::uint32_t control) {
    auto it = services_.find(service);
    if (control != kServiceControlStop || it == services_.end())
        throw UnmodelledChange(L"service control " + std::to_wstring(control));
    const std::wstring upper = UpperCase(it->second);
    if (stoppedServices_.count(upper)) return Refuse(code::ServiceNotActive);
    // A service that answers the manager's question about its state is running and listening: it
    // would accept the stop. Asking changes nothing.
    ownError_.reset();
    if (inner_.ControlService(service, kServiceControlInterrogate) != 1) return 0;
    stoppedServices_.insert(upper);
    EndServiceProcess(it->second);
    return 1;
}

long WhatIfSystem::CloseServiceHandle(ScHandle handle) {
    services_.erase(handle);
    return inner_.CloseServiceHandle(handle);
}

// A stopped service's own process ends with it. The service manager does not say which process is the
// service's, so the one process running the service's program is taken; with several, none is.
void WhatIfSystem::EndServiceProcess(const std::wstring& service) {
    std::wstring program;
    {
        OpenKey key(inner_);
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        if (key.Open(RegRoot::LocalMachine, L"System\\CurrentControlSet\\Services\\" + service) != code::Success ||
            inner_.RegQueryValue(key.get(), L"ImagePath", type, data) != code::Success || !IsStringType(type))
            return;
        program = ServiceProgram(Listed(L"", type, data).data);
    }
    if (program.empty()) return;
    std::vector<std::uint32_t> ids;
    std::uint32_t size = 4096, needed = 0;
    for (;;) {
        ids.assign(size / 4, 0);
        if (inner_.EnumProcesses(ids, size, needed) == 0) return;
        if (needed < size || size >= kMaxProcessIdBytes) break;
        size *= 2;
    }
    std::vector<std::uint32_t> running;
    for (std::size_t n = 0; n < std::min<std::size_t>(needed / 4, ids.size()); ++n) {
        if (endedProcesses_.count(ids[n])) continue;
        OpenProcessHandle process(inner_, inner_.OpenProcess(kQueryAndReadAccess, ids[n]));
        std::uint64_t module = 0;
        std::wstring path;
        if (!process.valid() || inner_.EnumProcessModules(process.get(), module) == 0) continue;
        const std::uint32_t length = inner_.GetModuleFileNameEx(process.get(), module, path);
        if (Equals(ServiceProgram(path.substr(0, std::min<std::size_t>(length, path.size()))), program))
            running.push_back(ids[n]);
    }
    if (running.size() == 1) endedProcesses_.insert(running.front());
}

// ----------------------------------------------------------------------------------------- processes

long WhatIfSystem::EnumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t bufferBytes,
                                 std::uint32_t& neededBytes) {
    const long rc = inner_.EnumProcesses(ids, bufferBytes, neededBytes);
    // A full buffer means "ask again with a bigger one": the answer is passed on as it is.
    if (rc == 0 || neededBytes >= bufferBytes || endedProcesses_.empty()) return rc;
    const std::size_t count = std::min<std::size_t>(neededBytes / 4, ids.size());
    std::size_t kept = 0;
    for (std::size_t n = 0; n < count; ++n)
        if (!endedProcesses_.count(ids[n])) ids[kept++] = ids[n];
    neededBytes = static_cast<std::uint32_t>(kept * 4);
    return rc;
}

ProcHandle WhatIfSystem::OpenProcess(std::uint32_t access, std::uint32_t pid) {
    if (endedProcesses_.count(pid)) return static_cast<ProcHandle>(Refuse(code::InvalidParameter));
    ownError_.reset();
    const ProcHandle process = inner_.OpenProcess(access, pid);
    if (process != 0) processes_[process] = pid;
    return process;
}

long WhatIfSystem::TerminateProcess(ProcHandle process, std::uint32_t) {
    auto it = processes_.find(process);
    if (it == processes_.end()) return Refuse(code::InvalidHandle);
    endedProcesses_.insert(it->second);
    ownError_.reset();
    return 1;
}

long WhatIfSystem::CloseHandle(ProcHandle handle) {
    processes_.erase(handle);
    return inner_.CloseHandle(handle);
}

// --------------------------------------------------------------------------------------------- files

WhatIfSystem::HeldFileState* WhatIfSystem::Held(const std::wstring& path) {
    auto it = files_.find(UpperCase(path));
    return it == files_.end() ? nullptr : &it->second;
}

const WhatIfSystem::HeldFileState* WhatIfSystem::Held(const std::wstring& path) const {
    auto it = files_.find(UpperCase(path));
    return it == files_.end() ? nullptr : &it->second;
}

WhatIfSystem::HeldFileState& WhatIfSystem::Hold(const std::wstring& path) {
    const std::wstring upper = UpperCase(path);
    filesByFolder_[UpperFolder(path)].insert(upper);
    HeldFileState& state = files_[upper];
    state.name = FileNameOf(path);
    return state;
}

std::shared_ptr<std::string> WhatIfSystem::HoldNew(const std::wstring& path) {
    HeldFileState& state = Hold(path);
    state.exists = true;
    state.attributes = kAttributeArchive;
    state.readsFrom.clear();
    state.bytes = std::make_shared<std::string>();
    return state.bytes;
}

void WhatIfSystem::Forget(const std::wstring& path) {
    HeldFileState& state = Hold(path);
    state.exists = false;
    state.bytes.reset();
    state.readsFrom.clear();
}

std::uint32_t WhatIfSystem::Attributes(const std::wstring& path) {
    ownError_.reset();
    if (const HeldFileState* held = Held(path)) {
        if (held->exists) return held->attributes;
        ownError_ = code::FileNotFound;
        return kInvalidAttributes;
    }
    return inner_.GetFileAttributes(path);
}

bool WhatIfSystem::FolderExists(const std::wstring& path) {
    const std::optional<std::wstring> folder = FolderOf(path);
    if (!folder || folder->empty()) return true;
    std::wstring root = *folder;
    if (root.size() == 2 && root[1] == L':') root += L'\\';
    const std::uint32_t attributes = Attributes(root);
    return attributes != kInvalidAttributes && (attributes & kAttributeDirectory);
}

std::optional<std::string> WhatIfSystem::HeldFile(const std::wstring& path) const {
    const HeldFileState* held = Held(path);
    if (!held || !held->exists || !held->bytes) return std::nullopt;
    return *held->bytes;
}

std::uint32_t WhatIfSystem::GetFileAttributes(const std::wstring& path) { return Attributes(path); }

long WhatIfSystem::SetFileAttributes(const std::wstring& path, std::uint32_t attributes) {
    const std::uint32_t now = Attributes(path);
    if (now == kInvalidAttributes) return Refuse(code::FileNotFound);
    HeldFileState* held = Held(path);
    if (!held) {
        held = &Hold(path);
        held->exists = true;
        held->readsFrom = path;
    }
    // Windows keeps the folder mark and drops "normal" beside any other mark.
    std::uint32_t kept = (attributes & ~kAttributeDirectory) | (now & kAttributeDirectory);
    if (kept != kAttributeNormal) kept &= ~kAttributeNormal;
    held->attributes = kept;
    ownError_.reset();
    return 1;
}

long WhatIfSystem::CopyFile(const std::wstring& from, const std::wstring& to, bool failIfExists) {
    const std::uint32_t source = Attributes(from);
    if (source == kInvalidAttributes) return Refuse(code::FileNotFound);
    if (source & kAttributeDirectory) return Refuse(code::AccessDenied);
    const std::uint32_t target = Attributes(to);
    if (target != kInvalidAttributes) {
        if (failIfExists) return Refuse(code::FileExists);
        if (target & (kAttributeDirectory | kAttributeReadOnly)) return Refuse(code::AccessDenied);
    }
    if (!FolderExists(to)) return Refuse(code::PathNotFound);
    const HeldFileState* held = Held(from);
    HeldFileState copy;
    copy.exists = true;
    copy.attributes = source;
    if (held && held->bytes) copy.bytes = std::make_shared<std::string>(*held->bytes);
    else copy.readsFrom = held ? held->readsFrom : from;
    HeldFileState& state = Hold(to);
    copy.name = state.name;
    state = std::move(copy);
    ownError_.reset();
    return 1;
}

long WhatIfSystem::DeleteFile(const std::wstring& path) {
    const std::uint32_t now = Attributes(path);
    if (now == kInvalidAttributes) return Refuse(code::FileNotFound);
    if (now & (kAttributeDirectory | kAttributeReadOnly)) return Refuse(code::AccessDenied);
    Forget(path);
    ownError_.reset();
    return 1;
}

long WhatIfSystem::MoveFileReplace(const std::wstring& from, const std::wstring& to) {
    const std::uint32_t source = Attributes(from);
    if (source == kInvalidAttributes) return Refuse(code::FileNotFound);
    const std::uint32_t target = Attributes(to);
    if (target != kInvalidAttributes && (target & (kAttributeDirectory | kAttributeReadOnly)))
        return Refuse(code::AccessDenied);
    if (!FolderExists(to)) return Refuse(code::PathNotFound);
    HeldFileState moved;
    if (const HeldFileState* held = Held(from)) moved = *held;
    else moved.readsFrom = from;
    moved.exists = true;
    moved.attributes = source;
    HeldFileState& state = Hold(to);
    moved.name = state.name;
    state = std::move(moved);
    Forget(from);
    ownError_.reset();
    return 1;
}

long WhatIfSystem::MoveFileNoReplace(const std::wstring& from, const std::wstring& to) {
    if (Attributes(to) != kInvalidAttributes) return Refuse(code::FileExists);
    return MoveFileReplace(from, to);
}

long WhatIfSystem::DeleteFileAtRestart(const std::wstring& path) {
    // Nothing changes before the restart, and a scan never restarts.
    if (Attributes(path) == kInvalidAttributes) return Refuse(code::FileNotFound);
    ownError_.reset();
    return 1;
}

long WhatIfSystem::OpenFile(const std::wstring& path, FileAccess access, FileDisposition disposition, FileHandle& file) {
    const std::uint32_t now = Attributes(path);
    const bool exists = now != kInvalidAttributes;
    const bool creates = disposition == FileDisposition::CreateAlways || disposition == FileDisposition::CreateNew ||
                         (disposition == FileDisposition::OpenAlways && !exists);
    OpenedFile opened;
    opened.writable = access == FileAccess::Write || access == FileAccess::ReadWrite;
    if (creates) {
        if (exists && disposition == FileDisposition::CreateNew) return Refuse(code::FileExists);
        if (exists && (now & (kAttributeDirectory | kAttributeReadOnly))) return Refuse(code::AccessDenied);
        if (!FolderExists(path)) return Refuse(code::PathNotFound);
        opened.bytes = HoldNew(path);
    } else {
        if (!exists) return Refuse(code::FileNotFound);
        const HeldFileState* held = Held(path);
        if (held && held->bytes) {
            opened.bytes = held->bytes;
        } else {
            // The machine's own file is only ever read; a write to it would have to be modelled first.
            FileHandle through = 0;
            const std::wstring source = held ? held->readsFrom : path;
            ownError_.reset();
            // A link is opened as itself when the run asks so: that is how it learns not to follow it.
            const FileAccess reading = access == FileAccess::ReadLinkItself ? access : FileAccess::Read;
            if (!inner_.OpenFile(source, reading, FileDisposition::OpenExisting, through)) return 0;
            opened.through = through;
        }
    }
    file = nextFile_++;
    openFiles_[file] = std::move(opened);
    ownError_.reset();
    return 1;
}

long WhatIfSystem::ReadFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& read) {
    auto it = openFiles_.find(file);
    if (it == openFiles_.end()) return Refuse(code::InvalidHandle);
    OpenedFile& opened = it->second;
    ownError_.reset();
    if (!opened.bytes) return inner_.ReadFile(opened.through, buffer, count, read);
    const std::string& bytes = *opened.bytes;
    const std::uint64_t at = std::min<std::uint64_t>(opened.position, bytes.size());
    read = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, bytes.size() - at));
    std::copy_n(bytes.data() + at, read, static_cast<char*>(buffer));
    opened.position = at + read;
    return 1;
}

long WhatIfSystem::WriteFile(FileHandle file, const void* data, std::uint32_t count, std::uint32_t& written) {
    auto it = openFiles_.find(file);
    if (it == openFiles_.end()) return Refuse(code::InvalidHandle);
    OpenedFile& opened = it->second;
    if (!opened.writable) return Refuse(code::AccessDenied);
    if (!opened.bytes) throw UnmodelledChange(L"writing into an existing file");
    std::string& bytes = *opened.bytes;
    if (bytes.size() < opened.position + count) bytes.resize(opened.position + count);
    std::copy_n(static_cast<const char*>(data), count, bytes.begin() + static_cast<std::ptrdiff_t>(opened.position));
    opened.position += count;
    written = count;
    ownError_.reset();
    return 1;
}

long WhatIfSystem::GetFileSize(FileHandle file, std::uint64_t& size) {
    auto it = openFiles_.find(file);
    if (it == openFiles_.end()) return Refuse(code::InvalidHandle);
    ownError_.reset();
    if (!it->second.bytes) return inner_.GetFileSize(it->second.through, size);
    size = it->second.bytes->size();
    return 1;
}

long WhatIfSystem::GetFileIdentity(FileHandle file, FileIdentity& identity) {
    auto it = openFiles_.find(file);
    if (it == openFiles_.end()) return Refuse(code::InvalidHandle);
    ownError_.reset();
    if (!it->second.bytes) return inner_.GetFileIdentity(it->second.through, identity);
    // A file that exists only in memory is no file of the machine's: an identity no volume gives.
    identity = FileIdentity{};
    identity.volumeSerial = 0xFFFFFFFFu;
    identity.fileIndex = reinterpret_cast<std::uintptr_t>(it->second.bytes.get());
    identity.size = it->second.bytes->size();
    return 1;
}

std::uint32_t WhatIfSystem::GetFileType(FileHandle file) {
    auto it = openFiles_.find(file);
    if (it == openFiles_.end()) return filetype::Unknown;
    return it->second.bytes ? filetype::Disk : inner_.GetFileType(it->second.through);
}

long WhatIfSystem::CloseFile(FileHandle file) {
    auto it = openFiles_.find(file);
    if (it == openFiles_.end()) return Refuse(code::InvalidHandle);
    const FileHandle through = it->second.through;
    openFiles_.erase(it);
    ownError_.reset();
    return through != 0 ? inner_.CloseFile(through) : 1;
}

long WhatIfSystem::FlushFile(FileHandle file) {
    if (!openFiles_.count(file)) return Refuse(code::InvalidHandle);
    ownError_.reset();
    return 1;
}

long WhatIfSystem::ListFolder(const std::wstring& folder, const std::wstring& pattern, std::vector<FoundFile>& entries) {
    ownError_.reset();
    long rc = inner_.ListFolder(folder, pattern, entries);
    std::wstring key = UpperCase(folder);
    while (!key.empty() && key.back() == L'\\') key.pop_back();
    auto held = filesByFolder_.find(key);
    if (held == filesByFolder_.end()) return rc;
    if (rc == code::FileNotFound) rc = code::Success;  // nothing of the machine's matched; held files may
    if (rc != code::Success) return rc;
    std::set<std::wstring> listed;
    std::vector<FoundFile> now;
    for (FoundFile& entry : entries) {
        const std::wstring upper = key + L"\\" + UpperCase(entry.name);
        listed.insert(upper);
        auto state = files_.find(upper);
        if (state != files_.end()) {
            if (!state->second.exists) continue;
            entry.attributes = state->second.attributes;
        }
        now.push_back(std::move(entry));
    }
    for (const std::wstring& upper : held->second) {
        const HeldFileState& state = files_.at(upper);
        if (state.exists && !listed.count(upper) && MatchesPattern(state.name, pattern))
            now.push_back(FoundFile{state.name, state.attributes});
    }
    entries = std::move(now);
    return rc;
}

// ----------------------------------------------------------------------------------------- starting

long WhatIfSystem::StartCommandLine(const std::wstring& commandLine, ShowStyle) {
    // Starting the Windows shell again after its worm copy went changes nothing that stays.
    if (Equals(FileNameOf(TrimBlanks(commandLine)), L"explorer.exe") && commandLine.find(L'"') == std::wstring::npos) {
        notStarted_.push_back(commandLine);
        ownError_.reset();
        return 1;
    }
    throw UnmodelledChange(L"starting " + commandLine);
}

long WhatIfSystem::StartCommandLineAndWait(const std::wstring& commandLine, ShowStyle, std::uint32_t) {
    // The registry editor's export of a key ("...\regedit.exe /e "FILE" "KEY""): the export file is held,
    // empty, where the editor would write it.
    static constexpr std::wstring_view kExport = L"\\regedit.exe /e \"";
    const std::size_t at = FindNoCase(commandLine, kExport);
    if (at != 0) {
        const std::size_t begin = at - 1 + kExport.size();
        const std::size_t end = commandLine.find(L'"', begin);
        if (end != std::wstring::npos) {
            const std::wstring target = commandLine.substr(begin, end - begin);
            notStarted_.push_back(commandLine);
            if (FolderExists(target)) HoldNew(target);
            ownError_.reset();
            return 1;
        }
    }
    throw UnmodelledChange(L"starting " + commandLine);
}

long WhatIfSystem::ShellOpen(const std::wstring& target) { throw UnmodelledChange(L"opening " + target); }

}  // namespace pell
