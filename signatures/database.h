// The signature database: its stored block format, the merge into the detection tables, and the
// extra detections appended later.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/string_list.h"
#include "signatures/detection_tables.h"

namespace pell {

struct NamedList {
    std::wstring name;
    std::vector<std::wstring> items;
};

struct SignatureDatabase {
    std::vector<NamedList> lists;  // in stored order
    const NamedList* Find(std::wstring_view name) const;
    NamedList* Find(std::wstring_view name);

    // The fourteen lists in their stored order, all empty.
    static SignatureDatabase Empty();
};

// The lists in the order the file stores them (the order they stand on the hidden form).
inline constexpr std::array<std::wstring_view, 14> kStoredListOrder = {
    L"lstMD56",        L"lstMD55",         L"lstMD54",        L"lstMD53",           L"lstMD52",
    L"lstIdentifiedByMD5", L"lstMD5",      L"lstInfections3", L"lstHostFile",       L"lstInfections2",
    L"lstInfectedKeys", L"lstHostInfections", L"lstInfections", L"lstKeys"};

// The merge order of the two detection tables.
inline constexpr std::array<std::wstring_view, 3> kNameLists = {L"lstInfections", L"lstInfections2",
                                                                L"lstInfections3"};
inline constexpr std::array<std::wstring_view, 6> kHashLists = {L"lstMD5",  L"lstMD52", L"lstMD53",
                                                                L"lstMD54", L"lstMD55", L"lstMD56"};
// Lists the running program fills itself (or never uses); a database must store them empty.
inline constexpr std::array<std::wstring_view, 4> kRunTimeLists = {L"lstIdentifiedByMD5", L"lstHostFile",
                                                                   L"lstInfectedKeys", L"lstKeys"};

// The merge counts entries in 16-bit signed numbers.
inline constexpr std::size_t kMaxMergedEntries = 32767;
// Each hash list holds at most this many items; the last one takes whatever is left.
inline constexpr std::size_t kHashesPerList = 882;

// Reads and validates a stored database. On a fault returns false with a message that names the list,
// the item index and the byte offset; `db` is then left as it was.
bool ReadDatabase(std::string_view bytes, SignatureDatabase& db, std::wstring& error);

// Writes `db` in the stored format, lists in the order they stand in `db.lists` (so tests can also
// write them out of order). Fails when an item is not Windows-1252 text or a count or length does not
// fit its 16-bit field.
bool WriteDatabase(const SignatureDatabase& db, std::string& bytes, std::wstring& error);

// Spreads `hashes` over the six hash lists of `db`: at most 882 in each of lstMD5 .. lstMD55 in that
// order, the rest in lstMD56.
void DistributeHashes(const std::vector<std::wstring>& hashes, SignatureDatabase& db);

// The start-up merge into plain tables; what MergeDatabase does, without replacing any tables.
struct MergedTables {
    std::vector<std::wstring> infectionNames;
    std::vector<std::wstring> md5Hashes;
    std::vector<std::wstring> hostInfections;
};
bool MergeTables(const SignatureDatabase& db, MergedTables& out, std::wstring& error);

// Fills InfectionNames, MD5Hashes and lstHostInfections from the database (the start-up merge).
// Refuses (and changes nothing) when a list is missing, a merged table would exceed 32767 entries, a
// run-time list is not stored empty, or a host item is empty (it would match every hosts line).
bool MergeDatabase(const SignatureDatabase& db, DetectionTables& tables, std::wstring& error);

// ReadDatabase followed by MergeDatabase: what a program does with its bound database at start-up.
bool LoadSignatures(std::string_view bytes, DetectionTables& tables, std::wstring& error);

// Appends the MD5 lines of `text` (CR LF or LF separated) to MD5Hashes: 32 hexadecimal digits each,
// upper-cased. Empty lines are passed over silently; any other line is skipped and described in
// `rejected` with its 1-based line number. Returns the number appended.
std::size_t AppendExtraDetections(DetectionTables& tables, std::string_view text, std::vector<std::wstring>& rejected);

// Whether `text` is 32 hexadecimal digits (any case).
bool IsHexDigest(std::wstring_view text);

}  // namespace pell
