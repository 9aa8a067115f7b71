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
    void Append(std::wstring item) { items_.push_back(std::move(item)); }
    void Clear() { items_.clear(); }
    const std::vector<std::wstring>& Items() const { return items_; }

private:
    std::vector<std::wstring> items_;
};

}  // namespace pell
