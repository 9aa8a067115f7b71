// The stored block format: what the writer lays down, what the reader gives back, and every kind of
// broken file the reader refuses with the list, the item and the byte where it broke.
#include <gtest/gtest.h>

#include <functional>

#include "base/text.h"
#include "signatures/database.h"

namespace pell {
namespace {

using namespace std::string_literals;

std::string Write(const SignatureDatabase& db) {
    std::string bytes;
    std::wstring error;
    EXPECT_TRUE(WriteDatabase(db, bytes, error)) << WideToUtf8(error);
    return bytes;
}

// A small database whose lstMD5 holds "AB" and "CDE" and lstInfections one accented name.
SignatureDatabase Small() {
    SignatureDatabase db = SignatureDatabase::Empty();
    db.Find(L"lstMD5")->items = {L"AB", L"CDE"};
    db.Find(L"lstInfections")->items = {L"caf\u00e9 "};
    return db;
}

// Byte offset at which the block of stored list `k` begins.
std::size_t BlockAt(const SignatureDatabase& db, std::size_t k) {
    SignatureDatabase prefix;
    prefix.lists.assign(db.lists.begin(), db.lists.begin() + static_cast<std::ptrdiff_t>(k));
    return Write(prefix).size();
}

std::size_t IndexOf(std::wstring_view name) {
    for (std::size_t k = 0; k < kStoredListOrder.size(); ++k)
        if (kStoredListOrder[k] == name) return k;
    return 99;
}

std::string Refusal(const std::string& bytes) {
    SignatureDatabase db;
    std::wstring error;
    EXPECT_FALSE(ReadDatabase(bytes, db, error));
    return WideToUtf8(error);
}

TEST(SignatureFormat, BlocksAreLaidOutAsStored) {
    const std::string bytes = Write(Small());
    const std::size_t md5 = BlockAt(Small(), IndexOf(L"lstMD5"));
    EXPECT_EQ(bytes.substr(md5, 22), "\x06\x00lstMD5\x00\x02\x00\x03\x00\x02\x00" "AB\x03\x00" "CDE"s);
    // An empty list: its name, then the count 0 and no longest-item field; the next name follows at once.
    const std::size_t hostFile = BlockAt(Small(), IndexOf(L"lstHostFile"));
    EXPECT_EQ(bytes.substr(hostFile, 22), "\x0B\x00lstHostFile\x00\x00\x00\x0E\x00lstI"s);
    // Windows-1252 bytes, trailing blank kept.
    EXPECT_NE(bytes.find("\x05\x00\x05\x00" "caf\xE9 "s), std::string::npos);
    // Fourteen blocks, lstMD56 first, lstKeys last.
    EXPECT_EQ(bytes.substr(0, 12), "\x07\x00lstMD56\x00\x00\x00"s);
    EXPECT_EQ(bytes.substr(bytes.size() - 12), "\x07\x00lstKeys\x00\x00\x00"s);
}

TEST(SignatureFormat, ReadGivesBackEveryItemUnchanged) {
    SignatureDatabase db = SignatureDatabase::Empty();
    // Blanks, punctuation, every 1252 byte from 0x80 to 0xFF (also the five 1252 leaves undefined).
    std::wstring high;
    for (int b = 0x80; b <= 0xFF; ++b) high += Cp1252ToWide(std::string(1, static_cast<char>(b)));
    db.Find(L"lstInfections")->items = {L"csrss", L"csrss ", L"  lead", L"a\"b\\c", L"x^%',()[]:~-.?", high,
                                         L"a", L"a"};
    db.Find(L"lstHostInfections")->items = {L"www.sophos.com"};
    SignatureDatabase back;
    std::wstring error;
    ASSERT_TRUE(ReadDatabase(Write(db), back, error)) << WideToUtf8(error);
    ASSERT_EQ(back.lists.size(), 14u);
    for (std::size_t k = 0; k < 14; ++k) {
        EXPECT_EQ(back.lists[k].name, kStoredListOrder[k]);
        EXPECT_EQ(back.lists[k].items, db.lists[k].items) << WideToUtf8(back.lists[k].name);
    }
    EXPECT_EQ(WideToCp1252(back.Find(L"lstInfections")->items[5]).size(), 128u);
}

TEST(SignatureFormat, WriterRefusesTextOutside1252) {
    SignatureDatabase db = SignatureDatabase::Empty();
    db.Find(L"lstInfections")->items = {L"ok", L"\u0416uk"};
    std::string bytes;
    std::wstring error;
    EXPECT_FALSE(WriteDatabase(db, bytes, error));
    EXPECT_EQ(WideToUtf8(error), "list lstInfections, item 1: not Windows-1252 text");
}

struct Broken {
    const char* what;
    std::function<std::string(std::string, const SignatureDatabase&)> damage;
    std::function<std::string(const std::string&, const SignatureDatabase&)> expected;
};

std::size_t CountAt(const SignatureDatabase& db) { return BlockAt(db, IndexOf(L"lstMD5")) + 2 + 6 + 1; }

std::string ListsOutOfOrder(std::wstring_view a, std::wstring_view b) {
    SignatureDatabase db = Small();
    std::swap(*db.Find(a), *db.Find(b));
    return Write(db);
}

const Broken kBroken[] = {
    {"empty file", [](std::string, const SignatureDatabase&) { return std::string(); },
     [](const std::string&, const SignatureDatabase&) {
         return "list lstMD56, item -, byte 0: the file is empty"s;
     }},
    {"cut inside the first name", [](std::string b, const SignatureDatabase&) { return b.substr(0, 5); },
     [](const std::string&, const SignatureDatabase&) {
         return "list lstMD56, item -, byte 0: the name length 7 runs past the end of the file"s;
     }},
    {"cut inside an item",
     [](std::string b, const SignatureDatabase& db) { return b.substr(0, CountAt(db) + 4 + 4 + 2 + 1); },
     [](const std::string&, const SignatureDatabase& db) {
         return "list lstMD5, item 1, byte " + std::to_string(CountAt(db) + 8) +
                ": the item length 3 runs past the end of the file (1 bytes left)";
     }},
    {"count past the end",
     [](std::string b, const SignatureDatabase& db) {
         b[CountAt(db)] = '\xF4';
         b[CountAt(db) + 1] = '\x7F';
         return b;
     },
     [](const std::string& b, const SignatureDatabase& db) {
         return "list lstMD5, item -, byte " + std::to_string(CountAt(db)) +
                ": the item count 32756 runs past the end of the file (" + std::to_string(b.size() - CountAt(db) - 4) +
                " bytes left)";
     }},
    {"item length past the end",
     [](std::string b, const SignatureDatabase& db) {
         b[CountAt(db) + 8] = '\xFF';
         b[CountAt(db) + 9] = '\x7F';
         return b;
     },
     [](const std::string& b, const SignatureDatabase& db) {
         return "list lstMD5, item 1, byte " + std::to_string(CountAt(db) + 8) +
                ": the item length 32767 runs past the end of the file (" + std::to_string(b.size() - CountAt(db) - 10) +
                " bytes left)";
     }},
    {"longest field wrong",
     [](std::string b, const SignatureDatabase& db) {
         b[CountAt(db) + 2] = '\x02';
         return b;
     },
     [](const std::string&, const SignatureDatabase& db) {
         return "list lstMD5, item -, byte " + std::to_string(CountAt(db) + 2) +
                ": the longest-item field says 2 but the longest item has 3 bytes";
     }},
    {"last list missing",
     [](std::string b, const SignatureDatabase& db) { return b.substr(0, BlockAt(db, 13)); },
     [](const std::string&, const SignatureDatabase& db) {
         return "list lstKeys, item -, byte " + std::to_string(BlockAt(db, 13)) +
                ": the list is missing (the file ends before it)";
     }},
    {"list stored twice",
     [](std::string, const SignatureDatabase&) {
         SignatureDatabase db = Small();
         db.lists[2] = db.lists[1];
         return Write(db);
     },
     [](const std::string&, const SignatureDatabase& db) {
         return "list lstMD55, item -, byte " + std::to_string(BlockAt(db, 2)) +
                ": the list is stored twice (lstMD54 should stand here)";
     }},
    {"lists out of order",
     [](std::string, const SignatureDatabase&) { return ListsOutOfOrder(L"lstMD54", L"lstMD53"); },
     [](const std::string&, const SignatureDatabase& db) {
         return "list lstMD53, item -, byte " + std::to_string(BlockAt(db, 2)) +
                ": the list is out of order: lstMD54 should stand here";
     }},
    {"unknown list",
     [](std::string b, const SignatureDatabase& db) {
         b[BlockAt(db, 6) + 7] = '6';  // lstMD5 -> lstMD6
         return b;
     },
     [](const std::string&, const SignatureDatabase& db) {
         return "list lstMD6, item -, byte " + std::to_string(BlockAt(db, 6)) +
                ": unknown list where lstMD5 should stand";
     }},
    {"name without its zero byte",
     [](std::string b, const SignatureDatabase&) {
         b[9] = 'x';
         return b;
     },
     [](const std::string&, const SignatureDatabase&) {
         return "list lstMD56, item -, byte 9: the list name is not followed by its zero byte"s;
     }},
    {"name not ASCII",
     [](std::string b, const SignatureDatabase&) {
         b[3] = '\xE9';
         return b;
     },
     [](const std::string&, const SignatureDatabase&) {
         return "list lstMD56, item -, byte 2: the list name is not printable ASCII"s;
     }},
    {"trailing bytes", [](std::string b, const SignatureDatabase&) { return b + "\x01\x00"s; },
     [](const std::string& b, const SignatureDatabase&) {
         return "list lstKeys, item -, byte " + std::to_string(b.size() - 2) + ": 2 trailing bytes after the last list";
     }},
    {"a name block of 65535 bytes",
     [](std::string b, const SignatureDatabase&) {
         return "\xFF\xFF"s + std::string(65535, 'A') + "\x00"s + b;
     },
     [](const std::string&, const SignatureDatabase&) {
         return "list " + std::string(40, 'A') + "..., item -, byte 0: unknown list where lstMD56 should stand";
     }},
    {"count cut in half",
     [](std::string b, const SignatureDatabase& db) { return b.substr(0, CountAt(db) + 1); },
     [](const std::string&, const SignatureDatabase& db) {
         return "list lstMD5, item -, byte " + std::to_string(CountAt(db)) + ": the file ends inside the item count";
     }},
};

TEST(SignatureFormat, BrokenFilesAreRefusedWithListItemAndOffset) {
    const SignatureDatabase db = Small();
    const std::string good = Write(db);
    for (const auto& c : kBroken) {
        const std::string bad = c.damage(good, db);
        EXPECT_EQ(Refusal(bad), "signature database refused: " + c.expected(bad, db)) << c.what;
    }
}

TEST(SignatureFormat, RefusedReadLeavesTheDatabaseAsItWas) {
    SignatureDatabase db = Small();
    std::wstring error;
    std::string bad = Write(db);
    bad.pop_back();
    EXPECT_FALSE(ReadDatabase(bad, db, error));
    EXPECT_EQ(db.Find(L"lstMD5")->items, (std::vector<std::wstring>{L"AB", L"CDE"}));
}

TEST(SignatureFormat, EveryTruncationIsRefused) {
    const std::string good = Write(Small());
    for (std::size_t n = 0; n < good.size(); ++n) {
        SignatureDatabase db;
        std::wstring error;
        EXPECT_FALSE(ReadDatabase(std::string_view(good).substr(0, n), db, error)) << n;
        EXPECT_NE(error.find(L"signature database refused: list "), std::wstring::npos) << n;
    }
}

}  // namespace
}  // namespace pell
