// The process scan: worm processes terminated, worm files backed up and deleted.
#include "engine/stages.h"

#include <optional>
#include <set>
#include <vector>

#include "base/handles.h"
#include "engine/left_alone.h"
#include "engine/file_pass.h"
#include "engine/process_utils.h"
#include "processes/protection.h"
#include "i18n/details.h"

namespace pell {
namespace {

constexpr long kNtFamily = 2;
constexpr std::uint32_t kAdjustAndQueryToken = 0x28;  // TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY
constexpr std::uint32_t kPrivilegeEnabled = 2;        // SE_PRIVILEGE_ENABLED
constexpr std::uint32_t kPrivilegeDisabled = 0;
constexpr std::uint32_t kAllAccess = 0x1F0FFF;        // PROCESS_ALL_ACCESS

// The debug privilege for the length of one scan, so that other users' worm processes can be ended.
// Without it the scan goes on; terminations of protected processes then fail and are reported.
class DebugPrivilege {
public:
    explicit DebugPrivilege(System& sys) : sys_(sys), token_(sys) {
        ProcHandle token = 0;
        if (sys_.OpenProcessToken(kAdjustAndQueryToken, token) == 0) return;
        token_.reset(token);
        if (sys_.LookupPrivilegeValue(L"SeDebugPrivilege", luid_) == 0 ||
            sys_.AdjustTokenPrivileges(token, luid_, kPrivilegeEnabled) == 0) {
            token_.reset();
            return;
        }
        enabled_ = true;
    }
    bool enabled() const { return enabled_; }
    void Disable() {
        if (!enabled_) return;
        sys_.AdjustTokenPrivileges(token_.get(), luid_, kPrivilegeDisabled);
        token_.reset();
        enabled_ = false;
    }

private:
    System& sys_;
    OpenProcessHandle token_;
    Luid luid_;
    bool enabled_ = false;
};

// True when a termination was attempted; `ended` tells whether the system said it was done.
bool Terminate(Engine& e, const ProcessEntry& candidate, bool& ended) {
    ended = false;
    // Whatever the database lists, the cleaner does not end itself half way through its run.
    if (static_cast<std::uint32_t>(candidate.id) == e.sys.CurrentProcessId()) {
        ReportLeftAlone(e, candidate.folder + candidate.fileName, kOwnProgramLeftAlone);
        return false;
    }
    if (!e.MayChange()) return false;  // the record failed: nothing more is ended
    // The program file the process runs, by its identity: a genuine program reached through a linked
    // folder or another name is spared like the one in its own folder.
    const std::wstring image = candidate.folder + candidate.fileName;
    {
        OpenFileHandle file(e.sys);
        FileIdentity identity;
        if (file.Open(image, FileAccess::Read, FileDisposition::OpenExisting) &&
            e.sys.GetFileIdentity(file.get(), identity)) {
            file.reset();
            if (const wchar_t* ending = GenuineReachedElsewhere(e, image, identity)) {
                ReportLeftAlone(e, image, ending);
                return false;
            }
        }
    }
    OpenProcessHandle process(e.sys, e.sys.OpenProcess(kAllAccess, static_cast<std::uint32_t>(candidate.id)));
    // A process that did not open cannot be ended; it is reported like a refused termination.
    long rc = process.valid() ? e.sys.TerminateProcess(process.get(), 0) : 0;
    process.reset();
    if (rc == 1) e.Changes().ProcessTerminated(candidate.folder + candidate.fileName, static_cast<std::uint32_t>(candidate.id));
    e.Details(rc == 1 ? status::Terminated : status::UnableToTerminate, candidate.fileName);
    ended = rc == 1;
    return true;
}

// The candidates from `first` on were selected by a name SmartScan appended: only the processes running
// the identified bytes stay, and of those none that is a genuine Windows program in its own folder.
void KeepCopiesOfListedBytes(Engine& e, std::size_t first) {
    std::vector<ProcessEntry> kept;
    for (std::size_t k = first; k < e.ProcessCandidates.size(); ++k) {
        const ProcessEntry& candidate = e.ProcessCandidates[k];
        const std::wstring path = candidate.folder + candidate.fileName;
        if (!e.DigestListed(path)) continue;
        if (IsGenuineWindowsProgram(e.folders, path)) {
            ReportLeftAlone(e, path, kGenuineProgramLeftAlone);
            continue;
        }
        kept.push_back(candidate);
    }
    e.ProcessCandidates.resize(first);
    e.ProcessCandidates.insert(e.ProcessCandidates.end(), kept.begin(), kept.end());
}

}  // namespace

bool ScanProcesses(Engine& e) {
    bool attempted = false;
    std::optional<DebugPrivilege> privilege;
    if (PlatformId(e) == kNtFamily) privilege.emplace(e.sys);

    e.backedUpThisScan.clear();
    BuildProcessTable(e);
    e.Details(status::LookingForProcesses);
    e.host.SetProg1(0);

    for (const wchar_t* fixed : {L"ntvdm.exe", L"regedit.exe", L"ctfmon.exe", L"explorer.exe"})
        SelectProcesses(e, fixed);
    const std::size_t names = e.InfectionNames.size();
    const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(names) - 1;
    for (std::size_t i = 0; i < names && i < e.InfectionNames.size(); ++i) {
        const std::wstring name = e.InfectionNames[i];
        const std::size_t first = e.ProcessCandidates.size();
        SelectProcesses(e, name + L".exe");
        SelectProcesses(e, name + L".com");
        SelectProcesses(e, name + L".scr");
        if (e.namesFoundByDigest.count(i)) KeepCopiesOfListedBytes(e, first);
        e.host.SetProg1(ProgressValue(i, last));
    }

    e.host.SetProg2(40);
    e.host.SetProg1(0);

    const ReferenceFolders refs = ReferenceFoldersFor(e.folders);
    const std::size_t candidates = e.ProcessCandidates.size();
    // A process selected by two names (a worm SmartScan identified twice, say) is not ended again once the
    // system said it was: the second attempt would meet a process on its way out and, depending on timing,
    // report a failure that did not happen. A refused termination is still tried again.
    std::set<std::uint32_t> ended;
    for (std::size_t k = 0; k < candidates && k < e.ProcessCandidates.size(); ++k) {
        const ProcessEntry candidate = e.ProcessCandidates[k];
        if (ended.count(static_cast<std::uint32_t>(candidate.id))) continue;
        bool done = false;
        if (Examine(candidate, refs) == Verdict::Terminate && Terminate(e, candidate, done)) attempted = true;
        if (done) ended.insert(static_cast<std::uint32_t>(candidate.id));
        e.host.SetProg1(ProgressValue(k, last));
        e.host.DoEvents();
    }

    e.host.SetProg2(60);
    e.host.SetProg1(0);
    e.Details(status::LookingForFiles);

    RemoveWormFiles(e);
    const std::size_t identified = e.lstIdentifiedByMD5.Count();
    for (std::size_t j = 0; j < identified && j < e.lstIdentifiedByMD5.Count(); ++j) {
        const std::wstring path = e.lstIdentifiedByMD5.Item(j);
        // No digest, however it was listed, removes a program of Windows from its own folder.
        if (IsGenuineWindowsProgram(e.folders, path)) {
            ReportLeftAlone(e, path, kGenuineProgramLeftAlone);
            continue;
        }
        BackUpAndDelete(e, path);
    }

    if (PlatformId(e) == kNtFamily && privilege) privilege->Disable();

    e.host.SetProg2(80);
    e.host.SetProg1(0);
    e.host.DoEvents();
    return attempted;
}

}  // namespace pell
