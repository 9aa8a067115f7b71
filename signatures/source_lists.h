// The readable source lists the database is compiled from, and the compiler that turns them into the
// stored block file.
//
// One file per list, one item per line:
//     "csrss "<blanks>source: I-Worm.Melare, https://...
// The item stands between double quotes, so leading and trailing blanks stay visible and no editor trims
// them. Inside the quotes only printable ASCII is written as it is; \" is a quote, \\ a backslash and
// \xHH the Windows-1252 byte HH (accented letters). Every item names its source after "source:".
// Empty lines and lines starting with # are comments.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "signatures/database.h"

namespace pell {

struct SourceItem {
    std::wstring text;
    std::string source;
    std::size_t line = 0;
};

// Parses the text of one source file. Every fault is appended to `errors` as "label:line: what"; the
// result is true when there was none.
bool ParseSourceList(std::string_view fileText, std::string_view label, std::vector<SourceItem>& items,
                     std::vector<std::wstring>& errors);

// An item in the quoted form the source files use (also how the list printer shows items).
std::string QuoteItem(std::wstring_view item);

// The source files, by file name, as the compiler reads them from a folder.
using SourceSet = std::map<std::string, std::string>;
inline constexpr std::string_view kNameSourceFiles[3] = {"lstInfections.txt", "lstInfections2.txt",
                                                         "lstInfections3.txt"};
inline constexpr std::string_view kHashSourceFile = "MD5Hashes.txt";  // spread over lstMD5 .. lstMD56
inline constexpr std::string_view kHostSourceFile = "lstHostInfections.txt";

struct CompileSummary {
    std::size_t names[3] = {0, 0, 0};
    std::size_t hashes = 0;
    std::size_t hosts = 0;
};

// Checks every item (format, the denylist of genuine names), builds the database, writes it, reads the
// result back with the program's own reader and merge and compares it with the sources item by item.
bool CompileSources(const SourceSet& sources, std::string& bytes, std::vector<std::wstring>& errors,
                    CompileSummary* summary = nullptr);

// Reads the five source files of `folder` and compiles them.
bool ReadSourceFolder(const std::filesystem::path& folder, SourceSet& sources, std::vector<std::wstring>& errors);

}  // namespace pell
