// The start-up merge into InfectionNames and MD5Hashes, its limits, and the extra detections appended
// after it. Databases of the original sizes (6640 names, 4983 digests, 561 hosts) are built here.
#include <gtest/gtest.h>

#include <cstdio>

#include "base/text.h"
#include "engine/engine.h"
#include "signatures/database.h"
#include "tests/fake/fake_machine.h"
#include "tests/fake/test_host.h"

namespace pell {
namespace {

std::wstring Hex32(std::size_t n, std::size_t digits = 32) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%032zX", n * 2654435761u + 0x1234);
    return Utf8ToWide(std::string(buf).substr(0, digits));
}

std::vector<std::wstring> Names(const wchar_t* prefix, std::size_t n) {
    std::vector<std::wstring> v;
    for (std::size_t i = 0; i < n; ++i) v.push_back(prefix + std::to_wstring(i));
    return v;
}

// A database shaped like database 6.70: 3262 + 3091 + 287 names, 4983 digests (four of them with 31
// digits, two in lstMD5 and two in lstMD52), 561 hosts.
SignatureDatabase Original() {
    SignatureDatabase db = SignatureDatabase::Empty();
    db.Find(L"lstInfections")->items = Names(L"one", 3262);
    db.Find(L"lstInfections2")->items = Names(L"two", 3091);
    db.Find(L"lstInfections3")->items = Names(L"three", 287);
    std::vector<std::wstring> hashes;
    for (std::size_t i = 0; i < 4983; ++i) hashes.push_back(Hex32(i));
    hashes[0] = L"BAA26F33BF8D23ECA99CA3FB1CCD3BF9";
    for (std::size_t i : {10u, 500u, 900u, 1700u}) hashes[i] = Hex32(i, 31);
    DistributeHashes(hashes, db);
    std::vector<std::wstring> hosts;
    for (std::size_t i = 0; i < 561; ++i) hosts.push_back(L"host" + std::to_wstring(i) + L".example.com");
    db.Find(L"lstHostInfections")->items = hosts;
    return db;
}

struct EngineFixture : ::testing::Test {
    test::FakeMachine machine;
    test::TestHost host;
    Translation translation;
    Engine e{machine, host, translation};
};

using SignatureMerge = EngineFixture;

TEST_F(SignatureMerge, OriginalSizesMergeInListOrder) {
    SignatureDatabase stored = Original();
    std::string bytes;
    std::wstring error;
    ASSERT_TRUE(WriteDatabase(stored, bytes, error));
    ASSERT_TRUE(LoadSignatures(bytes, e, error)) << WideToUtf8(error);

    ASSERT_EQ(e.InfectionNames.size(), 6640u);
    EXPECT_EQ(e.InfectionNames[0], L"one0");
    EXPECT_EQ(e.InfectionNames[3261], L"one3261");
    EXPECT_EQ(e.InfectionNames[3262], L"two0");
    EXPECT_EQ(e.InfectionNames[6353], L"three0");
    EXPECT_EQ(e.InfectionNames[6639], L"three286");

    ASSERT_EQ(e.MD5Hashes.size(), 4983u);
    const auto& md52 = stored.Find(L"lstMD52")->items;
    EXPECT_EQ(e.MD5Hashes[0], L"BAA26F33BF8D23ECA99CA3FB1CCD3BF9");
    EXPECT_EQ(e.MD5Hashes[882], md52.front());
    EXPECT_EQ(e.MD5Hashes[4982], stored.Find(L"lstMD56")->items.back());
    EXPECT_EQ(e.lstHostInfections.Count(), 561u);
    EXPECT_EQ(e.lstHostInfections.Item(560), L"host560.example.com");
    EXPECT_EQ(e.lstKeys.Count(), 0u);
    EXPECT_EQ(e.lstIdentifiedByMD5.Count(), 0u);
    EXPECT_EQ(e.lstInfectedKeys.Count(), 0u);
}

TEST_F(SignatureMerge, ShortDigestsLoadUnchangedAndMatchNoDigest) {
    std::wstring error;
    ASSERT_TRUE(MergeDatabase(Original(), e, error));
    std::size_t shortOnes = 0;
    for (std::size_t i : {10u, 500u, 900u, 1700u}) {
        EXPECT_EQ(e.MD5Hashes[i], Hex32(i, 31));
        EXPECT_EQ(e.MD5Hashes[i].size(), 31u);
        ++shortOnes;
    }
    EXPECT_EQ(shortOnes, 4u);
    // A digest as the hashing class returns it always has 32 digits, so none of them can equal it.
    for (std::size_t i : {10u, 500u, 900u, 1700u}) EXPECT_NE(e.MD5Hashes[i], Hex32(i));
    for (const auto& h : e.MD5Hashes)
        if (h.size() == 31) EXPECT_FALSE(IsHexDigest(h));
}

TEST_F(SignatureMerge, HashesSpreadAtMost882PerListRestInTheLast) {
    struct Case {
        std::size_t total;
        std::array<std::size_t, 6> counts;  // lstMD5 .. lstMD56
    };
    const Case cases[] = {
        {0, {0, 0, 0, 0, 0, 0}},
        {2, {2, 0, 0, 0, 0, 0}},
        {882, {882, 0, 0, 0, 0, 0}},
        {883, {882, 1, 0, 0, 0, 0}},
        {4983, {882, 882, 882, 882, 882, 573}},
        {6000, {882, 882, 882, 882, 882, 1590}},
    };
    for (const auto& c : cases) {
        SignatureDatabase db = SignatureDatabase::Empty();
        std::vector<std::wstring> hashes;
        for (std::size_t i = 0; i < c.total; ++i) hashes.push_back(Hex32(i));
        DistributeHashes(hashes, db);
        for (std::size_t k = 0; k < 6; ++k)
            EXPECT_EQ(db.Find(kHashLists[k])->items.size(), c.counts[k]) << c.total << " list " << k;
        std::wstring error;
        ASSERT_TRUE(MergeDatabase(db, e, error));
        EXPECT_EQ(e.MD5Hashes, hashes) << c.total;
    }
}

TEST_F(SignatureMerge, SixteenBitLimitOfTheMergedTables) {
    struct Case {
        std::size_t names1, names3, hashes;
        bool accepted;
        const char* message;
    };
    const Case cases[] = {
        {32767 - 287, 287, 0, true, ""},
        {32768 - 287, 287, 0, false,
         "signature database refused: InfectionNames would hold 32768 entries; at most 32767 can be merged"},
        {1, 0, 32767, true, ""},
        {1, 0, 32768, false,
         "signature database refused: MD5Hashes would hold 32768 entries; at most 32767 can be merged"},
    };
    for (const auto& c : cases) {
        SignatureDatabase db = SignatureDatabase::Empty();
        db.Find(L"lstInfections")->items = Names(L"n", c.names1);
        db.Find(L"lstInfections3")->items = Names(L"m", c.names3);
        std::vector<std::wstring> hashes(c.hashes, L"0123456789ABCDEF0123456789ABCDEF");
        DistributeHashes(hashes, db);
        e.InfectionNames = {L"before"};
        std::wstring error;
        EXPECT_EQ(MergeDatabase(db, e, error), c.accepted) << c.names1 << "/" << c.hashes;
        EXPECT_EQ(WideToUtf8(error), c.message);
        if (!c.accepted) EXPECT_EQ(e.InfectionNames, std::vector<std::wstring>{L"before"});
    }
}

TEST_F(SignatureMerge, RefusesDatabasesARunCannotTrust) {
    struct Case {
        const char* what;
        void (*change)(SignatureDatabase&);
        const char* message;
    };
    const Case cases[] = {
        {"list missing", [](SignatureDatabase& db) { db.lists.pop_back(); },
         "signature database refused: list lstKeys is missing"},
        {"run-time list filled", [](SignatureDatabase& db) { db.Find(L"lstIdentifiedByMD5")->items = {L"C:\\x.exe"}; },
         "signature database refused: list lstIdentifiedByMD5 is filled at run time and must be stored empty, but "
         "holds 1 items"},
        {"empty host item", [](SignatureDatabase& db) { db.Find(L"lstHostInfections")->items = {L"avp.ch", L""}; },
         "signature database refused: list lstHostInfections, item 1 is empty and would match every line of the "
         "hosts file"},
    };
    for (const auto& c : cases) {
        SignatureDatabase db = SignatureDatabase::Empty();
        db.Find(L"lstInfections")->items = {L"worm"};
        c.change(db);
        std::wstring error;
        EXPECT_FALSE(MergeDatabase(db, e, error)) << c.what;
        EXPECT_EQ(WideToUtf8(error), c.message) << c.what;
        EXPECT_TRUE(e.InfectionNames.empty()) << c.what;
    }
}

TEST_F(SignatureMerge, ExtraDetectionsAppendBehindTheMergedDigests) {
    std::wstring error;
    SignatureDatabase db = SignatureDatabase::Empty();
    DistributeHashes({L"BAA26F33BF8D23ECA99CA3FB1CCD3BF9"}, db);
    ASSERT_TRUE(MergeDatabase(db, e, error));
    std::vector<std::wstring> rejected;
    const std::string body =
        "0123456789abcdef0123456789ABCDEF\r\n"   // 1: mixed case, upper-cased
        "\r\n"                                   // 2: empty, passed over
        "0123456789ABCDEF0123456789ABCDE\r\n"    // 3: 31 digits
        " 0123456789ABCDEF0123456789ABCDEF\n"    // 4: leading blank
        "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\n"     // 5: LF only
        "0123456789ABCDEF0123456789ABCDEG\r\n"   // 6: not hexadecimal
        "0123456789ABCDEF0123456789ABCDEF00\r\n" // 7: 34 digits
        "\x01\x02<script>\r\n"                   // 8: garbage
        "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";      // 9: no line end
    EXPECT_EQ(AppendExtraDetections(e, body, rejected), 3u);
    EXPECT_EQ(e.MD5Hashes, (std::vector<std::wstring>{L"BAA26F33BF8D23ECA99CA3FB1CCD3BF9",
                                                      L"0123456789ABCDEF0123456789ABCDEF",
                                                      L"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF",
                                                      L"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"}));
    ASSERT_EQ(rejected.size(), 5u);
    EXPECT_EQ(WideToUtf8(rejected[0]),
              "extra detections: line 3 skipped, not 32 hexadecimal digits: \"0123456789ABCDEF0123456789ABCDE\"");
    EXPECT_NE(rejected[1].find(L"line 4 "), std::wstring::npos);
    EXPECT_NE(rejected[2].find(L"line 6 "), std::wstring::npos);
    EXPECT_NE(rejected[3].find(L"line 7 "), std::wstring::npos);
    EXPECT_EQ(WideToUtf8(rejected[4]), "extra detections: line 8 skipped, not 32 hexadecimal digits: \"?\?<script>\"");
}

TEST_F(SignatureMerge, ExtraDetectionsOfAnEmptyOrHostileBody) {
    std::vector<std::wstring> rejected;
    EXPECT_EQ(AppendExtraDetections(e, "", rejected), 0u);
    EXPECT_EQ(AppendExtraDetections(e, "\r\n\r\n\n", rejected), 0u);
    EXPECT_TRUE(rejected.empty());
    const std::string longLine(100000, 'A');
    EXPECT_EQ(AppendExtraDetections(e, longLine, rejected), 0u);
    ASSERT_EQ(rejected.size(), 1u);
    EXPECT_LT(rejected[0].size(), 120u);  // the message quotes an excerpt only
    EXPECT_TRUE(e.MD5Hashes.empty());
}

}  // namespace
}  // namespace pell
