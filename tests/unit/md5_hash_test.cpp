// MD5Hash over the fake machine's crypto provider: the RFC 1321 suite, block reads, failures and errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "smartscan/md5_hash.h"
#include "tests/fake/fake_machine.h"
#include "tests/fake/test_host.h"
#include "tests/fixtures/md5_vectors.h"

namespace pell {
namespace {

using test::Fault;
using test::FakeMachine;
using test::Op;
using test::kRfc1321;

// A fake machine that also records the size of every read.
class ReadRecorder : public FakeMachine {
public:
    long ReadFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& read) override {
        readSizes.push_back(count);
        return FakeMachine::ReadFile(file, buffer, count, read);
    }
    std::vector<std::uint32_t> readSizes;
};

std::span<const std::uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::string Pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 31 + 7) & 0xFF);
    return s;
}

TEST(MD5Hash, Rfc1321SuiteAsBytesAndAsFiles) {
    FakeMachine machine;
    test::TestHost host;
    MD5Hash md5(machine, host);
    int n = 0;
    for (const auto& v : kRfc1321) {
        std::wstring path = L"C:\\rfc\\vector" + std::to_wstring(n++) + L".bin";
        machine.PlantFile(path, v.message);
        EXPECT_EQ(md5.HashBytes(Bytes(v.message)), v.digest) << v.message;
        EXPECT_EQ(md5.HashFile(path), v.digest) << v.message;
    }
    EXPECT_EQ(host.events, 0u);
}

TEST(MD5Hash, ReadsFullBlocksIntoOneBufferAndTheRestExactly) {
    struct Case {
        std::size_t size;
        std::vector<std::uint32_t> reads;
    };
    const Case cases[] = {
        {0, {}},
        {1, {1}},
        {16383, {16383}},
        {16384, {16384}},
        {16385, {16384, 1}},
        {3 * 16384 + 100, {16384, 16384, 16384, 100}},
    };
    for (const auto& c : cases) {
        ReadRecorder machine;
        test::TestHost host;
        std::string contents = Pattern(c.size);
        machine.PlantFile(L"C:\\data\\file.bin", contents);
        MD5Hash md5(machine, host);
        std::wstring fromFile = md5.HashFile(L"c:\\DATA\\file.bin");
        EXPECT_EQ(machine.readSizes, c.reads) << c.size;
        EXPECT_EQ(fromFile, md5.HashBytes(Bytes(contents))) << c.size;
        EXPECT_EQ(fromFile, Utf8ToWide(test::Md5Hex(contents))) << c.size;
        EXPECT_EQ(fromFile.size(), 32u);
    }
}

TEST(MD5Hash, UnreadablePathsYieldTheEmptyDigestAndLetEventsRun) {
    FakeMachine machine;
    test::TestHost host;
    machine.PlantFolder(L"C:\\some\\folder");
    machine.PlantFile(L"C:\\locked.exe", "x");
    machine.InjectFault(Fault{Op::OpenFile, L"C:\\locked.exe", 0, 32, 0, -1});
    MD5Hash md5(machine, host);
    const wchar_t* paths[] = {L"", L"C:\\missing.exe", L"C:\\no\\such\\dir\\x.exe", L"C:\\some\\folder", L"C:\\",
                              L"C:\\locked.exe"};
    for (const wchar_t* path : paths) {
        std::size_t before = host.events;
        EXPECT_EQ(md5.HashFile(path), L"") << WideToUtf8(path);
        EXPECT_EQ(host.events, before + 1) << WideToUtf8(path);
    }
    EXPECT_EQ(machine.OpenHandleCount(), 1u);  // the provider only
}

// Every failure after the file was opened closes it (it can be deleted at once) and leaves nothing
// behind once the object goes; HashFile answers "" and the object goes on working.
TEST(MD5Hash, FailuresWhileHashingAFileCloseItAndTheObjectRecovers) {
    const Fault faults[] = {
        {Op::ReadFile, L"", 0, 23, 1, 1},           // the second block
        {Op::CryptCreateHash, L"", 0, 8, 0, 1},
        {Op::CryptHashData, L"", 0, 87, 0, 1},
        {Op::CryptGetHashParam, L"", 0, 87, 0, 1},  // the size query
        {Op::CryptGetHashParam, L"", 0, 87, 1, 1},  // the value query
    };
    for (const auto& fault : faults) {
        FakeMachine machine;
        test::TestHost host;
        std::string contents = Pattern(40000);
        machine.PlantFile(L"C:\\w\\big.exe", contents);
        machine.PlantFile(L"C:\\w\\copy.exe", contents);
        {
            MD5Hash md5(machine, host);
            machine.InjectFault(fault);
            EXPECT_EQ(md5.HashFile(L"C:\\w\\big.exe"), L"") << static_cast<int>(fault.op);
            EXPECT_EQ(host.events, 1u);
            EXPECT_TRUE(machine.DeleteFile(L"C:\\w\\big.exe")) << static_cast<int>(fault.op);
            EXPECT_EQ(md5.HashFile(L"C:\\w\\copy.exe"), Utf8ToWide(test::Md5Hex(contents)));
        }
        EXPECT_EQ(machine.OpenHandleCount(), 0u) << static_cast<int>(fault.op);
    }
}

TEST(MD5Hash, ErrorsCarryNumberSourceAndDescription) {
    struct Case {
        Fault fault;
        std::uint32_t number;
        const wchar_t* source;
        const wchar_t* description;
    };
    const Case cases[] = {
        {{Op::CryptAcquireContext, L"", 0, 0x80090017}, 0x8004C352, L"MD5Hash.Class_Initialize",
         L"Failed to obtain access to CryptoAPI, system error -2146893801"},
        {{Op::CryptCreateHash, L"", 0, 8}, 0x8004C332, L"MD5Hash",
         L"Failed to create CryptoAPI Hash object, system error 8"},
        {{Op::CryptHashData, L"", 0, 87}, 0x8004C312, L"MD5Hash", L"Failed to hash data block, system error 87"},
        {{Op::CryptGetHashParam, L"", 0, 1784}, 0x8004C322, L"MD5Hash",
         L"Failed to obtain hash value length, system error 1784"},
        {{Op::CryptGetHashParam, L"", 0, 0x80090015, 1}, 0x8004C324, L"MD5Hash",
         L"Failed to obtain hash value, system error -2146893803"},
    };
    for (const auto& c : cases) {
        FakeMachine machine;
        test::TestHost host;
        machine.InjectFault(c.fault);
        try {
            MD5Hash md5(machine, host);
            md5.HashBytes(Bytes("abc"));
            ADD_FAILURE() << "no error for " << WideToUtf8(c.description);
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Number(), c.number);
            EXPECT_EQ(error.Source(), c.source);
            EXPECT_EQ(error.Description(), c.description);
        }
        EXPECT_EQ(machine.OpenHandleCount(), 0u) << WideToUtf8(c.description);
    }
}

}  // namespace
}  // namespace pell
