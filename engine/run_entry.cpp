// Taking autorun values apart and finding worm names in their commands.
#include "engine/run_entry.h"

#include "base/text.h"

namespace pell {

RunEntry ParseRunEntry(const std::wstring& item, const std::wstring& valueName) {
    RunEntry entry;
    const bool named = !valueName.empty() && item.size() > valueName.size() &&
                       item.compare(0, valueName.size(), valueName) == 0 && item[valueName.size()] == L'=';
    std::size_t eq = named ? valueName.size() : item.find(L'=');
    entry.name = item.substr(0, eq);
    if (eq == std::wstring::npos) return entry;
    std::size_t next = item.find(L'=', eq + 1);
    std::wstring data = item.substr(eq + 1, next == std::wstring::npos ? std::wstring::npos : next - eq - 1);
    entry.command.reserve(data.size());
    for (wchar_t c : data)
        if (c != L'"') entry.command.push_back(c);
    return entry;
}

std::wstring CutArguments(const std::wstring& command) { return CutAfterExtension(command, {L".exe "}); }

WormNameIndex::WormNameIndex(const std::vector<std::wstring>& names) : empty_(names.empty()) {
    firstIndexByUpperName_.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) firstIndexByUpperName_.emplace(UpperCase(names[i]), i);
}

std::optional<WormNameIndex::Match> WormNameIndex::FirstMatch(const std::wstring& command,
                                                              const std::wstring& fileName) const {
    constexpr std::size_t kExtLength = 4;
    if (empty_ || fileName.size() < kExtLength) return std::nullopt;
    const std::size_t nameLength = fileName.size() - kExtLength;
    // UpperCase folds each character alone, exactly as the case-insensitive "contains" compares them,
    // so equal upper-case texts are the texts that test would take as equal.
    const std::wstring upper = UpperCase(command);
    std::optional<Match> best;
    for (Ext ext : {Ext::Exe, Ext::Com}) {
        const wchar_t* extText = ext == Ext::Exe ? L".EXE" : L".COM";
        for (std::size_t at = upper.find(extText); at != std::wstring::npos; at = upper.find(extText, at + 1)) {
            if (at < nameLength) continue;
            auto it = firstIndexByUpperName_.find(upper.substr(at - nameLength, nameLength));
            if (it == firstIndexByUpperName_.end()) continue;
            // Equal indices keep ".exe": it is found first and only a smaller index replaces it.
            if (!best || it->second < best->index) best = Match{it->second, ext};
        }
    }
    return best;
}

}  // namespace pell
