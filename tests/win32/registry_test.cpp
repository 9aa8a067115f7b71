// The registry under Wine: open, enumerate values (long data whole, narrow lengths), subkeys, delete.
#include <map>

#include "base/handles.h"
#include "tests/win32/win32_test_support.h"

namespace pell::test {
namespace {

using RegistryTest = Win32Test;

std::map<std::wstring, RegValue> EnumerateAll(System& sys, RegKey key, long& last) {
    std::map<std::wstring, RegValue> values;
    for (std::uint32_t i = 0; i < 1000; ++i) {
        RegValue v;
        last = sys.RegEnumValue(key, i, v);
        if (last != code::Success) break;
        values[v.name] = v;
    }
    return values;
}

TEST_F(RegistryTest, MissingKeyDoesNotOpen) {
    RegKey key = 0;
    EXPECT_EQ(sys.RegOpenKey(RegRoot::CurrentUser, Key() + L"\\Missing", key), code::FileNotFound);
    EXPECT_EQ(key, 0u);
}

TEST_F(RegistryTest, ValuesComeWholeWithTheLengthsTheNarrowCallReports) {
    const std::wstring longText = std::wstring(300, L'x') + L"end";  // longer than the 255 of the rules
    const std::wstring hugeText(70000, L'h');                          // several buffer growths
    planter.PlantString(RegRoot::CurrentUser, Key(), L"Short", L"abc");
    planter.PlantString(RegRoot::CurrentUser, Key(), L"Long", longText);
    planter.PlantString(RegRoot::CurrentUser, Key(), L"Huge", hugeText);
    planter.PlantString(RegRoot::CurrentUser, Key(), L"Empty", L"");
    planter.PlantDword(RegRoot::CurrentUser, Key(), L"Count", 0x01020384);
    const std::wstring longName(300, L'n');
    planter.PlantString(RegRoot::CurrentUser, Key(), longName, L"named");

    OpenKey key(sys);
    ASSERT_EQ(key.Open(RegRoot::CurrentUser, Key()), code::Success);
    long last = 0;
    auto values = EnumerateAll(sys, key.get(), last);
    EXPECT_EQ(last, code::NoMoreItems);
    ASSERT_EQ(values.size(), 6u);

    struct Expected {
        std::wstring name, data;
        std::uint32_t length;
    };
    const Expected table[] = {
        {L"Short", L"abc", 4},
        {L"Long", longText, 304},
        {L"Huge", hugeText, 70001},
        {L"Empty", L"", 1},
        {L"Count", std::wstring{wchar_t(0x84), wchar_t(0x03), wchar_t(0x02), wchar_t(0x01)}, 4},
        {longName, L"named", 6},
    };
    for (const auto& e : table) {
        SCOPED_TRACE(std::string(e.name.begin(), e.name.begin() + std::min<std::size_t>(e.name.size(), 10)));
        ASSERT_EQ(values.count(e.name), 1u);
        EXPECT_EQ(values[e.name].data, e.data);
        EXPECT_EQ(values[e.name].dataLength, e.length);
    }
}

TEST_F(RegistryTest, SubkeysAreEnumeratedUntilNoMoreItems) {
    planter.PlantKey(RegRoot::CurrentUser, Key() + L"\\Alpha");
    planter.PlantKey(RegRoot::CurrentUser, Key() + L"\\Beta");
    OpenKey key(sys);
    ASSERT_EQ(key.Open(RegRoot::CurrentUser, Key()), code::Success);
    std::vector<std::wstring> names;
    std::wstring name;
    long rc = 0;
    for (std::uint32_t i = 0; (rc = sys.RegEnumKey(key.get(), i, name)) == code::Success && i < 10; ++i)
        names.push_back(name);
    EXPECT_EQ(rc, code::NoMoreItems);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Alpha", L"Beta"}));
}

TEST_F(RegistryTest, DeletingAValueTakesOnlyThatValue) {
    planter.PlantString(RegRoot::CurrentUser, Key(), L"Worm", L"C:\\w.exe");
    planter.PlantString(RegRoot::CurrentUser, Key(), L"Keep", L"C:\\k.exe");
    OpenKey key(sys);
    ASSERT_EQ(key.Open(RegRoot::CurrentUser, Key()), code::Success);
    EXPECT_EQ(sys.RegDeleteValue(key.get(), L"Worm"), code::Success);
    EXPECT_EQ(sys.RegDeleteValue(key.get(), L"Worm"), code::FileNotFound);
    EXPECT_FALSE(planter.ValueExists(RegRoot::CurrentUser, Key(), L"Worm"));
    EXPECT_EQ(planter.StringValue(RegRoot::CurrentUser, Key(), L"Keep"), std::wstring(L"C:\\k.exe"));
}

TEST_F(RegistryTest, AKeyWithSubkeysIsRefusedAndAnEmptySubkeyDeletesTheOpenKey) {
    planter.PlantKey(RegRoot::CurrentUser, Key() + L"\\Svc\\Parameters");
    OpenKey parent(sys);
    ASSERT_EQ(parent.Open(RegRoot::CurrentUser, Key()), code::Success);
    EXPECT_EQ(sys.RegDeleteKey(parent.get(), L"Svc"), code::AccessDenied);
    EXPECT_TRUE(planter.KeyExists(RegRoot::CurrentUser, Key() + L"\\Svc\\Parameters"));

    OpenKey svc(sys);
    ASSERT_EQ(svc.Open(RegRoot::CurrentUser, Key() + L"\\Svc"), code::Success);
    EXPECT_EQ(sys.RegDeleteKey(svc.get(), L"Parameters"), code::Success);
    EXPECT_EQ(sys.RegDeleteKey(svc.get(), L""), code::Success);
    EXPECT_FALSE(planter.KeyExists(RegRoot::CurrentUser, Key() + L"\\Svc"));
    EXPECT_TRUE(planter.KeyExists(RegRoot::CurrentUser, Key()));
}

TEST_F(RegistryTest, MachineWideKeysOpen) {
    RegKey key = 0;
    EXPECT_EQ(sys.RegOpenKey(RegRoot::LocalMachine, L"System\\CurrentControlSet\\Services", key), code::Success);
    EXPECT_NE(key, 0u);
    EXPECT_EQ(sys.RegCloseKey(key), code::Success);
}

// What a 64-bit program needs to reach the 32-bit programs' places: the views, HKU, the 32-bit folder.
TEST_F(RegistryTest, The32BitViewHKUAndTheSysWow64FolderAreReached) {
    const std::wstring machineKey = L"Software\\PellTest\\" + Key().substr(Key().rfind(L'\\') + 1);
    const std::wstring key32 = L"Software\\Wow6432Node\\PellTest\\" + Key().substr(Key().rfind(L'\\') + 1);
    planter.PlantString(RegRoot::LocalMachine, key32, L"Only32", L"C:\\w.exe");
    const struct {
        std::uint32_t view;
        bool sees32;
    } views[] = {{regview::Own, false}, {regview::Key64, false}, {regview::Key32, true}};
    for (const auto& v : views) {
        SCOPED_TRACE(v.view);
        OpenKey key(sys);
        const long rc = key.Open(RegRoot::LocalMachine, machineKey, v.view);
        EXPECT_EQ(rc == code::Success, v.sees32);
        if (rc == code::Success) EXPECT_EQ(sys.RegSetStringValue(key.get(), L"Written", L"C:\\x.exe"), code::Success);
    }
    EXPECT_EQ(planter.StringValue(RegRoot::LocalMachine, key32, L"Written"), std::wstring(L"C:\\x.exe"));

    const std::wstring self = sys.CurrentUserSid();
    EXPECT_EQ(self.rfind(L"S-1-5-21-", 0), 0u) << WideToUtf8(self);
    OpenKey hive(sys);
    EXPECT_EQ(hive.Open(RegRoot::Users, self + L"\\Software"), code::Success);

    std::wstring wow64;
    ASSERT_GT(sys.GetSystemWow64Directory(wow64), 0u);
    EXPECT_TRUE(Equals(wow64.substr(wow64.size() - 9), L"\\syswow64")) << WideToUtf8(wow64);
}

}  // namespace
}  // namespace pell::test
