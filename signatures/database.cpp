// The signature database: stored format, merge, extra detections.
#include "signatures/database.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <span>
#include <type_traits>
#include <utility>

#include "base/text.h"

namespace pell {

namespace {

std::wstring Num(std::size_t n) { return std::to_wstring(n); }

// Every refusal has the same shape so that a user, a log and a test can all read where the file broke.
std::wstring Fault(std::wstring_view list, std::wstring_view item, std::size_t offset, std::wstring_view what) {
    // A name read from a broken file can be 65535 bytes long: show enough of it to recognise it.
    constexpr std::size_t kShownName = 40;
    std::wstring m = L"signature database refused: list ";
    if (list.empty())
        m += L"-";
    else if (list.size() > kShownName)
        m += std::wstring(list.substr(0, kShownName)) + L"...";
    else
        m += list;
    m += L", item ";
    m += item;
    m += L", byte ";
    m += Num(offset);
    m += L": ";
    m += what;
    return m;
}

int StoredIndex(std::wstring_view name) {
    for (std::size_t i = 0; i < kStoredListOrder.size(); ++i)
        if (kStoredListOrder[i] == name) return static_cast<int>(i);
    return -1;
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    std::size_t Offset() const { return pos_; }
    std::size_t Left() const { return bytes_.size() - pos_; }
    bool AtEnd() const { return pos_ == bytes_.size(); }
    bool U16(std::uint16_t& v) {
        if (Left() < 2) return false;
        v = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes_[pos_]) |
                                       (static_cast<unsigned char>(bytes_[pos_ + 1]) << 8));
        pos_ += 2;
        return true;
    }
    std::string_view Take(std::size_t n) {
        std::string_view s = bytes_.substr(pos_, n);
        pos_ += n;
        return s;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

void PutU16(std::string& out, std::size_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

// A name block: 16-bit length, ASCII bytes, a zero byte. Names are identifiers, so anything outside
// printable ASCII means the file is not what it claims to be.
bool ReadName(Reader& r, std::wstring_view expected, std::wstring& name, std::wstring& error) {
    const std::size_t at = r.Offset();
    std::uint16_t len = 0;
    if (!r.U16(len)) {
        error = Fault(expected, L"-", at, L"the file ends where the list's name block should begin");
        return false;
    }
    if (len == 0 || len > r.Left()) {
        error = Fault(expected, L"-", at,
                      len == 0 ? std::wstring(L"the list name is empty")
                               : L"the name length " + Num(len) + L" runs past the end of the file");
        return false;
    }
    std::string_view raw = r.Take(len);
    for (char c : raw) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x21 || u > 0x7E) {
            error = Fault(expected, L"-", at + 2, L"the list name is not printable ASCII");
            return false;
        }
    }
    name.assign(raw.begin(), raw.end());
    const std::size_t zeroAt = r.Offset();
    if (r.Left() < 1 || r.Take(1)[0] != '\0') {
        error = Fault(name, L"-", zeroAt, L"the list name is not followed by its zero byte");
        return false;
    }
    return true;
}

bool ReadItems(Reader& r, NamedList& list, std::wstring& error) {
    const std::size_t countAt = r.Offset();
    std::uint16_t count = 0;
    if (!r.U16(count)) {
        error = Fault(list.name, L"-", countAt, L"the file ends inside the item count");
        return false;
    }
    if (count == 0) return true;
    const std::size_t longestAt = r.Offset();
    std::uint16_t longest = 0;
    if (!r.U16(longest)) {
        error = Fault(list.name, L"-", longestAt, L"the file ends inside the longest-item field");
        return false;
    }
    // Each item needs at least its two length bytes, so a count that cannot fit is refused up front.
    if (static_cast<std::size_t>(count) * 2 > r.Left()) {
        error = Fault(list.name, L"-", countAt,
                      L"the item count " + Num(count) + L" runs past the end of the file (" + Num(r.Left()) +
                          L" bytes left)");
        return false;
    }
    list.items.reserve(count);
    std::size_t actualLongest = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t itemAt = r.Offset();
        std::uint16_t len = 0;
        if (!r.U16(len)) {
            error = Fault(list.name, Num(i), itemAt, L"the file ends inside the item length");
            return false;
        }
        if (len > r.Left()) {
            error = Fault(list.name, Num(i), itemAt,
                          L"the item length " + Num(len) + L" runs past the end of the file (" + Num(r.Left()) +
                              L" bytes left)");
            return false;
        }
        list.items.push_back(Cp1252ToWide(r.Take(len)));
        actualLongest = std::max<std::size_t>(actualLongest, len);
    }
    if (actualLongest != longest) {
        error = Fault(list.name, L"-", longestAt,
                      L"the longest-item field says " + Num(longest) + L" but the longest item has " +
                          Num(actualLongest) + L" bytes");
        return false;
    }
    return true;
}

