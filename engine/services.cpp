// Service scanning: services whose program carries a worm name are stopped, exported and deleted.
#include "engine/services.h"

#include <array>
#include <map>
#include <string_view>
#include <vector>

#include "base/handles.h"
#include "base/registry_walk.h"
#include "engine/removal_log.h"
#include "engine/stages.h"
#include "base/text.h"
#include "i18n/details.h"

namespace pell {
namespace {

constexpr std::uint32_t kScManagerAllAccess = 0xF003F;
constexpr std::uint32_t kServiceAllAccess = 0xF01FF;
constexpr std::uint32_t kServiceControlStop = 1;

// Worm names that are also the names of genuine Windows services' programs: matching them would stop
// and delete the system's own services. Compared exactly, case included.
constexpr std::array<std::wstring_view, 10> kExcludedWormNames = {
    L"svchost", L"services", L"lsass", L"ehSched", L"dllhost",
    L"ups",     L"spoolsv",  L"mstask", L"wdfmgr", L"service"};

// The registry editor's export of a key takes a fraction of a second; the key is deleted right after
// it, so the scan waits for the export, but never longer than this.
constexpr std::uint32_t kExportTimeoutMs = 30000;

struct ServiceEntry {
    std::wstring Name;
    std::wstring ImagePath;
    std::wstring FileName;  // after the last "\" of ImagePath
    bool settled = false;   // a further cut would change nothing
};

bool IsExcludedWormName(const std::wstring& name) {
    for (auto excluded : kExcludedWormNames)
        if (name == excluded) return true;
    return false;
}

// One entry per subkey of the services key, in enumeration order.
std::vector<ServiceEntry> ListServices(System& sys, RegKey services) {
    std::vector<ServiceEntry> table;
    ForEachSubkey(sys, services, [&](std::wstring name) { table.push_back(ServiceEntry{std::move(name), {}, {}, false}); });
    return table;
}

// The last value whose name contains "ImagePath" and whose data length is not 0 gives the path.
void ReadImagePath(System& sys, ServiceEntry& entry) {
    OpenKey key(sys);
    if (key.Open(RegRoot::LocalMachine, ServiceKeyPath(entry.Name)) != code::Success) return;
    ForEachValue(sys, key.get(), [&](const RegValue& value) {
        if (value.dataLength > 0 && Contains(value.name, L"ImagePath"))
            entry.ImagePath = value.data.substr(0, value.dataLength - 1);
    });
}

// The arguments are cut off after the first ".exe ", or else the first ".com "; quotation marks stay.
// The cut is made anew for every worm name and replaces the path; it changes a path at most twice
// (".exe " first, then a ".com " left before it), so an entry is marked settled once a cut changes
// nothing, and later names skip the text search.
void CutOnce(ServiceEntry& entry) {
    if (entry.settled) return;
    std::wstring cut = CutAfterExtension(entry.ImagePath, {L".exe ", L".com "});
    if (cut == entry.ImagePath) {
        entry.settled = true;
        if (entry.FileName.empty()) entry.FileName = FileNameOf(cut);
        return;
    }
    entry.ImagePath = std::move(cut);
    entry.FileName = FileNameOf(entry.ImagePath);
}

// One listed name: export, then delete the key with everything below it.
void ExportAndDelete(Engine& e, const std::wstring& name) {
    if (!e.MayChange()) return;  // a run whose record failed changes nothing more
    System& sys = e.sys;
    OpenKey key(sys);
    if (key.Open(RegRoot::LocalMachine, ServiceKeyPath(name)) != code::Success) return;

    std::wstring imagePath;
    ForEachValue(sys, key.get(), [&](const RegValue& value) {
        if (Equals(value.name, L"ImagePath")) imagePath = value.data;
    });

    // The export must be complete before the key goes: wait for it, and count it as made only when its
    // file is there. A key whose export is not there stays, and is left behind.
    const std::wstring regFile = ServiceExportFile(e.folders, name);
    long started = sys.StartCommandLineAndWait(ServiceExportCommandLine(e.folders, name), ShowStyle::Hidden,
                                               kExportTimeoutMs);
    bool exported = started != 0 && sys.GetFileAttributes(regFile) != kInvalidAttributes;
    e.Details(exported ? status::BackedUp : status::UnableToBackUp, name);
    if (!exported) {
        e.wormsLeftBehind.insert(L"HKLM\\" + ServiceKeyPath(name));
        return;
    }

    DeleteSubkeys(sys, key.get(), name);
    if (sys.RegDeleteKey(key.get(), L"") == code::Success)
        e.Changes().ServiceDeleted(name, imagePath, exported ? name + L".reg" : std::wstring());
}

}  // namespace

bool StopService(System& sys, const std::wstring& serviceName) {
    OpenServiceHandle manager(sys, sys.OpenSCManager(kScManagerAllAccess));
    if (!manager.valid()) return false;
    OpenServiceHandle service(sys, sys.OpenService(manager.get(), serviceName, kServiceAllAccess));
    return service.valid() && sys.ControlService(service.get(), kServiceControlStop) == 1;
}

void DeleteSubkeys(System& sys, RegKey key, const std::wstring& path) {
    // Failed deletions per subkey name. A subkey that refuses again after its own subkeys were dealt
    // with (or fails twice for another reason) is passed over: moving to the next index.
    std::map<std::wstring, int> failures;
    // Deletions per subkey name that answered success. A worm that re-creates its service's subkeys, or a
    // filter driver that only pretends to delete, would otherwise be answered for ever: such a subkey is
    // passed over after a few.
    std::map<std::wstring, int> deletions;
    std::uint32_t index = 0;
    for (;;) {
        std::wstring subkey;
        long rc = sys.RegEnumKey(key, index, subkey);
        if (rc != code::Success) return;  // 259 ends the work; any other answer leaves the rest in place

        if (deletions[subkey] >= kMaxSubkeyDeletions) {
            ++index;
            continue;
        }
        long deleted = sys.RegDeleteKey(key, subkey);
        if (deleted == code::Success) {
            ++deletions[subkey];
            index = 0;
            continue;
        }
        int& failed = failures[subkey];
        if (++failed >= 2) {
            ++index;
            continue;
        }
        if (deleted != code::AccessDenied) {
            index = 0;
            continue;
        }
        std::wstring below = path + L"\\" + subkey;
        OpenKey child(sys);
        if (child.Open(RegRoot::LocalMachine, ServiceKeyPath(below)) == code::Success) {
            DeleteSubkeys(sys, child.get(), below);
            child.reset();
            index = 0;
        } else {
            ++index;
        }
    }
}

bool ScanServices(Engine& e) {
    System& sys = e.sys;
    e.host.SetProg1(0);

    std::vector<ServiceEntry> table;
    {
        OpenKey services(sys);
        if (services.Open(RegRoot::LocalMachine, kServicesKey) != code::Success) {
            e.host.MsgBox(box::NoRegistryAccess, false);
            e.programEnded = true;
            e.host.EndProgram();
            return false;
        }
        table = ListServices(sys, services.get());
    }
    for (auto& entry : table) ReadImagePath(sys, entry);

    // Worm names x services: text tests only, in the order the names and then the services stand;
    // the service control manager is asked only on a match.
    bool result = false;
    const std::size_t count = e.InfectionNames.size();
    const std::size_t last = count == 0 ? 0 : count - 1;
    for (std::size_t j = 0; j < count; ++j) {
        const std::wstring& n = e.InfectionNames[j];
        for (auto& entry : table)
            if (!entry.ImagePath.empty()) CutOnce(entry);

        if (!IsExcludedWormName(n)) {
            const std::wstring exeName = n + L".exe";
            const std::wstring comName = n + L".com";
            for (auto& entry : table) {
                if (entry.ImagePath.empty() || entry.FileName.size() != exeName.size()) continue;
                const std::wstring* matched = Equals(entry.FileName, exeName)   ? &exeName
                                              : Equals(entry.FileName, comName) ? &comName
                                                                                : nullptr;
                if (!matched) continue;
                bool stopped = StopService(sys, entry.Name);
                e.Details(status::Found,
                          entry.Name + L"\" " + *matched + L" ..." + (stopped ? L"Stopped" : L"Unable to Stop!!"));
                e.lstInfectedKeys.Append(entry.Name);
                if (stopped) result = true;
            }
        }
        // With a single name the one step is also the last: a full bar.
        e.host.SetProg1(last == 0 ? 100.0 : static_cast<double>(j) / static_cast<double>(last) * 100.0);
        e.host.DoEvents();
    }

    // Earlier runs' names are worked through again; their keys no longer open and are passed over.
    for (std::size_t i = 0; i < e.lstInfectedKeys.Count(); ++i) ExportAndDelete(e, e.lstInfectedKeys.Item(i));

    e.host.SetProg2(20);
    return result;
}

std::wstring ServiceExportFile(const Folders& folders, const std::wstring& serviceName) {
    // A key name may hold characters no file name can: each becomes "_".
    std::wstring fileName = serviceName;
    for (wchar_t& c : fileName)
        if (c < 0x20 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) c = L'_';
    return folders.LogFolder + fileName + L".reg";
}

std::wstring ServiceExportCommandLine(const Folders& folders, const std::wstring& serviceName) {
    // The editor splits its command line as every Windows program does: a quotation mark inside a quoted
    // argument is written \" (a key name holds no backslash that could run into one).
    return folders.WindowsDir + L"\\regedit.exe /e \"" + ServiceExportFile(folders, serviceName) + L"\" \"" +
           ServiceKeyEditorName(ReplaceAll(serviceName, L"\"", L"\\\"")) + L"\"";
}

}  // namespace pell
