// The database compiler: the source-list syntax, the checks and the denylist, the round trip from
// sources to the block file and back, and the shipped database itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "base/text.h"
#include "signatures/database.h"
#include "signatures/denylist.h"
#include "signatures/source_lists.h"

namespace pell {
namespace {

using namespace std::string_literals;

SourceSet Minimal() {
    return SourceSet{
        {"lstInfections.txt", "\"worm\" source: test\n"},
        {"lstInfections2.txt", ""},
        {"lstInfections3.txt", "# nothing here\n"},
        {"MD5Hashes.txt", "\"BAA26F33BF8D23ECA99CA3FB1CCD3BF9\" source: test\n"},
        {"lstHostInfections.txt", "\"www.sophos.com\" source: test\n"},
    };
}

std::vector<std::string> CompileErrors(const SourceSet& s) {
    std::string bytes;
    std::vector<std::wstring> errors;
    EXPECT_FALSE(CompileSources(s, bytes, errors));
    EXPECT_TRUE(bytes.empty());
    std::vector<std::string> out;
    for (auto& e : errors) out.push_back(WideToUtf8(e));
    return out;
}

TEST(SignatureCompiler, SourcesRoundTripByteForByte) {
    SourceSet s = Minimal();
    s["lstInfections.txt"] =
        "# comment lines and blank lines are skipped\r\n"
        "\r\n"
        "\"csrss\"\tsource: a\r\n"
        "\"csrss \"\tsource: trailing blank\r\n"
        "\"  two leading\" source: b\r\n"
        "\"caf\\xE9 cr\\xE8me \\xC4\\xD6\\xDC\\xDF\" source: accented 1252 bytes\r\n"
        "\"\\x81\\x8D\\x8F\\x90\\x9D\\x80\\x9F\" source: the bytes 1252 leaves undefined, and the euro\r\n"
        "\"x^%',()[]:~-.?!\" source: punctuation\r\n"
        "   \"indented\"   source:   padded source   \r\n";
    s["lstInfections3.txt"] = "\"dumprep\" source: x\n\"dumprep\" source: x again\n";
    std::string bytes;
    std::vector<std::wstring> errors;
    CompileSummary summary;
    ASSERT_TRUE(CompileSources(s, bytes, errors, &summary)) << (errors.empty() ? "" : WideToUtf8(errors[0]));
    EXPECT_EQ(summary.names[0], 7u);
    EXPECT_EQ(summary.names[2], 2u);

    SignatureDatabase db;
    std::wstring error;
    ASSERT_TRUE(ReadDatabase(bytes, db, error));
    const std::vector<std::string> expectedBytes = {
        "csrss", "csrss ", "  two leading", "caf\xE9 cr\xE8me \xC4\xD6\xDC\xDF", "\x81\x8D\x8F\x90\x9D\x80\x9F",
        "x^%',()[]:~-.?!", "indented"};
    const auto& items = db.Find(L"lstInfections")->items;
    ASSERT_EQ(items.size(), expectedBytes.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(WideToCp1252(items[i]), expectedBytes[i]) << i;
        EXPECT_NE(bytes.find(expectedBytes[i]), std::string::npos) << i;  // stored as the very bytes
    }
    EXPECT_EQ(items[3], L"caf\u00e9 cr\u00e8me \u00c4\u00d6\u00dc\u00df");
    EXPECT_EQ(items[4].substr(5), L"\u20ac\u0178");
    EXPECT_EQ(db.Find(L"lstInfections3")->items, (std::vector<std::wstring>{L"dumprep", L"dumprep"}));
    // The printer's quoting writes every item back in source form.
    EXPECT_EQ(QuoteItem(items[3]), "\"caf\\xE9 cr\\xE8me \\xC4\\xD6\\xDC\\xDF\"");
}

TEST(SignatureCompiler, QuoteAndBackslashEscapes) {
    std::vector<SourceItem> items;
    std::vector<std::wstring> errors;
    ASSERT_TRUE(ParseSourceList("\"a \\\"quoted\\\" \\\\ back\" source: escapes\n", "t", items, errors));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].text, L"a \"quoted\" \\ back");
    EXPECT_EQ(items[0].source, "escapes");
    EXPECT_EQ(items[0].line, 1u);
    EXPECT_EQ(QuoteItem(items[0].text), "\"a \\\"quoted\\\" \\\\ back\"");
}

