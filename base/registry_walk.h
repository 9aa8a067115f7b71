// Walking the values or subkeys of an open key until the system says there are no more.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "base/system.h"

namespace pell {

// An index that fails is passed over. A key that fails at every index (deleted underneath the walk, a
// handle gone bad) never answers 259, so this many failures in a row end the walk.
inline constexpr int kMaxFailingIndices = 16;

// Calls visit(item) for every index that enumerate(index, item) fills, in index order.
template <typename Item, typename Enumerate, typename Visit>
void ForEachEnumerated(Enumerate enumerate, Visit visit) {
    int failing = 0;
    for (std::uint32_t index = 0; failing < kMaxFailingIndices; ++index) {
        Item item;
        long rc = enumerate(index, item);
        if (rc == code::NoMoreItems) break;
        if (rc != code::Success) {
            ++failing;
            continue;
        }
        failing = 0;
        visit(std::move(item));
    }
}

// Calls visit(value) for every value that enumerates, in index order.
template <typename Visit>
void ForEachValue(System& sys, RegKey key, Visit visit) {
    auto enumerate = [&](std::uint32_t index, RegValue& value) { return sys.RegEnumValue(key, index, value); };
    ForEachEnumerated<RegValue>(enumerate, visit);
}

// Calls visit(name) for every subkey that enumerates, in index order.
template <typename Visit>
void ForEachSubkey(System& sys, RegKey key, Visit visit) {
    auto enumerate = [&](std::uint32_t index, std::wstring& name) { return sys.RegEnumKey(key, index, name); };
    ForEachEnumerated<std::wstring>(enumerate, visit);
}

}  // namespace pell