template <class Db>
std::vector<std::wstring> Concatenate(Db& db, std::span<const std::wstring_view> names) {
    std::vector<std::wstring> out;
    std::size_t total = 0;
    for (auto n : names) total += db.Find(n)->items.size();
    out.reserve(total);
    for (auto n : names) {
        auto& items = db.Find(n)->items;
        if constexpr (std::is_const_v<Db>)
            out.insert(out.end(), items.begin(), items.end());
        else
            out.insert(out.end(), std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
    }
    return out;
}

// Everything the merge refuses, checked before anything is copied.
bool CheckMergeable(const SignatureDatabase& db, std::wstring& error);

// The merge proper; a database that is not const gives its items up instead of copying them.
template <class Db>
bool Merge(Db& db, MergedTables& out, std::wstring& error) {
    if (!CheckMergeable(db, error)) return false;
    out.infectionNames = Concatenate(db, kNameLists);
    out.md5Hashes = Concatenate(db, kHashLists);
    if constexpr (std::is_const_v<Db>)
        out.hostInfections = db.Find(L"lstHostInfections")->items;
    else
        out.hostInfections = std::move(db.Find(L"lstHostInfections")->items);
    return true;
}

}  // namespace

const NamedList* SignatureDatabase::Find(std::wstring_view name) const {
    for (auto& l : lists)
        if (l.name == name) return &l;
    return nullptr;
}

NamedList* SignatureDatabase::Find(std::wstring_view name) {
    for (auto& l : lists)
        if (l.name == name) return &l;
    return nullptr;
}

SignatureDatabase SignatureDatabase::Empty() {
    SignatureDatabase db;
    for (auto n : kStoredListOrder) db.lists.push_back(NamedList{std::wstring(n), {}});
    return db;
}

bool ReadDatabase(std::string_view bytes, SignatureDatabase& db, std::wstring& error) {
    if (bytes.empty()) {
        error = Fault(kStoredListOrder[0], L"-", 0, L"the file is empty");
        return false;
    }
    Reader r(bytes);
    SignatureDatabase read;
    for (std::size_t k = 0; k < kStoredListOrder.size(); ++k) {
        const std::wstring_view expected = kStoredListOrder[k];
        if (r.AtEnd()) {
            error = Fault(expected, L"-", r.Offset(), L"the list is missing (the file ends before it)");
            return false;
        }
        const std::size_t blockAt = r.Offset();
        NamedList list;
        if (!ReadName(r, expected, list.name, error)) return false;
        if (list.name != expected) {
            const int index = StoredIndex(list.name);
            std::wstring what;
            if (index < 0)
                what = L"unknown list where " + std::wstring(expected) + L" should stand";
            else if (static_cast<std::size_t>(index) < k)
                what = L"the list is stored twice (" + std::wstring(expected) + L" should stand here)";
            else
                what = L"the list is out of order: " + std::wstring(expected) + L" should stand here";
            error = Fault(list.name, L"-", blockAt, what);
            return false;
        }
        if (!ReadItems(r, list, error)) return false;
        read.lists.push_back(std::move(list));
    }
    if (!r.AtEnd()) {
        error = Fault(kStoredListOrder.back(), L"-", r.Offset(),
                      Num(r.Left()) + L" trailing bytes after the last list");
        return false;
    }
    db = std::move(read);
    return true;
}

bool WriteDatabase(const SignatureDatabase& db, std::string& bytes, std::wstring& error) {
    std::string out;
    for (const auto& list : db.lists) {
        if (list.name.empty() || list.name.size() > 0xFFFF) {
            error = L"list name \"" + list.name + L"\" cannot be stored";
            return false;
        }
        PutU16(out, list.name.size());
        for (wchar_t c : list.name) {
            if (c < 0x21 || c > 0x7E) {
                error = L"list name \"" + list.name + L"\" is not printable ASCII";
                return false;
            }
            out.push_back(static_cast<char>(c));
        }
        out.push_back('\0');
        if (list.items.size() > 0xFFFF) {
            error = L"list " + list.name + L" has " + Num(list.items.size()) + L" items; at most 65535 fit";
            return false;
        }
        PutU16(out, list.items.size());
        if (list.items.empty()) continue;
        std::vector<std::string> encoded;
        encoded.reserve(list.items.size());
        std::size_t longest = 0;
        for (std::size_t i = 0; i < list.items.size(); ++i) {
            std::string b = WideToCp1252(list.items[i]);
            if (Cp1252ToWide(b) != list.items[i]) {
                error = L"list " + list.name + L", item " + Num(i) + L": not Windows-1252 text";
                return false;
            }
            if (b.size() > 0xFFFF) {
                error = L"list " + list.name + L", item " + Num(i) + L": longer than 65535 bytes";
                return false;
            }
            longest = std::max(longest, b.size());
            encoded.push_back(std::move(b));
        }
        PutU16(out, longest);
        for (const auto& b : encoded) {
            PutU16(out, b.size());
            out += b;
        }
    }
    bytes = std::move(out);
    return true;
}

