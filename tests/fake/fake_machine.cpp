// The fake machine's registry, files, processes, services, crypto and fault injection.
#include "tests/fake/fake_machine.h"

#ifdef _WIN32
#include "platform/win32/win32_api.h"
#else
#include <iconv.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "base/text.h"

namespace pell::test {
namespace {

constexpr std::uint32_t kErrorServiceCannotAcceptCtrl = 1061;
constexpr long kErrorKeyDeleted = 1018;

bool WildcardMatch(std::wstring_view name, std::wstring_view pattern) {
    if (pattern.empty()) return name.empty();
    if (pattern[0] == L'*') {
        for (std::size_t i = 0; i <= name.size(); ++i)
            if (WildcardMatch(name.substr(i), pattern.substr(1))) return true;
        return false;
    }
    if (name.empty()) return false;
    if (pattern[0] != L'?' && UpperChar(pattern[0]) != UpperChar(name[0])) return false;
    return WildcardMatch(name.substr(1), pattern.substr(1));
}

std::vector<std::wstring> SplitPath(const std::wstring& path) {
    std::vector<std::wstring> parts;
    std::wstring cur;
    for (wchar_t c : path) {
        if (c == L'\\') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

// The parent folder of a path in its own spelling: C:\A\\B\ gives C:\A.
std::wstring ParentText(std::wstring path) {
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    auto cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

std::wstring LastComponent(const std::wstring& path) {
    auto pos = path.find_last_of(L'\\');
    return pos == std::wstring::npos ? path : path.substr(pos + 1);
}

}  // namespace

FakeMachine::FakeMachine() : calls_(static_cast<std::size_t>(Op::Count_), 0) {
    roots_[L"HKLM"].name = L"HKEY_LOCAL_MACHINE";
    roots_[L"HKCU"].name = L"HKEY_CURRENT_USER";
    roots_[L"HKU"].name = L"HKEY_USERS";
    drives_[L'C'] = drive::Fixed;
    PlantFolder(systemDir_);
    PlantFolder(tempPath_);
}

void FakeMachine::ResetCalls() { std::fill(calls_.begin(), calls_.end(), 0); }

std::optional<Fault> FakeMachine::Hit(Op op, const std::wstring& target) {
    ++calls_[static_cast<std::size_t>(op)];
    for (auto& f : faults_) {
        if (f.op != op || f.times == 0) continue;
        if (!f.target.empty() && !Equals(f.target, target)) continue;
        if (f.skip > 0) {
            --f.skip;
            continue;
        }
        if (f.times > 0) --f.times;
        lastError_ = f.error;
        return f;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------- registry

std::wstring FakeMachine::RootPrefix(RegRoot root) {
    switch (root) {
        case RegRoot::LocalMachine: return L"HKLM";
        case RegRoot::Users: return L"HKU";
        case RegRoot::CurrentUser: break;
    }
    return L"HKCU";
}

FakeMachine::RegKeyNode* FakeMachine::FindKey(const std::wstring& fullPath) {
    auto parts = SplitPath(UpperCase(fullPath));
    if (parts.empty()) return nullptr;
    auto root = roots_.find(parts[0]);
    if (root == roots_.end()) return nullptr;
    RegKeyNode* node = &root->second;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        auto it = node->subkeys.find(parts[i]);
        if (it == node->subkeys.end()) return nullptr;
        node = &it->second;
    }
    return node;
}

FakeMachine::RegKeyNode& FakeMachine::MakeKey(const std::wstring& fullPath) {
    auto parts = SplitPath(fullPath);
    RegKeyNode* node = &roots_[UpperCase(parts.at(0))];
    for (std::size_t i = 1; i < parts.size(); ++i) {
        std::wstring upper = UpperCase(parts[i]);
        auto it = node->subkeys.find(upper);
        if (it == node->subkeys.end()) {
            node->subkeyOrder.push_back(upper);
            it = node->subkeys.emplace(upper, RegKeyNode{}).first;
            it->second.name = parts[i];
        }
        node = &it->second;
    }
    return *node;
}

std::wstring FakeMachine::KeyPath(RegKey key) const {
    auto it = keyHandles_.find(key);
    return it == keyHandles_.end() ? std::wstring() : it->second;
}

long FakeMachine::RegOpenKey(RegRoot root, const std::wstring& path, RegKey& key) {
    return RegOpenKeyView(root, path, regview::Own, key);
}

long FakeMachine::RegOpenKeyView(RegRoot root, const std::wstring& path, std::uint32_t view, RegKey& key) {
    std::wstring full = RootPrefix(root) + (path.empty() ? L"" : L"\\" + path);
    // A 64-bit Windows keeps the 32-bit programs' HKLM\Software in its Wow6432Node subkey.
    const std::wstring software = L"HKLM\\SOFTWARE";
    const std::wstring upper = UpperCase(full);
    if (root == RegRoot::LocalMachine && (view & regview::Key32) && upper.rfind(software, 0) == 0 &&
        (upper.size() == software.size() || upper[software.size()] == L'\\') &&
        upper.rfind(software + L"\\WOW6432NODE", 0) != 0)
        full.insert(software.size(), L"\\Wow6432Node");
    if (auto f = Hit(Op::RegOpenKey, full)) return f->result;
    if (!FindKey(full)) return code::FileNotFound;
    key = nextHandle_++;
    keyHandles_[key] = full;
    return code::Success;
}

long FakeMachine::RegEnumValue(RegKey key, std::uint32_t index, RegValue& value) {
    std::wstring path = KeyPath(key);
    if (path.empty()) return code::InvalidHandle;
    if (auto f = Hit(Op::RegEnumValue, path)) return f->result;
    RegKeyNode* node = FindKey(path);
    if (!node) return kErrorKeyDeleted;
    if (index >= node->values.size()) return code::NoMoreItems;
    const RegValueNode& v = node->values[index];
    value.name = v.name;
    if (v.isString) {
        value.data = v.text;
        value.dataLength = static_cast<std::uint32_t>(v.text.size() + 1);
    } else {
        value.data.assign(v.bytes.begin(), v.bytes.end());
        for (auto& c : value.data) c = static_cast<wchar_t>(static_cast<unsigned char>(c));
        value.dataLength = static_cast<std::uint32_t>(v.bytes.size());
    }
    return code::Success;
}

long FakeMachine::RegEnumKey(RegKey key, std::uint32_t index, std::wstring& name) {
    std::wstring path = KeyPath(key);
    if (path.empty()) return code::InvalidHandle;
    if (auto f = Hit(Op::RegEnumKey, path)) return f->result;
    RegKeyNode* node = FindKey(path);
    if (!node) return kErrorKeyDeleted;
    if (index >= node->subkeyOrder.size()) return code::NoMoreItems;
    name = node->subkeys.at(node->subkeyOrder[index]).name;
    return code::Success;
}

long FakeMachine::RegDeleteValue(RegKey key, const std::wstring& name) {
    std::wstring path = KeyPath(key);
    if (path.empty()) return code::InvalidHandle;
    if (auto f = Hit(Op::RegDeleteValue, name)) return f->result;
    RegKeyNode* node = FindKey(path);
    if (!node) return kErrorKeyDeleted;
    auto it = std::find_if(node->values.begin(), node->values.end(),
                           [&](const RegValueNode& v) { return Equals(v.name, name); });
    if (it == node->values.end()) return code::FileNotFound;
    node->values.erase(it);
    return code::Success;
}

long FakeMachine::RegDeleteKey(RegKey key, const std::wstring& subkey) {
    std::wstring path = KeyPath(key);
    if (path.empty()) return code::InvalidHandle;
    std::wstring target = subkey.empty() ? path : path + L"\\" + subkey;
    if (auto f = Hit(Op::RegDeleteKey, target)) return f->result;
    auto parts = SplitPath(UpperCase(target));
    if (parts.size() < 2) return code::AccessDenied;
    std::wstring parentPath;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) parentPath += (i ? L"\\" : L"") + parts[i];
    RegKeyNode* parent = FindKey(parentPath);
    if (!parent) return code::FileNotFound;
    auto it = parent->subkeys.find(parts.back());
    if (it == parent->subkeys.end()) return code::FileNotFound;
    if (!it->second.subkeys.empty()) return code::AccessDenied;
    parent->subkeys.erase(it);
    parent->subkeyOrder.erase(std::find(parent->subkeyOrder.begin(), parent->subkeyOrder.end(), parts.back()));
    return code::Success;
}

long FakeMachine::RegSetStringValue(RegKey key, const std::wstring& name, const std::wstring& data) {
    std::wstring path = KeyPath(key);
    if (path.empty()) return code::InvalidHandle;
    if (auto f = Hit(Op::RegSetValue, name)) return f->result;
    RegKeyNode* node = FindKey(path);
    if (!node) return kErrorKeyDeleted;
    for (auto& v : node->values) {
        if (Equals(v.name, name)) {
            v = RegValueNode{v.name, true, data, {}};
            return code::Success;
        }
    }
    node->values.push_back(RegValueNode{name, true, data, {}});
    return code::Success;
}

long FakeMachine::RegCloseKey(RegKey key) {
    return keyHandles_.erase(key) ? code::Success : code::InvalidHandle;
}

void FakeMachine::PlantKey(RegRoot root, const std::wstring& key) { MakeKey(RootPrefix(root) + L"\\" + key); }

// The value's data as the registry stores it: strings as UTF-16LE with their terminator.
std::vector<std::uint8_t> FakeMachine::StoredBytes(const RegValueNode& v) {
    if (!v.isString) return {v.bytes.begin(), v.bytes.end()};
    std::vector<std::uint8_t> data;
    for (wchar_t c : v.text + L'\0') {
        data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        data.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    return data;
}

FakeMachine::RegValueNode& FakeMachine::ValueSlot(RegKeyNode& node, const std::wstring& name) {
    for (auto& v : node.values)
        if (Equals(v.name, name)) return v;
    node.values.push_back(RegValueNode{name, true, {}, {}});
    return node.values.back();
}

void FakeMachine::PlantString(RegRoot root, const std::wstring& key, const std::wstring& name,
                              const std::wstring& data) {
    RegValueNode& v = ValueSlot(MakeKey(RootPrefix(root) + L"\\" + key), name);
    v.isString = true;
    v.text = data;
    v.bytes.clear();
    v.type = regtype::String;
}

void FakeMachine::PlantDword(RegRoot root, const std::wstring& key, const std::wstring& name, std::uint32_t data) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((data >> (8 * i)) & 0xFF);
    PlantValue(root, key, name, regtype::Dword, bytes);
}

void FakeMachine::PlantValue(RegRoot root, const std::wstring& key, const std::wstring& name, std::uint32_t type,
                             const std::string& bytes) {
    RegValueNode& v = ValueSlot(MakeKey(RootPrefix(root) + L"\\" + key), name);
    v.type = type;
    v.isString = type == regtype::String || type == regtype::ExpandString;
    v.text.clear();
    v.bytes.clear();
    if (!v.isString) {
        v.bytes = bytes;
        return;
    }
    // UTF-16LE up to the terminator.
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        wchar_t c = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (c == L'\0') break;
        v.text.push_back(c);
    }
}

long FakeMachine::RegQueryValue(RegKey key, const std::wstring& name, std::uint32_t& type,
                                std::vector<std::uint8_t>& data) {
    std::wstring path = KeyPath(key);
    if (path.empty()) return code::InvalidHandle;
    if (auto f = Hit(Op::RegQueryValue, name)) return f->result;
    RegKeyNode* node = FindKey(path);
    if (!node) return kErrorKeyDeleted;
    for (const auto& v : node->values) {
        if (!Equals(v.name, name)) continue;
        type = v.type;
        data = StoredBytes(v);
        return code::Success;
    }
    return code::FileNotFound;
}

long FakeMachine::RegCreateKey(RegRoot root, const std::wstring& path, RegKey& key) {
    std::wstring full = RootPrefix(root) + (path.empty() ? L"" : L"\\" + path);
    if (auto f = Hit(Op::RegCreateKey, full)) return f->result;
    MakeKey(full);
    key = nextHandle_++;
    keyHandles_[key] = full;
    return code::Success;
}

long FakeMachine::RegSetValue(RegKey key, const std::wstring& name, std::uint32_t type,
                              const std::vector<std::uint8_t>& data) {
    std::wstring path = KeyPath(key);
    if (path.empty()) return code::InvalidHandle;
    if (auto f = Hit(Op::RegSetValue, name)) return f->result;
    RegKeyNode* node = FindKey(path);
    if (!node) return kErrorKeyDeleted;
    auto parts = SplitPath(path);
    std::wstring below;
    for (std::size_t i = 1; i < parts.size(); ++i) below += (i > 1 ? L"\\" : L"") + parts[i];
    PlantValue(parts[0] == L"HKLM" ? RegRoot::LocalMachine : RegRoot::CurrentUser, below, name, type,
               std::string(data.begin(), data.end()));
    return code::Success;
}

bool FakeMachine::KeyExists(RegRoot root, const std::wstring& key) {
    return FindKey(RootPrefix(root) + L"\\" + key) != nullptr;
}

std::optional<std::wstring> FakeMachine::StringValue(RegRoot root, const std::wstring& key, const std::wstring& name) {
    RegKeyNode* node = FindKey(RootPrefix(root) + L"\\" + key);
    if (!node) return std::nullopt;
    for (auto& v : node->values)
        if (Equals(v.name, name) && v.isString) return v.text;
    return std::nullopt;
}

bool FakeMachine::ValueExists(RegRoot root, const std::wstring& key, const std::wstring& name) {
    RegKeyNode* node = FindKey(RootPrefix(root) + L"\\" + key);
    if (!node) return false;
    return std::any_of(node->values.begin(), node->values.end(),
                       [&](const RegValueNode& v) { return Equals(v.name, name); });
}

void FakeMachine::DumpKey(const RegKeyNode& node, const std::wstring& path, std::wstring& out) const {
    out += L"[" + path + L"]\n";
    for (auto& v : node.values) {
        out += L"  " + v.name + L"=(" + std::to_wstring(v.type) + L")";
        if (v.isString) {
            out += L"\"" + v.text + L"\"";
        } else {
            for (unsigned char b : v.bytes) out += std::to_wstring(b) + L",";
        }
        out += L"\n";
    }
    for (auto& sub : node.subkeyOrder) DumpKey(node.subkeys.at(sub), path + L"\\" + node.subkeys.at(sub).name, out);
}

std::wstring FakeMachine::RegistryDump() const {
    std::wstring out;
    for (auto& [prefix, node] : roots_) DumpKey(node, prefix, out);
    return out;
}

// ---------------------------------------------------------------- services

void FakeMachine::AddScmService(const std::wstring& name, bool running, bool stoppable) {
    scm_[UpperCase(name)] = ScmService{name, running, stoppable};
}

bool FakeMachine::ServiceRunning(const std::wstring& name) const {
    auto it = scm_.find(UpperCase(name));
    return it != scm_.end() && it->second.running;
}

void FakeMachine::PlantService(const std::wstring& name, const std::wstring& imagePath) {
    std::wstring key = L"System\\CurrentControlSet\\Services\\" + name;
    PlantDword(RegRoot::LocalMachine, key, L"Type", 16);
    PlantDword(RegRoot::LocalMachine, key, L"Start", 2);
    PlantString(RegRoot::LocalMachine, key, L"ImagePath", imagePath);
    AddScmService(name);
}

ScHandle FakeMachine::OpenSCManager(std::uint32_t) {
    if (auto f = Hit(Op::OpenSCManager, L"")) return static_cast<ScHandle>(f->result);
    ScHandle h = nextHandle_++;
    scHandles_[h] = L"";
    return h;
}

ScHandle FakeMachine::OpenService(ScHandle manager, const std::wstring& name, std::uint32_t) {
    if (auto f = Hit(Op::OpenService, name)) return static_cast<ScHandle>(f->result);
    auto m = scHandles_.find(manager);
    if (m == scHandles_.end() || !m->second.empty()) return static_cast<ScHandle>(Fail(code::InvalidHandle));
    if (!scm_.count(UpperCase(name))) return static_cast<ScHandle>(Fail(code::ServiceDoesNotExist));
    ScHandle h = nextHandle_++;
    scHandles_[h] = UpperCase(name);
    return h;
}

long FakeMachine::ControlService(ScHandle service, std::uint32_t control) {
    auto h = scHandles_.find(service);
    std::wstring name = h == scHandles_.end() ? L"" : h->second;
    if (auto f = Hit(Op::ControlService, name)) return f->result;
    if (name.empty()) return Fail(code::InvalidHandle);
    auto it = scm_.find(name);
    if (it == scm_.end()) return Fail(code::ServiceDoesNotExist);
    // Stop (1), or interrogate (4): a running service answers with its state.
    if (control != 1 && control != 4) return Fail(code::InvalidParameter);
    if (!it->second.running) return Fail(code::ServiceNotActive);
    if (control == 4) return 1;
    if (!it->second.stoppable) return Fail(kErrorServiceCannotAcceptCtrl);
    it->second.running = false;
    return 1;
}

long FakeMachine::CloseServiceHandle(ScHandle handle) { return scHandles_.erase(handle) ? 1 : Fail(code::InvalidHandle); }

// ---------------------------------------------------------------- processes

std::uint32_t FakeMachine::AddProcess(const std::wstring& imagePath, bool terminable) {
    std::uint32_t pid = nextPid_;
    nextPid_ += 4;
    processes_.push_back(Process{pid, imagePath, terminable});
    return pid;
}

std::uint32_t FakeMachine::StartProgram(const std::wstring& path) { return AddProcess(path); }

std::uint32_t FakeMachine::StartOwnProgram(const std::wstring& path, const std::string& bytes) {
    PlantFile(path, bytes);
    ownPath_ = path;
    ownPid_ = AddProcess(path);
    return ownPid_;
}

void FakeMachine::Restart() {
    for (Process& p : processes_) p.running = false;
    for (const std::wstring& path : atRestart_) files_.erase(Norm(path));
    atRestart_.clear();
}

bool FakeMachine::ProcessRunning(std::uint32_t pid) {
    return std::any_of(processes_.begin(), processes_.end(),
                       [&](const Process& p) { return p.pid == pid && p.running; });
}

long FakeMachine::OpenProcessToken(std::uint32_t, ProcHandle& token) {
    if (auto f = Hit(Op::OpenProcessToken, L"")) return f->result;
    token = nextHandle_++;
    procHandles_[token] = 0;
    return 1;
}

long FakeMachine::LookupPrivilegeValue(const std::wstring& name, Luid& luid) {
    if (auto f = Hit(Op::LookupPrivilegeValue, name)) return f->result;
    if (name != L"SeDebugPrivilege") return Fail(1313);  // ERROR_NO_SUCH_PRIVILEGE
    luid = Luid{20, 0};
    return 1;
}

long FakeMachine::AdjustTokenPrivileges(ProcHandle token, const Luid&, std::uint32_t) {
    if (auto f = Hit(Op::AdjustTokenPrivileges, L"")) return f->result;
    return procHandles_.count(token) ? 1 : Fail(code::InvalidHandle);
}

long FakeMachine::EnumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t bufferBytes, std::uint32_t& neededBytes) {
    if (auto f = Hit(Op::EnumProcesses, L"")) return f->result;
    std::vector<std::uint32_t> running;
    for (auto& p : processes_)
        if (p.running) running.push_back(p.pid);
    std::size_t n = std::min<std::size_t>(running.size(), bufferBytes / 4);
    ids.assign(running.begin(), running.begin() + static_cast<std::ptrdiff_t>(n));
    neededBytes = static_cast<std::uint32_t>(n * 4);
    return 1;
}

ProcHandle FakeMachine::OpenProcess(std::uint32_t, std::uint32_t pid) {
    if (auto f = Hit(Op::OpenProcess, std::to_wstring(pid))) return static_cast<ProcHandle>(f->result);
    if (!ProcessRunning(pid)) return static_cast<ProcHandle>(Fail(code::InvalidParameter));
    ProcHandle h = nextHandle_++;
    procHandles_[h] = pid;
    return h;
}

long FakeMachine::EnumProcessModules(ProcHandle process, std::uint64_t& firstModule) {
    auto h = procHandles_.find(process);
    if (h == procHandles_.end() || h->second == 0) return Fail(code::InvalidHandle);
    if (auto f = Hit(Op::EnumProcessModules, std::to_wstring(h->second))) return f->result;
    firstModule = 0x400000 + h->second;
    return 1;
}

std::uint32_t FakeMachine::GetModuleFileNameEx(ProcHandle process, std::uint64_t, std::wstring& path) {
    auto h = procHandles_.find(process);
    path.clear();
    if (h == procHandles_.end() || h->second == 0) return static_cast<std::uint32_t>(Fail(code::InvalidHandle));
    if (auto f = Hit(Op::GetModuleFileNameEx, std::to_wstring(h->second))) return static_cast<std::uint32_t>(f->result);
    for (auto& p : processes_) {
        if (p.pid == h->second) {
            path = p.imagePath;
            return static_cast<std::uint32_t>(path.size());
        }
    }
    return static_cast<std::uint32_t>(Fail(code::InvalidParameter));
}

long FakeMachine::TerminateProcess(ProcHandle process, std::uint32_t) {
    auto h = procHandles_.find(process);
    std::uint32_t pid = h == procHandles_.end() ? 0 : h->second;
    if (auto f = Hit(Op::TerminateProcess, std::to_wstring(pid))) return f->result;
    if (pid == 0) return Fail(code::InvalidHandle);
    for (auto& p : processes_) {
        if (p.pid == pid && p.running) {
            if (!p.terminable) return Fail(code::AccessDenied);
            p.running = false;
            return 1;
        }
    }
    return Fail(code::AccessDenied);
}

long FakeMachine::CloseHandle(ProcHandle handle) { return procHandles_.erase(handle) ? 1 : Fail(code::InvalidHandle); }

// ---------------------------------------------------------------- files

std::wstring FakeMachine::Norm(const std::wstring& path) const {
    std::wstring out = UpperCase(path);
    std::replace(out.begin(), out.end(), L'/', L'\\');
    // Collapse doubled separators, as Windows does for paths like "C:\\x".
    std::wstring collapsed;
    for (wchar_t c : out) {
        if (c == L'\\' && !collapsed.empty() && collapsed.back() == L'\\') continue;
        collapsed.push_back(c);
    }
    while (!collapsed.empty() && collapsed.back() == L'\\') collapsed.pop_back();
    // Linked folders lead to their targets; a cycle of links is cut off as Windows cuts it.
    for (int hops = 0; hops < 8; ++hops) {
        bool followed = false;
        for (const auto& [link, target] : folderLinks_) {
            if (collapsed.compare(0, link.size(), link) != 0) continue;
            if (collapsed.size() != link.size() && collapsed[link.size()] != L'\\') continue;
            collapsed = target + collapsed.substr(link.size());
            followed = true;
            break;
        }
        if (!followed) break;
    }
    if (!caseSensitiveFolders_.empty() && caseSensitiveFolders_.count(Parent(collapsed))) {
        std::wstring spelled = path;
        std::replace(spelled.begin(), spelled.end(), L'/', L'\\');
        while (!spelled.empty() && spelled.back() == L'\\') spelled.pop_back();
        collapsed = Parent(collapsed) + L"\\" + LastComponent(spelled);
    }
    return collapsed;
}

std::uint64_t FakeMachine::NewFileIndex() {
    static std::uint64_t next = 0x1000;
    return ++next;
}

std::wstring FakeMachine::Followed(const std::wstring& normPath) const {
    auto it = files_.find(normPath);
    if (it == files_.end() || it->second.linkTarget.empty()) return normPath;
    return Norm(it->second.linkTarget);
}

void FakeMachine::SetFolderCaseSensitive(const std::wstring& folder) { caseSensitiveFolders_[Norm(folder)] = true; }

void FakeMachine::PlantFolderLink(const std::wstring& link, const std::wstring& target) {
    PlantFolder(target);
    PlantFolder(ParentText(link));
    const std::wstring key = Norm(link);
    folderLinks_[key] = Norm(target);
    std::wstring original = link;
    while (!original.empty() && original.back() == L'\\') original.pop_back();
    folders_[key] = original;
}

void FakeMachine::PlantFileLink(const std::wstring& link, const std::wstring& target) {
    PlantFolder(ParentText(link));
    FileNode node{link, {}, kAttributeNormal | kAttributeReparsePoint, false};
    node.linkTarget = target;
    files_[Norm(link)] = node;
}

std::size_t FakeMachine::ReadPasses(const std::wstring& path) {
    auto it = readPasses_.find(Norm(path));
    return it == readPasses_.end() ? 0 : it->second;
}

std::wstring FakeMachine::Parent(const std::wstring& normPath) {
    auto pos = normPath.find_last_of(L'\\');
    return pos == std::wstring::npos ? std::wstring() : normPath.substr(0, pos);
}

bool FakeMachine::FolderExists(const std::wstring& path) const {
    std::wstring n = Norm(path);
    if (n.size() == 2 && n[1] == L':') return drives_.count(n[0]) != 0;
    return folders_.count(n) != 0;
}

bool FakeMachine::FileLockedByProcess(const std::wstring& normPath) const {
    return std::any_of(processes_.begin(), processes_.end(),
                       [&](const Process& p) { return p.running && Norm(p.imagePath) == normPath; });
}

void FakeMachine::SetFolderFreeSpace(const std::wstring& folder, std::uint64_t bytes) { freeSpace_[Norm(folder)] = bytes; }

void FakeMachine::SetFolderReadOnly(const std::wstring& folder) { readOnlyFolders_[Norm(folder)] = true; }

bool FakeMachine::MayCreateIn(const std::wstring& normPath) const { return !readOnlyFolders_.count(Parent(normPath)); }

std::uint64_t FakeMachine::RoomIn(const std::wstring& normPath) const {
    auto it = freeSpace_.find(Parent(normPath));
    return it == freeSpace_.end() ? ~std::uint64_t{0} : it->second;
}

void FakeMachine::UseRoomIn(const std::wstring& normPath, std::uint64_t bytes) {
    auto it = freeSpace_.find(Parent(normPath));
    if (it != freeSpace_.end()) it->second -= std::min(it->second, bytes);
}

void FakeMachine::AddDrive(wchar_t letter, unsigned type) { drives_[UpperChar(letter)] = type; }

void FakeMachine::PlantFolder(const std::wstring& path) {
    std::wstring n = Norm(path);
    if (n.empty() || (n.size() == 2 && n[1] == L':')) {
        if (n.size() == 2 && !drives_.count(n[0])) drives_[n[0]] = drive::Fixed;
        return;
    }
    PlantFolder(ParentText(path));
    if (!folders_.count(n)) {
        std::wstring original = path;
        while (!original.empty() && original.back() == L'\\') original.pop_back();
        folders_[n] = original;
    }
}

void FakeMachine::PlantFile(const std::wstring& path, const std::string& bytes, std::uint32_t attributes) {
    std::wstring n = Norm(path);
    PlantFolder(ParentText(path));
    files_[n] = FileNode{path, bytes, attributes, false};
}

bool FakeMachine::FileExists(const std::wstring& path) { return files_.count(Norm(path)) != 0; }

std::optional<std::string> FakeMachine::FileBytes(const std::wstring& path) {
    auto it = files_.find(Norm(path));
    if (it == files_.end()) return std::nullopt;
    return it->second.bytes;
}

void FakeMachine::LockFile(const std::wstring& path, bool locked) {
    auto it = files_.find(Norm(path));
    if (it != files_.end()) it->second.locked = locked;
}

std::vector<std::wstring> FakeMachine::AllFiles() const {
    std::vector<std::wstring> out;
    for (auto& [n, f] : files_) out.push_back(f.path);
    std::sort(out.begin(), out.end(), [](const std::wstring& a, const std::wstring& b) { return UpperCase(a) < UpperCase(b); });
    return out;
}

std::size_t FakeMachine::OpenHandleCount() const {
    return keyHandles_.size() + scHandles_.size() + procHandles_.size() + fileHandles_.size() + hashes_.size() +
           providers_.size();
}

std::uint32_t FakeMachine::GetFileAttributes(const std::wstring& path) {
    if (auto f = Hit(Op::GetFileAttributes, path)) return static_cast<std::uint32_t>(f->result);
    std::wstring n = Norm(path);
    auto it = files_.find(n);
    if (it != files_.end()) return it->second.attributes;
    if (FolderExists(path)) return kAttributeDirectory;
    lastError_ = FolderExists(Parent(n)) ? code::FileNotFound : code::PathNotFound;
    return kInvalidAttributes;
}

long FakeMachine::SetFileAttributes(const std::wstring& path, std::uint32_t attributes) {
    if (auto f = Hit(Op::SetFileAttributes, path)) return f->result;
    std::wstring n = Norm(path);
    auto it = files_.find(n);
    if (it != files_.end()) {
        it->second.attributes = attributes;
        return 1;
    }
    if (FolderExists(path)) return 1;
    return Fail(FolderExists(Parent(n)) ? code::FileNotFound : code::PathNotFound);
}

long FakeMachine::CopyFile(const std::wstring& from, const std::wstring& to, bool failIfExists) {
    if (auto f = Hit(Op::CopyFile, from)) return f->result;
    std::wstring nf = Followed(Norm(from)), nt = Norm(to);
    auto src = files_.find(nf);
    if (src == files_.end()) return Fail(FolderExists(Parent(nf)) ? code::FileNotFound : code::PathNotFound);
    if (!FolderExists(Parent(nt))) return Fail(code::PathNotFound);
    auto dst = files_.find(nt);
    if (dst != files_.end()) {
        if (failIfExists) return Fail(code::FileExists);
        if (dst->second.attributes & kAttributeReadOnly || dst->second.locked) return Fail(code::AccessDenied);
    }
    if (folders_.count(nt)) return Fail(code::AccessDenied);
    if (dst == files_.end() && !MayCreateIn(nt)) return Fail(code::AccessDenied);
    FileNode copy = src->second;
    copy.path = to;
    copy.locked = false;
    copy.index = NewFileIndex();
    // A full disk stops the copy part way and leaves what was written.
    const std::uint64_t room = RoomIn(nt);
    const bool full = copy.bytes.size() > room;
    if (full) copy.bytes.resize(room);
    UseRoomIn(nt, copy.bytes.size());
    files_[nt] = copy;
    return full ? Fail(code::DiskFull) : 1;
}

long FakeMachine::DeleteFileAtRestart(const std::wstring& path) {
    if (auto f = Hit(Op::DeleteFileAtRestart, path)) return f->result;
    std::wstring n = Norm(path);
    if (!files_.count(n)) return Fail(FolderExists(Parent(n)) ? code::FileNotFound : code::PathNotFound);
    atRestart_.push_back(path);
    return 1;
}

long FakeMachine::DeleteFile(const std::wstring& path) {
    if (auto f = Hit(Op::DeleteFile, path)) return f->result;
    std::wstring n = Norm(path);
    auto it = files_.find(n);
    if (it == files_.end()) {
        if (folders_.count(n)) return Fail(code::AccessDenied);
        return Fail(FolderExists(Parent(n)) ? code::FileNotFound : code::PathNotFound);
    }
    if (it->second.attributes & kAttributeReadOnly || it->second.locked || FileLockedByProcess(n))
        return Fail(code::AccessDenied);
    for (auto& [h, st] : fileHandles_)
        if (st.key == n) return Fail(code::SharingViolation);
    files_.erase(it);
    return 1;
}

long FakeMachine::MoveFileReplace(const std::wstring& from, const std::wstring& to) {
    if (auto f = Hit(Op::MoveFileReplace, to)) return f->result;
    std::wstring nf = Norm(from), nt = Norm(to);
    auto src = files_.find(nf);
    if (src == files_.end()) return Fail(FolderExists(Parent(nf)) ? code::FileNotFound : code::PathNotFound);
    if (!FolderExists(Parent(nt))) return Fail(code::PathNotFound);
    // An open file cannot be moved away or replaced (the handles would be left without their file).
    for (auto& [h, st] : fileHandles_)
        if (st.key == nf || st.key == nt) return Fail(code::SharingViolation);
    if (nf == nt) return 1;  // renaming a file onto itself changes nothing
    auto dst = files_.find(nt);
    if (dst != files_.end() &&
        (dst->second.attributes & kAttributeReadOnly || dst->second.locked || FileLockedByProcess(nt)))
        return Fail(code::AccessDenied);
    FileNode moved = src->second;
    files_.erase(src);
    // The moved file keeps the target's spelling when it replaces one.
    moved.path = dst != files_.end() ? files_[nt].path : to;
    files_[nt] = moved;
    return 1;
}

long FakeMachine::MoveFileNoReplace(const std::wstring& from, const std::wstring& to) {
    if (auto f = Hit(Op::MoveFileNoReplace, to)) return f->result;
    std::wstring nf = Norm(from), nt = Norm(to);
    auto src = files_.find(nf);
    if (src == files_.end()) return Fail(FolderExists(Parent(nf)) ? code::FileNotFound : code::PathNotFound);
    if (!FolderExists(Parent(nt))) return Fail(code::PathNotFound);
    if (files_.count(nt) || folders_.count(nt)) return Fail(code::AlreadyExists);
    if (!MayCreateIn(nt)) return Fail(code::AccessDenied);
    for (auto& [h, st] : fileHandles_)
        if (st.key == nf) return Fail(code::SharingViolation);
    FileNode moved = src->second;
    files_.erase(src);
    moved.path = to;
    files_[nt] = moved;
    return 1;
}

long FakeMachine::OpenFile(const std::wstring& path, FileAccess access, FileDisposition disposition, FileHandle& file) {
    if (auto f = Hit(Op::OpenFile, path)) return f->result;
    std::wstring n = Norm(path);
    if (folders_.count(n) || (n.size() == 2 && n[1] == L':')) return Fail(code::AccessDenied);
    auto it = files_.find(n);
    bool writes = access != FileAccess::Read && access != FileAccess::ReadLinkItself;
    if (it != files_.end() && access != FileAccess::ReadLinkItself && !it->second.linkTarget.empty()) {
        n = Followed(n);
        it = files_.find(n);
        if (it == files_.end()) return Fail(code::FileNotFound);
    }
    if (it == files_.end()) {
        if (disposition == FileDisposition::OpenExisting)
            return Fail(FolderExists(Parent(n)) ? code::FileNotFound : code::PathNotFound);
        if (!FolderExists(Parent(n))) return Fail(code::PathNotFound);
        if (!MayCreateIn(n)) return Fail(code::AccessDenied);
        files_[n] = FileNode{path, {}, kAttributeNormal, false};
        it = files_.find(n);
    } else {
        if (disposition == FileDisposition::CreateNew) return Fail(code::FileExists);
        if (writes && (it->second.attributes & kAttributeReadOnly)) return Fail(code::AccessDenied);
        if (writes && (it->second.locked || FileLockedByProcess(n))) return Fail(code::SharingViolation);
        if (disposition == FileDisposition::CreateAlways) it->second.bytes.clear();
    }
    file = nextHandle_++;
    fileHandles_[file] = OpenFileState{n, access, 0};
    return 1;
}

long FakeMachine::ReadFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& read) {
    read = 0;
    auto h = fileHandles_.find(file);
    if (h == fileHandles_.end()) return Fail(code::InvalidHandle);
    if (auto f = Hit(Op::ReadFile, files_[h->second.key].path)) return f->result;
    if (h->second.access == FileAccess::Write) return Fail(code::AccessDenied);
    if (files_[h->second.key].type != filetype::Disk) {
        std::memset(buffer, 0, count);
        read = count;
        return 1;
    }
    const std::string& bytes = files_[h->second.key].bytes;
    std::uint64_t pos = h->second.position;
    if (pos == 0 && !bytes.empty()) ++readPasses_[h->second.key];
    std::uint64_t n = pos >= bytes.size() ? 0 : std::min<std::uint64_t>(count, bytes.size() - pos);
    if (n) std::memcpy(buffer, bytes.data() + pos, n);
    h->second.position += n;
    read = static_cast<std::uint32_t>(n);
    return 1;
}

long FakeMachine::WriteFile(FileHandle file, const void* data, std::uint32_t count, std::uint32_t& written) {
    written = 0;
    auto h = fileHandles_.find(file);
    if (h == fileHandles_.end()) return Fail(code::InvalidHandle);
    if (auto f = Hit(Op::WriteFile, files_[h->second.key].path)) return f->result;
    if (h->second.access == FileAccess::Read || h->second.access == FileAccess::ReadLinkItself)
        return Fail(code::AccessDenied);
    files_[h->second.key].writeTime = NewFileIndex();
    std::string& bytes = files_[h->second.key].bytes;
    std::uint64_t pos = h->second.position;
    const std::uint64_t growth = pos + count > bytes.size() ? pos + count - bytes.size() : 0;
    const std::uint64_t room = RoomIn(h->second.key);
    const std::uint64_t over = growth > room ? growth - room : 0;
    const std::uint32_t fits = over >= count ? 0 : static_cast<std::uint32_t>(count - over);
    if (bytes.size() < pos + fits) bytes.resize(pos + fits);
    if (fits) std::memcpy(bytes.data() + pos, data, fits);
    UseRoomIn(h->second.key, std::min(growth, room));
    h->second.position += fits;
    written = fits;
    return fits == count ? 1 : Fail(code::DiskFull);
}

long FakeMachine::GetFileSize(FileHandle file, std::uint64_t& size) {
    auto h = fileHandles_.find(file);
    if (h == fileHandles_.end()) return Fail(code::InvalidHandle);
    if (files_[h->second.key].type != filetype::Disk) return Fail(code::InvalidFunction);
    size = files_[h->second.key].bytes.size();
    return 1;
}

long FakeMachine::GetFileIdentity(FileHandle file, FileIdentity& identity) {
    auto h = fileHandles_.find(file);
    if (h == fileHandles_.end()) return Fail(code::InvalidHandle);
    if (auto f = Hit(Op::GetFileIdentity, files_[h->second.key].path)) return f->result;
    const FileNode& node = files_[h->second.key];
    identity.volumeSerial = 0x5E110000u + (h->second.key.empty() ? 0u : static_cast<std::uint32_t>(h->second.key[0]));
    identity.fileIndex = node.index;
    identity.size = node.bytes.size();
    identity.writeTime = node.writeTime;
    identity.attributes = node.attributes;
    return 1;
}

std::uint32_t FakeMachine::GetFileType(FileHandle file) {
    auto h = fileHandles_.find(file);
    if (h == fileHandles_.end()) {
        Fail(code::InvalidHandle);
        return filetype::Unknown;
    }
    return files_[h->second.key].type;
}

void FakeMachine::PlantDevice(const std::wstring& path, std::uint32_t type) {
    files_[Norm(path)] = FileNode{path, {}, kAttributeNormal, false, type};
}

long FakeMachine::CloseFile(FileHandle file) { return fileHandles_.erase(file) ? 1 : Fail(code::InvalidHandle); }

long FakeMachine::FlushFile(FileHandle file) {
    auto h = fileHandles_.find(file);
    if (h == fileHandles_.end()) return Fail(code::InvalidHandle);
    if (auto f = Hit(Op::FlushFile, files_[h->second.key].path)) return f->result;
    return 1;
}

long FakeMachine::ListFolder(const std::wstring& folder, const std::wstring& pattern, std::vector<FoundFile>& entries) {
    entries.clear();
    if (auto f = Hit(Op::ListFolder, folder)) return f->result;
    if (!FolderExists(folder)) return code::PathNotFound;
    std::wstring n = Norm(folder);
    for (auto& [key, node] : files_)
        if (Parent(key) == n && WildcardMatch(LastComponent(node.path), pattern))
            entries.push_back(FoundFile{LastComponent(node.path), node.attributes});
    for (auto& [key, original] : folders_)
        if (Parent(key) == n && WildcardMatch(LastComponent(original), pattern))
            entries.push_back(FoundFile{LastComponent(original), folderLinks_.count(key)
                                                                     ? kAttributeDirectory | kAttributeReparsePoint
                                                                     : kAttributeDirectory});
    return code::Success;
}

std::vector<std::wstring> FakeMachine::LogicalDrives() {
    std::vector<std::wstring> out;
    for (auto& [letter, type] : drives_) out.push_back(std::wstring(1, letter) + L":");
    return out;
}

unsigned FakeMachine::GetDriveType(const std::wstring& root) {
    if (root.empty()) return drive::NoRootDir;
    auto it = drives_.find(UpperChar(root[0]));
    return it == drives_.end() ? drive::NoRootDir : it->second;
}

std::uint32_t FakeMachine::GetSystemDirectory(std::wstring& path) {
    path = systemDir_;
    return static_cast<std::uint32_t>(path.size());
}

void FakeMachine::SetSystemWow64Directory(const std::wstring& path) {
    systemWow64Dir_ = path;
    if (!path.empty()) PlantFolder(path);
}

std::uint32_t FakeMachine::GetSystemWow64Directory(std::wstring& path) {
    path = systemWow64Dir_;
    return static_cast<std::uint32_t>(path.size());
}

std::uint32_t FakeMachine::GetTempPath(std::wstring& path) {
    path = tempPath_;
    return static_cast<std::uint32_t>(path.size());
}

// ---------------------------------------------------------------- shell

long FakeMachine::StartCommandLine(const std::wstring& commandLine, ShowStyle style) {
    if (auto f = Hit(Op::StartCommandLine, commandLine)) return f->result;
    started_.push_back(StartedCommand{commandLine, style});
    return 1;
}

long FakeMachine::StartCommandLineAndWait(const std::wstring& commandLine, ShowStyle style, std::uint32_t) {
    if (auto f = Hit(Op::StartCommandLine, commandLine)) return f->result;
    started_.push_back(StartedCommand{commandLine, style, true});
    // regedit.exe /s "FILE"
    std::size_t s = FindNoCase(commandLine, L"regedit.exe /s \"");
    if (s != 0) {
        std::size_t fileStart = s - 1 + std::wstring_view(L"regedit.exe /s \"").size();
        std::size_t fileEnd = commandLine.find(L'"', fileStart);
        if (fileEnd == std::wstring::npos) return 1;
        auto it = files_.find(Norm(commandLine.substr(fileStart, fileEnd - fileStart)));
        if (it != files_.end()) ImportRegFile(Utf8ToWide(it->second.bytes));
        return 1;
    }
    // regedit.exe /e "FILE" "HKEY_LOCAL_MACHINE\PATH", split as Windows programs split their command
    // lines: \" inside quotes is a quotation mark.
    std::size_t e = FindNoCase(commandLine, L"regedit.exe /e ");
    if (e == 0) return 1;
    std::vector<std::wstring> args;
    std::size_t at = e - 1 + std::wstring_view(L"regedit.exe /e ").size();
    while (at < commandLine.size() && args.size() < 2) {
        while (at < commandLine.size() && commandLine[at] == L' ') ++at;
        if (at >= commandLine.size() || commandLine[at] != L'"') return 1;
        std::wstring arg;
        for (++at; at < commandLine.size() && commandLine[at] != L'"'; ++at) {
            if (commandLine[at] == L'\\' && at + 1 < commandLine.size() && commandLine[at + 1] == L'"') ++at;
            arg += commandLine[at];
        }
        if (at >= commandLine.size()) return 1;
        ++at;
        args.push_back(std::move(arg));
    }
    if (args.size() != 2) return 1;
    std::wstring file = args[0];
    std::wstring key = args[1];
    const std::wstring machine = L"HKEY_LOCAL_MACHINE\\";
    if (key.compare(0, machine.size(), machine) == 0) key = L"HKLM\\" + key.substr(machine.size());
    const RegKeyNode* node = FindKey(key);
    if (!node || !FolderExists(Parent(Norm(file))) || !MayCreateIn(Norm(file))) return 1;
    std::wstring text = L"Windows Registry Editor Version 5.00\r\n\r\n";
    ExportKey(*node, key, text);
    FileNode& out = files_[Norm(file)];
    out.path = file;
    out.bytes = WideToUtf8(text);
    return 1;
}

namespace {

constexpr wchar_t kMachineRootName[] = L"HKEY_LOCAL_MACHINE";
constexpr wchar_t kUserRootName[] = L"HKEY_CURRENT_USER";

std::wstring RegQuoted(const std::wstring& text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') out += L'\\';
        out += c;
    }
    return out + L"\"";
}

std::wstring HexByte(unsigned b) {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    return {kDigits[(b >> 4) & 15], kDigits[b & 15]};
}

}  // namespace

