// Lookups into the detection tables that answer exactly as a linear walk in index order would, without
// walking: the entries of MD5Hashes equal to a digest, and whether a base name is already listed.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace pell {

// Both indexes follow their table as it grows (extra detections between runs, names SmartScan appends
// during one); entries are never changed in place, so growth is all they need to catch up with.

class DigestIndex {
public:
    explicit DigestIndex(const std::vector<std::wstring>& hashes) : hashes_(hashes) {}

    // The indices of the entries exactly equal to `digest`, ascending; none for the empty digest, which
    // stands for a file that could not be read and so never identifies one.
    std::vector<std::size_t> Matches(const std::wstring& digest);

private:
    void CatchUp();

    const std::vector<std::wstring>& hashes_;
    std::size_t indexed_ = 0;
    std::unordered_map<std::wstring, std::vector<std::size_t>> byDigest_;
};

class ListedNames {
public:
    explicit ListedNames(const std::vector<std::wstring>& names) : names_(names) {}

    // True when some entry, converted to upper case, is exactly `baseName` (which is taken as it is).
    bool Listed(const std::wstring& baseName);

private:
    void CatchUp();

    const std::vector<std::wstring>& names_;
    std::size_t indexed_ = 0;
    std::unordered_set<std::wstring> upper_;
};

}  // namespace pell
