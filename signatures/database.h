// The signature database: its stored block format, the merge into the detection tables, and the
// extra detections appended later.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"

namespace pell {

struct NamedList {
    std::wstring name;
    std::vector<std::wstring> items;
};

struct SignatureDatabase {
    std::vector<NamedList> lists;  // in stored order
    const NamedList* Find(std::wstring_view name) const;
};

// Reads and validates a stored database. On a fault returns false with a message that names the list,
// the item index and the byte offset.
bool ReadDatabase(std::string_view bytes, SignatureDatabase& db, std::wstring& error);

// Fills e.InfectionNames, e.MD5Hashes and e.lstHostInfections from the database (the start-up merge).
bool MergeDatabase(const SignatureDatabase& db, Engine& e, std::wstring& error);

// Appends the MD5 lines of `text` (CR LF or LF separated) to e.MD5Hashes: 32 hexadecimal digits each,
// upper-cased. Any other line is skipped and described in `rejected`. Returns the number appended.
std::size_t AppendExtraDetections(Engine& e, std::string_view text, std::vector<std::wstring>& rejected);

}  // namespace pell
