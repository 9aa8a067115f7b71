// Listing the values of an autorun key as "name=data" items of lstKeys.
#include "smartscan/run_values.h"

namespace pell {

void ListRunValues(Engine& e, RegKey key) {
    // The seam returns long data whole, so a command longer than any fixed buffer is listed as written.
    // The index only ever rises, so a key that keeps answering errors other than 259 is still finite as
    // long as the system ends its enumeration; the bound guards against one that never does.
    constexpr std::uint32_t kMaxValues = 1u << 20;
    for (std::uint32_t index = 0; index < kMaxValues; ++index) {
        RegValue value;
        long rc = e.sys.RegEnumValue(key, index, value);
        if (rc == code::NoMoreItems) break;
        if (rc != code::Success || value.dataLength == 0) continue;
        e.lstKeys.Append(value.name + L"=" + value.data.substr(0, value.dataLength - 1));
    }
}

}  // namespace pell
