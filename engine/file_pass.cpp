// The file pass of the process scan: worm-named files removed from the group folders, folder by listing.
#include "engine/file_pass.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "engine/left_alone.h"
#include "base/text.h"
#include "processes/file_groups.h"
#include "engine/process_utils.h"

namespace pell {
namespace {

bool BeyondAscii(wchar_t c) { return c < 0x20 || c > 0x7E; }

// A listed name matches a path the way Windows resolves it only for plain names: short 8.3 aliases
// ("~"), wildcards, stream and device syntax, and characters outside ASCII (whose case folding belongs
// to the file system) are left to the file operations themselves.
bool MatchableByListing(std::wstring_view leaf) {
    if (leaf.empty()) return false;
    for (wchar_t c : leaf) {
        if (BeyondAscii(c)) return false;
        if (std::wstring_view(L"/:*?\"<>|~").find(c) != std::wstring_view::npos) return false;
    }
    return true;
}

std::wstring FolderKey(const std::wstring& folder) {
    std::wstring key = UpperCase(folder);
    while (!key.empty() && key.back() == L'\\') key.pop_back();
    return key;
}

}  // namespace

double ProgressValue(std::size_t i, std::ptrdiff_t last) {
    if (last <= 0) return 100.0;
    return static_cast<double>(i) / static_cast<double>(last) * 100.0;
}

FolderIndex::Listing& FolderIndex::Current(const std::wstring& folder) {
    auto [it, added] = folders_.try_emplace(FolderKey(folder));
    Listing& listing = it->second;
    if (!added) return listing;
    std::vector<FoundFile> entries;
    long rc = sys_.ListFolder(folder, L"*", entries);
    // A folder that does not exist holds no files: probing its paths could only fail the same way.
    listing.listed = rc == code::Success || rc == code::FileNotFound || rc == code::PathNotFound;
    if (rc == code::Success)
        for (const FoundFile& entry : entries) {
            std::wstring name = UpperCase(entry.name);
            if (std::none_of(name.begin(), name.end(), BeyondAscii)) {
                ++listing.names[std::move(name)];
            } else {
                listing.unusual.push_back(std::move(name));
            }
        }
    return listing;
}

bool FolderIndex::MayExist(const std::wstring& path) {
    std::optional<std::wstring> folder = FolderOf(path);
    if (!folder) return true;
    const std::wstring leaf = FileNameOf(path);
    if (!MatchableByListing(leaf)) return true;
    // "C:" alone would name the drive's current folder, not its root; so would an empty folder (the
    // path "\x.exe", which a missing system folder gives) name the current folder of the current drive.
    if (folder->size() == 2 && (*folder)[1] == L':') *folder += L'\\';
    if (folder->empty()) *folder = L"\\";
    Listing& listing = Current(*folder);
    if (!listing.listed) return true;
    const std::wstring key = UpperCase(leaf);
    if (listing.names.count(key) != 0) return true;
    // The file system's own case folding may take a character beyond ASCII to an ASCII letter (as
    // Unicode takes the long s to "S" and the dotless i to "I"): such a name is taken to match any
    // character there, so that no file the path opens is judged absent.
    for (const std::wstring& name : listing.unusual) {
        if (name.size() != key.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < key.size() && same; ++k)
            same = name[k] == key[k] || BeyondAscii(name[k]);
        if (same) return true;
    }
    return false;
}

void FolderIndex::Handed(const std::wstring& path) {
    // BackUpAndDelete removes at most this one file and adds a ".back" copy to the log folder, which no
    // path of the pass can name (they all end in .exe, .com or .scr). So the listing stays exact when
    // this one name is checked again instead of listing the folder anew.
    const std::optional<std::wstring> folder = FolderOf(path);
    if (!folder) return;
    auto it = folders_.find(FolderKey(*folder));
    if (it == folders_.end() || !it->second.listed) return;
    if (sys_.GetFileAttributes(path) != kInvalidAttributes) return;
    // Only a file known to be gone leaves the listing; any other answer keeps it to be tried again.
    std::uint32_t error = sys_.LastError();
    if (error != code::FileNotFound && error != code::PathNotFound) return;
    auto name = it->second.names.find(UpperCase(FileNameOf(path)));
    if (name != it->second.names.end() && --name->second <= 0) it->second.names.erase(name);
}

void RemoveWormFiles(Engine& e) {
    FolderIndex index(e.sys);
    const std::size_t count = e.InfectionNames.size();
    const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(count) - 1;
    for (std::size_t i = 0; i < count && i < e.InfectionNames.size(); ++i) {
        // Copied: a yield below may run code that touches the table.
        const std::wstring name = e.InfectionNames[i];
        const bool foundByDigest = e.namesFoundByDigest.count(i) != 0;
        for (const std::wstring& path : WormFilePaths(e.folders, name)) {
            if (!index.MayExist(path)) continue;
            // A name SmartScan appended takes only the copies of the bytes it was identified by, and
            // never a genuine Windows program in its own folder.
            if (foundByDigest) {
                if (!e.DigestListed(path)) continue;
                if (IsGenuineWindowsProgram(e.folders, path)) {
                    ReportLeftAlone(e, path, kGenuineProgramLeftAlone);
                    continue;
                }
            }
            BackUpAndDelete(e, path);
            index.Handed(path);
        }
        e.host.SetProg1(ProgressValue(i, last));
        e.host.DoEvents();
    }
}

}  // namespace pell
