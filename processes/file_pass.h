// The file pass of the process scan: worm-named files removed from the group folders, folder by listing.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "engine/engine.h"

namespace pell {

// The bar value after item i of a loop whose divisor is `last` (the last index of InfectionNames).
// With nothing to divide by (a single name, or none) the bar is full.
double ProgressValue(std::size_t i, std::ptrdiff_t last);

// Which paths may name an existing file, from one listing per folder. A folder is listed again only
// after the run changed it. Answers "may exist" for every path it cannot judge from a listing (a folder
// that cannot be listed, a name the listing cannot be matched against), so such paths are probed as
// they are; it never answers "absent" for a file that is there.
class FolderIndex {
public:
    explicit FolderIndex(System& sys) : sys_(sys) {}

    bool MayExist(const std::wstring& path);
    // The run handed `path` to BackUpAndDelete: its folder and the backup folder have changed.
    void Changed(const std::wstring& path, const std::wstring& logFolder);

    std::size_t Listings() const { return listings_; }

private:
    struct Listing {
        bool listed = false;  // false: the folder could not be listed, its paths are probed
        bool stale = true;
        std::unordered_set<std::wstring> names;  // upper case
    };
    Listing& Current(const std::wstring& folder);

    System& sys_;
    std::unordered_map<std::wstring, Listing> folders_;  // by upper-case folder path
    std::size_t listings_ = 0;
};

// For every infection name, backs up and deletes the files of its group's paths that exist, in the
// order of the paths, moving the current-operation bar and yielding after each name.
void RemoveWormFiles(Engine& e);

}  // namespace pell