void DistributeHashes(const std::vector<std::wstring>& hashes, SignatureDatabase& db) {
    std::size_t next = 0;
    for (std::size_t k = 0; k < kHashLists.size(); ++k) {
        NamedList* list = db.Find(kHashLists[k]);
        if (list == nullptr) {
            db.lists.push_back(NamedList{std::wstring(kHashLists[k]), {}});
            list = &db.lists.back();
        }
        const bool last = k + 1 == kHashLists.size();
        const std::size_t take = last ? hashes.size() - next : std::min(kHashesPerList, hashes.size() - next);
        list->items.assign(hashes.begin() + static_cast<std::ptrdiff_t>(next),
                           hashes.begin() + static_cast<std::ptrdiff_t>(next + take));
        next += take;
    }
}

namespace {

bool CheckMergeable(const SignatureDatabase& db, std::wstring& error) {
    for (auto n : kStoredListOrder) {
        const NamedList* list = db.Find(n);
        if (list == nullptr) {
            error = L"signature database refused: list " + std::wstring(n) + L" is missing";
            return false;
        }
        if (std::find(kRunTimeLists.begin(), kRunTimeLists.end(), n) != kRunTimeLists.end() &&
            !list->items.empty()) {
            error = L"signature database refused: list " + std::wstring(n) + L" is filled at run time and must be "
                    L"stored empty, but holds " + Num(list->items.size()) + L" items";
            return false;
        }
    }
    auto sum = [&](std::span<const std::wstring_view> names) {
        std::size_t total = 0;
        for (auto n : names) total += db.Find(n)->items.size();
        return total;
    };
    const std::size_t names = sum(kNameLists), hashes = sum(kHashLists);
    if (names > kMaxMergedEntries) {
        error = L"signature database refused: InfectionNames would hold " + Num(names) +
                L" entries; at most 32767 can be merged";
        return false;
    }
    if (hashes > kMaxMergedEntries) {
        error = L"signature database refused: MD5Hashes would hold " + Num(hashes) +
                L" entries; at most 32767 can be merged";
        return false;
    }
    const auto& hosts = db.Find(L"lstHostInfections")->items;
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        if (hosts[i].empty()) {
            error = L"signature database refused: list lstHostInfections, item " + Num(i) +
                    L" is empty and would match every line of the hosts file";
            return false;
        }
    }
    return true;
}

}  // namespace

bool MergeTables(const SignatureDatabase& db, MergedTables& out, std::wstring& error) { return Merge(db, out, error); }

namespace {

bool MergeInto(MergedTables& t, DetectionTables& tables) {
    tables.InfectionNames = std::move(t.infectionNames);
    tables.MD5Hashes = std::move(t.md5Hashes);
    tables.lstHostInfections.Clear();
    for (auto& h : t.hostInfections) tables.lstHostInfections.Append(std::move(h));
    return true;
}

}  // namespace

bool MergeDatabase(const SignatureDatabase& db, DetectionTables& tables, std::wstring& error) {
    MergedTables t;
    return Merge(db, t, error) && MergeInto(t, tables);
}

bool LoadSignatures(std::string_view bytes, DetectionTables& tables, std::wstring& error) {
    SignatureDatabase db;
    MergedTables t;
    return ReadDatabase(bytes, db, error) && Merge(db, t, error) && MergeInto(t, tables);
}

bool IsHexDigest(std::wstring_view text) {
    if (text.size() != 32) return false;
    return std::all_of(text.begin(), text.end(), [](wchar_t c) {
        return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f');
    });
}

std::size_t AppendExtraDetections(DetectionTables& tables, std::string_view text, std::vector<std::wstring>& rejected) {
    std::size_t appended = 0, lineNo = 0;
    for (const TextLine<char>& split : SplitLines(text, LineBreaks::Lf)) {
        const std::string_view line = split.text;
        ++lineNo;
        if (!line.empty()) {
            std::wstring item = Cp1252ToWide(line);
            if (IsHexDigest(item)) {
                tables.MD5Hashes.push_back(UpperCase(item));
                ++appended;
            } else {
                // Quote only a bounded, printable excerpt: the text comes from the network.
                std::wstring shown;
                for (wchar_t c : item.substr(0, 40)) shown.push_back(c < 0x20 ? L'?' : c);
                rejected.push_back(L"extra detections: line " + Num(lineNo) + L" skipped, not 32 hexadecimal "
                                   L"digits: \"" + shown + (item.size() > 40 ? L"...\"" : L"\""));
            }
        }
    }
    return appended;
}

}  // namespace pell
