// The autorun stages (Run, per-user Run, RunServices) and the policy restoration.
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/handles.h"
#include "engine/run_entry.h"
#include "engine/stages.h"
#include "engine/text.h"
#include "smartscan/run_values.h"

namespace pell {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunServicesKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr wchar_t kMachineRunLabel[] = L"HKLM\\..\\Run\\";
constexpr wchar_t kUserRunLabel[] = L"HKCU\\..\\Run\\";
constexpr wchar_t kRunServicesLabel[] = L"HKLM\\..\\RunServices\\";

constexpr wchar_t kFirewallName[] = L"Windows Firewall";
constexpr wchar_t kMessengerName[] = L"Msmsgs";
constexpr wchar_t kVbsWorm[] = L"ntgxl2lbhmg78wvu1wz5fyo3e65y238jbhl8951a400iifkvntxl2lbh.vbs";
// The value a worm hides behind the registry editor's and ctfmon's names (its spelling is the worm's).
constexpr wchar_t kRegEditManager[] = L"Microsoft Regestry Edit Manager";
constexpr wchar_t kUpdaterExplorer[] = L"C:\\WINDOWS\\system32\\updater\\explorer.exe";

// A value that still matches after this many deletions that claimed success is being written back
// (a worm still running); the stage stops chasing it rather than loop for ever.
constexpr int kMaxDeletionsPerItem = 3;

enum class Verdict { Keep, KeepYielding, Remove };
enum class AfterRemoval { Nothing, DeleteExplorerCopies, RestartExplorer };

struct Decision {
    Verdict verdict = Verdict::Keep;
    std::wstring valueName;  // the value to delete
    std::wstring report;     // the "%%" of the status line
    AfterRemoval after = AfterRemoval::Nothing;
    bool itemStays = false;
};

Decision Keep() { return {}; }
Decision KeepYielding() { return Decision{Verdict::KeepYielding, {}, {}, AfterRemoval::Nothing}; }
Decision Remove(std::wstring valueName, std::wstring report, AfterRemoval after = AfterRemoval::Nothing) {
    return Decision{Verdict::Remove, std::move(valueName), std::move(report), after};
}
// The rules that delete a fixed value instead of the item that matched them: the item itself stays and
// matches again on the next listing.
Decision RemoveFixed(std::wstring valueName, std::wstring report) {
    Decision d = Remove(std::move(valueName), std::move(report));
    d.itemStays = true;
    return d;
}

using Rules = Decision (*)(const Engine& e, const WormNameIndex& worms, const RunEntry& entry);

Decision MachineRunRules(const Engine&, const WormNameIndex& worms, const RunEntry& entry) {
    // Every rule sits inside the walk over the worm names, so without names none is tested.
    if (worms.empty()) return Keep();
    const std::wstring command = CutArguments(entry.command);
    const std::wstring fileName = FileNameOf(command);
    const std::wstring label = kMachineRunLabel;
    const std::wstring& name = entry.name;

    if (Contains(command, L"rundll32.exe"))
        return name == kFirewallName ? Remove(name, label + name + L"=" + command) : Keep();
    if (Equals(command, kVbsWorm)) return Remove(name, label + name + L"=" + kVbsWorm);
    if (Equals(command, L"regedit.exe")) return RemoveFixed(kRegEditManager, label + name + L"=" + command);
    if (Equals(command, L"c:\\windows\\ctfmon.exe")) return RemoveFixed(kRegEditManager, label + name + L" = " + command);
    if (Equals(command, L"explorer.exe"))
        return Remove(name, label + name + L"=C:\\WINDOWS\\system\\explorer.exe", AfterRemoval::DeleteExplorerCopies);
    if (Equals(command, kUpdaterExplorer))
        return Remove(name, label + name + L"=" + kUpdaterExplorer, AfterRemoval::RestartExplorer);
    if (Contains(command, L"Kaspersky Lab\\Kaspersky Internet Security")) return KeepYielding();
    if (Contains(command, L"\\Essentials Codec Pack")) return KeepYielding();
    if (worms.FirstMatch(command, fileName)) return Remove(name, label + name + L" = " + command);
    return Keep();
}

Decision UserRunRules(const Engine& e, const WormNameIndex& worms, const RunEntry& entry) {
    const std::wstring label = kUserRunLabel;
    const std::wstring& name = entry.name;
    // Tested on the whole command, before any name and before the cut.
    if (Contains(entry.command, L"rundll32.exe"))
        return name == kFirewallName ? Remove(name, label + name + L"=" + entry.command) : Keep();

    // The messenger starts itself with arguments; cutting them would make its own entry look like a
    // bare program name.
    const std::wstring command =
        Contains(entry.command, L"msnmsgr.exe ") ? entry.command : CutArguments(entry.command);
    const std::wstring fileName = FileNameOf(command);
    if (worms.empty()) return Keep();
    if (name == kMessengerName) return Keep();
    if (Contains(command, e.folders.SystemDir + L"\\ctfmon.exe")) return KeepYielding();
    if (auto match = worms.FirstMatch(command, fileName)) {
        const wchar_t* sep = match->ext == WormNameIndex::Ext::Exe ? L" = " : L"=";
        return Remove(name, label + name + sep + command);
    }
    return Keep();
}

Decision RunServicesRules(const Engine&, const WormNameIndex& worms, const RunEntry& entry) {
    if (worms.empty()) return Keep();
    const std::wstring command = CutArguments(entry.command);
    if (worms.FirstMatch(command, FileNameOf(command)))
        return Remove(entry.name, std::wstring(kRunServicesLabel) + entry.name + L"=" + command);
    return Keep();
}

void AfterRemovalActions(Engine& e, AfterRemoval after) {
    // A missing or locked copy is passed over: the value is what starts the worm.
    switch (after) {
        case AfterRemoval::Nothing:
            break;
        case AfterRemoval::DeleteExplorerCopies:
            e.sys.DeleteFile(e.folders.WindowsDir + L"\\system\\explorer.exe");
            e.sys.DeleteFile(e.folders.WindowsDir + L"\\system32\\explorer.exe");
            break;
        case AfterRemoval::RestartExplorer:
            e.sys.DeleteFile(kUpdaterExplorer);
            e.sys.StartCommandLine(e.folders.WindowsDir + L"\\explorer.exe", ShowStyle::MinimizedFocus);
            break;
    }
}

enum class Stage { Run, RunServices };

// Opens the key, lists it, examines the items in order; after each removal the key is closed, the list
// cleared, and the whole stage starts over from a fresh listing.
void CleanAutorunKey(Engine& e, RunFlags& flags, RegRoot root, const wchar_t* path, Stage stage, Rules rules) {
    const WormNameIndex worms(e.InfectionNames);
    // Items this stage has given up on. A value whose deletion failed, and an item whose rule deletes a
    // fixed value (which is gone after the first attempt, deleted or never there), would otherwise match
    // on every listing for ever. Each keeps the report and flags of its first attempt and is left alone
    // after it. Values are known by their names: a worm that writes its value back may change the data.
    std::set<std::wstring> leftAlone;
    std::map<std::wstring, int> deletions;
    OpenKey key(e.sys);
    for (;;) {
        if (key.Open(root, path) != code::Success) {
            if (stage == Stage::Run) {
                flags.RegistryError = true;
                e.lstKeys.Clear();
            } else {
                e.Details(10);
            }
            return;
        }
        ListRunValues(e, key.get());

        bool restart = false;
        for (std::size_t i = 0; i < e.lstKeys.Count() && !restart; ++i) {
            const RunEntry entry = ParseRunEntry(e.lstKeys.Item(i));
            if (leftAlone.count(entry.name)) continue;
            const Decision d = rules(e, worms, entry);
            if (d.verdict == Verdict::KeepYielding) e.host.DoEvents();
            if (d.verdict != Verdict::Remove) continue;

            const long rc =
                DeleteValueAndRecord(e.sys, e.Changes(), ValueKind::Autorun, root, path, key.get(), d.valueName);
            if (rc == code::Success) {
                e.Details(14, d.report);
            } else {
                e.Details(13, d.report);
                flags.RegistryError = true;
            }
            AfterRemovalActions(e, d.after);
            e.host.SetDetailsCaret(e.host.DetailsLength());
            key.Close();
            flags.EntryRemoved = true;
            e.lstKeys.Clear();
            if (rc != code::Success || d.itemStays || ++deletions[entry.name] >= kMaxDeletionsPerItem)
                leftAlone.insert(entry.name);
            restart = true;
        }
        if (!restart) break;
    }
    key.Close();
    if (stage == Stage::Run) e.lstKeys.Clear();
}

struct PolicyKey {
    RegRoot root;
    const wchar_t* path;
    std::vector<const wchar_t*> values;
};

}  // namespace

