// SmartScan: identification of running and autorun programs by MD5 digest.
#include "engine/smartscan.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/files.h"
#include "base/handles.h"
#include "engine/left_alone.h"
#include "engine/run_entry.h"
#include "engine/stages.h"
#include "base/text.h"
#include "base/trace.h"
#include "engine/process_utils.h"
#include "smartscan/md5_hash.h"
#include "base/run_values.h"
#include "i18n/details.h"

namespace pell {
namespace {

struct RunKey {
    RegRoot root;
    const wchar_t* path;
    std::uint32_t view = regview::Own;
};
// Each machine-wide key right after in the 32-bit view, where 32-bit programs write on 64-bit Windows.
constexpr RunKey kRunKeys[] = {
    {RegRoot::LocalMachine, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {RegRoot::LocalMachine, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", regview::Key32},
    {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {RegRoot::LocalMachine, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
    {RegRoot::LocalMachine, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices", regview::Key32},
};

// A real autorun.inf is a few hundred bytes; anything near this is not one, and its size must not
// decide how much memory the run takes.
constexpr std::uint64_t kMaxAutorunInfBytes = 1u << 20;

// The file name without its last four characters (the dot and a three-letter extension).
std::wstring BaseName(std::wstring_view fileName) {
    return std::wstring(fileName.substr(0, fileName.size() >= 4 ? fileName.size() - 4 : 0));
}

// True when a part of `name` between separators is ".." (or a run of dots and blanks that Windows may
// read as one): joined to a folder of the file pass, such a name would lead out of that folder to
// whatever file the rest of it names.
bool ClimbsOutOfItsFolder(std::wstring_view name) {
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of(L"\\/", start);
        if (end == std::wstring_view::npos) end = name.size();
        std::wstring_view part = name.substr(start, end - start);
        const bool dotsAndBlanks = !part.empty() && part.find_first_not_of(L". ") == std::wstring_view::npos;
        if (dotsAndBlanks && std::count(part.begin(), part.end(), L'.') >= 2) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

std::wstring StripArguments(std::wstring_view commandLine) {
    return CutAfterExtension(ReplaceAll(commandLine, L"\"", L""), {L".exe ", L".com ", L".cmd "});
}

SmartScanner::SmartScanner(Engine& e) : e_(e), digests_(e.MD5Hashes), listed_(e.InfectionNames) {}

void SmartScanner::AppendName(const std::wstring& baseName) {
    if (baseName.empty() || ClimbsOutOfItsFolder(baseName)) return;
    e_.namesFoundByDigest.insert(e_.InfectionNames.size());
    e_.InfectionNames.push_back(baseName);
}

bool SmartScanner::LeftAlone(const std::wstring& path) {
    if (IsOwnProgram(e_.sys, path)) {
        ReportLeftAlone(e_, path, kOwnProgramLeftAlone);
        return true;
    }
    if (IsGenuineWindowsProgram(e_.folders, path)) {
        ReportLeftAlone(e_, path, kGenuineProgramLeftAlone);
        return true;
    }
    return false;
}

void SmartScanner::SmartScan() {
    SmartScanProcesses();
    e_.Details(status::SmartScanningRegistry);
    SmartScanRegistry();
    e_.Details(status::SmartScanningAutoRuns);
    SmartScanAutoRuns();
    e_.Details(status::LookingForServices);
}

void SmartScanner::SmartScanProcesses() {
    BuildProcessTable(e_);
    SelectProcesses(e_, L"*");
    std::optional<MD5Hash> md5;
    for (std::size_t k = 0; k < e_.ProcessCandidates.size(); ++k) {
        if (!md5) md5.emplace(e_.sys, e_.host);
        const ProcessEntry entry = e_.ProcessCandidates[k];
        const std::wstring path = entry.folder + entry.fileName;
        for ([[maybe_unused]] std::size_t match : digests_.Matches(md5->HashFile(path, &e_.digestCache))) {
            if (LeftAlone(path)) break;
            const std::wstring base = BaseName(entry.fileName);
            if (!listed_.Listed(base)) AppendName(base);
            e_.Details(status::Identified, path);
            e_.lstIdentifiedByMD5.Append(path);
        }
    }
}

void SmartScanner::SmartScanRegistry() {
    for (const RunKey& runKey : kRunKeys) {
        OpenKey key(e_.sys);
        if (key.Open(runKey.root, runKey.path, runKey.view) != code::Success) continue;
        ListRunValues(e_.sys, key.get(), e_.lstKeys);
        key.reset();
    }
    std::optional<MD5Hash> md5;
    for (std::size_t i = 0; i < e_.lstKeys.Count(); ++i) {
        const std::wstring item = e_.lstKeys.Item(i);
        if (item.find(L'=') == std::wstring::npos) continue;
        // The data up to a further "=", if it holds one, without its quotation marks and without the
        // arguments after its ".exe "; the name is the value's real one, which may hold "=" itself.
        const std::wstring command =
            CutAfterExtension(ParseRunEntry(item, e_.lstKeys.SourceName(i)).command, {L".exe "});
        const std::wstring shortName = FileNameOf(command);
        if (!md5) {
            try {
                md5.emplace(e_.sys, e_.host);
            } catch (const RuntimeError&) {
                // The autorun stages append their own listing to lstKeys: items of the other keys left
                // here would be examined, and deleted by name, in the machine-wide Run key.
                e_.lstKeys.Clear();
                throw;
            }
        }
        for ([[maybe_unused]] std::size_t match : digests_.Matches(md5->HashFile(command, &e_.digestCache))) {
            if (LeftAlone(command)) break;
            const std::wstring base = BaseName(shortName);
            if (listed_.Listed(base)) break;
            AppendName(base);
            e_.Details(status::Identified, shortName);
            e_.lstIdentifiedByMD5.Append(command);
        }
    }
    e_.lstKeys.Clear();
}

void SmartScanner::SmartScanAutoRuns() {
    // Drive1: the drives as "C:" texts. File1: the "*.inf" files of a drive's root, hidden and system
    // ones included (worms hide theirs), folders left out.
    const std::vector<std::wstring> Drive1 = e_.sys.LogicalDrives();
    for (const std::wstring& drive : Drive1) {
        const std::wstring root = drive + L"\\";
        const unsigned type = e_.sys.GetDriveType(root);
        if (type == drive::Unknown || type == drive::NoRootDir || type == drive::CdRom) continue;
        std::vector<FoundFile> File1;
        if (e_.sys.ListFolder(root, L"*.inf", File1) != code::Success) {
            e_.host.DoEvents();
            continue;
        }
        for (const FoundFile& file : File1) {
            if (file.attributes & kAttributeDirectory) continue;  // a folder of that name is a vaccine
            if (LowerCase(file.name) != L"autorun.inf") continue;
            ScanAutorunInf(root, file.name);
        }
    }
}

void SmartScanner::ScanAutorunInf(const std::wstring& root, const std::wstring& fileName) {
    // A file that cannot be read (locked, vanished, oversized) names nothing; the pass goes on.
    std::string bytes;
    if (!ReadWholeFile(e_.sys, root + fileName, bytes, kMaxAutorunInfBytes)) return;
    for (const std::wstring& line : SplitAtCrLf(e_.sys.FromSystemCodePage(bytes))) {
        // The first of the three extensions in this priority, not the leftmost one in the line.
        std::size_t p = 0;
        for (std::wstring_view extension : {L".exe", L".com", L".cmd"})
            if ((p = FindNoCase(line, extension)) != 0) break;
        if (p == 0) continue;
        // From behind the first "=", p + 4 characters: the length counts from the start of the line, so
        // the command may run on past the extension.
        const std::size_t equals = line.find(L'=');
        const std::size_t start = equals == std::wstring::npos ? 0 : equals + 1;
        std::wstring command = start < line.size() ? line.substr(start, p + 4) : std::wstring();
        command = StripArguments(command);
        if (command.size() < 2 || command[1] != L':') command = root + command;
        try {
            IdentifyFile(command);
        } catch (const RuntimeError&) {
            // No crypto provider: this file goes unexamined, the pass goes on.
            TraceCaught(L"SmartScan " + command);
        }
    }
}

bool SmartScanner::IdentifyFile(const std::wstring& path) {
    MD5Hash md5(e_.sys, e_.host);
    bool identified = false;
    for ([[maybe_unused]] std::size_t match : digests_.Matches(md5.HashFile(path, &e_.digestCache))) {
        if (LeftAlone(path)) break;
        // Without the drive root and the extension; a sub-folder stays part of it.
        const std::wstring base = path.size() > 7 ? path.substr(3, path.size() - 7) : std::wstring();
        if (!listed_.Listed(base)) AppendName(base);
        identified = true;
        e_.Details(status::Identified, path);
        e_.lstIdentifiedByMD5.Append(path);
    }
    return identified;
}

bool FileDigestListed(Engine& e, const std::wstring& path) {
    try {
        MD5Hash md5(e.sys, e.host);
        const std::wstring digest = md5.HashFile(path, &e.digestCache);
        return !digest.empty() && std::find(e.MD5Hashes.begin(), e.MD5Hashes.end(), digest) != e.MD5Hashes.end();
    } catch (const RuntimeError&) {
        TraceCaught(L"FileDigestListed " + path);
        return false;  // without a crypto provider nothing is known by its digest
    }
}

void SmartScan(Engine& e) {
    e.leftAloneReported.clear();
    e.digestListed = [&e](const std::wstring& path) { return FileDigestListed(e, path); };
    SmartScanner(e).SmartScan();
}

}  // namespace pell
