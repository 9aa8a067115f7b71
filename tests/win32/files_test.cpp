// Files, folders and drives under Wine: copy without overwriting, attributes, delete, move over,
// open/read/write, listings with hidden and system entries, drives, the system and temporary folders.
#include <algorithm>
#include <map>

#include "base/files.h"
#include "base/handles.h"
#include "base/text.h"
#include "tests/win32/win32_test_support.h"

namespace pell::test {
namespace {

using FileTest = Win32Test;

TEST_F(FileTest, ACopyNeverOverwrites) {
    const std::wstring from = Folder() + L"\\a.exe", to = Folder() + L"\\a.exe.back";
    planter.PlantFile(from, "alpha");
    EXPECT_EQ(sys.CopyFile(from, to, true), 1);
    planter.PlantFile(to, "older");  // taken away with the test
    EXPECT_EQ(sys.CopyFile(from, to, true), 0);
    EXPECT_EQ(sys.LastError(), static_cast<std::uint32_t>(ERROR_FILE_EXISTS));
    EXPECT_EQ(planter.FileBytes(to), std::string("older"));
    EXPECT_EQ(sys.CopyFile(Folder() + L"\\missing.exe", Folder() + L"\\m.back", true), 0);
    EXPECT_EQ(sys.LastError(), static_cast<std::uint32_t>(code::FileNotFound));
}

TEST_F(FileTest, AReadOnlyFileIsRefusedUntilItsAttributesAreReset) {
    const std::wstring path = Folder() + L"\\hosts";
    planter.PlantFile(path, "127.0.0.1 localhost", kAttributeReadOnly | kAttributeHidden);
    std::uint32_t attributes = sys.GetFileAttributes(path);
    EXPECT_EQ(attributes & (kAttributeReadOnly | kAttributeHidden), kAttributeReadOnly | kAttributeHidden);
    EXPECT_EQ(sys.DeleteFile(path), 0);
    EXPECT_EQ(sys.LastError(), static_cast<std::uint32_t>(code::AccessDenied));
    EXPECT_NE(sys.SetFileAttributes(path, kAttributeNormal), 0);
    EXPECT_EQ(sys.GetFileAttributes(path) & (kAttributeReadOnly | kAttributeHidden), 0u);
    EXPECT_NE(sys.DeleteFile(path), 0);
    EXPECT_FALSE(planter.FileExists(path));
}

TEST_F(FileTest, MissingFilesAndFoldersAnswerTheirErrors) {
    planter.PlantFolder(Folder());
    struct Case {
        std::wstring path;
        std::uint32_t error;
    };
    const Case cases[] = {{Folder() + L"\\missing.txt", code::FileNotFound},
                          {Folder() + L"\\no folder\\missing.txt", code::PathNotFound}};
    for (const auto& c : cases) {
        EXPECT_EQ(sys.GetFileAttributes(c.path), kInvalidAttributes);
        EXPECT_EQ(sys.LastError(), c.error);
        EXPECT_EQ(sys.DeleteFile(c.path), 0);
        EXPECT_EQ(sys.LastError(), c.error);
        EXPECT_EQ(sys.SetFileAttributes(c.path, kAttributeNormal), 0);
        EXPECT_EQ(sys.LastError(), c.error);
    }
}

TEST_F(FileTest, MoveReplaceTakesThePlaceOfTheOldFile) {
    const std::wstring fresh = Folder() + L"\\hosts.new", old = Folder() + L"\\hosts";
    planter.PlantFile(fresh, "new lines");
    planter.PlantFile(old, "old lines");
    EXPECT_NE(sys.MoveFileReplace(fresh, old), 0);
    EXPECT_EQ(planter.FileBytes(old), std::string("new lines"));
    EXPECT_FALSE(planter.FileExists(fresh));
}

TEST_F(FileTest, AFilesIdentityIsTheSameByEveryPathAndARenameNeverReplaces) {
    const std::wstring path = Folder() + L"\\Ident.exe", copy = Folder() + L"\\ident.back",
                       renamed = Folder() + L"\\ident (2).back";
    planter.PlantFile(path, "identity");
    // The copy and its new name are the test's to make, and taken away with it, so that a second run in
    // the same prefix finds the folder as the first did.
    for (const std::wstring& made : {copy, renamed}) {
        planter.PlantFile(made, "");
        sys.DeleteFile(made);
    }
    ASSERT_EQ(sys.CopyFile(path, copy, true), 1);
    auto identityOf = [&](const std::wstring& p, FileAccess access, FileIdentity& identity) {
        OpenFileHandle file(sys);
        return file.Open(p, access, FileDisposition::OpenExisting) && sys.GetFileIdentity(file.get(), identity);
    };
    FileIdentity a, b, c;
    ASSERT_TRUE(identityOf(path, FileAccess::Read, a));
    ASSERT_TRUE(identityOf(UpperCase(path), FileAccess::ReadLinkItself, b));
    ASSERT_TRUE(identityOf(copy, FileAccess::Read, c));
    EXPECT_TRUE(a.SameFile(b));
    EXPECT_FALSE(a.SameFile(c));
    EXPECT_EQ(a.size, 8u);
    EXPECT_EQ(a.writeTime, b.writeTime);
    EXPECT_EQ(a.attributes & kAttributeReparsePoint, 0u);

    EXPECT_EQ(sys.MoveFileNoReplace(copy, path), 0);
    EXPECT_TRUE(sys.LastError() == ERROR_ALREADY_EXISTS || sys.LastError() == ERROR_FILE_EXISTS) << sys.LastError();
    EXPECT_EQ(planter.FileBytes(path), std::string("identity"));
    EXPECT_NE(sys.MoveFileNoReplace(copy, renamed), 0) << sys.LastError();
    EXPECT_FALSE(planter.FileExists(copy));
}

TEST_F(FileTest, AFileIsWrittenReadBackAndItsSizeKnown) {
    planter.PlantFolder(Folder());
    const std::wstring path = Folder() + L"\\log.txt";
    planter.PlantFile(path, "");  // taken away with the test
    sys.DeleteFile(path);
    {
        OpenFileHandle out(sys);
        ASSERT_NE(out.Open(path, FileAccess::Write, FileDisposition::CreateNew), 0);
        std::uint32_t written = 0;
        EXPECT_NE(sys.WriteFile(out.get(), "hello world", 11, written), 0);
        EXPECT_EQ(written, 11u);
    }
    OpenFileHandle again(sys);
    EXPECT_EQ(again.Open(path, FileAccess::Write, FileDisposition::CreateNew), 0);
    EXPECT_EQ(sys.LastError(), static_cast<std::uint32_t>(ERROR_FILE_EXISTS));

    OpenFileHandle in(sys);
    ASSERT_NE(in.Open(path, FileAccess::Read, FileDisposition::OpenExisting), 0);
    std::uint64_t size = 0;
    EXPECT_NE(sys.GetFileSize(in.get(), size), 0);
    EXPECT_EQ(size, 11u);
    char buffer[100] = {};
    std::uint32_t read = 0;
    EXPECT_NE(sys.ReadFile(in.get(), buffer, 5, read), 0);
    EXPECT_EQ(std::string(buffer, read), "hello");
    EXPECT_NE(sys.ReadFile(in.get(), buffer, sizeof(buffer), read), 0);
    EXPECT_EQ(std::string(buffer, read), " world");
    EXPECT_NE(sys.ReadFile(in.get(), buffer, sizeof(buffer), read), 0);
    EXPECT_EQ(read, 0u);

    OpenFileHandle missing(sys);
    EXPECT_EQ(missing.Open(Folder() + L"\\missing.txt", FileAccess::Read, FileDisposition::OpenExisting), 0);
    EXPECT_EQ(sys.LastError(), static_cast<std::uint32_t>(code::FileNotFound));
}

TEST_F(FileTest, AnExistingFileIsEmptiedOrKeptAsAsked) {
    const std::wstring path = Folder() + L"\\data.txt";
    planter.PlantFile(path, "content");
    {
        OpenFileHandle keep(sys);
        ASSERT_NE(keep.Open(path, FileAccess::ReadWrite, FileDisposition::OpenAlways), 0);
    }
    EXPECT_EQ(planter.FileBytes(path), std::string("content"));
    {
        OpenFileHandle empty(sys);
        ASSERT_NE(empty.Open(path, FileAccess::Write, FileDisposition::CreateAlways), 0);
    }
    EXPECT_EQ(planter.FileBytes(path), std::string(""));
}

TEST_F(FileTest, AListingShowsHiddenAndSystemEntriesAndMatchesPatterns) {
    planter.PlantFile(Folder() + L"\\a.exe", "a", kAttributeHidden);
    planter.PlantFile(Folder() + L"\\B.EXE", "b", kAttributeSystem);
    planter.PlantFile(Folder() + L"\\c.txt", "c");
    planter.PlantFolder(Folder() + L"\\sub");

    std::vector<FoundFile> entries;
    ASSERT_EQ(sys.ListFolder(Folder(), L"*", entries), 0);
    std::map<std::wstring, std::uint32_t> found;
    for (const auto& f : entries) found[f.name] = f.attributes;
    EXPECT_EQ(found.size(), 4u);  // no "." and ".."
    EXPECT_TRUE(found[L"a.exe"] & kAttributeHidden);
    EXPECT_TRUE(found[L"B.EXE"] & kAttributeSystem);
    EXPECT_EQ(found.count(L"c.txt"), 1u);
    EXPECT_TRUE(found[L"sub"] & kAttributeDirectory);

    ASSERT_EQ(sys.ListFolder(Folder() + L"\\", L"*.exe", entries), 0);
    std::vector<std::wstring> names;
    for (const auto& f : entries) names.push_back(f.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"B.EXE", L"a.exe"}));

