// The registry places a cleaning run changes, and so the only ones a run's record may name: the stages
// take their keys and values from here, and restore accepts a recorded change only inside them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/system.h"

namespace pell {

inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunServicesKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
inline constexpr wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr wchar_t kWinlogonKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
// Under HKEY_LOCAL_MACHINE.
inline constexpr wchar_t kServicesKey[] = L"System\\CurrentControlSet\\Services";

// A service's key below HKEY_LOCAL_MACHINE, and as the registry editor names it in an export.
std::wstring ServiceKeyPath(const std::wstring& service);
std::wstring ServiceKeyEditorName(const std::wstring& service);
// The hosts file of the system folder `systemDir` (no trailing backslash).
std::wstring HostsPathIn(const std::wstring& systemDir);

// An autorun key a stage walks, in the registry view it is opened in.
struct AutorunPlace {
    RegRoot root;
    const wchar_t* key;
    std::uint32_t view;
};
inline constexpr AutorunPlace kMachineRun{RegRoot::LocalMachine, kRunKey, regview::Own};
inline constexpr AutorunPlace kMachineRun32{RegRoot::LocalMachine, kRunKey, regview::Key32};
inline constexpr AutorunPlace kUserRun{RegRoot::CurrentUser, kRunKey, regview::Own};
inline constexpr AutorunPlace kMachineRunServices{RegRoot::LocalMachine, kRunServicesKey, regview::Own};
inline constexpr AutorunPlace kMachineRunServices32{RegRoot::LocalMachine, kRunServicesKey, regview::Key32};
inline constexpr AutorunPlace kMachineRunOnce{RegRoot::LocalMachine, kRunOnceKey, regview::Own};
inline constexpr AutorunPlace kMachineRunOnce32{RegRoot::LocalMachine, kRunOnceKey, regview::Key32};
inline constexpr AutorunPlace kUserRunOnce{RegRoot::CurrentUser, kRunOnceKey, regview::Own};
// The keys walked in each other account's hive, below "HKU\<SID>\".
inline constexpr const wchar_t* kAccountHiveAutorunKeys[] = {kRunKey, kRunOnceKey};

// The policy values the policy step deletes; nothing else in their keys is touched.
struct PolicyPlace {
    RegRoot root;
    const wchar_t* key;
    const wchar_t* value;
};
inline constexpr PolicyPlace kPolicyPlaces[] = {
    {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoFolderOptions"},
    {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoRun"},
    {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", L"Disabletaskmgr"},
    {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", L"Disableregistrytools"},
    {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\System", L"DisableCMD"},
    {RegRoot::LocalMachine, L"Software\\Policies\\Microsoft\\Windows NT\\SystemRestore", L"DisableConfig"},
};

// The Winlogon values the Winlogon stage rewrites, in the Winlogon key of these roots.
inline constexpr RegRoot kWinlogonRoots[] = {RegRoot::LocalMachine, RegRoot::CurrentUser};
inline constexpr const wchar_t* kWinlogonValues[] = {L"Shell", L"Userinit"};

// A registry root as a record names it ("HKLM", "HKCU", "HKU"), and the root a recorded name stands for.
const wchar_t* RecordedRootName(RegRoot root);
std::optional<RegRoot> RootFromRecordedName(std::wstring_view name);

// A loaded hive of a real account under HKU ("S-1-5-21-" and digits and dashes), not its "_Classes"
// companion, which holds no Run key.
bool IsAccountHive(std::wstring_view name);

// The key as a record names it: a key of HKLM\Software opened in the 32-bit view by the name under which
// 64-bit programs reach it ("Software\Wow6432Node\..."), so a restore puts its values back where they were.
std::wstring RecordedKeyPath(const AutorunPlace& place);
std::wstring RecordedKeyPath(RegRoot root, const std::wstring& key, std::uint32_t view);

// Whether a recorded change names a place a run changes. Keys and value names are compared without
// regard to case, as the registry does; a key must be spelled as the run records it, nothing added.
bool IsAutorunPlace(RegRoot root, std::wstring_view recordedKey);
bool IsPolicyPlace(RegRoot root, std::wstring_view key, std::wstring_view value);
bool IsWinlogonPlace(RegRoot root, std::wstring_view key, std::wstring_view value);
// A name a service key can have: one key below the services key, nothing that leads elsewhere.
bool IsServiceName(std::wstring_view name);

}  // namespace pell
