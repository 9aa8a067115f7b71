// Which paths are plain files on a disk that a list may be read from: devices in every spelling, pipes,
// streams, folders and missing files are refused with their reason.
#include <gtest/gtest.h>

#include "base/files.h"
#include "base/text.h"
#include "tests/fake/fake_machine.h"

namespace pell {
namespace {

TEST(PlainFile, OnlyPlainFilesOnADiskAreRead) {
    test::FakeMachine m;
    m.PlantFile(L"C:\\lists\\md5.txt", "x");
    m.PlantFile(L"C:\\lists\\console.txt", "x");  // a device's name inside a longer name is no device
    m.PlantFile(L"\\\\server\\share\\md5.txt", "x");
    m.PlantFolder(L"C:\\lists\\folder");
    struct Case {
        const wchar_t* path;
        const wchar_t* reason;  // the start of it; empty: a plain file
    };
    const Case cases[] = {
        {L"C:\\lists\\md5.txt", L""},
        {L"c:\\LISTS\\MD5.TXT", L""},
        {L"C:\\lists\\console.txt", L""},
        {L"\\\\server\\share\\md5.txt", L""},
        {L"\\\\.\\COM1", L"it names a device (COM1)"},
        {L"\\\\.\\pipe\\list", L"it names a device (pipe\\list)"},
        {L"C:\\lists\\COM1", L"it names a device (COM1)"},
        {L"C:\\lists\\com9.txt", L"it names a device (com9.txt)"},
        {L"C:\\lists\\LPT1 .txt", L"it names a device (LPT1 .txt)"},
        {L"C:\\lists\\nul", L"it names a device (nul)"},
        {L"C:\\lists\\CONIN$", L"it names a device (CONIN$)"},
        {L"C:\\aux\\md5.txt", L"it names a device (aux)"},
        {L"C:\\lists\\COM\u00B9", L"it names a device"},
        {L"C:\\lists\\md5.txt:zone", L"it names a stream"},
        {L"C:\\lists\\md5.txt::$DATA", L"it names a stream"},
        {L"\\\\?\\C:\\lists\\md5.txt", L"it is not a full path"},
        {L"md5.txt", L"it is not a full path"},
        {L"C:md5.txt", L"it is not a full path"},
        {L"C:\\", L"it is not a full path"},
        {L"\\\\server", L"it is not a full path"},
        {L"\\\\server\\share", L"it is not a full path"},
        {L"C:\\lists\\folder", L"it is a folder"},
        {L"C:\\lists\\missing.txt", L"it cannot be found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.path));
        const std::wstring reason = NotAPlainFile(m, c.path);
        if (*c.reason == L'\0') EXPECT_EQ(reason, L"");
        else EXPECT_EQ(reason.rfind(c.reason, 0), 0u) << WideToUtf8(reason);
    }
}

}  // namespace
}  // namespace pell
