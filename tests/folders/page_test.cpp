// The real "Icon" page in a sheet of our own, driven as a user would: its
// starting state, the buttons and boxes, Apply and OK, and the removal.
#include "library_calls.h"
#include "page_support.h"

#include "support/programs.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const char kShellIconsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons";
const char kMetricsKey[] = ".Default\\Control Panel\\desktop\\WindowMetrics";
const char kClassText[] = "{5E676C24-194A-11d1-9FCB-4854E821E610}";

enum { kList = 1000, kChange = 1001, kDefault = 1002, kProductName = 1003, kAnimate = 1004,
       kAllColors = 1005, kRemove = 1006, kProductInfo = 1010, kRemoveLabel = 1026 };

// Windows makes a page that sets PSP_USEFUSIONCONTEXT in the page's own
// activation context; Wine's property sheet ignores the flag, so the tests
// make the sheet, and with it the page, in that context themselves.
class PageContext {
public:
    explicit PageContext(const PageCall& page)
    {
        if ((page.flags & PSP_USEFUSIONCONTEXT) && page.context)
            ActivateActCtx(page.context, &m_cookie);
    }
    ~PageContext()
    {
        if (m_cookie)
            DeactivateActCtx(0, m_cookie);
    }

private:
    ULONG_PTR m_cookie = 0;
};

BOOL CALLBACK find_help_text(HWND window, LPARAM text)
{
    char kind[64] = "";
    GetClassNameA(window, kind, sizeof kind);
    if (lstrcmpiA(kind, TOOLTIPS_CLASSA) != 0 || !IsWindowVisible(window))
        return TRUE;
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    if (!SendMessageW(window, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)))
        return TRUE;
    WCHAR shown[512] = L"";
    tool.lpszText = shown;
    SendMessageW(window, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
    *reinterpret_cast<std::string*>(text) = narrow(shown);
    return FALSE;
}

class IconPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library.loaded());
        record_library_calls(library.module);
        calls.clear();
        closed_default.set_text((dll + ",2").c_str());
        opened_default.set_text((dll + ",3").c_str());
        bpp.set_text("4");
    }

    void open() { open(folder.wide_path()); }
    void open(const std::wstring& path)
    {
        offered.reset(new OfferedPage(library, path));
        ASSERT_EQ(offered->collector.pages.size(), 1u);
        ASSERT_FALSE(calls.pages.empty());
        PageContext context(calls.pages.back());
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
    // The sentence of the page's help pop-up, or "" while none shows.
    std::string shown_help() const
    {
        std::string text;
        EnumThreadWindows(GetCurrentThreadId(), find_help_text, reinterpret_cast<LPARAM>(&text));
        return text;
    }
    std::string ini(const char* section, const char* key) const
    {
        return read_ini(folder.record_path(), section, key);
    }
    bool customized() const { return ini(".ShellClassInfo", "CLSID") == kClassText; }
    // The attributes the library last gave PATH, or INVALID_FILE_ATTRIBUTES.
    DWORD attributes_set(const std::string& path) const
    {
        DWORD attributes = INVALID_FILE_ATTRIBUTES;
        for (const AttributeCall& call : calls.attribute_sets)
            if (lstrcmpiA(call.path.c_str(), path.c_str()) == 0)
                attributes = call.attributes;
        return attributes;
    }

    SavedRegistryValue closed_default{HKEY_LOCAL_MACHINE, kShellIconsKey, "3"};
    SavedRegistryValue opened_default{HKEY_LOCAL_MACHINE, kShellIconsKey, "4"};
    SavedRegistryValue bpp{HKEY_USERS, kMetricsKey, "Shell Icon BPP"};
    const std::string dll = sibling_path("folders.dll");
    FoldersLibrary library;
    ScratchFolder folder{"page"};
    std::unique_ptr<OfferedPage> offered;
    std::unique_ptr<Sheet> sheet;
    LibraryCalls& calls = library_calls();
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

// Today's Properties dialog is drawn with the common controls version 6; the
// page asks for them too, whatever the shell's own context. Only their
// buttons know BCM_GETIDEALSIZE.
TEST_F(IconPage, IsMadeWithTheThemedCommonControls)
{
    open();

    ASSERT_EQ(calls.pages.size(), 1u);
    EXPECT_NE(calls.pages[0].flags & PSP_USEFUSIONCONTEXT, 0u);
    SIZE ideal = {};
    EXPECT_TRUE(SendMessageA(sheet->control(kChange), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
    EXPECT_GT(ideal.cx, 0);
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

// Icon values as the shell reads them: -1 names the icon resource 1, never
// the number of icons in the file; the picker's environment strings are
// expanded before the name is shown and kept. (The closed row starts empty:
// Wine's image list draws a replaced icon over what was there.)
TEST_F(IconPage, IconValuesAreReadAsTheShellReadsThem)
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string shell32 = std::string(system) + "\\shell32.dll";
    folder.write_record("[QXIcons]\r\nIconFileClosed=c:\\no\\such.dll\r\nIndexClosed=0\r\n"
                        "IconFileOpened=" + shell32 + "\r\nIndexOpened=-1\r\n");
    open();

    ASSERT_FALSE(icon_pixels(shell32, -1).empty());
    EXPECT_EQ(row_image(1), icon_pixels(shell32, -1));

    calls.picked_file = L"%SystemRoot%\\system32\\shell32.dll";
    calls.picked_index = 4;
    select_row(0);
    click(kChange);
    EXPECT_EQ(row_image(0), icon_pixels(shell32, 4));
    sheet->press(PSBTN_OK);

    EXPECT_EQ(ini("QXIcons", "IconFileClosed"), shell32);
    EXPECT_EQ(ini(".ShellClassInfo", "IconResource"), shell32 + ",4");
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
    EXPECT_EQ(GetFileAttributesA(folder.path().c_str()) & DWORD(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN),
              DWORD(FILE_ATTRIBUTE_SYSTEM));
    // Wine keeps no read-only attribute on folders: what the library asked for.
    EXPECT_EQ(attributes_set(folder.path()), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
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

// Where the account may not store the colours the box is never offered;
// rights lost while the page is open are reported on Apply, whose record
// is written all the same.
TEST_F(IconPage, TheColourBoxOffersOnlyWhatCanBeStored)
{
    calls.unelevated = true;
    bpp.set_text("16");
    open();
    EXPECT_TRUE(checked(kAllColors));
    EXPECT_FALSE(IsWindowEnabled(sheet->control(kAllColors)));
    RECT box;
    GetWindowRect(sheet->control(kAllColors), &box);
    SendMessageA(page(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(page()), MAKELPARAM(box.left + 4, box.top + 4));
    EXPECT_NE(shown_help().find("administrator"), std::string::npos) << "a right click on the greyed box";
    command(kDefault);
    DialogAnswerer no_box(nullptr, IDOK, sheet->window());
    sheet->press(PSBTN_APPLYNOW);
    EXPECT_FALSE(no_box.wait(300)) << no_box.text();
    EXPECT_TRUE(customized());
}

TEST_F(IconPage, ColoursThatCouldNotBeStoredAreReportedOnApply)
{
    open();
    ASSERT_TRUE(IsWindowEnabled(sheet->control(kAllColors)));
    {
        DialogAnswerer notice("Information", IDOK);
        click(kAllColors);
        ASSERT_TRUE(notice.wait(5000));
    }
    calls.unelevated = true;
    DialogAnswerer report("Apply customization", IDOK);
    sheet->press(PSBTN_APPLYNOW);
    ASSERT_TRUE(report.wait(5000));
    EXPECT_NE(report.text().find("administrator"), std::string::npos) << report.text();
    EXPECT_TRUE(customized());
    EXPECT_EQ(registry_text(HKEY_USERS, kMetricsKey, "Shell Icon BPP"), "4");
    EXPECT_FALSE(IsWindowEnabled(sheet->control(kAllColors)));
}

TEST_F(IconPage, NothingTouchedWritesNothing)
{
    open();

    double_click_list();
    sheet->press(PSBTN_OK);

    EXPECT_EQ(GetFileAttributesA(folder.record_path().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(registry_text(HKEY_USERS, kMetricsKey, "Shell Icon BPP"), "4");
}

TEST_F(IconPage, ChangeWithoutASelectionOpensNoPickerAndChangesNothing)
{
    open();

    command(kChange);
    EXPECT_FALSE(sheet->apply_enabled());
    sheet->press(PSBTN_OK);

    EXPECT_EQ(GetFileAttributesA(folder.record_path().c_str()), INVALID_FILE_ATTRIBUTES);
}

// A read-only Desktop.ini is written all the same and keeps its attributes.
TEST_F(IconPage, TheRemovalSquareTakesEffectAtOnce)
{
    folder.write_record(std::string("[.ShellClassInfo]\r\nCLSID=") + kClassText + "\r\nInfoTip=kept\r\n"
                        "[QXIcons]\r\nIconFileClosed=" + dll + "\r\nIndexClosed=0\r\nIconFileOpened=" + dll
                        + "\r\nIndexOpened=1\r\nAnimateLarge=1\r\n");
    const DWORD read_only_hidden = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    SetFileAttributesA(folder.record_path().c_str(), read_only_hidden);
    open();
    EXPECT_EQ(row_image(0), icon_pixels(dll, 0));

    click(kRemove);

    EXPECT_FALSE(customized());
    EXPECT_EQ(ini("QXIcons", "IconFileClosed"), "<missing>");
    EXPECT_EQ(ini(".ShellClassInfo", "InfoTip"), "kept");
    EXPECT_EQ(GetFileAttributesA(folder.record_path().c_str()) & ~DWORD(FILE_ATTRIBUTE_ARCHIVE), read_only_hidden);
    EXPECT_FALSE(sheet->cancel_enabled());
    EXPECT_EQ(row_image(0), icon_pixels(dll, 2));
    EXPECT_EQ(row_image(1), icon_pixels(dll, 3));

    // "Animate large icon" goes with the customization; the colours, the
    // system's, are still stored on OK.
    EXPECT_FALSE(IsWindowEnabled(sheet->control(kAnimate)));
    {
        DialogAnswerer notice("Information", IDOK);
        click(kAllColors);
        ASSERT_TRUE(notice.wait(5000));
    }
    calls.notices.clear();
    sheet->press(PSBTN_OK);
    EXPECT_FALSE(customized());
    EXPECT_EQ(ini("QXIcons", "IndexClosed"), "<missing>");
    EXPECT_EQ(registry_text(HKEY_USERS, kMetricsKey, "Shell Icon BPP"), "16");
    ASSERT_EQ(calls.notices.size(), 1u);
    EXPECT_EQ(calls.notices[0].event, SHCNE_UPDATEITEM);
    EXPECT_EQ(calls.notices[0].flags, UINT(SHCNF_PATHW | SHCNF_FLUSHNOWAIT));
    EXPECT_EQ(calls.notices[0].path, folder.path());
    EXPECT_EQ(calls.notices[0].item2, nullptr);
}

// A change that cannot be made whole is not made at all: the record stays
// byte for byte as it was, no copy is left beside it, the page says so and
// keeps its state.
TEST_F(IconPage, ARemovalThatCouldNotWriteIsNotShownAsDone)
{
    const std::string ours = customized_record("IconFileClosed=" + dll + "\r\nIndexClosed=0\r\n");
    const char not_removed[] = "The folder's Desktop.ini could not be changed; its icons stay.";
    struct Case {
        const char* name;
        bool writes, swaps, shorts;
        std::string record;
        const char* text;
    } cases[] = {
        {"every write refused", true, false, false, ours, not_removed},
        {"the swap refused", false, true, false, ours, not_removed},
        {"a short write", false, false, true, ours, not_removed},
        {"a record not read exactly", false, false, false, ours + std::string("Tip=a\0b\r\n", 9),
         "The folder's Desktop.ini is in a form this page cannot change safely; nothing was changed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        folder.write_record(c.record);
        const std::string before = read_file(folder.record_path());
        open();
        calls.refuse_writes = c.writes;
        calls.refuse_swaps = c.swaps;
        calls.short_writes = c.shorts;

        DialogAnswerer notice("Remove customization", IDOK);
        click(kRemove);
        ASSERT_TRUE(notice.wait(5000));

        EXPECT_EQ(notice.text(), c.text);
        EXPECT_EQ(read_file(folder.record_path()), before);
        EXPECT_EQ(folder.files_named("~*"), 0);
        EXPECT_TRUE(sheet->cancel_enabled());
        EXPECT_EQ(row_image(0), icon_pixels(dll, 0));
        calls.refuse_writes = calls.refuse_swaps = calls.short_writes = false;
        sheet->press(PSBTN_OK);
        EXPECT_EQ(read_file(folder.record_path()), before);
        sheet.reset();
        offered.reset();
    }
}

void write_bytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void append_bytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// Between the read of the record and its swap: Windows' swap failing
// half-way, a flush the disk refuses, another program writing the record.
// The folder always ends with a whole record, with every line of every other
// program, changed or as it was; the page tells which.
TEST_F(IconPage, EveryFaultAroundTheSwapEndsWithAWholeRecord)
{
    const std::string theirs = "[Other]\r\nKey=Value\r\n";
    const std::string another_class = "[.ShellClassInfo]\r\nCLSID={00021400-0000-0000-C000-000000000046}\r\n";
    struct Case {
        const char* name;
        bool apply;                 // else the removal
        DWORD halfway;
        bool flush_fails;
        int writes;                 // another program's, one at each copy
        std::string written;        // what it appends, or writes instead when it names a class
        bool changed;
        const char* told = "";
    } cases[] = {
        {"the record removed (1176)", false, ERROR_UNABLE_TO_MOVE_REPLACEMENT, false, 0, "", true},
        {"the record moved aside (1177)", true, ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, false, 0, "", true},
        {"the flush fails", false, 0, true, 0, "", false, "could not be changed"},
        {"another program writes once", false, 0, false, 1, "[Sync]\r\nState=1\r\n", true},
        {"another program writes at every try", true, 0, false, 100, "[Sync]\r\nState=1\r\n", false,
         "Another program"},
        {"another program writes its class", true, 0, false, 1, another_class + theirs, false, "Another program"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string record = folder.record_path();
        folder.write_record(c.apply ? theirs : customized_record("IconFileClosed=" + dll + "\r\nIndexClosed=0\r\n") + theirs);
        open();
        calls.swaps_fail_halfway = c.halfway;
        calls.refuse_flushes = c.flush_fails;
        int writes = c.writes;
        calls.on_new_file = [&] {
            if (writes-- <= 0)
                return;
            if (c.written.find("CLSID") == std::string::npos)
                append_bytes(record, c.written);
            else
                write_bytes(record, c.written);
        };
        const std::string expected = c.written.find("CLSID") != std::string::npos ? c.written : "";

        DialogAnswerer notice(c.apply ? "Apply customization" : "Remove customization", IDOK);
        if (c.apply) {
            command(kDefault);
            sheet->press(PSBTN_APPLYNOW);
        } else {
            click(kRemove);
        }

        EXPECT_EQ(notice.wait(c.changed ? 0 : 5000), !c.changed);
        EXPECT_NE(notice.text().find(c.told), std::string::npos) << notice.text();
        if (!expected.empty())
            EXPECT_EQ(read_file(record), expected);
        else
            EXPECT_EQ(customized(), c.apply == c.changed);
        EXPECT_EQ(ini("Other", "Key"), "Value");
        EXPECT_EQ(read_file(record).find("[Sync]\r\nState=1\r\n") != std::string::npos, c.writes && expected.empty());
        EXPECT_EQ(folder.files_named("~*"), 0);
        calls.swaps_fail_halfway = 0;
        calls.refuse_flushes = false;
        calls.on_new_file = nullptr;
        sheet.reset();
        offered.reset();
        DeleteFileA((folder.path() + "\\moved aside.ini").c_str());
        SetFileAttributesA(record.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// A record that cannot be written, or a folder that cannot be made
// read-only (the shell would not read the record), is reported; the record
// stays as it was, the folder keeps its attributes, OK leaves the sheet open
// and Cancel stays.
TEST_F(IconPage, AnApplyThatCouldNotWriteIsReportedAndStaysPending)
{
    folder.write_record("[Other]\r\nKey=Value\r\n");
    SetFileAttributesA(folder.record_path().c_str(), FILE_ATTRIBUTE_SYSTEM);
    const std::string before = read_file(folder.record_path());
    calls.folders_keep_read_only = true;
    open();
    command(kDefault);
    calls.notices.clear();

    // The folder is made read-only before the swap and given back what it
    // had when the swap fails; one that was read-only already is left alone.
    struct Case {
        const char* name;
        int button;
        bool writes, swaps, shorts, folder_attributes, read_only_before;
        size_t folder_sets;
        bool last_set_read_only;
    } cases[] = {
        {"writes refused", PSBTN_APPLYNOW, true, false, false, false, false, 0, false},
        {"a short write", PSBTN_APPLYNOW, false, false, true, false, false, 0, false},
        {"swap refused", PSBTN_OK, false, true, false, false, false, 2, false},
        {"swap refused, read-only folder", PSBTN_OK, false, true, false, false, true, 0, false},
        {"folder attributes refused", PSBTN_APPLYNOW, false, false, false, true, false, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        calls.refuse_writes = c.writes;
        calls.refuse_swaps = c.swaps;
        calls.short_writes = c.shorts;
        calls.refuse_folder_attributes = c.folder_attributes;
        calls.read_only_folders.clear();
        if (c.read_only_before)
            calls.read_only_folders.push_back(folder.wide_path());
        calls.attribute_sets.clear();
        DialogAnswerer notice("Apply customization", IDOK);
        sheet->press(c.button);
        ASSERT_TRUE(notice.wait(5000));
        EXPECT_EQ(notice.text(), "The folder's Desktop.ini could not be written; its icons were not changed.");
        EXPECT_TRUE(IsWindow(sheet->window()));
        EXPECT_TRUE(sheet->apply_enabled());
        EXPECT_TRUE(sheet->cancel_enabled());
        EXPECT_EQ(read_file(folder.record_path()), before);
        EXPECT_EQ(folder.files_named("~*"), 0);
        EXPECT_EQ(GetFileAttributesA(folder.record_path().c_str()) & ~DWORD(FILE_ATTRIBUTE_ARCHIVE),
                  DWORD(FILE_ATTRIBUTE_SYSTEM));
        std::vector<DWORD> folder_sets;
        for (const AttributeCall& call : calls.attribute_sets)
            if (lstrcmpiA(call.path.c_str(), folder.path().c_str()) == 0)
                folder_sets.push_back(call.attributes);
        ASSERT_EQ(folder_sets.size(), c.folder_sets);
        if (!folder_sets.empty()) {
            EXPECT_EQ((folder_sets.back() & FILE_ATTRIBUTE_READONLY) != 0, c.last_set_read_only);
        }
        EXPECT_EQ(calls.read_only_folders.size(), c.read_only_before ? 1u : 0u) << "the folder's read-only bit";
    }
    EXPECT_TRUE(calls.notices.empty());

    calls.refuse_writes = calls.refuse_swaps = calls.short_writes = calls.refuse_folder_attributes = false;
    sheet->press(PSBTN_OK);
    EXPECT_TRUE(customized());
    EXPECT_EQ(calls.notices.size(), 1u);
}

// Fills the volume of PATH's drive with one file: afterwards no write of a
// new byte fits.
bool fill_volume(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::vector<char> block(4096, 'f');
    DWORD written = 0;
    int blocks = 0;
    while (WriteFile(file, block.data(), DWORD(block.size()), &written, nullptr) && written == block.size())
        ++blocks;
    CloseHandle(file);
    return blocks > 0;
}

// The volume the user's folder is on is full: Apply, with a name the code
// page cannot spell and with one it can, and the removal leave the record
// byte for byte as it was, and the page says so.
TEST_F(IconPage, OnAFullVolumeTheRecordStaysAsItWasAndThePageSaysSo)
{
    const char* drive = getenv("FOLDERS_FULL_VOLUME");
    if (!drive)
        GTEST_SKIP() << (getenv("FOLDERS_NO_FULL_VOLUME") ? getenv("FOLDERS_NO_FULL_VOLUME") : "no full volume");
    const std::string root = drive;
    const std::string theirs = root + "\\theirs", ours = root + "\\ours";
    std::string sections;
    for (int i = 1; sections.size() < 7900; ++i)
        sections += "[Program " + std::to_string(i) + "]\r\nSetting=" + std::string(60, 'a' + i % 26) + "\r\n";
    ASSERT_TRUE(CreateDirectoryA(theirs.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(ours.c_str(), nullptr));
    write_bytes(theirs + "\\Desktop.ini", sections);
    const std::string customized = customized_record("IconFileClosed=" + dll + "\r\nIndexClosed=0\r\n") + sections;
    write_bytes(ours + "\\Desktop.ini", customized);
    ASSERT_TRUE(fill_volume(root + "\\filler"));

    open(widen(theirs));
    for (const std::wstring& name : {std::wstring(L"c:\\icons\\\x5199\x771F.ico"), std::wstring(L"c:\\icons\\caf\x00E9.ico")}) {
        SCOPED_TRACE(narrow(name));
        calls.picked_file = name;
        select_row(0);
        click(kChange);
        DialogAnswerer notice("Apply customization", IDOK);
        sheet->press(PSBTN_APPLYNOW);
        ASSERT_TRUE(notice.wait(5000));
        EXPECT_EQ(read_file(theirs + "\\Desktop.ini"), sections);
    }
    sheet.reset();
    offered.reset();

    open(widen(ours));
    DialogAnswerer notice("Remove customization", IDOK);
    click(kRemove);
    ASSERT_TRUE(notice.wait(5000));
    EXPECT_EQ(read_file(ours + "\\Desktop.ini"), customized);
    EXPECT_TRUE(sheet->cancel_enabled());
    WIN32_FIND_DATAA found;
    for (const std::string& folder_path : {theirs, ours})
        EXPECT_EQ(FindFirstFileA((folder_path + "\\~*").c_str(), &found), INVALID_HANDLE_VALUE) << folder_path;
}

// A folder of any name, and an icon file of any name, on a system whose
// code page spells neither: the page is offered, Apply writes the record in
// UTF-16, the handler answers the wide names and its 8-bit part what the
// code page spells, and the removal cleans the record.
TEST_F(IconPage, AFolderAndAnIconOfAnyScript)
{
    const std::wstring parent = folder.wide_path() + L"\\\x0444\x043E\x0442\x043E";
    const std::wstring named = parent + L"\\\x03B5\x03B9\x03BA\x03CC\x03BD\x03B1 \x5199\x771F";
    const std::wstring icons = named + L"\\\x5199\x771F.dll";
    const std::wstring ini = named + L"\\Desktop.ini";
    ASSERT_TRUE(CreateDirectoryW(parent.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(named.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(widen(dll).c_str(), icons.c_str(), FALSE));
    calls.picked_file = icons;
    calls.picked_index = 1;
    open(named);

    select_row(0);
    click(kChange);
    sheet->press(PSBTN_OK);

    EXPECT_EQ(read_ini(ini, L".ShellClassInfo", L"CLSID"), widen(kClassText));
    EXPECT_EQ(read_ini(ini, L"QXIcons", L"IconFileClosed"), icons);
    EXPECT_EQ(read_ini(ini, L".ShellClassInfo", L"IconResource"), icons + L",1");
    ASSERT_EQ(calls.notices.size(), 1u);
    EXPECT_EQ(calls.notices[0].flags, UINT(SHCNF_PATHW | SHCNF_FLUSHNOWAIT));
    EXPECT_EQ(calls.notices[0].wide_path, named);

    IPersistFile* file = nullptr;
    ASSERT_EQ(library.create(IID_IPersistFile, &file), S_OK);
    EXPECT_EQ(file->Load(named.c_str(), STGM_READ), S_OK);
    IExtractIconW* wide = nullptr;
    IExtractIconA* ansi = nullptr;
    ASSERT_EQ(file->QueryInterface(IID_IExtractIconW, reinterpret_cast<void**>(&wide)), S_OK);
    ASSERT_EQ(file->QueryInterface(IID_IExtractIconA, reinterpret_cast<void**>(&ansi)), S_OK);
    WCHAR wide_file[MAX_PATH] = L"";
    char ansi_file[MAX_PATH] = "marker";
    int index = -99;
    EXPECT_EQ(wide->GetIconLocation(0, wide_file, MAX_PATH, &index, nullptr), S_OK);
    EXPECT_EQ(wide_file, icons);
    EXPECT_EQ(index, 1);
    HRESULT hr = ansi->GetIconLocation(0, ansi_file, MAX_PATH, &index, nullptr);
    EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION)) << std::hex << hr;
    EXPECT_STREQ(ansi_file, "marker");
    EXPECT_EQ(ansi->GetIconLocation(GIL_OPENICON, ansi_file, MAX_PATH, &index, nullptr), S_OK);
    EXPECT_EQ(ansi_file, dll);
    EXPECT_EQ(index, 3);
    wide->Release();
    ansi->Release();
    file->Release();

    open(named);
    click(kRemove);
    EXPECT_EQ(read_ini(ini, L".ShellClassInfo", L"CLSID"), L"<missing>");
    EXPECT_EQ(read_ini(ini, L"QXIcons", L"IconFileClosed"), L"<missing>");
}

// A file name longer than a path can be is not read cut short (a cut name
// is some other file): Apply leaves the record's value alone.
TEST_F(IconPage, AFileNameTooLongToReadIsNeverWrittenBack)
{
    std::string long_name = "c:\\" + std::string(MAX_PATH, 'n') + ".ico";
    folder.write_record(customized_record("IconFileClosed=" + long_name + "\r\nIndexClosed=4\r\n"
                                          "IconFileOpened=" + dll + "\r\nIndexOpened=1\r\n"));
    open();

    click(kAnimate);
    sheet->press(PSBTN_OK);

    std::string text = read_file(folder.record_path());
    EXPECT_NE(text.find("IconFileClosed=" + long_name + "\r\n"), std::string::npos) << text;
    EXPECT_EQ(ini("QXIcons", "IndexClosed"), "4");
    EXPECT_EQ(ini("QXIcons", "AnimateLarge"), "0");
}

// F1 and a right click show the control's sentence beside it, without the
// help program that today's Windows no longer has; the removal square and
// its label share one sentence.
TEST_F(IconPage, HelpShowsTheControlsOwnSentence)
{
    open();
    std::vector<std::string> shown;
    for (int id : {kRemove, kRemoveLabel, kChange}) {
        HELPINFO help = {sizeof help, HELPINFO_WINDOW, id, sheet->control(id), 0, {0, 0}};
        SendMessageA(page(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        shown.push_back(shown_help());
        command(kAnimate);
        EXPECT_EQ(shown_help(), "") << "a click on the page leaves the sentence up";
        SendMessageA(page(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(sheet->control(id)), MAKELPARAM(-1, -1));
        EXPECT_EQ(shown_help(), shown.back()) << id;
    }
    EXPECT_NE(shown[0], "");
    EXPECT_EQ(shown[1], shown[0]);
    EXPECT_NE(shown[2], shown[0]);
    EXPECT_TRUE(calls.help.empty());
}

// The extension owns the image list; the list view only shares it, so the
// list is alive until the extension's final release destroys it, once.
TEST_F(IconPage, OnlyTheExtensionDestroysItsImageList)
{
    open();
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageA(list(), LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
    ASSERT_EQ(ImageList_GetImageCount(images), 2);

    sheet.reset();
    EXPECT_EQ(ImageList_GetImageCount(images), 2) << "the list view destroyed the image list";
    EXPECT_TRUE(calls.image_list_destroys.empty());
    offered.reset();

    ASSERT_EQ(calls.image_list_destroys.size(), 1u);
    EXPECT_EQ(calls.image_list_destroys[0].list, images);
    EXPECT_EQ(calls.image_list_destroys[0].images, 2) << "destroyed after it was freed";
}

// Only a confirmed pick customizes a removed folder again.
TEST_F(IconPage, ARemovalFollowedByAPickAndOkCustomizesAgain)
{
    for (bool cancelled : {true, false}) {
        SCOPED_TRACE(cancelled ? "cancelled" : "picked");
        calls.picked_file = cancelled ? L"" : widen(dll);
        calls.picked_index = 1;
        calls.picker_cancels = cancelled;
        open();
        command(kDefault);
        sheet->press(PSBTN_APPLYNOW);
        ASSERT_TRUE(customized());

        click(kRemove);
        ASSERT_FALSE(customized());
        select_row(0);
        command(kChange);
        EXPECT_EQ(sheet->apply_enabled(), !cancelled);
        EXPECT_EQ(IsWindowEnabled(sheet->control(kAnimate)) != FALSE, !cancelled);
        sheet->press(PSBTN_OK);

        EXPECT_EQ(customized(), !cancelled);
        EXPECT_EQ(ini("QXIcons", "IndexClosed"), cancelled ? "<missing>" : "1");
    }
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

// A pick is kept whole: on a Windows whose code page is UTF-8, in UTF-8;
// a name the code page cannot spell turns the record into UTF-16.
TEST_F(IconPage, APickIsKeptWhateverTheCodePage)
{
    struct Case {
        bool utf8;
        const wchar_t* picked;
    } cases[] = {
        {true, L"c:\\Ic\x00F4nes \x0444\x043E\x0442\x043E.dll"},
        {false, L"c:\\\x5199\x771F \x0444\x043E\x0442\x043E.dll"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8 ? "UTF-8" : "code page");
        calls.utf8_code_page = c.utf8;
        calls.picked_file = c.picked;
        calls.picked_index = 7;
        open();

        select_row(0);
        click(kChange);
        sheet->press(PSBTN_OK);

        if (c.utf8) {
            EXPECT_EQ(ini("QXIcons", "IconFileClosed"), "c:\\Ic\xC3\xB4nes \xD1\x84\xD0\xBE\xD1\x82\xD0\xBE.dll");
        } else {
            EXPECT_EQ(read_file(folder.record_path()).substr(0, 2), "\xFF\xFE");
            EXPECT_EQ(read_ini(widen(folder.record_path()), L"QXIcons", L"IconFileClosed"), c.picked);
        }
        EXPECT_EQ(ini("QXIcons", "IndexClosed"), "7");
        sheet.reset();
        offered.reset();
        DeleteFileA(folder.record_path().c_str());
    }
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

// The page never opens an icon file that the folder may not use, not even to
// show it or to start the picker on it: the library's own icon stands in,
// and Apply keeps such a file out of the folder's standard icon (one that we
// wrote gives way to the icon it replaced). For a folder on the same share
// the file is shown and becomes the standard icon.
TEST_F(IconPage, IconFilesOnOtherMachinesOnlyForFoldersOnTheSameShare)
{
    ScratchShare share;
    if (share.path().empty())
        GTEST_SKIP() << "no share can be made here";
    const std::string remote = share.path() + "\\icons.dll";
    ASSERT_TRUE(CopyFileA(dll.c_str(), remote.c_str(), FALSE));
    folder.write_record("[.ShellClassInfo]\r\nIconResource=" + remote + ",1\r\n"
                        "[QXIcons]\r\nIconFileClosed=" + remote + "\r\nIndexClosed=1\r\n"
                        "IconFileOpened=\\\\.\\pipe\\icons.dll\r\nIndexOpened=-1\r\n"
                        "PreviousIconResource=C:\\other.dll,4\r\n");
    open();
    EXPECT_EQ(row_image(0), icon_pixels(dll, 2));
    EXPECT_EQ(row_image(1), icon_pixels(dll, 3));

    calls.picked_file = widen(remote);
    calls.picked_index = 1;
    select_row(0);
    click(kChange);
    EXPECT_EQ(lstrcmpiW(calls.picker_start.c_str(), widen(dll).c_str()), 0) << narrow(calls.picker_start);
    sheet->press(PSBTN_OK);

    EXPECT_TRUE(customized());
    EXPECT_EQ(ini(".ShellClassInfo", "IconResource"), "C:\\other.dll,4");
    for (const std::wstring& path : calls.file_calls)
        EXPECT_EQ(narrow(path).find("icons.dll"), std::string::npos) << "the library looked at " << narrow(path);

    sheet.reset();
    ScratchFolder there("page", share.path());
    there.write_record("[QXIcons]\r\nIconFileClosed=" + remote + "\r\nIndexClosed=1\r\n");
    open(there.wide_path());
    EXPECT_EQ(row_image(0), icon_pixels(remote, 1));
    click(kAnimate);
    sheet->press(PSBTN_OK);
    EXPECT_EQ(read_ini(there.record_path(), ".ShellClassInfo", "IconResource"), remote + ",1");
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