void FakeMachine::ExportKey(const RegKeyNode& node, const std::wstring& path, std::wstring& out) const {
    std::wstring shown = path;
    if (shown.compare(0, 5, L"HKLM\\") == 0) shown = std::wstring(kMachineRootName) + shown.substr(4);
    if (shown.compare(0, 5, L"HKCU\\") == 0) shown = std::wstring(kUserRootName) + shown.substr(4);
    out += L"[" + shown + L"]\r\n";
    for (const auto& v : node.values) {
        out += RegQuoted(v.name) + L"=";
        if (v.type == regtype::String) {
            out += RegQuoted(v.text);
        } else if (v.type == regtype::Dword && v.bytes.size() == 4) {
            std::uint32_t d = 0;
            for (int i = 3; i >= 0; --i) d = (d << 8) | static_cast<unsigned char>(v.bytes[static_cast<std::size_t>(i)]);
            out += L"dword:";
            for (int shift = 28; shift >= 0; shift -= 4) out += L"0123456789abcdef"[(d >> shift) & 15];
        } else {
            const std::vector<std::uint8_t> raw = StoredBytes(v);
            out += v.type == regtype::Binary ? std::wstring(L"hex:") : L"hex(" + std::to_wstring(v.type) + L"):";
            for (std::size_t i = 0; i < raw.size(); ++i) out += (i ? L"," : L"") + HexByte(raw[i]);
        }
        out += L"\r\n";
    }
    out += L"\r\n";
    for (auto& sub : node.subkeyOrder) ExportKey(node.subkeys.at(sub), path + L"\\" + node.subkeys.at(sub).name, out);
}

