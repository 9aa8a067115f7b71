// The file pass of the process scan: worm-named files removed from the group folders, folder by listing.
#include "processes/file_pass.h"

#include <vector>

#include "engine/text.h"
#include "processes/file_groups.h"
#include "processes/process_utils.h"

namespace pell {
namespace {

constexpr long kErrorFileNotFound = 2;
constexpr long kErrorPathNotFound = 3;

// A listed name matches a path the way Windows resolves it only for plain names: short 8.3 aliases
// ("~"), wildcards, stream and device syntax, and characters outside ASCII (whose case folding belongs
// to the file system) are left to the file operations themselves.
bool MatchableByListing(std::wstring_view leaf) {
    if (leaf.empty()) return false;
    for (wchar_t c : leaf) {
        if (c < 0x20 || c > 0x7E) return false;
        if (std::wstring_view(L"/:*?\"<>|~").find(c) != std::wstring_view::npos) return false;
    }
    return true;
}

}  // namespace

double ProgressValue(std::size_t i, std::ptrdiff_t last) {
    if (last <= 0) return 100.0;
    return static_cast<double>(i) / static_cast<double>(last) * 100.0;
}

FolderIndex::Listing& FolderIndex::Current(const std::wstring& folder) {
    std::wstring key = UpperCase(folder);
    while (!key.empty() && key.back() == L'\\') key.pop_back();
    Listing& listing = folders_[key];
    if (!listing.stale) return listing;
    listing.stale = false;
    listing.names.clear();
    std::vector<FoundFile> entries;
    long rc = sys_.ListFolder(folder, L"*", entries);
    ++listings_;
    // A folder that does not exist holds no files: probing its paths could only fail the same way.
    listing.listed = rc == code::Success || rc == kErrorFileNotFound || rc == kErrorPathNotFound;
    if (rc == code::Success)
        for (const FoundFile& entry : entries) listing.names.insert(UpperCase(entry.name));
    return listing;
}

bool FolderIndex::MayExist(const std::wstring& path) {
    std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return true;
    std::wstring_view leaf = std::wstring_view(path).substr(slash + 1);
    if (!MatchableByListing(leaf)) return true;
    std::wstring folder = path.substr(0, slash);
    // "C:" alone would name the drive's current folder, not its root.
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    Listing& listing = Current(folder);
    if (!listing.listed) return true;
    return listing.names.count(UpperCase(leaf)) != 0;
}

void FolderIndex::Changed(const std::wstring& path, const std::wstring& logFolder) {
    // The run only deletes files of these names and adds ".back" copies, so a listing can only be out of
    // date by naming a file that has gone; handing such a path on finds no file and writes nothing.
    // Listing again keeps the calls exact all the same, also where two folder spellings name one folder.
    std::size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos) folders_[UpperCase(path.substr(0, slash))].stale = true;
    std::wstring log = logFolder;
    while (!log.empty() && log.back() == L'\\') log.pop_back();
    folders_[UpperCase(log)].stale = true;
}

void RemoveWormFiles(Engine& e) {
    FolderIndex index(e.sys);
    const std::size_t count = e.InfectionNames.size();
    const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(count) - 1;
    for (std::size_t i = 0; i < count && i < e.InfectionNames.size(); ++i) {
        // Copied: a yield below may run code that touches the table.
        const std::wstring name = e.InfectionNames[i];
        for (const std::wstring& path : WormFilePaths(e.folders, name)) {
            if (!index.MayExist(path)) continue;
            BackUpAndDelete(e, path);
            index.Changed(path, e.folders.LogFolder);
        }
        e.host.SetProg1(ProgressValue(i, last));
        e.host.DoEvents();
    }
}

}  // namespace pell