void CleanMachineRun(Engine& e, RunFlags& flags) {
    CleanAutorunKey(e, flags, RegRoot::LocalMachine, kRunKey, Stage::Run, MachineRunRules);
}

void CleanUserRun(Engine& e, RunFlags& flags) {
    CleanAutorunKey(e, flags, RegRoot::CurrentUser, kRunKey, Stage::Run, UserRunRules);
}

void CleanRunServices(Engine& e, RunFlags& flags) {
    CleanAutorunKey(e, flags, RegRoot::LocalMachine, kRunServicesKey, Stage::RunServices, RunServicesRules);
}

void RestorePolicies(Engine& e) {
    static const PolicyKey kPolicies[] = {
        {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
         {L"NoFolderOptions", L"NoRun"}},
        {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
         {L"Disabletaskmgr", L"Disableregistrytools"}},
        {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\System", {L"DisableCMD"}},
        {RegRoot::LocalMachine, L"Software\\Policies\\Microsoft\\Windows NT\\SystemRestore", {L"DisableConfig"}},
    };
    // A policy that is not set is the normal case: results are neither reported nor counted.
    for (const PolicyKey& policy : kPolicies) {
        OpenKey key(e.sys);
        if (key.Open(policy.root, policy.path) != code::Success) continue;
        for (const wchar_t* value : policy.values)
            DeleteValueAndRecord(e.sys, e.Changes(), ValueKind::Policy, policy.root, policy.path, key.get(), value);
        key.Close();
    }
}

}  // namespace pell