void FakeMachine::ImportRegFile(const std::wstring& text) {
    std::wstring key;
    for (const std::wstring& line : SplitAtCrLf(text)) {
        if (line.size() > 2 && line.front() == L'[' && line.back() == L']') {
            key = line.substr(1, line.size() - 2);
            for (auto [longName, shortName] : {std::pair{kMachineRootName, L"HKLM"}, std::pair{kUserRootName, L"HKCU"}}) {
                std::wstring prefix = std::wstring(longName) + L"\\";
                if (key.compare(0, prefix.size(), prefix) == 0) key = std::wstring(shortName) + L"\\" + key.substr(prefix.size());
            }
            MakeKey(key);
            continue;
        }
        if (key.empty() || line.empty() || line.front() != L'"') continue;
        // "name"=data, the name with \\ and \" escapes.
        std::wstring name;
        std::size_t i = 1;
        for (; i < line.size() && line[i] != L'"'; ++i) {
            if (line[i] == L'\\' && i + 1 < line.size()) ++i;
            name += line[i];
        }
        if (i + 2 > line.size() || line[i + 1] != L'=') continue;
        std::wstring data = line.substr(i + 2);
        RegKeyNode& node = MakeKey(key);
        RegValueNode& v = ValueSlot(node, name);
        if (!data.empty() && data.front() == L'"') {
            v.isString = true;
            v.type = regtype::String;
            v.bytes.clear();
            v.text.clear();
            for (std::size_t j = 1; j + 1 < data.size(); ++j) {
                if (data[j] == L'\\' && j + 2 < data.size()) ++j;
                v.text += data[j];
            }
            continue;
        }
        std::string bytes;
        std::uint32_t type = regtype::Binary;
        std::wstring hex;
        if (data.rfind(L"dword:", 0) == 0) {
            std::uint32_t d = static_cast<std::uint32_t>(std::stoul(data.substr(6), nullptr, 16));
            for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<char>((d >> (8 * b)) & 0xFF));
            type = regtype::Dword;
        } else if (data.rfind(L"hex(", 0) == 0) {
            std::size_t close = data.find(L"):");
            if (close == std::wstring::npos) continue;
            type = static_cast<std::uint32_t>(std::stoul(data.substr(4, close - 4), nullptr, 16));
            hex = data.substr(close + 2);
        } else if (data.rfind(L"hex:", 0) == 0) {
            hex = data.substr(4);
        } else {
            continue;
        }
        for (std::size_t j = 0; j + 2 <= hex.size(); j += 3)
            bytes.push_back(static_cast<char>(std::stoul(hex.substr(j, 2), nullptr, 16)));
        auto parts = SplitPath(key);
        std::wstring below;
        for (std::size_t p = 1; p < parts.size(); ++p) below += (p > 1 ? L"\\" : L"") + parts[p];
        PlantValue(parts[0] == L"HKLM" ? RegRoot::LocalMachine : RegRoot::CurrentUser, below, name, type, bytes);
    }
}

