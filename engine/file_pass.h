// The file pass of the process scan: worm-named files removed from the group folders, folder by listing.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/engine.h"

namespace pell {

// The bar value after item i of a loop whose divisor is `last` (the last index of InfectionNames).
// With nothing to divide by (a single name, or none) the bar is full.
double ProgressValue(std::size_t i, std::ptrdiff_t last);

// Which paths may name an existing file, from one listing per folder, kept up to date with what the
// pass itself removes. Answers "may exist" for every path it cannot judge from a listing (a folder
// that cannot be listed, a name the listing cannot be matched against), so such paths are probed as
// they are; it never answers "absent" for a file that is there.
class FolderIndex {
public:
    explicit FolderIndex(System& sys) : sys_(sys) {}

    bool MayExist(const std::wstring& path);
    // The pass handed `path` to BackUpAndDelete, which may have removed it.
    void Handed(const std::wstring& path);

private:
    struct Listing {
        bool listed = false;  // false: the folder could not be listed, its paths are probed
        // Upper-case names with how many files hold each: a case-sensitive folder may hold "A.exe" and
        // "a.exe", and one of them going must not hide the other.
        std::unordered_map<std::wstring, int> names;
        std::vector<std::wstring> unusual;       // upper case, names with characters beyond plain ASCII
    };
    Listing& Current(const std::wstring& folder);

    System& sys_;
    std::unordered_map<std::wstring, Listing> folders_;  // by upper-case folder path
};

// For every infection name, backs up and deletes the files of its group's paths that exist, in the
// order of the paths, moving the current-operation bar and yielding after each name.
void RemoveWormFiles(Engine& e);

}  // namespace pell
