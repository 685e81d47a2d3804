// The real "Icon" page in a sheet of our own, driven as a user would: its
// starting state, the buttons and boxes, Apply and OK, and the removal.
#include "page_support.h"

#include "support/programs.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const char kShellIconsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons";
const char kMetricsKey[] = ".Default\\Control Panel\\desktop\\WindowMetrics";
const char kClassText[] = "{5E676C24-194A-11d1-9FCB-4854E821E610}";

enum { kList = 1000, kChange = 1001, kDefault = 1002, kProductName = 1003, kAnimate = 1004,
       kAllColors = 1005, kRemove = 1006, kProductInfo = 1010 };

class IconPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library.loaded());
        closed_default.set_text((dll + ",2").c_str());
        opened_default.set_text((dll + ",3").c_str());
        bpp.set_text("4");
    }

    void open()
    {
        offered.reset(new OfferedPage(library, folder.path()));
        ASSERT_EQ(offered->collector.pages.size(), 1u);
        sheet.reset(new Sheet(offered->collector.pages));
        ASSERT_NE(sheet->page(), nullptr);
    }
    HWND page() const { return sheet->page(); }
    HWND list() const { return sheet->control(kList); }
    void click(int id) const { SendMessageA(sheet->control(id), BM_CLICK, 0, 0); }
    void command(int id) const
    {
        SendMessageA(page(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(sheet->control(id)));
    }
    bool checked(int id) const { return IsDlgButtonChecked(page(), id) == BST_CHECKED; }
    void select_row(int row) const
    {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
    void double_click_list() const
    {
        NMITEMACTIVATE activate = {};
        activate.hdr.hwndFrom = list();
        activate.hdr.idFrom = kList;
        activate.hdr.code = NM_DBLCLK;
        activate.iItem = -1;
        SendMessageA(page(), WM_NOTIFY, kList, reinterpret_cast<LPARAM>(&activate));
    }
    std::string row_text(int row) const
    {
        char text[64] = "<none>";
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    std::vector<DWORD> row_image(int row) const
    {
        HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(list(), LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
        return image_pixels(images, row);
    }
    std::string text_of(int id) const
    {
        char text[256] = "";
        GetDlgItemTextA(page(), id, text, sizeof text);
        return text;
    }
    std::string ini(const char* section, const char* key) const
    {
        return read_ini(folder.record_path(), section, key);
    }
    bool customized() const { return ini(".ShellClassInfo", "CLSID") == kClassText; }

    SavedRegistryValue closed_default{HKEY_LOCAL_MACHINE, kShellIconsKey, "3"};
    SavedRegistryValue opened_default{HKEY_LOCAL_MACHINE, kShellIconsKey, "4"};
    SavedRegistryValue bpp{HKEY_USERS, kMetricsKey, "Shell Icon BPP"};
    const std::string dll = sibling_path("folders.dll");
    FoldersLibrary library;
    ScratchFolder folder{"page"};
    std::unique_ptr<OfferedPage> offered;
    std::unique_ptr<Sheet> sheet;
};

TEST_F(IconPage, StartsWithTheShellsFolderIconsForAFreshFolder)
{
    bpp.set_text("24");
    open();

    EXPECT_EQ(SendMessageA(list(), LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(row_text(0), "Closed");
    EXPECT_EQ(row_text(1), "Open");
    EXPECT_EQ(row_image(0), icon_pixels(dll, 2));
    EXPECT_EQ(row_image(1), icon_pixels(dll, 3));
    EXPECT_NE(row_image(0), row_image(1));
    EXPECT_EQ(SendMessageA(list(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), -1);
    EXPECT_TRUE(checked(kAnimate));
    EXPECT_TRUE(checked(kAllColors));
    EXPECT_EQ(GetWindowLongA(sheet->control(kDefault), GWL_STYLE) & WS_VISIBLE, 0);
    EXPECT_EQ(text_of(kProductName), "Nimbrel Shell extension ver 1.0");
    EXPECT_NE(text_of(kProductInfo), "");
}

TEST_F(IconPage, StartsWithTheFoldersOwnChoice)
{
    folder.write_record("[QXIcons]\r\nIconFileClosed=" + dll + "\r\nIndexClosed=0\r\n"
                        "IconFileOpened=" + dll + "\r\nIndexOpened=-154\r\nAnimateLarge=0\r\n");
    open();

    EXPECT_EQ(row_image(0), icon_pixels(dll, 0));
    EXPECT_EQ(row_image(1), icon_pixels(dll, 2));
    EXPECT_FALSE(checked(kAnimate));
    EXPECT_FALSE(checked(kAllColors));
}

// A closed icon that cannot be extracted leaves its row empty; it must not
// shift the open icon into the "Closed" row.
TEST_F(IconPage, AnIconThatCannotBeExtractedKeepsItsRowEmpty)
{
    folder.write_record("[QXIcons]\r\nIconFileClosed=c:\\no\\such.dll\r\nIndexClosed=0\r\n");
    open();

    EXPECT_NE(row_image(0), icon_pixels(dll, 3));
    EXPECT_EQ(row_image(1), icon_pixels(dll, 3));

    command(kDefault);

    EXPECT_EQ(row_image(0), icon_pixels(dll, 2));
    EXPECT_EQ(row_image(1), icon_pixels(dll, 3));
}

// Without a usable "Shell Icons" value the page still shows, and writes, the
// shell's own closed and open folder icons.
TEST_F(IconPage, WithoutShellIconsShowsTheShellsOwnFolderIcons)
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string shell32 = std::string(system) + "\\shell32.dll";
    closed_default.remove();
    opened_default.set_text("no comma here");
    open();

    EXPECT_EQ(row_image(0), icon_pixels(shell32, 3));
    EXPECT_EQ(row_image(1), icon_pixels(shell32, 4));
    EXPECT_FALSE(icon_pixels(shell32, 3).empty());

    command(kDefault);
    sheet->press(PSBTN_OK);

    EXPECT_EQ(ini("QXIcons", "IconFileClosed"), shell32);
    EXPECT_EQ(ini("QXIcons", "IndexClosed"), "3");
    EXPECT_EQ(ini("QXIcons", "IconFileOpened"), shell32);
    EXPECT_EQ(ini("QXIcons", "IndexOpened"), "4");
}

TEST_F(IconPage, DefaultThenApplyCustomizesTheFolder)
{
    bpp.set_text("32");
    folder.write_record("[QXIcons]\r\nIconFileClosed=c:\\gone.ico\r\nIndexClosed=5\r\n");
    SetFileAttributesA(folder.path().c_str(), FILE_ATTRIBUTE_SYSTEM);
    open();
    EXPECT_FALSE(sheet->apply_enabled());

    command(kDefault);
    EXPECT_TRUE(sheet->apply_enabled());
    sheet->press(PSBTN_APPLYNOW);

    EXPECT_TRUE(customized());
    EXPECT_EQ(ini("QXIcons", "IconFileClosed"), dll);
    EXPECT_EQ(ini("QXIcons", "IndexClosed"), "2");
    EXPECT_EQ(ini("QXIcons", "IconFileOpened"), dll);
    EXPECT_EQ(ini("QXIcons", "IndexOpened"), "3");
    EXPECT_EQ(ini("QXIcons", "AnimateLarge"), "1");
    EXPECT_EQ(GetFileAttributesA(folder.record_path().c_str()) & ~DWORD(FILE_ATTRIBUTE_ARCHIVE),
              DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetFileAttributesA(folder.path().c_str()) & DWORD(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN), 0u);
    EXPECT_EQ(registry_text(HKEY_USERS, kMetricsKey, "Shell Icon BPP"), "16");
    EXPECT_EQ(row_image(0), icon_pixels(dll, 2));
}

TEST_F(IconPage, AnimateLargeIsWrittenBackAsReadUnlessToggled)
{
    struct Case {
        const char* stored;
        int clicks;
        const char* written;
    } cases[] = {{"3", 0, "3"}, {"3", 1, "0"}, {"3", 2, "1"}, {"0", 1, "1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.stored) + " clicked " + std::to_string(c.clicks));
        folder.write_record(std::string("[QXIcons]\r\nAnimateLarge=") + c.stored + "\r\n");
        open();
        command(kDefault);
        for (int i = 0; i < c.clicks; ++i)
            click(kAnimate);

        sheet->press(PSBTN_OK);

        EXPECT_EQ(ini("QXIcons", "AnimateLarge"), c.written);
        sheet.reset();
        offered.reset();
    }
}

// The box alone counts as a change for OK, though it does not enable Apply.
TEST_F(IconPage, TogglingAnimateLargeAloneIsWrittenByOk)
{
    open();

    click(kAnimate);
    EXPECT_FALSE(sheet->apply_enabled());
    sheet->press(PSBTN_OK);

    EXPECT_TRUE(customized());
    EXPECT_EQ(ini("QXIcons", "AnimateLarge"), "0");
}

TEST_F(IconPage, TheColourBoxShowsTheRestartNoticeEachTime)
{
    open();
    for (bool expect_checked : {true, false, true}) {
        DialogAnswerer notice("Information", IDOK);
        click(kAllColors);
        ASSERT_TRUE(notice.wait(5000));
        EXPECT_EQ(notice.text(), "This change will take effect after Windows restart");
        EXPECT_EQ(checked(kAllColors), expect_checked);
    }
    sheet->press(PSBTN_OK);

    EXPECT_EQ(registry_text(HKEY_USERS, kMetricsKey, "Shell Icon BPP"), "16");
}

TEST_F(IconPage, NothingTouchedWritesNothing)
{
    open();

    double_click_list();
    sheet->press(PSBTN_OK);

    EXPECT_EQ(GetFileAttributesA(folder.record_path().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(registry_text(HKEY_USERS, kMetricsKey, "Shell Icon BPP"), "4");
}

TEST_F(IconPage, ChangeWithoutASelectionOpensNoPickerYetCountsForOk)
{
    open();

    command(kChange);
    EXPECT_FALSE(sheet->apply_enabled());
    sheet->press(PSBTN_OK);

    EXPECT_TRUE(customized());
    EXPECT_EQ(ini("QXIcons", "IndexOpened"), "3");
}

TEST_F(IconPage, TheRemovalSquareTakesEffectAtOnce)
{
    folder.write_record(std::string("[.ShellClassInfo]\r\nCLSID=") + kClassText + "\r\nInfoTip=kept\r\n"
                        "[QXIcons]\r\nIconFileClosed=" + dll + "\r\nIndexClosed=0\r\nIconFileOpened=" + dll
                        + "\r\nIndexOpened=1\r\nAnimateLarge=1\r\n");
    open();
    EXPECT_EQ(row_image(0), icon_pixels(dll, 0));

    click(kRemove);

    EXPECT_FALSE(customized());
    EXPECT_EQ(ini("QXIcons", "IconFileClosed"), "<missing>");
    EXPECT_EQ(ini(".ShellClassInfo", "InfoTip"), "kept");
    EXPECT_FALSE(sheet->cancel_enabled());
    EXPECT_EQ(row_image(0), icon_pixels(dll, 2));
    EXPECT_EQ(row_image(1), icon_pixels(dll, 3));

    sheet->press(PSBTN_OK);
    EXPECT_FALSE(customized());
    EXPECT_EQ(ini("QXIcons", "IndexClosed"), "<missing>");
}

TEST_F(IconPage, ARemovalFollowedByChangeAndOkCustomizesAgain)
{
    open();
    command(kDefault);
    sheet->press(PSBTN_APPLYNOW);
    ASSERT_TRUE(customized());

    click(kRemove);
    ASSERT_FALSE(customized());
    command(kChange);
    sheet->press(PSBTN_OK);

    EXPECT_TRUE(customized());
    EXPECT_EQ(ini("QXIcons", "IndexClosed"), "2");
}

// The picker speaks UTF-16; a file name outside ASCII must come back intact.
// (Wine's picker answers "chosen" at once without showing a window, so the
// name makes the trip in and out unchanged; on Windows the answerer presses OK.)
TEST_F(IconPage, ThePickerKeepsANonAsciiFileNameIntact)
{
    const std::string icons = folder.path() + "\\Ic\xF4nes \xE9t\xE9.dll";
    ASSERT_TRUE(CopyFileA(dll.c_str(), icons.c_str(), FALSE));
    folder.write_record("[QXIcons]\r\nIconFileOpened=" + icons + "\r\nIndexOpened=1\r\n");
    open();
    EXPECT_EQ(row_image(1), icon_pixels(icons, 1));

    select_row(1);
    DialogAnswerer picker(nullptr, IDOK, sheet->window());
    click(kChange);
    EXPECT_TRUE(sheet->apply_enabled());
    sheet->press(PSBTN_OK);

    EXPECT_EQ(ini("QXIcons", "IconFileOpened"), icons);
    EXPECT_EQ(ini("QXIcons", "IndexOpened"), "1");
    EXPECT_EQ(ini("QXIcons", "IndexClosed"), "2");
}

TEST_F(IconPage, DoubleClickOnARowCountsAsAChange)
{
    open();

    select_row(0);
    DialogAnswerer picker(nullptr, IDOK, sheet->window());
    double_click_list();
    EXPECT_TRUE(sheet->apply_enabled());
    sheet->press(PSBTN_OK);

    EXPECT_TRUE(customized());
    EXPECT_EQ(ini("QXIcons", "IconFileClosed"), dll);
}

std::string icon_location(IExtractIconA* extract, UINT flags, int* index)
{
    char file[MAX_PATH] = "<unset>";
    UINT out_flags = 0xDEAD;
    HRESULT hr = extract->GetIconLocation(flags, file, MAX_PATH, index, &out_flags);
    EXPECT_EQ(hr, S_OK) << std::hex << hr;
    return file;
}

// What the page applies is what the icon handler then tells the shell.
TEST_F(IconPage, TheIconHandlerShowsTheIconsChosenOnThePage)
{
    closed_default.set_text((dll + ",0").c_str());
    opened_default.set_text((dll + ",1").c_str());
    open();
    command(kDefault);
    click(kAnimate);
    sheet->press(PSBTN_OK);
    sheet.reset();

    IPersistFile* file = nullptr;
    ASSERT_EQ(library.create(IID_IPersistFile, &file), S_OK);
    EXPECT_EQ(file->Load(folder.wide_path().c_str(), STGM_READ), S_OK);
    IExtractIconA* extract = nullptr;
    ASSERT_EQ(file->QueryInterface(IID_IExtractIconA, reinterpret_cast<void**>(&extract)), S_OK);
    int index = 99;

    EXPECT_EQ(icon_location(extract, 0, &index), dll);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(icon_location(extract, GIL_OPENICON, &index), dll);
    EXPECT_EQ(index, 1);
    extract->Release();
    file->Release();
}

}