long FakeMachine::ShellOpen(const std::wstring& target) {
    if (auto f = Hit(Op::ShellOpen, target)) return f->result;
    opened_.push_back(target);
    return 42;
}

// ---------------------------------------------------------------- crypto

long FakeMachine::CryptAcquireContext(CryptHandle& provider, const std::wstring&, std::uint32_t providerType,
                                      std::uint32_t) {
    if (auto f = Hit(Op::CryptAcquireContext, L"")) return f->result;
    if (providerType != 1) return Fail(0x80090017);  // NTE_PROV_TYPE_NOT_DEF
    provider = nextHandle_++;
    providers_[provider] = true;
    return 1;
}

long FakeMachine::CryptCreateHash(CryptHandle provider, std::uint32_t algorithm, CryptHandle& hash) {
    if (auto f = Hit(Op::CryptCreateHash, L"")) return f->result;
    if (!providers_.count(provider)) return Fail(code::InvalidHandle);
    if (algorithm != 0x8003) return Fail(0x80090008);  // NTE_BAD_ALGID
    hash = nextHandle_++;
    hashes_[hash] = {};
    return 1;
}

long FakeMachine::CryptHashData(CryptHandle hash, const void* data, std::uint32_t count) {
    if (auto f = Hit(Op::CryptHashData, L"")) return f->result;
    auto it = hashes_.find(hash);
    if (it == hashes_.end()) return Fail(code::InvalidHandle);
    auto* p = static_cast<const std::uint8_t*>(data);
    it->second.insert(it->second.end(), p, p + count);
    return 1;
}

