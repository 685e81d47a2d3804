// Where the page's starting values come from: the shell's "Shell Icons"
// replacements, the folder's record and the shell's icon colour depth.
#include "page_support.h"

#include "server/prop_sheet_ext.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

const char kShellIconsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons";
const char kMetricsKey[] = ".Default\\Control Panel\\desktop\\WindowMetrics";

std::string shell32_path()
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    return std::string(system) + "\\shell32.dll";
}

struct Ext {
    Ext() : ext(new CIconPropSheetExt()) {}
    ~Ext() { ext->Release(); }
    CIconPropSheetExt* operator->() const { return ext; }
    CIconPropSheetExt* ext;
};

void set_shell_icon(SavedRegistryValue& value, const std::string& text)
{
    if (text == "<missing>")
        value.remove();
    else
        value.set_text(text.c_str());
}

class DefaultIcons : public ::testing::Test {
protected:
    DefaultIcons()
        : closed(HKEY_LOCAL_MACHINE, kShellIconsKey, "3"), opened(HKEY_LOCAL_MACHINE, kShellIconsKey, "4")
    {
    }
    SavedRegistryValue closed, opened;
};

TEST_F(DefaultIcons, ParseTheShellIconsValues)
{
    const std::string shell32 = shell32_path();
    const std::string path259(259, 'p');
    struct Case {
        const char* name;
        std::string closed_value, opened_value;
        BOOL result;
        std::string closed_file;
        int closed_index;
        std::string opened_file;
        int opened_index;
    } cases[] = {
        {"both", "c:\\icons\\a.dll,5", "c:\\icons\\b.dll,7", TRUE, "c:\\icons\\a.dll", 5, "c:\\icons\\b.dll", 7},
        {"comma in file", "c:\\a,b\\lib.dll,12", "c:\\x.dll,1,2", TRUE, "c:\\a", 12, "c:\\x.dll", 2},
        {"negative", "c:\\a.dll,-137", "c:\\b.dll,  -3", TRUE, "c:\\a.dll", -137, "c:\\b.dll", -3},
        {"no digits", "c:\\a.dll,abc", "c:\\b.dll,", TRUE, "c:\\a.dll", 0, "c:\\b.dll", 0},
        {"digits then text", "c:\\a.dll,+42x", "c:\\b.dll,9 ", TRUE, "c:\\a.dll", 42, "c:\\b.dll", 9},
        {"no values", "<missing>", "<missing>", FALSE, shell32, 3, shell32, 4},
        {"open missing", "c:\\a.dll,5", "<missing>", FALSE, "c:\\a.dll", 5, shell32, 4},
        {"no comma", "c:\\a.dll", "c:\\b.dll,7", FALSE, shell32, 3, shell32, 4},
        {"open without comma", "c:\\a.dll,5", "c:\\b.dll", FALSE, "c:\\a.dll", 5, shell32, 4},
        {"longest file", path259 + ",1", "c:\\b.dll,2", TRUE, path259, 1, "c:\\b.dll", 2},
        {"file too long", path259 + "q,1", "c:\\b.dll,2", FALSE, shell32, 3, shell32, 4},
        {"value too long", "c:\\a.dll," + std::string(300, '1'), "c:\\b.dll,2", FALSE, shell32, 3, shell32, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        set_shell_icon(closed, c.closed_value);
        set_shell_icon(opened, c.opened_value);
        Ext ext;

        EXPECT_EQ(ext->LoadDefaultFolderIcons(), c.result);

        EXPECT_EQ(narrow(ext->m_szDefaultFileClosed), c.closed_file);
        EXPECT_EQ(ext->m_nDefaultIndexClosed, c.closed_index);
        EXPECT_EQ(narrow(ext->m_szDefaultFileOpened), c.opened_file);
        EXPECT_EQ(ext->m_nDefaultIndexOpened, c.opened_index);
    }
}

// Registry data need not end with a zero; reading one must not run on into
// whatever follows it in memory.
TEST_F(DefaultIcons, UnterminatedValueOfAnyType)
{
    const char closed_bytes[] = {'c', ':', '\\', 'y', '.', 'd', 'l', 'l', ',', '9'};
    closed.set(REG_BINARY, closed_bytes, sizeof closed_bytes);
    const char opened_bytes[] = {'c', ':', '\\', 'z', '.', 'd', 'l', 'l', ',', '8'};
    opened.set(REG_SZ, opened_bytes, sizeof opened_bytes);
    Ext ext;
    std::wmemset(ext->m_szDefaultFileClosed, L'X', MAX_PATH);

    EXPECT_EQ(ext->LoadDefaultFolderIcons(), TRUE);

    EXPECT_EQ(narrow(ext->m_szDefaultFileClosed), "c:\\y.dll");
    EXPECT_EQ(ext->m_nDefaultIndexClosed, 9);
    EXPECT_EQ(narrow(ext->m_szDefaultFileOpened), "c:\\z.dll");
    EXPECT_EQ(ext->m_nDefaultIndexOpened, 8);
}

class FolderSettings : public ::testing::Test {
protected:
    FolderSettings() : bpp(HKEY_USERS, kMetricsKey, "Shell Icon BPP"), folder("settings")
    {
        lstrcpyW(ext->m_szIniPath, widen(folder.record_path()).c_str());
        lstrcpyW(ext->m_szDefaultFileClosed, L"c:\\default\\closed.dll");
        ext->m_nDefaultIndexClosed = 11;
        lstrcpyW(ext->m_szDefaultFileOpened, L"c:\\default\\opened.dll");
        ext->m_nDefaultIndexOpened = -22;
    }
    SavedRegistryValue bpp;
    ScratchFolder folder;
    Ext ext;
};

TEST_F(FolderSettings, ColourDepthOfSixteenOrMoreMeansAllColours)
{
    struct Case {
        const char* value;
        BOOL result, all_colors;
    } cases[] = {
        {"4", TRUE, FALSE},  {"8", TRUE, FALSE},   {"16", TRUE, TRUE},  {"24", TRUE, TRUE},
        {"32", TRUE, TRUE},  {"abc", TRUE, FALSE}, {" 16x", TRUE, TRUE}, {nullptr, FALSE, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "missing");
        if (c.value)
            bpp.set_text(c.value);
        else
            bpp.remove();
        ext->m_bAllColors = 7;

        EXPECT_EQ(ext->LoadFolderSettings(), c.result);

        EXPECT_EQ(ext->m_bAllColors, c.all_colors);
    }
}

TEST_F(FolderSettings, LongColourDepthIsRefused)
{
    bpp.set_text(("16" + std::string(40, ' ')).c_str());
    ext->m_bAllColors = 7;

    EXPECT_EQ(ext->LoadFolderSettings(), FALSE);

    EXPECT_EQ(ext->m_bAllColors, FALSE);
}

TEST_F(FolderSettings, WithoutARecordTheDefaultsApply)
{
    ext->LoadFolderSettings();

    EXPECT_EQ(narrow(ext->m_szFileClosed), "c:\\default\\closed.dll");
    EXPECT_EQ(ext->m_nIndexClosed, 11);
    EXPECT_EQ(narrow(ext->m_szFileOpened), "c:\\default\\opened.dll");
    EXPECT_EQ(ext->m_nIndexOpened, -22);
    EXPECT_EQ(ext->m_nAnimateLarge, 1);
}

TEST_F(FolderSettings, TheRecordOverridesEachDefault)
{
    folder.write_record("[QXIcons]\r\nIconFileClosed=c:\\mine\\c.ico\r\nIndexClosed=-5\r\n"
                             "IndexOpened=2\r\nAnimateLarge=3\r\n");

    ext->LoadFolderSettings();

    EXPECT_EQ(narrow(ext->m_szFileClosed), "c:\\mine\\c.ico");
    EXPECT_EQ(ext->m_nIndexClosed, -5);
    EXPECT_EQ(narrow(ext->m_szFileOpened), "c:\\default\\opened.dll");
    EXPECT_EQ(ext->m_nIndexOpened, 2);
    EXPECT_EQ(ext->m_nAnimateLarge, 3);
}

}
