// The table of registry places a run changes, and the tests a record's changes must pass against it.
#include "record/record_places.h"

#include "base/text.h"

namespace pell {
namespace {

constexpr AutorunPlace kAutorunPlaces[] = {kMachineRun,       kMachineRun32,         kUserRun,
                                           kMachineRunServices, kMachineRunServices32, kMachineRunOnce,
                                           kMachineRunOnce32, kUserRunOnce};

bool StartsWithNoCase(std::wstring_view text, std::wstring_view head) {
    return text.size() >= head.size() && Equals(text.substr(0, head.size()), head);
}

struct RootName {
    RegRoot root;
    const wchar_t* name;
};
constexpr RootName kRootNames[] = {
    {RegRoot::LocalMachine, L"HKLM"}, {RegRoot::CurrentUser, L"HKCU"}, {RegRoot::Users, L"HKU"}};

}  // namespace

const wchar_t* RecordedRootName(RegRoot root) {
    for (const RootName& r : kRootNames)
        if (r.root == root) return r.name;
    return L"HKCU";
}

std::optional<RegRoot> RootFromRecordedName(std::wstring_view name) {
    for (const RootName& r : kRootNames)
        if (name == r.name) return r.root;
    return std::nullopt;
}

std::wstring ServiceKeyPath(const std::wstring& service) { return std::wstring(kServicesKey) + L"\\" + service; }

std::wstring ServiceKeyEditorName(const std::wstring& service) {
    return L"HKEY_LOCAL_MACHINE\\" + ServiceKeyPath(service);
}

std::wstring HostsPathIn(const std::wstring& systemDir) { return systemDir + L"\\drivers\\etc\\hosts"; }

bool IsAccountHive(std::wstring_view name) {
    constexpr std::wstring_view kAccount = L"S-1-5-21-";
    if (name.size() <= kAccount.size() || !StartsWithNoCase(name, kAccount)) return false;
    for (wchar_t c : name.substr(kAccount.size()))
        if (!(c >= L'0' && c <= L'9') && c != L'-') return false;
    return true;
}

std::wstring RecordedKeyPath(RegRoot root, const std::wstring& key, std::uint32_t view) {
    constexpr std::wstring_view kSoftware = L"Software\\";
    if (view != regview::Key32 || root != RegRoot::LocalMachine || !StartsWithNoCase(key, kSoftware)) return key;
    return std::wstring(kSoftware) + L"Wow6432Node\\" + key.substr(kSoftware.size());
}

std::wstring RecordedKeyPath(const AutorunPlace& place) {
    return RecordedKeyPath(place.root, place.key, place.view);
}

bool IsAutorunPlace(RegRoot root, std::wstring_view recordedKey) {
    for (const AutorunPlace& place : kAutorunPlaces)
        if (place.root == root && Equals(recordedKey, RecordedKeyPath(place))) return true;
    if (root != RegRoot::Users) return false;
    const std::size_t slash = recordedKey.find(L'\\');
    if (slash == std::wstring_view::npos || !IsAccountHive(recordedKey.substr(0, slash))) return false;
    for (const wchar_t* key : kAccountHiveAutorunKeys)
        if (Equals(recordedKey.substr(slash + 1), key)) return true;
    return false;
}

bool IsPolicyPlace(RegRoot root, std::wstring_view key, std::wstring_view value) {
    for (const PolicyPlace& place : kPolicyPlaces)
        if (place.root == root && Equals(key, place.key) && Equals(value, place.value)) return true;
    return false;
}

bool IsWinlogonPlace(RegRoot root, std::wstring_view key, std::wstring_view value) {
    bool rootKnown = false;
    for (RegRoot r : kWinlogonRoots) rootKnown = rootKnown || r == root;
    if (!rootKnown || !Equals(key, kWinlogonKey)) return false;
    for (const wchar_t* name : kWinlogonValues)
        if (Equals(value, name)) return true;
    return false;
}

bool IsServiceName(std::wstring_view name) {
    // The service control manager allows at most 256 characters and neither kind of slash.
    if (name.empty() || name.size() > 256 || name == L"." || name == L"..") return false;
    for (wchar_t c : name)
        if (c == L'\\' || c == L'/' || c < 0x20) return false;
    return true;
}

}  // namespace pell
