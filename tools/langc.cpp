// langc: turns a translation source (UTF-8) into its resource form: the maker's site filled in, lines
// joined by CR LF with no break after the last, in the language's code page. A file that breaks the
// line rules, or holds a character its code page lacks, is refused with its file, line and character,
// and nothing is written.
//
//   langc SOURCE OUTPUT CODEPAGE MAKER_SITE     CODEPAGE as a number: 1252, 936, ...
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "i18n/translation_source.h"

namespace {

using namespace pell;

// One converter from UTF-32 to a code page, fed a character at a time so that a refusal names it.
class CodePageEncoder {
public:
    explicit CodePageEncoder(int codePage)
        : cd_(iconv_open(("CP" + std::to_string(codePage)).c_str(), "UTF-32LE")) {}
    ~CodePageEncoder() {
        if (Valid()) iconv_close(cd_);
    }
    CodePageEncoder(const CodePageEncoder&) = delete;
    CodePageEncoder& operator=(const CodePageEncoder&) = delete;

    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    bool Append(char32_t c, std::string& out) {
        char in[4] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                      static_cast<char>((c >> 16) & 0xFF), static_cast<char>((c >> 24) & 0xFF)};
        char buffer[16];
        char* inPtr = in;
        char* outPtr = buffer;
        std::size_t inLeft = sizeof in;
        std::size_t outLeft = sizeof buffer;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return false;
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        return true;
    }

private:
    iconv_t cd_;
};

int Fail(const std::string& where, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", where.c_str(), what.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: langc SOURCE OUTPUT CODEPAGE MAKER_SITE\n", stderr);
        return 2;
    }
    const std::string sourceName = argv[1];
    const std::filesystem::path output = argv[2];
    const int codePage = std::atoi(argv[3]);
    const std::u32string site(argv[4], argv[4] + std::char_traits<char>::length(argv[4]));

    std::ifstream in(sourceName, std::ios::binary);
    if (!in) return Fail(sourceName, "cannot be read");
    std::stringstream ss;
    ss << in.rdbuf();

    TranslationSource source = ReadTranslationSource(ss.str());
    for (const SourceProblem& p : source.problems)
        std::fprintf(stderr, "%s:%d: %s\n", sourceName.c_str(), p.line, p.message.c_str());
    if (!source.Ok()) return 1;

    CodePageEncoder encoder(codePage);
    if (!encoder.Valid()) return Fail(sourceName, "code page " + std::string(argv[3]) + " is unknown to iconv");
    const std::u32string marker(kMakerSiteMarker.begin(), kMakerSiteMarker.end());
    std::string bytes;
    int refused = 0;
    for (std::size_t i = 0; i < source.lines.size(); ++i) {
        std::u32string line = source.lines[i];
        if (auto at = line.find(marker); at != std::u32string::npos) line.replace(at, marker.size(), site);
        if (i > 0) bytes += "\r\n";
        for (std::size_t col = 0; col < line.size(); ++col) {
            if (encoder.Append(line[col], bytes)) continue;
            std::fprintf(stderr, "%s:%zu: column %zu: character %s has no place in code page %d\n",
                         sourceName.c_str(), i + 1, col + 1, DescribeCodePoint(line[col]).c_str(), codePage);
            ++refused;
        }
    }
    if (refused > 0) return 1;

    // Written beside the target and renamed, so a failed build never leaves a half-written resource.
    const std::filesystem::path temporary = output.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) return Fail(temporary.string(), "cannot be written");
    }
    std::error_code ec;
    std::filesystem::rename(temporary, output, ec);
    if (ec) return Fail(output.string(), "cannot be written: " + ec.message());
    return 0;
}
