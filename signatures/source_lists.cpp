// The source-list parser and the database compiler.
#include "signatures/source_lists.h"

#include <fstream>
#include <set>
#include <sstream>

#include "base/text.h"
#include "signatures/denylist.h"

namespace pell {

namespace {

// Keeps every path the run builds from a name (folder + name + extension) far inside the path limit.
constexpr std::size_t kLongestName = 100;

std::wstring Where(std::string_view label, std::size_t line) {
    return Utf8ToWide(label) + L":" + std::to_wstring(line) + L": ";
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One item line; returns an empty text on success, otherwise what is wrong.
std::wstring ParseItemLine(std::string_view line, SourceItem& item) {
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size() || line[i] != '"') return L"an item line must start with a double quote";
    ++i;
    std::string bytes;
    bool closed = false;
    while (i < line.size()) {
        const char c = line[i];
        const auto u = static_cast<unsigned char>(c);
        if (c == '"') {
            closed = true;
            ++i;
            break;
        }
        if (c == '\\') {
            if (i + 1 >= line.size()) return L"a backslash ends the line inside the quotes";
            const char e = line[i + 1];
            if (e == '"' || e == '\\') {
                bytes.push_back(e);
                i += 2;
                continue;
            }
            if (e == 'x' && i + 3 < line.size() && HexDigitValue(line[i + 2]) >= 0 && HexDigitValue(line[i + 3]) >= 0) {
                bytes.push_back(static_cast<char>(HexDigitValue(line[i + 2]) * 16 + HexDigitValue(line[i + 3])));
                i += 4;
                continue;
            }
            return L"unknown escape at column " + std::to_wstring(i + 1) + L" (use \\\", \\\\ or \\xHH)";
        }
        if (u < 0x20 || u > 0x7E)
            return L"the byte at column " + std::to_wstring(i + 1) + L" must be written as \\xHH";
        bytes.push_back(c);
        ++i;
    }
    if (!closed) return L"the closing double quote is missing";
    const std::size_t afterQuote = i;
    while (i < line.size() && IsBlank(line[i])) ++i;
    constexpr std::string_view kSource = "source:";
    if (line.substr(i, kSource.size()) != kSource)
        return L"the item must be followed by \"source:\" and where it comes from";
    if (i == afterQuote) return L"put a blank between the closing quote and \"source:\"";
    i += kSource.size();
    std::string_view source = line.substr(i);
    while (!source.empty() && IsBlank(source.front())) source.remove_prefix(1);
    while (!source.empty() && IsBlank(source.back())) source.remove_suffix(1);
    if (source.empty()) return L"the source is empty";
    for (char c : source)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return L"the source holds a control character";
    item.text = Cp1252ToWide(bytes);
    item.source.assign(source);
    return {};
}

std::wstring CheckName(const std::wstring& name) {
    if (name.empty()) return L"an empty name";
    if (name.size() > kLongestName) return L"a name longer than " + std::to_wstring(kLongestName) + L" characters";
    if (TrimBlanks(name).empty()) return L"a name made only of blanks";
    for (wchar_t c : name) {
        if (c < 0x20 || c == 0x7F) return L"a control character in a name";
        // A path separator would let a name reach other folders; the others cannot be in a file name.
        if (c == L'\\' || c == L'/' || c == L'*' || c == L'<' || c == L'>' || c == L'|' || c == L'"')
            return L"the character '" + std::wstring(1, c) + L"' cannot be part of a worm file name";
    }
    return DenylistReason(name);
}

std::wstring CheckHash(const std::wstring& hash) {
    if (!IsHexDigest(hash)) return L"not 32 hexadecimal digits";
    if (UpperCase(hash) != hash) return L"digests are written in upper case";
    return {};
}

// Host items are matched as case-insensitive substrings of hosts-file lines, so a short or odd item would
// remove lines it was never meant for.
std::wstring CheckHost(const std::wstring& host) {
    if (host.size() < 4 || host.size() > 253) return L"a host name of 4 to 253 characters is expected";
    for (wchar_t c : host)
        if (!((c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'.' || c == L'-'))
            return L"host names are lower-case letters, digits, dots and hyphens";
    if (host.find(L'.') == std::wstring::npos) return L"a host name without a dot";
    if (host.front() == L'.' || host.front() == L'-' || host.back() == L'.' || host.back() == L'-')
        return L"a host name cannot start or end with a dot or a hyphen";
    return {};
}

bool ParseFile(const SourceSet& sources, std::string_view file, std::vector<SourceItem>& items,
               std::vector<std::wstring>& errors) {
    auto it = sources.find(std::string(file));
    if (it == sources.end()) {
        errors.push_back(Utf8ToWide(file) + L": the source file is missing");
        return false;
    }
    return ParseSourceList(it->second, file, items, errors);
}

template <class Check>
void CheckItems(std::string_view file, const std::vector<SourceItem>& items, Check check,
                std::vector<std::wstring>& errors) {
    for (const auto& item : items) {
        std::wstring why = check(item.text);
        if (!why.empty()) errors.push_back(Where(file, item.line) + Utf8ToWide(QuoteItem(item.text)) + L" refused: " + why);
    }
}

std::vector<std::wstring> Texts(const std::vector<SourceItem>& items) {
    std::vector<std::wstring> out;
    out.reserve(items.size());
    for (const auto& i : items) out.push_back(i.text);
    return out;
}

}  // namespace

bool ParseSourceList(std::string_view fileText, std::string_view label, std::vector<SourceItem>& items,
                     std::vector<std::wstring>& errors) {
    const std::size_t before = errors.size();
    std::size_t lineNo = 0;
    for (const TextLine<char>& split : SplitLines(fileText, LineBreaks::Lf)) {
        const std::string_view line = split.text;
        ++lineNo;
        std::size_t i = 0;
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i == line.size() || line[i] == '#') continue;
        SourceItem item;
        item.line = lineNo;
        std::wstring why = ParseItemLine(line, item);
        if (!why.empty())
            errors.push_back(Where(label, lineNo) + why);
        else
            items.push_back(std::move(item));
    }
    return errors.size() == before;
}

std::string QuoteItem(std::wstring_view item) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out = "\"";
    for (unsigned char b : WideToCp1252(item)) {
        if (b == '"' || b == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(b));
        } else if (b >= 0x20 && b <= 0x7E) {
            out.push_back(static_cast<char>(b));
        } else {
            out += "\\x";
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 15]);
        }
    }
    out.push_back('"');
    return out;
}