    EXPECT_EQ(sys.ListFolder(Folder() + L"\\sub", L"*.exe", entries), 0);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(sys.ListFolder(Folder() + L"\\missing", L"*", entries), code::PathNotFound);
}

TEST_F(FileTest, DrivesAreListedInLetterOrderWithTheirTypes) {
    std::vector<std::wstring> drives = sys.LogicalDrives();
    ASSERT_FALSE(drives.empty());
    EXPECT_TRUE(std::is_sorted(drives.begin(), drives.end()));
    EXPECT_NE(std::find(drives.begin(), drives.end(), L"C:"), drives.end());
    EXPECT_EQ(sys.GetDriveType(L"C:\\"), drive::Fixed);
    std::wstring absent;
    for (wchar_t letter = L'Y'; letter > L'D' && absent.empty(); --letter) {
        std::wstring d = std::wstring(1, letter) + L":";
        if (std::find(drives.begin(), drives.end(), d) == drives.end()) absent = d;
    }
    ASSERT_FALSE(absent.empty());
    EXPECT_EQ(sys.GetDriveType(absent + L"\\"), drive::NoRootDir);
}

// A record or a list someone else may have named is read only when it is a file on a disk: a device
// or a pipe would never end, or end when its other side decides.
TEST_F(FileTest, OnlyAPlainDiskFileIsReadWhole) {
    const std::wstring path = Folder() + L"\\record.jsonl";
    planter.PlantFile(path, "{}\n");
    std::string bytes;
    EXPECT_EQ(ReadPlainFile(sys, path, bytes, 100), L"");
    EXPECT_EQ(bytes, "{}\n");
    const std::wstring pipe = L"\\\\.\\pipe\\pelltest-" + std::to_wstring(::GetCurrentProcessId());
    HANDLE server = ::CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0,
                                       nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    for (const std::wstring& device : {std::wstring(L"NUL"), std::wstring(L"\\\\.\\NUL"), pipe}) {
        bytes = "untouched";
        EXPECT_EQ(ReadPlainFile(sys, device, bytes, 100), L"is not a plain disk file") << WideToUtf8(device);
        EXPECT_EQ(bytes, "untouched");
    }
    ::CloseHandle(server);
    EXPECT_EQ(ReadPlainFile(sys, Folder() + L"\\missing.jsonl", bytes, 100), L"cannot be opened (error 2)");
    EXPECT_EQ(ReadPlainFile(sys, path, bytes, 2), L"is larger than 2 bytes");
}

TEST_F(FileTest, TheSystemAndTemporaryFoldersAreReported) {
    std::wstring system;
    std::uint32_t length = sys.GetSystemDirectory(system);
    EXPECT_EQ(length, system.size());
    EXPECT_TRUE(Equals(system, L"C:\\windows\\system32")) << WideToUtf8(system);

    std::wstring temp;
    length = sys.GetTempPath(temp);
    EXPECT_EQ(length, temp.size());
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), L'\\');
    std::uint32_t attributes = sys.GetFileAttributes(temp);
    EXPECT_NE(attributes, kInvalidAttributes);
    EXPECT_TRUE(attributes & kAttributeDirectory);
}

}  // namespace
}  // namespace pell::test
