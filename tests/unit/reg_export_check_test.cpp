// The check of a service's registry export: what the editor writes passes, anything that could reach
// another key, or that the editor might read otherwise, is refused with the line that does it.
#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "record/reg_export_check.h"

namespace pell {
namespace {

const std::string kOwn = "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\wrmsvc]";

std::string Utf16WithMark(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
}

TEST(ExportCheck, PassesWhatTheEditorWritesAndRefusesAnythingElse) {
    const std::string genuine = "Windows Registry Editor Version 5.00\r\n\r\n" + kOwn +
                                "\r\n\"Type\"=dword:00000010\r\n\"ImagePath\"=hex(2):43,00,3a,00,5c,00,\\\r\n"
                                "  77,00,00,00\r\n\"DisplayName\"=\"wrm \\\"quoted\\\" \\\\ name\"\r\n"
                                "@=\"\"\r\n\"Old\"=-\r\n\r\n" +
                                kOwn.substr(0, kOwn.size() - 1) + "\\Parameters]\r\n\"Data\"=hex:01,02\r\n";
    const struct {
        const char* what;
        std::string bytes;
        const wchar_t* refusal;  // the start of the reason; empty: accepted
    } cases[] = {
        {"the editor's UTF-16 export", Utf16WithMark(genuine), L""},
        {"an ASCII export with LF line ends", "REGEDIT4\n" + kOwn + "\n\"Start\"=dword:00000002\n", L""},
        {"a key after a bare CR, which the editor reads as a line of its own",
         "REGEDIT4\r\n" + kOwn + "\r\n\"Start\"=dword:00000002\r[HKEY_LOCAL_MACHINE\\Software\\EvilKey]\r\n",
         L"line 4 names a key outside the service's own: HKEY_LOCAL_MACHINE\\Software\\EvilKey"},
        {"a key after a bare LF", "REGEDIT4\r\n" + kOwn + "\n[HKEY_LOCAL_MACHINE\\Software\\EvilKey]\r\n",
         L"line 3 names a key outside"},
        {"a key whose name only starts like the service's",
         "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\wrmsvcX]\r\n", L"line 2 names a key outside"},
        {"the deletion of a key", "REGEDIT4\r\n" + kOwn + "\r\n[-HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Spooler]\r\n",
         L"line 3 names a key outside"},
        {"hex data continued by a key line", "REGEDIT4\r\n" + kOwn + "\r\n\"x\"=hex:00,\\\r\n[HKEY_CURRENT_USER\\Evil]\r\n",
         L"line 4 continues hex data with something else"},
        {"an export ending inside hex data", "REGEDIT4\r\n" + kOwn + "\r\n\"x\"=hex:00,\\", L"ends inside hex data"},
        {"no header", kOwn + "\r\n", L"does not start with the registry editor's header"},
        {"a value before any key", "REGEDIT4\r\n\"x\"=dword:00000001\r\n" + kOwn + "\r\n", L"line 2 holds a value before any key"},
        {"a data form no editor writes", "REGEDIT4\r\n" + kOwn + "\r\n\"x\"=str(2):\"y\"\r\n", L"line 3 cannot be parsed"},
        {"a string that does not end", "REGEDIT4\r\n" + kOwn + "\r\n\"x\"=\"y\r\n", L"line 3 cannot be parsed"},
        {"text after a key line", "REGEDIT4\r\n" + kOwn + " x\r\n", L"line 2 is a key line that does not end"},
        {"a key with brackets inside", "REGEDIT4\r\n" + kOwn.substr(0, kOwn.size() - 1) + "\\a]b]\r\n", L"line 2 names a key with brackets"},
        {"bytes outside ASCII without a byte order mark", "REGEDIT4\r\n" + kOwn + "\r\n\"x\"=\"\xC3\xA9\"\r\n",
         L"is neither UTF-16"},
        {"a NUL inside the text", Utf16WithMark("REGEDIT4\r\n" + kOwn + std::string("\r\n\"x\"=\"a\0b\"\r\n", 14)),
         L"holds a control character"},
        {"a header and nothing else", "REGEDIT4\r\n", L"names no key"},
    };
    for (const auto& c : cases) {
        const std::wstring refusal = ExportRefusal(c.bytes, L"wrmsvc");
        EXPECT_EQ(refusal.substr(0, std::wstring_view(c.refusal).size()), c.refusal)
            << c.what << ": " << WideToUtf8(refusal);
        if (!*c.refusal) EXPECT_EQ(refusal, L"") << c.what;
    }
}

}  // namespace
}  // namespace pell