long FakeMachine::CryptGetHashParam(CryptHandle hash, std::uint32_t param, std::vector<std::uint8_t>& value) {
    if (auto f = Hit(Op::CryptGetHashParam, L"")) return f->result;
    auto it = hashes_.find(hash);
    if (it == hashes_.end()) return Fail(code::InvalidHandle);
    if (param == 4) {
        value = {16, 0, 0, 0};
        return 1;
    }
    if (param == 2) {
        value = Md5Digest(it->second.data(), it->second.size());
        return 1;
    }
    return Fail(0x80090015);  // NTE_BAD_TYPE
}

long FakeMachine::CryptDestroyHash(CryptHandle hash) { return hashes_.erase(hash) ? 1 : Fail(code::InvalidHandle); }

long FakeMachine::CryptReleaseContext(CryptHandle provider) {
    return providers_.erase(provider) ? 1 : Fail(code::InvalidHandle);
}

std::string FakeMachine::ToSystemCodePage(const std::wstring& text) { return WideToCp1252(text); }
std::wstring FakeMachine::FromSystemCodePage(const std::string& bytes) { return Cp1252ToWide(bytes); }

#ifdef _WIN32
// Built for Windows (the tier-2 tests), the fake decodes as the machine it runs on.
std::wstring FakeMachine::FromCodePage(unsigned codePage, const std::string& bytes) {
    if (bytes.empty()) return {};
    const int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}
