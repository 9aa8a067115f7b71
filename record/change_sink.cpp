// Value deletion with the value read first, so the record can put it back.
#include "record/change_sink.h"

namespace pell {

long DeleteValueAndRecord(System& sys, ChangeSink& sink, ValueKind kind, RegRoot root, const std::wstring& keyPath,
                          RegKey key, const std::wstring& name) {
    RecordedValue before;
    before.root = root;
    before.key = keyPath;
    before.name = name;
    before.read = sys.RegQueryValue(key, name, before.type, before.data) == code::Success;
    const long rc = sys.RegDeleteValue(key, name);
    if (rc == code::Success) sink.ValueDeleted(kind, before);
    return rc;
}

std::vector<std::uint8_t> StringValueBytes(const std::wstring& text) {
    std::vector<std::uint8_t> bytes;
    for (wchar_t c : text + L'\0') {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    return bytes;
}

}  // namespace pell
