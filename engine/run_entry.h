// One autorun value as the autorun stages read it, and the fast lookup of worm names in its command.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace pell {

// An lstKeys item ("name=data") taken apart.
struct RunEntry {
    std::wstring name;     // the text before the first "="
    std::wstring command;  // after the first "=" up to the next one, every quotation mark removed
};

// With the value's real name (`valueName`, when the item was listed with one), the name is that name
// and the command comes from the data after it, even when the name itself holds "=".
RunEntry ParseRunEntry(const std::wstring& item, const std::wstring& valueName = {});

// A command that holds ".exe " (any case) keeps its text up to and including that first "exe": the
// arguments go, the program stays.
std::wstring CutArguments(const std::wstring& command);

// Which worm name a command carries, by the rule "the command contains name + ext and the file name
// has the length of name + ext", tested for ".exe" before ".com" and for the names in index order.
//
// The names are many and the tests run for every value on every listing, so the index turns the walk
// over all names into a few hash lookups: for a file name of length L only names of length L - 4 can
// hold, and each occurrence of ".exe" or ".com" in the command names exactly one candidate, the L - 4
// characters before it. The smallest name index among the candidates is the name the walk would meet
// first; for that name ".exe" wins over ".com", as the walk tests it first.
class WormNameIndex {
public:
    enum class Ext { Exe, Com };
    struct Match {
        std::size_t index;  // into the names
        Ext ext;
    };

    explicit WormNameIndex(const std::vector<std::wstring>& names);

    bool empty() const { return empty_; }
    std::optional<Match> FirstMatch(const std::wstring& command, const std::wstring& fileName) const;

private:
    std::unordered_map<std::wstring, std::size_t> firstIndexByUpperName_;
    bool empty_;
};

}  // namespace pell
