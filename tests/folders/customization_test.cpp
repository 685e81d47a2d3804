// ApplyCustomization and RemoveCustomization against real files, attributes
// and the registry of the test prefix.
#include "page_support.h"

#include "page/customization.h"
#include "server/prop_sheet_ext.h"

#include <gtest/gtest.h>

namespace {

const char kClassText[] = "{5E676C24-194A-11d1-9FCB-4854E821E610}";
const char kMetricsKey[] = ".Default\\Control Panel\\desktop\\WindowMetrics";

// Every write to a file sets its archive bit, on Windows as under Wine, and
// Wine keeps no read-only attribute on folders at all: compare without them.
DWORD file_attributes(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) & ~DWORD(FILE_ATTRIBUTE_ARCHIVE);
}

DWORD folder_attributes(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) & ~DWORD(FILE_ATTRIBUTE_READONLY);
}

struct Page {
    explicit Page(const ScratchFolder& folder) : ext(new CIconPropSheetExt())
    {
        lstrcpyW(ext->m_szFolder, folder.wide_path().c_str());
        lstrcpyW(ext->m_szIniPath, widen(folder.record_path()).c_str());
        lstrcpyW(ext->m_szFileClosed, L"c:\\icons\\closed.ico");
        ext->m_nIndexClosed = 0;
        lstrcpyW(ext->m_szFileOpened, L"c:\\icons\\library.dll");
        ext->m_nIndexOpened = -12;
        ext->m_nAnimateLarge = 1;
        ext->m_bAllColors = FALSE;
    }
    ~Page() { ext->Release(); }
    CIconPropSheetExt* ext;
};

class Customization : public ::testing::Test {
protected:
    Customization() : bpp(HKEY_USERS, kMetricsKey, "Shell Icon BPP") { bpp.set_text("4"); }
    SavedRegistryValue bpp;
};

