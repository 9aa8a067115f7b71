// sigc: compiles the signature source lists into the stored database file, and prints a stored file.
//
//   sigc SOURCE_FOLDER OUTPUT_FILE   compile; refuses faulty or denylisted items and writes nothing then
//   sigc --print DATABASE_FILE       print every list with its count and items, then the merged sizes
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/text.h"
#include "signatures/database.h"
#include "signatures/source_lists.h"

namespace {

using namespace pell;

int Usage() {
    std::fputs("usage: sigc SOURCE_FOLDER OUTPUT_FILE\n       sigc --print DATABASE_FILE\n", stderr);
    return 2;
}

void Err(const std::wstring& text) { std::fprintf(stderr, "sigc: %s\n", WideToUtf8(text).c_str()); }

int Print(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        Err(Utf8ToWide(file.string()) + L": cannot be read");
        return 1;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string bytes = ss.str();
    SignatureDatabase db;
    MergedTables merged;
    std::wstring error;
    if (!ReadDatabase(bytes, db, error) || !MergeTables(db, merged, error)) {
        Err(error);
        return 1;
    }
    std::printf("database %s: %zu bytes, %zu lists\n", file.filename().string().c_str(), bytes.size(),
                db.lists.size());
    for (const auto& list : db.lists) {
        std::size_t longest = 0;
        for (const auto& item : list.items) longest = std::max(longest, WideToCp1252(item).size());
        std::printf("\n%s: %zu items", WideToUtf8(list.name).c_str(), list.items.size());
        if (!list.items.empty()) std::printf(", longest %zu", longest);
        std::printf("\n");
        for (std::size_t i = 0; i < list.items.size(); ++i)
            std::printf("  %4zu %s\n", i, QuoteItem(list.items[i]).c_str());
    }
    std::printf("\nInfectionNames: %zu entries\nMD5Hashes: %zu entries\nlstHostInfections: %zu entries\n",
                merged.infectionNames.size(), merged.md5Hashes.size(), merged.hostInfections.size());
    return 0;
}

int Compile(const std::filesystem::path& folder, const std::filesystem::path& output) {
    SourceSet sources;
    std::vector<std::wstring> errors;
    std::string bytes;
    CompileSummary summary;
    if (!ReadSourceFolder(folder, sources, errors) || !CompileSources(sources, bytes, errors, &summary)) {
        for (const auto& e : errors) Err(e);
        Err(std::to_wstring(errors.size()) + L" fault(s); no database written");
        return 1;
    }
    // Write beside the target and rename, so a failed write never leaves half a database behind.
    std::filesystem::path temp = output;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            Err(Utf8ToWide(temp.string()) + L": cannot be written");
            return 1;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, output, ec);
    if (ec) {
        Err(Utf8ToWide(output.string()) + L": " + Utf8ToWide(ec.message()));
        return 1;
    }
    std::printf("sigc: %s: %zu + %zu + %zu names, %zu digests, %zu hosts, %zu bytes\n",
                output.filename().string().c_str(), summary.names[0], summary.names[1], summary.names[2],
                summary.hashes, summary.hosts, bytes.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--print") return Print(argv[2]);
    if (argc == 3 && argv[1][0] != '-') return Compile(argv[1], argv[2]);
    return Usage();
}
