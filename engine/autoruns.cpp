// The autorun stages (Run, per-user Run, RunServices, RunOnce, other users' hives, Winlogon) and the
// policy restoration.
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/handles.h"
#include "base/registry_walk.h"
#include "record/record_places.h"
#include "engine/process_utils.h"
#include "engine/run_entry.h"
#include "engine/stages.h"
#include "base/text.h"
#include "base/run_values.h"
#include "i18n/details.h"

namespace pell {
namespace {

constexpr wchar_t kMachineRunLabel[] = L"HKLM\\..\\Run\\";
constexpr wchar_t kUserRunLabel[] = L"HKCU\\..\\Run\\";
constexpr wchar_t kRunServicesLabel[] = L"HKLM\\..\\RunServices\\";
// The same keys as 32-bit programs see them on 64-bit Windows, and the keys that start a program once.
constexpr wchar_t kMachineRun32Label[] = L"HKLM\\..\\Wow6432Node\\..\\Run\\";
constexpr wchar_t kRunServices32Label[] = L"HKLM\\..\\Wow6432Node\\..\\RunServices\\";
constexpr wchar_t kMachineRunOnceLabel[] = L"HKLM\\..\\RunOnce\\";
constexpr wchar_t kMachineRunOnce32Label[] = L"HKLM\\..\\Wow6432Node\\..\\RunOnce\\";
constexpr wchar_t kUserRunOnceLabel[] = L"HKCU\\..\\RunOnce\\";

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

using Rules = Decision (*)(const Engine& e, const WormNameIndex& worms, const RunEntry& entry,
                           const std::wstring& label);

Decision MachineRunRules(const Engine&, const WormNameIndex& worms, const RunEntry& entry, const std::wstring& label) {
    // Every rule sits inside the walk over the worm names, so without names none is tested.
    if (worms.empty()) return Keep();
    const std::wstring command = CutArguments(entry.command);
    const std::wstring fileName = FileNameOf(command);
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

Decision UserRunRules(const Engine& e, const WormNameIndex& worms, const RunEntry& entry, const std::wstring& label) {
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

Decision RunServicesRules(const Engine&, const WormNameIndex& worms, const RunEntry& entry,
                          const std::wstring& label) {
    if (worms.empty()) return Keep();
    const std::wstring command = CutArguments(entry.command);
    if (worms.FirstMatch(command, FileNameOf(command)))
        return Remove(entry.name, label + entry.name + L"=" + command);
    return Keep();
}

void AfterRemovalActions(Engine& e, AfterRemoval after) {
    // A missing or locked copy is passed over: the value is what starts the worm. What goes is kept and
    // recorded like every deleted file, and a linked folder that leads to the genuine explorer.exe (the
    // Windows folder's) leaves it alone.
    switch (after) {
        case AfterRemoval::Nothing:
            break;
        case AfterRemoval::DeleteExplorerCopies:
            BackUpAndDelete(e, e.folders.WindowsDir + L"\\system\\explorer.exe", DeletionLines::RefusalsOnly);
            BackUpAndDelete(e, e.folders.WindowsDir + L"\\system32\\explorer.exe", DeletionLines::RefusalsOnly);
            break;
        case AfterRemoval::RestartExplorer:
            BackUpAndDelete(e, kUpdaterExplorer, DeletionLines::RefusalsOnly);
            e.sys.StartCommandLine(e.folders.WindowsDir + L"\\explorer.exe", ShowStyle::MinimizedFocus);
            break;
    }
}

enum class Stage { Run, RunServices };

// One autorun key as a stage walks it.
struct AutorunKey {
    RegRoot root;
    std::wstring path;
    std::wstring label;
    Stage stage;  // what a key that does not open means: an aborted run (Run) or status code 10
    Rules rules;
    std::uint32_t view = regview::Own;
    // Keys that many machines simply lack (a 32-bit view never written, RunOnce, another user's Run):
    // one that does not exist is passed over; one that exists but refuses counts like its own stage's.
    bool mayBeMissing = false;
};

// One of the places the record may name, walked by a stage.
AutorunKey Walk(const AutorunPlace& place, const wchar_t* label, Stage stage, Rules rules, bool mayBeMissing) {
    return {place.root, place.key, label, stage, rules, place.view, mayBeMissing};
}

// Opens the key, lists it, examines the items in order; after each removal the key is closed, the list
// cleared, and the whole stage starts over from a fresh listing.
void CleanAutorunKey(Engine& e, RunFlags& flags, const AutorunKey& k) {
    const RegRoot root = k.root;
    const Stage stage = k.stage;
    const Rules rules = k.rules;
    const WormNameIndex worms(e.InfectionNames);
    // Items this stage has given up on. A value whose deletion failed, and an item whose rule deletes a
    // fixed value (which is gone after the first attempt, deleted or never there), would otherwise match
    // on every listing for ever. Each keeps the report and flags of its first attempt and is left alone
    // after it. Values are known by their names: a worm that writes its value back may change the data.
    std::set<std::wstring> leftAlone;
    std::map<std::wstring, int> deletions;
    OpenKey key(e.sys);
    for (;;) {
        const long opened = key.Open(root, k.path, k.view);
        if (opened != code::Success) {
            if (k.mayBeMissing && (opened == code::FileNotFound || opened == code::PathNotFound)) return;
            if (stage == Stage::Run) {
                flags.RegistryError = true;
                e.lstKeys.Clear();
            } else {
                e.Details(status::UnableToOpenRunServices);
            }
            return;
        }
        ListRunValues(e.sys, key.get(), e.lstKeys);

        bool restart = false;
        for (std::size_t i = 0; i < e.lstKeys.Count() && !restart; ++i) {
            const RunEntry entry = ParseRunEntry(e.lstKeys.Item(i), e.lstKeys.SourceName(i));
            if (leftAlone.count(entry.name)) continue;
            const Decision d = rules(e, worms, entry, k.label);
            if (d.verdict == Verdict::KeepYielding) e.host.DoEvents();
            if (d.verdict != Verdict::Remove) continue;
            if (!e.MayChange()) return;  // the record failed: nothing more is removed

            const long rc = DeleteValueAndRecord(e.sys, e.Changes(), ValueKind::Autorun, root,
                                                 RecordedKeyPath(k.root, k.path, k.view), key.get(), d.valueName);
            if (rc == code::Success) {
                e.Details(status::Removed, d.report);
            } else {
                e.Details(status::UnableToRemove, d.report);
                flags.RegistryError = true;
            }
            AfterRemovalActions(e, d.after);
            e.host.SetDetailsCaret(e.host.DetailsLength());
            key.reset();
            flags.EntryRemoved = true;
            e.lstKeys.Clear();
            if (rc != code::Success || d.itemStays || ++deletions[entry.name] >= kMaxDeletionsPerItem)
                leftAlone.insert(entry.name);
            restart = true;
        }
        if (!restart) break;
    }
    key.reset();
    if (stage == Stage::Run) e.lstKeys.Clear();
}

// The keys walked beyond the documented three list into lstKeys as those do, but on a list of their own:
// the RunServices stage leaves its last listing there, whose items must not be taken for this key's,
// and the run's lists look afterwards as the documented stages left them.
void CleanAddedKey(Engine& e, RunFlags& flags, const AutorunKey& k) {
    StringList documented = std::move(e.lstKeys);
    e.lstKeys.Clear();
    CleanAutorunKey(e, flags, k);
    e.lstKeys = std::move(documented);
}

}  // namespace

// Each machine-wide key is walked in the program's own (64-bit) view, then right after in the 32-bit
// view, where the 32-bit worms write.
void CleanMachineRun(Engine& e, RunFlags& flags) {
    CleanAutorunKey(e, flags, Walk(kMachineRun, kMachineRunLabel, Stage::Run, MachineRunRules, false));
    CleanAddedKey(e, flags, Walk(kMachineRun32, kMachineRun32Label, Stage::Run, MachineRunRules, true));
}

void CleanUserRun(Engine& e, RunFlags& flags) {
    CleanAutorunKey(e, flags, Walk(kUserRun, kUserRunLabel, Stage::Run, UserRunRules, false));
}

void CleanRunServices(Engine& e, RunFlags& flags) {
    CleanAutorunKey(e, flags,
                    Walk(kMachineRunServices, kRunServicesLabel, Stage::RunServices, RunServicesRules, false));
    CleanAddedKey(e, flags,
                  Walk(kMachineRunServices32, kRunServices32Label, Stage::RunServices, RunServicesRules, true));
}

void CleanRunOnce(Engine& e, RunFlags& flags) {
    CleanAddedKey(e, flags, Walk(kMachineRunOnce, kMachineRunOnceLabel, Stage::Run, MachineRunRules, true));
    CleanAddedKey(e, flags, Walk(kMachineRunOnce32, kMachineRunOnce32Label, Stage::Run, MachineRunRules, true));
    CleanAddedKey(e, flags, Walk(kUserRunOnce, kUserRunOnceLabel, Stage::Run, UserRunRules, true));
}

void CleanOtherUsersRun(Engine& e, RunFlags& flags) {
    // An administrator who typed other credentials runs the cleaner with HKCU as the administrator's
    // own hive; the infected user's is one of the loaded hives under HKU, each named by its SID.
    const std::wstring self = e.sys.CurrentUserSid();
    std::vector<std::wstring> sids;
    {
        OpenKey users(e.sys);
        if (users.Open(RegRoot::Users, L"") != code::Success) return;
        ForEachSubkey(e.sys, users.get(), [&](std::wstring name) {
            // HKCU, this account's own hive, was walked already.
            if (!IsAccountHive(name)) return;
            if (!self.empty() && Equals(name, self)) return;
            sids.push_back(std::move(name));
        });
    }
    for (const std::wstring& sid : sids)
        for (const wchar_t* key : kAccountHiveAutorunKeys)
            CleanAddedKey(e, flags, {RegRoot::Users, sid + L"\\" + key,
                                     L"HKU\\" + sid + L"\\..\\" + FileNameOf(key) + L"\\", Stage::Run, UserRunRules,
                                     regview::Own, true});
}

void RestorePolicies(Engine& e) {
    // A policy that is not set is the normal case: results are neither reported nor counted. Values that
    // share a key are deleted through one opening of it, as the step always did. Each is deleted, and
    // recorded, under the name the machine holds it by: a restore must give it back exactly that name,
    // whatever case the table writes it in.
    OpenKey key(e.sys);
    const PolicyPlace* opened = nullptr;
    bool open = false;
    std::vector<std::wstring> held;
    for (const PolicyPlace& policy : kPolicyPlaces) {
        if (!opened || opened->root != policy.root || std::wstring_view(opened->key) != policy.key) {
            key.reset();
            opened = &policy;
            open = key.Open(policy.root, policy.key) == code::Success;
            held.clear();
            if (open) ForEachValue(e.sys, key.get(), [&](const RegValue& value) { held.push_back(value.name); });
        }
        if (!open || !e.MayChange()) continue;
        auto real = std::find_if(held.begin(), held.end(), [&](const std::wstring& n) { return Equals(n, policy.value); });
        if (real == held.end()) continue;
        DeleteValueAndRecord(e.sys, e.Changes(), ValueKind::Policy, policy.root, policy.key, key.get(), *real);
    }
}

}  // namespace pell
