// The ownership test and the guards around the record's path, in-process;
// and which directories the uninstall scan enters.
#include "scratch.h"
#include "page/tree_scan.h"
#include "server/record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>

namespace {

struct OwnershipCase {
    const char* name;
    const char* record;   // nullptr: no Desktop.ini at all
    BOOL expected;
};

const OwnershipCase kOwnershipCases[] = {
    {"no file", nullptr, TRUE},
    {"no section", "[QXIcons]\r\nIndexClosed=4\r\n", TRUE},
    {"section without the key", "[.ShellClassInfo]\r\nIconResource=x.dll,1\r\n", TRUE},
    {"our class as written", "[.ShellClassInfo]\r\nCLSID={5E676C24-194A-11d1-9FCB-4854E821E610}\r\n", TRUE},
    {"our class in lower case", "[.ShellClassInfo]\r\nCLSID={5e676c24-194a-11d1-9fcb-4854e821e610}\r\n", TRUE},
    {"our class in upper case", "[.ShellClassInfo]\r\nCLSID={5E676C24-194A-11D1-9FCB-4854E821E610}\r\n", TRUE},
    {"empty key", "[.ShellClassInfo]\r\nCLSID=\r\n", FALSE},
    {"our class without braces", "[.ShellClassInfo]\r\nCLSID=5E676C24-194A-11d1-9FCB-4854E821E610\r\n", FALSE},
    {"another class", "[.ShellClassInfo]\r\nCLSID={645FF040-5081-101B-9F08-00AA002F954E}\r\n", FALSE},
};

TEST(Record, OwnershipTest)
{
    for (const OwnershipCase& c : kOwnershipCases) {
        ScratchFolder folder;
        if (c.record)
            folder.write_record(c.record);
        EXPECT_EQ(IsFolderCustomizable(widen(folder.record_path()).c_str()), c.expected) << c.name;
    }
}

TEST(Record, OwnershipOfFolderThatDoesNotExist)
{
    EXPECT_TRUE(IsFolderCustomizable(L"C:\\no such folder\\at all\\Desktop.ini"));
}

TEST(Record, OverlongRecordPathIsNeverCustomizable)
{
    std::wstring path = L"C:\\" + std::wstring(300, L'a') + L"\\Desktop.ini";
    EXPECT_FALSE(IsFolderCustomizable(path.c_str()));
}

TEST(Record, RecordPathIsFolderBackslashDesktopIni)
{
    WCHAR path[MAX_PATH];
    std::wmemset(path, L'X', MAX_PATH);
    ASSERT_TRUE(MakeRecordPath(L"C:\\a b\\c", path));
    EXPECT_STREQ(path, L"C:\\a b\\c\\Desktop.ini");
    ASSERT_TRUE(MakeRecordPath(L"C:\\", path));
    EXPECT_STREQ(path, L"C:\\\\Desktop.ini");
}

TEST(Record, RecordPathRefusedExactlyWhenItWouldNotFit)
{
    // 12 characters are added: a backslash and "Desktop.ini"; the buffer
    // also holds the terminator.
    struct { size_t folder_length; BOOL fits; } cases[] = {
        {MAX_PATH - 13, TRUE}, {MAX_PATH - 12, FALSE}, {MAX_PATH - 1, FALSE}, {1000, FALSE}};
    for (const auto& c : cases) {
        std::wstring folder(c.folder_length, L'f');
        WCHAR path[MAX_PATH + 16];
        std::wmemset(path, L'X', MAX_PATH + 16);
        EXPECT_EQ(MakeRecordPath(folder.c_str(), path), c.fits) << c.folder_length;
        if (c.fits)
            EXPECT_EQ(std::wcslen(path), c.folder_length + 12);
        else
            EXPECT_EQ(path[0], L'\0') << c.folder_length;
        EXPECT_EQ(path[MAX_PATH], L'X') << "wrote past the buffer, " << c.folder_length;
    }
}

TEST(Record, WidePathConversion)
{
    char path[MAX_PATH + 16];
    std::memset(path, 'X', sizeof path);
    ASSERT_TRUE(WidePathToAnsi(L"C:\\plain folder", path));
    EXPECT_STREQ(path, "C:\\plain folder");

    std::wstring longest(MAX_PATH - 1, L'w');
    EXPECT_TRUE(WidePathToAnsi(longest.c_str(), path));
    EXPECT_EQ(std::strlen(path), static_cast<size_t>(MAX_PATH - 1));

    std::memset(path, 'X', sizeof path);
    std::wstring too_long(MAX_PATH, L'w');
    EXPECT_FALSE(WidePathToAnsi(too_long.c_str(), path));
    EXPECT_EQ(path[0], '\0');
    EXPECT_EQ(path[MAX_PATH], 'X') << "wrote past the buffer";
}

TEST(Record, NameTheCodePageCannotHoldIsRefused)
{
    // U+4E00 and U+0101 have no form in a Western code page; U+0101 would
    // best-fit to a plain 'a' and so name another folder.
    BOOL bUsedDefault = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, L"\x0101", -1, nullptr, 0, nullptr, &bUsedDefault);
    if (!bUsedDefault)
        GTEST_SKIP() << "code page " << GetACP() << " holds U+0101";
    char path[MAX_PATH];
    EXPECT_FALSE(WidePathToAnsi(L"C:\\p\x0101th", path));
    EXPECT_EQ(path[0], '\0');
}

// Links, junctions and mount points lead elsewhere (and may lead back up);
// every other reparse point is a folder of its own.
TEST(TreeScan, EntersEveryDirectoryButNameSurrogates)
{
    const DWORD directory = FILE_ATTRIBUTE_DIRECTORY;
    const DWORD reparse = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    struct Case {
        const char* name;
        DWORD attributes, tag;
        BOOL entered;
    } cases[] = {
        {"plain folder", directory, 0, TRUE},
        {"symbolic link", reparse, IO_REPARSE_TAG_SYMLINK, FALSE},
        {"junction or mount point", reparse, IO_REPARSE_TAG_MOUNT_POINT, FALSE},
        {"cloud drive's folder", reparse, IO_REPARSE_TAG_CLOUD_6, TRUE},
        // Entering would download its entries (recall on open), or its files.
        {"cloud folder not yet fetched", reparse | 0x00040000, IO_REPARSE_TAG_CLOUD_6, FALSE},
        {"cloud folder whose files are not fetched", reparse | 0x00400000, IO_REPARSE_TAG_CLOUD_6, FALSE},
        {"offline folder", directory | FILE_ATTRIBUTE_OFFLINE, 0, FALSE},
        {"deduplicated folder", reparse, IO_REPARSE_TAG_DEDUP, TRUE},
        // Tag 0 names no kind: the listing did not tell (Wine's never does).
        {"reparse point of untold kind", reparse, 0, FALSE},
        {"not a folder", FILE_ATTRIBUTE_ARCHIVE, 0, FALSE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsFollowedDirectory(c.attributes, c.tag), c.entered) << c.name;
}

}
