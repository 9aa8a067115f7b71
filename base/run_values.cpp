// Listing the values of an autorun key as "name=data" items.
#include "base/run_values.h"

#include "base/registry_walk.h"

namespace pell {

void ListRunValues(System& sys, RegKey key, StringList& items) {
    // The seam returns long data whole, so a command longer than any fixed buffer is listed as written,
    // never cut and never read past what the system returned.
    ForEachValue(sys, key, [&](const RegValue& value) {
        if (value.dataLength == 0) return;
        // A name with a NUL in it cannot be given to the registry functions, which would take the name
        // up to the NUL, another value's: such a value is neither listed nor touched.
        if (value.name.find(L'\0') != std::wstring::npos) return;
        // The data length counts the terminating NUL of a string, which the data itself does not hold.
        // Windows starts the program the data names up to its first NUL; what follows is never run.
        std::wstring data = value.data.substr(0, value.dataLength - 1);
        data = data.substr(0, data.find(L'\0'));
        items.Append(value.name + L"=" + data, value.name);
    });
}

}  // namespace pell
