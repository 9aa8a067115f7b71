// The shell, CryptoAPI, and the date, time and code-page operations under Wine.
#include "base/text.h"
#include "tests/win32/win32_test_support.h"

namespace pell::test {
namespace {

using ShellTest = Win32Test;
using CryptoTest = Win32Test;
using LocaleTest = Win32Test;

TEST_F(ShellTest, ACommandLineStartsWithoutWaiting) {
    planter.PlantFolder(Folder());
    const std::wstring marker = Folder() + L"\\started.txt";
    planter.PlantFile(marker, "");  // taken away with the test
    sys.DeleteFile(marker);
    ASSERT_NE(sys.StartCommandLine(L"cmd.exe /c echo started> \"" + marker + L"\"", ShowStyle::Hidden), 0);
    EXPECT_TRUE(WaitUntil([&] { return planter.FileExists(marker); }));
}

TEST_F(ShellTest, AMissingProgramDoesNotStart) {
    EXPECT_EQ(sys.StartCommandLine(L"C:\\pelltest\\no-such-program.exe -x", ShowStyle::MinimizedFocus), 0);
    EXPECT_EQ(sys.LastError(), static_cast<std::uint32_t>(code::FileNotFound));
}

TEST_F(ShellTest, OpenAnswersAboveThirtyTwoOnlyWhenDone) {
    EXPECT_GT(sys.ShellOpen(L"http://go.pellworth.example/?id=14"), 32);
    EXPECT_LE(sys.ShellOpen(L"C:\\pelltest\\no-such-document.txt"), 32);
}

TEST_F(CryptoTest, Md5OfAbcThroughTheBaseProvider) {
    CryptHandle provider = 0, hash = 0;
    ASSERT_NE(sys.CryptAcquireContext(provider, L"Microsoft Base Cryptographic Provider v1.0", 1, 0xF0000000u), 0);
    ASSERT_NE(sys.CryptCreateHash(provider, 0x8003, hash), 0);  // CALG_MD5
    EXPECT_NE(sys.CryptHashData(hash, "abc", 3), 0);
    std::vector<std::uint8_t> value;
    ASSERT_NE(sys.CryptGetHashParam(hash, 4, value), 0);  // HP_HASHSIZE
    ASSERT_EQ(value.size(), 4u);
    EXPECT_EQ(value[0], 16);
    ASSERT_NE(sys.CryptGetHashParam(hash, 2, value), 0);  // HP_HASHVAL
    std::string hex;
    for (std::uint8_t b : value) {
        const char* digits = "0123456789ABCDEF";
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    EXPECT_EQ(hex, "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_NE(sys.CryptDestroyHash(hash), 0);
    EXPECT_NE(sys.CryptReleaseContext(provider), 0);
}

TEST_F(CryptoTest, AnUnknownProviderIsRefused) {
    CryptHandle provider = 0;
    EXPECT_EQ(sys.CryptAcquireContext(provider, L"No Such Provider", 1, 0xF0000000u), 0);
}

TEST_F(LocaleTest, DateAndTimeTextsAreTheUsersFormats) {
    std::wstring date = sys.DateText(), time = sys.TimeText();
    EXPECT_FALSE(date.empty());
    EXPECT_FALSE(time.empty());
    EXPECT_NE(date.find_first_of(L"0123456789"), std::wstring::npos);
    EXPECT_NE(time.find(L':'), std::wstring::npos);
    EXPECT_EQ(date.find(L'\0'), std::wstring::npos);
    EXPECT_FALSE(sys.LocaleLanguageName().empty());
}

TEST_F(LocaleTest, TextRoundTripsThroughTheSystemCodePage) {
    const std::wstring text = L"Caf\u00e9 \u00c4rger";
    std::string bytes = sys.ToSystemCodePage(text);
    EXPECT_EQ(sys.FromSystemCodePage(bytes), text);
    if (::GetACP() == 1252) EXPECT_EQ(bytes, "Caf\xe9 \xc4rger");
}

}  // namespace
}  // namespace pell::test
