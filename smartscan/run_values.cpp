// Listing the values of an autorun key as "name=data" items of lstKeys.
#include "smartscan/run_values.h"

#include "engine/registry_walk.h"

namespace pell {

void ListRunValues(Engine& e, RegKey key) {
    // The seam returns long data whole, so a command longer than any fixed buffer is listed as written,
    // never cut and never read past what the system returned.
    ForEachValue(e.sys, key, [&](const RegValue& value) {
        if (value.dataLength == 0) return;
        // The data length counts the terminating NUL of a string, which the data itself does not hold.
        e.lstKeys.Append(value.name + L"=" + value.data.substr(0, value.dataLength - 1));
    });
}

}  // namespace pell
