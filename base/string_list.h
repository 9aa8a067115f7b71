// An ordered list of strings as the run uses it: count, item, append, clear; never sorted, never de-duplicated.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pell {

class StringList {
public:
    std::size_t Count() const { return items_.size(); }
    const std::wstring& Item(std::size_t index) const { return items_.at(index); }
    void Append(std::wstring item) { Append(std::move(item), {}); }
    // An item with the name of what it was made from, kept beside it: lstKeys keeps the real name of
    // the registry value whose "name=data" text the item is, since a name may itself hold "=".
    void Append(std::wstring item, std::wstring sourceName) {
        items_.push_back(std::move(item));
        sourceNames_.push_back(std::move(sourceName));
    }
    // The name given with the item; empty when it was appended without one.
    const std::wstring& SourceName(std::size_t index) const { return sourceNames_.at(index); }
    void Clear() {
        items_.clear();
        sourceNames_.clear();
    }
    const std::vector<std::wstring>& Items() const { return items_; }

private:
    std::vector<std::wstring> items_;
    std::vector<std::wstring> sourceNames_;
};

}  // namespace pell
