// Digest and name lookups that follow their growing tables.
#include "smartscan/match_index.h"

#include "base/text.h"

namespace pell {

void DigestIndex::CatchUp() {
    if (hashes_.size() < indexed_) {
        byDigest_.clear();
        indexed_ = 0;
    }
    for (; indexed_ < hashes_.size(); ++indexed_) {
        const std::wstring& digest = hashes_[indexed_];
        if (!digest.empty()) byDigest_[digest].push_back(indexed_);
    }
}

std::vector<std::size_t> DigestIndex::Matches(const std::wstring& digest) {
    if (digest.empty()) return {};
    CatchUp();
    auto it = byDigest_.find(digest);
    return it == byDigest_.end() ? std::vector<std::size_t>{} : it->second;
}

void ListedNames::CatchUp() {
    if (names_.size() < indexed_) {
        upper_.clear();
        indexed_ = 0;
    }
    for (; indexed_ < names_.size(); ++indexed_) upper_.insert(UpperCase(names_[indexed_]));
}

bool ListedNames::Listed(const std::wstring& baseName) {
    CatchUp();
    return upper_.count(baseName) != 0;
}

}  // namespace pell
