// The signature database: stored format, merge, extra detections.
#include "signatures/database.h"

namespace pell {

const NamedList* SignatureDatabase::Find(std::wstring_view name) const {
    for (auto& l : lists)
        if (l.name == name) return &l;
    return nullptr;
}

bool ReadDatabase(std::string_view, SignatureDatabase&, std::wstring& error) {
    error = L"not built yet";
    return false;
}

bool MergeDatabase(const SignatureDatabase&, Engine&, std::wstring& error) {
    error = L"not built yet";
    return false;
}

std::size_t AppendExtraDetections(Engine&, std::string_view, std::vector<std::wstring>&) { return 0; }

}  // namespace pell