#else
std::wstring FakeMachine::FromCodePage(unsigned codePage, const std::string& bytes) {
    std::wstring out;
    iconv_t cd = iconv_open("UTF-32LE", ("CP" + std::to_string(codePage)).c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::wstring(bytes.size(), L'\uFFFD');
    std::string in = bytes;
    char* from = in.data();
    std::size_t left = in.size();
    char buffer[4096];
    const auto take = [&out, &buffer](const char* end) {
        for (const char* p = buffer; p + 4 <= end; p += 4) {
            const auto b = [p](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(p[i])); };
            out.push_back(static_cast<wchar_t>(b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24));
        }
    };
    // Each turn converts, or steps over one byte the page has no character for: the loop ends.
    while (left > 0) {
        char* to = buffer;
        std::size_t room = sizeof(buffer);
        const std::size_t rc = iconv(cd, &from, &left, &to, &room);
        take(to);
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out.push_back(L'\uFFFD');
            ++from;
            --left;
        }
    }
    // Some pages (1255, 1258) hold back a letter that a following mark could combine with.
    char* to = buffer;
    std::size_t room = sizeof(buffer);
    iconv(cd, nullptr, nullptr, &to, &room);
    take(to);
    iconv_close(cd);
    return out;
}
#endif

}  // namespace pell::test
