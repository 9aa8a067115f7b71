// Listing the values of an autorun key as "name=data" items of lstKeys.
#include "smartscan/run_values.h"

namespace pell {

void ListRunValues(Engine& e, RegKey key) {
    // The seam returns long data whole, so a command longer than any fixed buffer is listed as written,
    // never cut and never read past what the system returned.
    // An index that fails is passed over; a key that fails at every index (deleted underneath us, or a
    // handle gone bad) would never answer 259, so a long run of failures ends the listing.
    constexpr std::uint32_t kMaxValues = 1u << 20;
    constexpr std::uint32_t kMaxFailuresInARow = 256;
    std::uint32_t failuresInARow = 0;
    for (std::uint32_t index = 0; index < kMaxValues; ++index) {
        RegValue value;
        long rc = e.sys.RegEnumValue(key, index, value);
        if (rc == code::NoMoreItems) break;
        if (rc != code::Success) {
            if (++failuresInARow == kMaxFailuresInARow) break;
            continue;
        }
        failuresInARow = 0;
        if (value.dataLength == 0) continue;
        // The data length counts the terminating NUL of a string, which the data itself does not hold.
        e.lstKeys.Append(value.name + L"=" + value.data.substr(0, value.dataLength - 1));
    }
}

}  // namespace pell
