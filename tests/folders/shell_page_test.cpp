// The "Icon" page as a user meets it: the extension registered by its setup
// information file, a folder's Properties opened through the shell, and a
// picture of the page saved for the README.
#include "page_support.h"
#include "setup_support.h"

#include "support/programs.h"

#include <setupapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

void run_inf_section(const char* section)
{
    std::string command = std::string(section) + " 128 " + sibling_path("folders.inf");
    InstallHinfSectionA(nullptr, nullptr, command.c_str(), 0);
}

// Shows the Properties dialog of FOLDER as the shell's "properties" verb does;
// returns when the dialog closes.
HRESULT show_properties(const std::string& folder)
{
    std::string parent = folder.substr(0, folder.find_last_of('\\'));
    std::string name = folder.substr(folder.find_last_of('\\') + 1);
    IShellFolder* desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    PIDLIST_RELATIVE parent_id = nullptr, child_id = nullptr;
    IShellFolder* parent_folder = nullptr;
    IContextMenu* menu = nullptr;
    HRESULT hr = desktop->ParseDisplayName(nullptr, nullptr, &widen(parent)[0], nullptr, &parent_id, nullptr);
    if (SUCCEEDED(hr))
        hr = desktop->BindToObject(parent_id, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&parent_folder));
    if (SUCCEEDED(hr))
        hr = parent_folder->ParseDisplayName(nullptr, nullptr, &widen(name)[0], nullptr, &child_id, nullptr);
    PCUITEMID_CHILD child = child_id;
    if (SUCCEEDED(hr))
        hr = parent_folder->GetUIObjectOf(nullptr, 1, &child, IID_IContextMenu, nullptr,
                                          reinterpret_cast<void**>(&menu));
    if (SUCCEEDED(hr)) {
        HMENU popup = CreatePopupMenu();
        menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL);
        CMINVOKECOMMANDINFO invoke = {};
        invoke.cbSize = sizeof invoke;
        invoke.lpVerb = "properties";
        invoke.nShow = SW_SHOWNORMAL;
        hr = menu->InvokeCommand(&invoke);
        DestroyMenu(popup);
        menu->Release();
    }
    if (parent_folder)
        parent_folder->Release();
    CoTaskMemFree(child_id);
    CoTaskMemFree(parent_id);
    desktop->Release();
    return hr;
}

void save_bitmap(HDC dc, HBITMAP bitmap, int width, int height, const std::string& path)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    DWORD stride = (width * 3 + 3) & ~3u;
    std::string pixels(stride * height, '\0');
    GetDIBits(dc, bitmap, 0, height, &pixels[0], reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr) << path;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&header, sizeof header, 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    std::fclose(out);
}

// What the screen shows of WINDOW, as a BMP file.
void save_screenshot(HWND window, const std::string& path)
{
    RECT area;
    GetWindowRect(window, &area);
    int width = area.right - area.left, height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    save_bitmap(memory, bitmap, width, height, path);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

struct SheetVisit {
    std::string folder_name;
    std::vector<std::string> tabs;
    int rows = -1;
    bool shown = false;
};

struct SheetSearch {
    const char* title_part;
    HWND found;
};

BOOL CALLBACK match_sheet(HWND window, LPARAM lparam)
{
    auto* search = reinterpret_cast<SheetSearch*>(lparam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    char name[64];
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0 || !FindWindowExA(window, nullptr, WC_TABCONTROLA, nullptr))
        return TRUE;
    search->found = window;
    return FALSE;
}

// On its own thread while the shell's dialog runs: opens the "Icon" tab,
// looks at it, takes its picture and closes the dialog.
DWORD WINAPI visit_sheet(void* parameter)
{
    auto* visit = static_cast<SheetVisit*>(parameter);
    HWND sheet = nullptr;
    for (int tries = 0; tries < 500 && !sheet; ++tries) {
        SheetSearch search = {visit->folder_name.c_str(), nullptr};
        EnumWindows(match_sheet, reinterpret_cast<LPARAM>(&search));
        sheet = search.found;
        if (!sheet)
            Sleep(20);
    }
    if (!sheet)
        return 0;
    HWND tab_control = FindWindowExA(sheet, nullptr, WC_TABCONTROLA, nullptr);
    int count = static_cast<int>(SendMessageA(tab_control, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[64] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(tab_control, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        visit->tabs.push_back(text);
        if (std::strcmp(text, "Icon") == 0) {
            SendMessageA(sheet, PSM_SETCURSEL, i, 0);
            HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
            visit->rows = static_cast<int>(SendMessageA(GetDlgItem(page, 1000), LVM_GETITEMCOUNT, 0, 0));
        }
    }
    visit->shown = true;
    SetForegroundWindow(sheet);
    RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(500);
    save_screenshot(sheet, sibling_path("icon-page.bmp"));
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    return 0;
}

TEST(ShellPage, PropertiesOfAFolderShowTheIconPage)
{
    // The setup file's removal scans every fixed drive.
    ASSERT_EQ(scan_prefix_problem(), "") << kScanRefusal;
    CoInitialize(nullptr);
    run_inf_section("DefaultInstall");
    ScratchFolder folder("Holiday photos");
    SheetVisit visit;
    visit.folder_name = folder.path().substr(folder.path().find_last_of('\\') + 1);
    HANDLE visitor = CreateThread(nullptr, 0, visit_sheet, &visit, 0, nullptr);

    EXPECT_EQ(show_properties(folder.path()), S_OK);

    WaitForSingleObject(visitor, 20000);
    CloseHandle(visitor);
    run_inf_section("DefaultUninstall");
    CoUninitialize();
    ASSERT_TRUE(visit.shown);
    std::string tabs;
    for (const std::string& tab : visit.tabs)
        tabs += "[" + tab + "]";
    EXPECT_NE(tabs.find("[Icon]"), std::string::npos) << tabs;
    EXPECT_EQ(visit.rows, 2);
}

}