// The shell needs a hidden record in a read-only folder; whatever else the
// file or the folder had stays, a hidden folder above all.
TEST_F(Customization, ApplyAddsHiddenAndReadOnlyTakingNothingAway)
{
    struct Case {
        const char* name;
        bool file_exists;
        DWORD file_before, folder_before;
        DWORD file_after;
    } cases[] = {
        {"no-file", false, 0, FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_HIDDEN},
        {"system-folder", true, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE,
         FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
        {"hidden-folder", true, FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
         FILE_ATTRIBUTE_HIDDEN},
        // A read-only record is written all the same, and stays read-only.
        {"read-only-file", true, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM,
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN,
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder(c.name);
        if (c.file_exists) {
            folder.write_record("[Other]\r\nKey=Value\r\n");
            SetFileAttributesA(folder.record_path().c_str(), c.file_before);
        }
        SetFileAttributesA(folder.path().c_str(), c.folder_before);
        Page page(folder);

        EXPECT_EQ(page.ext->ApplyCustomization(), TRUE);

        EXPECT_EQ(file_attributes(folder.record_path()), c.file_after)
            << std::hex << GetFileAttributesA(folder.record_path().c_str());
        EXPECT_EQ(folder_attributes(folder.path()), (c.folder_before & ~DWORD(FILE_ATTRIBUTE_READONLY |
                                                                             FILE_ATTRIBUTE_NORMAL)) |
                                                        FILE_ATTRIBUTE_DIRECTORY)
            << std::hex << GetFileAttributesA(folder.path().c_str());
        EXPECT_EQ(read_ini(folder.record_path(), ".ShellClassInfo", "CLSID"), kClassText);
        EXPECT_EQ(read_ini(folder.record_path(), "QXIcons", "IconFileClosed"), "c:\\icons\\closed.ico");
        if (c.file_exists) {
            EXPECT_EQ(read_ini(folder.record_path(), "Other", "Key"), "Value");
        }
    }
}

TEST_F(Customization, ApplyWritesEveryIconKeyInIntegerForm)
{
    struct Case {
        int index_closed, index_opened, animate;
        const char *closed_text, *opened_text, *animate_text;
    } cases[] = {
        {0, -12, 0, "0", "-12", "0"},
        {7, 3, 1, "7", "3", "1"},
        {-1, 0, 3, "-1", "0", "3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.animate_text);
        ScratchFolder folder("keys");
        Page page(folder);
        page.ext->m_nIndexClosed = c.index_closed;
        page.ext->m_nIndexOpened = c.index_opened;
        page.ext->m_nAnimateLarge = c.animate;

        page.ext->ApplyCustomization();

        EXPECT_EQ(read_ini(folder.record_path(), "QXIcons", "IndexClosed"), c.closed_text);
        EXPECT_EQ(read_ini(folder.record_path(), "QXIcons", "IconFileOpened"), "c:\\icons\\library.dll");
        EXPECT_EQ(read_ini(folder.record_path(), "QXIcons", "IndexOpened"), c.opened_text);
        EXPECT_EQ(read_ini(folder.record_path(), "QXIcons", "AnimateLarge"), c.animate_text);
    }
}

TEST_F(Customization, ApplyRewritesTheColourDepthAsOneOfTwoValues)
{
    struct Case {
        const char* before;
        BOOL all_colors;
        const char* after;
    } cases[] = {
        {"8", FALSE, "4"}, {"24", TRUE, "16"}, {"32", TRUE, "16"}, {"16", FALSE, "4"}, {nullptr, TRUE, "16"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.after);
        if (c.before)
            bpp.set_text(c.before);
        else
            bpp.remove();
        ScratchFolder folder("colours");
        Page page(folder);
        page.ext->m_bAllColors = c.all_colors;

        EXPECT_EQ(page.ext->ApplyCustomization(), TRUE);

        EXPECT_EQ(registry_text(HKEY_USERS, kMetricsKey, "Shell Icon BPP"), c.after);
    }
}

const char kCustomized[] =
    "[.ShellClassInfo]\r\n"
    "CLSID={5E676C24-194A-11d1-9FCB-4854E821E610}\r\n"
    "IconResource=c:\\other.dll,4\r\n"
    "[QXIcons]\r\n"
    "IconFileClosed=c:\\a.ico\r\n"
    "IndexClosed=1\r\n"
    "IconFileOpened=c:\\b.ico\r\n"
    "IndexOpened=2\r\n"
    "AnimateLarge=1\r\n"
    "[ViewState]\r\n"
    "Mode=4\r\n";

void expect_removed(const std::string& ini)
{
    EXPECT_EQ(read_ini(ini, ".ShellClassInfo", "CLSID"), "<missing>");
    for (const char* key : {"IconFileClosed", "IndexClosed", "IconFileOpened", "IndexOpened", "AnimateLarge"})
        EXPECT_EQ(read_ini(ini, "QXIcons", key), "<missing>") << key;
    EXPECT_EQ(read_ini(ini, ".ShellClassInfo", "IconResource"), "c:\\other.dll,4");
    EXPECT_EQ(read_ini(ini, "ViewState", "Mode"), "4");
}

TEST(RemoveCustomization, KeepsOtherKeysHeadersAndAttributes)
{
    ScratchFolder folder("remove");
    folder.write_record(kCustomized);
    SetFileAttributesA(folder.record_path().c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(folder.path().c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(RemoveCustomization(widen(folder.record_path()).c_str()), TRUE);

    expect_removed(folder.record_path());
    EXPECT_NE(read_file(folder.record_path()).find("[QXIcons]"), std::string::npos) << read_file(folder.record_path());
    EXPECT_EQ(GetFileAttributesA(folder.record_path().c_str()),
              DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(folder_attributes(folder.path()), DWORD(FILE_ATTRIBUTE_DIRECTORY));
}

TEST(RemoveCustomization, SecondRemovalChangesNothing)
{
    ScratchFolder folder("remove-twice");
    folder.write_record(kCustomized);
    RemoveCustomization(widen(folder.record_path()).c_str());
    std::string once = read_file(folder.record_path());

    RemoveCustomization(widen(folder.record_path()).c_str());

    EXPECT_EQ(read_file(folder.record_path()), once);
}

// Changed through a hard link, a record would be split from the file it
// shares: the other name would keep the old text. Both stay, and the reason
// is told.
TEST(RemoveCustomization, LeavesARecordThatIsALinkAndSaysWhy)
{
    ScratchFolder folder("linked"), elsewhere("link target");
    elsewhere.write_record(kCustomized);
    ASSERT_TRUE(CreateHardLinkA(folder.record_path().c_str(), elsewhere.record_path().c_str(), nullptr));

    EXPECT_EQ(RemoveCustomization(widen(folder.record_path()).c_str()), FALSE);

    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANT_RESOLVE_FILENAME));
    EXPECT_EQ(read_file(folder.record_path()), kCustomized);
    EXPECT_EQ(read_file(elsewhere.record_path()), kCustomized);
}

// A copy that a change left when its host ended before the swap goes with
// the next change of the folder, and only one that is provably ours.
TEST(RemoveCustomization, ClearsOnlyStaleCopiesOfOurs)
{
    const std::string ours = "[QXIcons]\r\nIndexClosed=1\r\n";
    struct Case {
        const char* name;
        std::string text;
        DWORD attributes;
        int hours_old;
        bool cleared;
    } cases[] = {
        {"~dt1A2B.tmp", ours, FILE_ATTRIBUTE_HIDDEN, 2, true},
        {"~dt3C4D.tmp", ours, FILE_ATTRIBUTE_HIDDEN, 0, false},           // a change may be under way
        {"~dt5E6F.tmp", "[Other]\r\nKey=1\r\n", FILE_ATTRIBUTE_HIDDEN, 2, false},
        {"~dt7A8B.tmp", ours, FILE_ATTRIBUTE_NORMAL, 2, false},           // ours are hidden
        {"~dtcopy.tmp", ours, FILE_ATTRIBUTE_HIDDEN, 2, false},
    };
    ScratchFolder folder("stale");
    folder.write_record(kCustomized);
    for (const Case& c : cases) {
        const std::string path = folder.path() + "\\" + c.name;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, c.attributes, nullptr);
        DWORD written = 0;
        WriteFile(file, c.text.data(), DWORD(c.text.size()), &written, nullptr);
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER time = {{now.dwLowDateTime, now.dwHighDateTime}};
        time.QuadPart -= c.hours_old * 3600ull * 10000000;
        FILETIME written_at = {time.LowPart, time.HighPart};
        SetFileTime(file, nullptr, nullptr, &written_at);
        CloseHandle(file);
    }

    ASSERT_EQ(RemoveCustomization(widen(folder.record_path()).c_str()), TRUE);

    for (const Case& c : cases)
        EXPECT_EQ(GetFileAttributesA((folder.path() + "\\" + c.name).c_str()) == INVALID_FILE_ATTRIBUTES, c.cleared)
            << c.name;
}

TEST(RemoveCustomization, WithoutAFileCreatesNone)
{
    ScratchFolder folder("remove-nothing");

    EXPECT_EQ(RemoveCustomization(widen(folder.record_path()).c_str()), TRUE);

    EXPECT_EQ(GetFileAttributesA(folder.record_path().c_str()), INVALID_FILE_ATTRIBUTES);
}

// The closed icon is also the folder's standard icon, for every reader of
// Desktop.ini without the library. Another's value is kept aside and comes
// back; one that another program wrote over ours stays.
TEST_F(Customization, TheClosedIconIsAlsoTheStandardIcon)
{
    struct Case {
        const char* name;
        const char* before;           // the record's text before Apply
        const char* changed_after;    // another program's value, written after Apply
        const char* after_removal;    // IconResource afterwards
        const wchar_t* closed = L"c:\\icons\\closed.ico";
        const char* standard = "c:\\icons\\closed.ico,-5";
    } cases[] = {
        {"plain folder", "", nullptr, "<missing>"},
        {"another's icon", "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\nInfoTip=tip\r\n", nullptr,
         "C:\\x.ico,0"},
        {"changed after Apply", "", "C:\\later.dll,-3", "C:\\later.dll,-3"},
        // Written before we kept a copy of the standard icon: it is ours as it
        // matches the closed icon, which is read before the new one replaces it.
        {"ours, from an older record", "[.ShellClassInfo]\r\nIconResource=c:\\old.ico,1\r\nInfoTip=tip\r\n"
         "[QXIcons]\r\nIconFileClosed=c:\\old.ico\r\nIndexClosed=1\r\n", nullptr, "<missing>"},
        // What is kept aside comes back only where the folder may use it.
        {"another's icon on a share", "[.ShellClassInfo]\r\nIconResource=\\\\host\\share\\x.ico,0\r\nInfoTip=tip\r\n",
         nullptr, "<missing>"},
        {"another's device", "[.ShellClassInfo]\r\nIconResource=C:\\x\\LPT1,0\r\nInfoTip=tip\r\n", nullptr,
         "<missing>"},
        // The shell's own "Shell Icons" values often quote the file.
        {"quoted default", "", nullptr, "<missing>", L"\"c:\\icons\\closed.ico\"", "\"c:\\icons\\closed.ico\",-5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder("standard");
        if (*c.before)
            folder.write_record(c.before);
        Page page(folder);
        lstrcpyW(page.ext->m_szFileClosed, c.closed);
        page.ext->m_nIndexClosed = -5;

        ASSERT_EQ(page.ext->ApplyCustomization(), TRUE);
        EXPECT_EQ(read_ini(folder.record_path(), ".ShellClassInfo", "IconResource"), c.standard);
        // Applying again keeps aside what was there before the first time.
        ASSERT_EQ(page.ext->ApplyCustomization(), TRUE);
        if (c.changed_after)
            WritePrivateProfileStringA(".ShellClassInfo", "IconResource", c.changed_after,
                                       folder.record_path().c_str());

        EXPECT_EQ(RemoveCustomization(widen(folder.record_path()).c_str()), TRUE);

        EXPECT_EQ(read_ini(folder.record_path(), ".ShellClassInfo", "IconResource"), c.after_removal);
        EXPECT_EQ(read_ini(folder.record_path(), "QXIcons", "PreviousIconResource"), "<missing>");
        EXPECT_EQ(read_file(folder.record_path()).find("IconResource", read_file(folder.record_path()).find("[QXIcons]")),
                  std::string::npos)
            << read_file(folder.record_path());
        if (*c.before) {
            EXPECT_EQ(read_ini(folder.record_path(), ".ShellClassInfo", "InfoTip"), "tip");
        }
    }
}

// A record keeps its 8-bit text while the code page spells every value; a
// name it cannot spell turns it into UTF-16, every other line kept in order.
TEST_F(Customization, TheRecordTurnsUtf16OnlyForANameTheCodePageCannotSpell)
{
    const std::string theirs = "[.ShellClassInfo]\r\nInfoTip=Caf\xE9\r\n[Other]\r\nKey=Value\r\n";
    struct Case {
        const char* name;
        bool existing;
        std::wstring icon;
        bool utf16;
    } cases[] = {
        {"spelled, existing", true, L"c:\\icons\\caf\x00E9.ico", false},
        {"not spelled, existing", true, L"c:\\icons\\\x5199\x771F.ico", true},
        {"not spelled, new", false, L"c:\\icons\\\x03B5\x03B9\x03BA\x03CC\x03BD\x03B1.ico", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder("encoding");
        if (c.existing)
            folder.write_record(theirs);
        Page page(folder);
        lstrcpyW(page.ext->m_szFileClosed, c.icon.c_str());

        ASSERT_EQ(page.ext->ApplyCustomization(), TRUE);

        std::string bytes = read_file(folder.record_path());
        EXPECT_EQ(bytes.compare(0, 2, "\xFF\xFE") == 0, c.utf16) << bytes;
        std::wstring ini = widen(folder.record_path());
        EXPECT_EQ(read_ini(ini, L"QXIcons", L"IconFileClosed"), c.icon);
        std::string text = c.utf16 ? ascii_from_utf16_file(bytes) : bytes;
        if (c.existing) {
            EXPECT_EQ(text.find("[.ShellClassInfo]\r\nInfoTip=Caf\xE9\r\n"), 0u) << text;
            EXPECT_NE(text.find("[Other]\r\nKey=Value\r\n"), std::string::npos) << text;
        }
        if (!c.utf16) {
            EXPECT_NE(text.find("IconFileClosed=c:\\icons\\caf\xE9.ico\r\n"), std::string::npos) << text;
        }
    }
}

// The shell writes Desktop.ini in UTF-16; our 8-bit writes must neither
// garble it nor lose what the shell keeps there.
TEST_F(Customization, Utf16RecordKeepsItsOtherKeysThroughApplyAndRemoval)
{
    ScratchFolder folder("utf16");
    folder.write_record(utf16_file("[.ShellClassInfo]\r\nIconResource=c:\\other.dll,4\r\n"
                                        "[ViewState]\r\nMode=4\r\n"));
    Page page(folder);

    page.ext->ApplyCustomization();

    std::string applied = ascii_from_utf16_file(read_file(folder.record_path()));
    EXPECT_NE(applied.find("CLSID={5E676C24-194A-11d1-9FCB-4854E821E610}"), std::string::npos) << applied;
    EXPECT_NE(applied.find("\nIconResource=c:\\icons\\closed.ico,0"), std::string::npos) << applied;
    EXPECT_NE(applied.find("PreviousIconResource=c:\\other.dll,4"), std::string::npos) << applied;
    EXPECT_NE(applied.find("IndexOpened=-12"), std::string::npos) << applied;
    EXPECT_NE(applied.find("[ViewState]\r\nMode=4"), std::string::npos) << applied;

    RemoveCustomization(widen(folder.record_path()).c_str());

    std::string removed = ascii_from_utf16_file(read_file(folder.record_path()));
    EXPECT_EQ(removed.find("CLSID"), std::string::npos) << removed;
    EXPECT_EQ(removed.find("IconFile"), std::string::npos) << removed;
    EXPECT_NE(removed.find("[QXIcons]"), std::string::npos) << removed;
    EXPECT_NE(removed.find("\nIconResource=c:\\other.dll,4"), std::string::npos) << removed;
    EXPECT_EQ(removed.find("Previous"), std::string::npos) << removed;
    EXPECT_NE(removed.find("[ViewState]\r\nMode=4"), std::string::npos) << removed;
}

// Another program's text comes out of Apply and removal exact, byte for
// byte, whatever its line ends and encoding; a record that cannot be read
// exactly is never rewritten, and the reason is told.
TEST_F(Customization, EveryRecordComesOutExactOrUntouched)
{
    auto lines = [](const std::string& end, const std::string& tip, bool last_ends) {
        return "[.ShellClassInfo]" + end + "InfoTip=" + tip + end + "[QXIcons]" + end + "[Other]" + end +
               "Key=  spaced value  " + end + ";comment" + (last_ends ? end : "");
    };
    auto utf16 = [](const std::wstring& text, bool big_endian) {
        std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
        for (wchar_t ch : text) {
            char low = static_cast<char>(ch & 0xFF), high = static_cast<char>(ch >> 8);
            bytes += big_endian ? std::string{high, low} : std::string{low, high};
        }
        return bytes;
    };
    struct Case {
        const char* name;
        std::string bytes;
        bool exact;
    } cases[] = {
        {"code page, CR LF", lines("\r\n", "Caf\xE9", true), true},
        {"LF only", lines("\n", "tip", true), true},
        {"no line end at the end", lines("\r\n", "tip", false), true},
        {"UTF-8 mark", "\xEF\xBB\xBF" + lines("\r\n", "Caf\xC3\xA9 \xE5\x86\x99", true), true},
        {"UTF-8 mark, invalid bytes", "\xEF\xBB\xBF" + lines("\r\n", "Caf\xC3(", true), false},
        {"big-endian mark", utf16(widen(lines("\r\n", "tip", true)), true), true},
        {"NUL byte", lines("\r\n", std::string("a\0b", 3), true), false},
        {"UTF-16 cut in half", utf16(widen(lines("\r\n", "tip", true)), false) + "x", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder("exact");
        folder.write_record(c.bytes);
        Page page(folder);

        EXPECT_EQ(page.ext->ApplyCustomization(), c.exact ? TRUE : FALSE);
        if (!c.exact) {
            EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
        } else {
            EXPECT_EQ(read_ini(widen(folder.record_path()), L"QXIcons", L"IconFileClosed"), L"c:\\icons\\closed.ico");
        }
        EXPECT_EQ(RemoveCustomization(widen(folder.record_path()).c_str()), c.exact ? TRUE : FALSE);

        EXPECT_EQ(read_file(folder.record_path()), c.bytes);
    }
}

}