bool CompileSources(const SourceSet& sources, std::string& bytes, std::vector<std::wstring>& errors,
                    CompileSummary* summary) {
    const std::size_t before = errors.size();
    std::vector<SourceItem> names[3], hashes, hosts;
    for (int k = 0; k < 3; ++k) {
        ParseFile(sources, kNameSourceFiles[k], names[k], errors);
        CheckItems(kNameSourceFiles[k], names[k], CheckName, errors);
    }
    ParseFile(sources, kHashSourceFile, hashes, errors);
    CheckItems(kHashSourceFile, hashes, CheckHash, errors);
    ParseFile(sources, kHostSourceFile, hosts, errors);
    CheckItems(kHostSourceFile, hosts, CheckHost, errors);

    std::set<std::wstring> seen;
    for (const auto& h : hashes)
        if (!seen.insert(h.text).second)
            errors.push_back(Where(kHashSourceFile, h.line) + h.text + L" is listed twice");
    std::size_t nameTotal = names[0].size() + names[1].size() + names[2].size();
    if (nameTotal > kMaxMergedEntries)
        errors.push_back(L"the name lists hold " + std::to_wstring(nameTotal) + L" items; at most 32767 merge");
    if (hashes.size() > kMaxMergedEntries)
        errors.push_back(L"the hash list holds " + std::to_wstring(hashes.size()) + L" items; at most 32767 merge");
    if (hosts.size() > 0xFFFF) errors.push_back(L"the host list holds more than 65535 items");
    if (errors.size() != before) return false;

    SignatureDatabase db = SignatureDatabase::Empty();
    for (int k = 0; k < 3; ++k) db.Find(kNameLists[k])->items = Texts(names[k]);
    DistributeHashes(Texts(hashes), db);
    db.Find(L"lstHostInfections")->items = Texts(hosts);

    std::string out;
    std::wstring error;
    if (!WriteDatabase(db, out, error)) {
        errors.push_back(error);
        return false;
    }
    // The program must accept what we ship, and give back exactly what the sources say.
    SignatureDatabase back;
    MergedTables merged;
    if (!ReadDatabase(out, back, error) || !MergeTables(back, merged, error)) {
        errors.push_back(L"the program's reader refuses the compiled file: " + error);
        return false;
    }
    for (const auto& list : db.lists) {
        if (back.Find(list.name) == nullptr || back.Find(list.name)->items != list.items) {
            errors.push_back(L"list " + list.name + L" does not read back as written");
            return false;
        }
    }
    if (summary != nullptr) {
        for (int k = 0; k < 3; ++k) summary->names[k] = names[k].size();
        summary->hashes = hashes.size();
        summary->hosts = hosts.size();
    }
    bytes = std::move(out);
    return true;
}

bool ReadSourceFolder(const std::filesystem::path& folder, SourceSet& sources, std::vector<std::wstring>& errors) {
    std::vector<std::string_view> files(std::begin(kNameSourceFiles), std::end(kNameSourceFiles));
    files.push_back(kHashSourceFile);
    files.push_back(kHostSourceFile);
    bool ok = true;
    for (auto f : files) {
        std::ifstream in(folder / std::string(f), std::ios::binary);
        if (!in) {
            errors.push_back(Utf8ToWide((folder / std::string(f)).string()) + L": cannot be read");
            ok = false;
            continue;
        }
        std::stringstream ss;
        ss << in.rdbuf();
        sources[std::string(f)] = ss.str();
    }
    return ok;
}

}  // namespace pell