TEST(SignatureCompiler, SyntaxFaultsNameFileAndLine) {
    struct Case {
        std::string line;
        std::string message;
    };
    const Case cases[] = {
        {"worm source: x", "an item line must start with a double quote"},
        {"\"worm source: x", "the closing double quote is missing"},
        {"\"worm\"", "the item must be followed by \"source:\" and where it comes from"},
        {"\"worm\" source:   ", "the source is empty"},
        {"\"worm\"source: x", "put a blank between the closing quote and \"source:\""},
        {"\"wo\\qrm\" source: x", "unknown escape at column 4 (use \\\", \\\\ or \\xHH)"},
        {"\"wo\\x4\" source: x", "unknown escape at column 4 (use \\\", \\\\ or \\xHH)"},
        {"\"caf\xC3\xA9\" source: x", "the byte at column 5 must be written as \\xHH"},
        {"\"tab\there\" source: x", "the byte at column 5 must be written as \\xHH"},
        {"\"worm\" # source: x", "the item must be followed by \"source:\" and where it comes from"},
    };
    for (const auto& c : cases) {
        SourceSet s = Minimal();
        s["lstInfections2.txt"] = "# first\n\"fine\" source: ok\n" + c.line + "\n";
        auto errors = CompileErrors(s);
        ASSERT_EQ(errors.size(), 1u) << c.line;
        EXPECT_EQ(errors[0], "lstInfections2.txt:3: " + c.message) << c.line;
    }
}

TEST(SignatureCompiler, ItemChecksPerList) {
    struct Case {
        std::string file, line, message;
    };
    const Case cases[] = {
        {"lstInfections.txt", "\"\" source: x", "\"\" refused: an empty name"},
        {"lstInfections.txt", "\"   \" source: x", "\"   \" refused: a name made only of blanks"},
        {"lstInfections.txt", "\"..\\\\..\\\\notepad\" source: x",
         "\"..\\\\..\\\\notepad\" refused: the character '\\' cannot be part of a worm file name"},
        {"lstInfections.txt", "\"a/b\" source: x", "\"a/b\" refused: the character '/' cannot be part of a worm file name"},
        {"lstInfections.txt", "\"*\" source: x", "\"*\" refused: the character '*' cannot be part of a worm file name"},
        {"lstInfections.txt", "\"a\\x09b\" source: x", "\"a\\x09b\" refused: a control character in a name"},
        {"MD5Hashes.txt", "\"0123456789abcdef0123456789ABCDEF\" source: x",
         "\"0123456789abcdef0123456789ABCDEF\" refused: digests are written in upper case"},
        {"MD5Hashes.txt", "\"0123456789ABCDEF0123456789ABCDE\" source: x",
         "\"0123456789ABCDEF0123456789ABCDE\" refused: not 32 hexadecimal digits"},
        {"MD5Hashes.txt", "\"BAA26F33BF8D23ECA99CA3FB1CCD3BF9\" source: x",
         "BAA26F33BF8D23ECA99CA3FB1CCD3BF9 is listed twice"},
        {"lstHostInfections.txt", "\"WWW.AVP.CH\" source: x",
         "\"WWW.AVP.CH\" refused: host names are lower-case letters, digits, dots and hyphens"},
        {"lstHostInfections.txt", "\"com\" source: x", "\"com\" refused: a host name of 4 to 253 characters is expected"},
        {"lstHostInfections.txt", "\"localhost\" source: x", "\"localhost\" refused: a host name without a dot"},
        {"lstHostInfections.txt", "\".avp.ch\" source: x",
         "\".avp.ch\" refused: a host name cannot start or end with a dot or a hyphen"},
    };
    for (const auto& c : cases) {
        SourceSet s = Minimal();
        s[c.file] += c.line + "\n";
        auto errors = CompileErrors(s);
        ASSERT_EQ(errors.size(), 1u) << c.line;
        EXPECT_EQ(errors[0], c.file + ":2: " + c.message);
    }
}

TEST(SignatureCompiler, MissingSourceFileIsRefused) {
    SourceSet s = Minimal();
    s.erase("lstInfections3.txt");
    EXPECT_EQ(CompileErrors(s), std::vector<std::string>{"lstInfections3.txt: the source file is missing"});
}

TEST(SignatureCompiler, DenylistRefusesGenuineNamesOutsideTheRunsRules) {
    struct Case {
        const wchar_t* name;
        bool refused;
    };
    const Case cases[] = {
        // Genuine Windows programs and common applications.
        {L"infocard", true}, {L"Skype", true}, {L"notepad", true}, {L"NOTEPAD", true}, {L" notepad", true},
        {L"taskmgr", true}, {L"regedit", true}, {L"Bitdefender", true}, {L"chrome", true}, {L"win", true},
        {L"logon", true}, {L"acer", true}, {L"msconfig", true}, {L"defrag", true}, {L"setup", true},
        // Ordinary words.
        {L"file", true}, {L"Passwords", true}, {L"autorun", true}, {L"lol", true}, {L"LOL", true},
        // A genuine name in another case would fall into another file group and reach the genuine file.
        {L"DUMPREP", true}, {L"SVCHOST", true}, {L"Csrss", true}, {L"SMSS", true}, {L"mdm", true},
        {L" DUMPREP", true}, {L"AVP", true},
        // Names whose protection rules and file groups keep the genuine program safe.
        {L"dumprep", false}, {L"csrss", false}, {L"csrss ", false}, {L"svchost", false}, {L"MDM", false},
        {L"ehsched", false}, {L"EHSCHED", false}, {L"winlogon", false}, {L"explorer", false}, {L"avp", false},
        {L"firefox", false}, {L"msnmsgr", false}, {L"services", false},
        // Worm names, lookalikes and names with suffixes.
        {L"WinIogon", false}, {L"Isass", false}, {L"alt.exe", false}, {L"svchost.exe:debug", false},
        {L"system32:vcrt80", false}, {L"suchost", false}, {L"notepad.exe", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(!DenylistReason(c.name).empty(), c.refused) << WideToUtf8(c.name);
        SourceSet s = Minimal();
        s["lstInfections2.txt"] = QuoteItem(c.name) + " source: x\n";
        std::string bytes;
        std::vector<std::wstring> errors;
        EXPECT_EQ(CompileSources(s, bytes, errors), !c.refused) << WideToUtf8(c.name);
    }
    EXPECT_EQ(WideToUtf8(DenylistReason(L"Skype")), "\"Skype\" is the name of a common application");
    EXPECT_EQ(WideToUtf8(DenylistReason(L"DUMPREP")),
              "\"DUMPREP\" is the name of a Windows program; only the exact names the run's protection rules and file "
              "groups handle may be listed");
}

TEST(SignatureCompiler, HashesAreSpreadOver882PerList) {
    SourceSet s = Minimal();
    std::string hashes;
    for (int i = 0; i < 4983; ++i) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "\"%032X\" source: synthetic\n", i + 1);
        hashes += buf;
    }
    s["MD5Hashes.txt"] = hashes;
    std::string bytes;
    std::vector<std::wstring> errors;
    ASSERT_TRUE(CompileSources(s, bytes, errors));
    SignatureDatabase db;
    std::wstring error;
    ASSERT_TRUE(ReadDatabase(bytes, db, error));
    const std::size_t expected[] = {882, 882, 882, 882, 882, 573};
    for (std::size_t k = 0; k < 6; ++k) EXPECT_EQ(db.Find(kHashLists[k])->items.size(), expected[k]);
    EXPECT_EQ(db.Find(L"lstMD52")->items.front(), L"00000000000000000000000000000373");  // digest 883
}

std::string ShippedBytes() {
    SourceSet s;
    std::vector<std::wstring> errors;
    std::string bytes;
    EXPECT_TRUE(ReadSourceFolder(PELL_SOURCE_DIR "/signatures/data", s, errors));
    EXPECT_TRUE(CompileSources(s, bytes, errors)) << (errors.empty() ? "" : WideToUtf8(errors[0]));
    return bytes;
}

TEST(ShippedDatabase, CompilesAndHoldsTheFixedRows) {
    SignatureDatabase db;
    std::wstring error;
    ASSERT_TRUE(ReadDatabase(ShippedBytes(), db, error)) << WideToUtf8(error);
    MergedTables t;
    ASSERT_TRUE(MergeTables(db, t, error));
    EXPECT_EQ(db.Find(L"lstMD5")->items.front(), L"BAA26F33BF8D23ECA99CA3FB1CCD3BF9");
    const auto& first = db.Find(L"lstInfections")->items;
    for (const wchar_t* n : {L"csrss", L"csrss ", L"WinIogon", L"Isass", L"alt.exe", L"svchost.exe:debug"})
        EXPECT_EQ(std::count(first.begin(), first.end(), std::wstring(n)), 1) << WideToUtf8(n);
    const auto& third = db.Find(L"lstInfections3")->items;
    EXPECT_EQ(std::count(third.begin(), third.end(), L"dumprep"), 2);
    EXPECT_EQ(std::count(third.begin(), third.end(), L"system32:vcrt80"), 2);
    // Nothing the curation rules keep out.
    for (const auto& n : t.infectionNames)
        for (const wchar_t* bad : {L"DUMPREP", L"infocard", L"Skype", L"file", L"sexy.jpg", L"exe"})
            EXPECT_NE(n, bad);
    for (const auto& n : t.infectionNames) EXPECT_TRUE(DenylistReason(n).empty()) << WideToUtf8(n);
    EXPECT_EQ(t.hostInfections.size(), 51u);
    EXPECT_TRUE(db.Find(L"lstHostFile")->items.empty());
}

}  // namespace
}  // namespace pell
