// End to end, in this test's Wine prefix: folders.inf installs the class,
// Wine's own shell binds a customized folder through it, COM makes its icon
// handler, and the uninstall section takes away exactly what was added.
// The tests of this suite run in order: install, use, uninstall.
#include "library.h"
#include "notices.h"
#include "registry_snapshot.h"
#include "scratch.h"
#include "setup_support.h"

#include "support/programs.h"

#include <gtest/gtest.h>

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

const char kClassKey[] = "CLSID\\{5E676C24-194A-11d1-9FCB-4854E821E610}";

std::string system_path(const char* name, bool windows_dir = false)
{
    char dir[MAX_PATH];
    if (windows_dir)
        GetWindowsDirectoryA(dir, MAX_PATH);
    else
        GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\" + name;
}

bool file_exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool class_registered()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kClassKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The library's Uninstall, run by the uninstall section, tells the user
// about its drive scan and waits for OK.
void close_uninstall_notice(DWORD process_id)
{
    HWND box = FindWindowA("#32770", "Uninstall");
    DWORD owner = 0;
    if (box)
        GetWindowThreadProcessId(box, &owner);
    if (box && owner == process_id)
        PostMessageA(box, WM_COMMAND, IDOK, 0);
}

DWORD run_inf_section(const char* section, const std::string& inf)
{
    std::string command = "rundll32.exe setupapi,InstallHinfSection " + std::string(section) + " 132 " + inf;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return GetLastError();
    CloseHandle(info.hThread);
    DWORD code = STILL_ACTIVE;
    for (int waited = 0; waited < 60000; waited += 50) {
        if (WaitForSingleObject(info.hProcess, 50) == WAIT_OBJECT_0) {
            GetExitCodeProcess(info.hProcess, &code);
            break;
        }
        close_uninstall_notice(info.dwProcessId);
    }
    CloseHandle(info.hProcess);
    return code;
}

std::string installed_inf() { return system_path("inf\\folders.inf", true); }

const char kEntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\FolderIcons";

std::string entry_text(const char* value)
{
    char text[MAX_PATH];
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kEntryKey, value, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "<missing>";
    return text;
}

DWORD entry_number(const char* value)
{
    DWORD number = 0;
    DWORD size = sizeof number;
    RegGetValueA(HKEY_LOCAL_MACHINE, kEntryKey, value, RRF_RT_REG_DWORD, nullptr, &number, &size);
    return number;
}

// A text of FILE's version resource, in the one language the library has.
std::string version_text(const std::string& file, const char* name)
{
    std::vector<char> data(GetFileVersionInfoSizeA(file.c_str(), nullptr));
    char* text = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (data.empty() || !GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data()) ||
        !VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&text), &length))
        return "<missing>";
    return text;
}

// The colour pixels of the icon at FILE and INDEX (negative: a resource
// identifier), to tell icons apart; empty when there is none.
std::vector<BYTE> icon_bits(const std::string& file, int index)
{
    std::vector<BYTE> bits;
    HICON icon = ExtractIconA(GetModuleHandleA(nullptr), file.c_str(), static_cast<UINT>(index));
    ICONINFO info = {};
    if (reinterpret_cast<UINT_PTR>(icon) <= 1 || !GetIconInfo(icon, &info))
        return bits;
    BITMAP bitmap = {};
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    bits.resize(bitmap.bmWidthBytes * bitmap.bmHeight);
    GetBitmapBits(info.hbmColor, static_cast<LONG>(bits.size()), bits.data());
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
    return bits;
}

std::string lines_of(const RegistrySnapshot& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += "  " + line + "\n";
    return text;
}

// Windows always has these parents of the page-handler keys; a fresh Wine
// prefix lacks them, and uninstall rightly removes only its own subkeys.
void create_windows_parent_keys()
{
    for (const char* path : {"Folder\\shellex\\PropertySheetHandlers", "Directory\\shellex\\PropertySheetHandlers"}) {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
            ERROR_SUCCESS)
            RegCloseKey(key);
    }
}

std::set<std::string> directory_listing(const std::string& folder)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = entry.cFileName;
        if (name != "." && name != "..")
            names.insert(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

std::string name_of(IShellFolder* folder, PCUITEMID_CHILD item)
{
    STRRET name;
    if (FAILED(folder->GetDisplayNameOf(item, SHGDN_INFOLDER | SHGDN_FORPARSING, &name)))
        return "?";
    char text[MAX_PATH];
    StrRetToBufA(&name, item, text, MAX_PATH);
    return text;
}

class Setup : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The setup file's removal scans every fixed drive.
        s_scan_problem = scan_prefix_problem();
        if (!s_scan_problem.empty())
            return;
        if (class_registered())
            run_inf_section("DefaultUninstall", installed_inf());
        create_windows_parent_keys();
        s_before = new RegistrySnapshot(snapshot_registry());
        s_folder = new ScratchFolder("folders-setup");
        s_folder->write_record(customized_record(
            "IconFileClosed=C:\\icons\\closed.ico\r\nIndexClosed=4\r\n"
            "IconFileOpened=C:\\icons\\opened.ico\r\nIndexOpened=5\r\n"));
        s_folder->write_file("alpha.txt", "a");
        s_folder->write_file("beta.dat", "bb");
        s_folder->make_subfolder("gamma");
    }
    static void TearDownTestSuite()
    {
        if (s_scan_problem.empty() && class_registered())
            run_inf_section("DefaultUninstall", installed_inf());
        delete s_folder;
        delete s_before;
    }
    void SetUp() override
    {
        ASSERT_EQ(s_scan_problem, "") << kScanRefusal;
        CoInitialize(nullptr);
    }
    void TearDown() override { CoUninitialize(); }

    static std::string s_scan_problem;
    static RegistrySnapshot* s_before;
    static ScratchFolder* s_folder;
};

std::string Setup::s_scan_problem;
RegistrySnapshot* Setup::s_before;
ScratchFolder* Setup::s_folder;

TEST_F(Setup, InstallRegistersTheClassInItsRoles)
{
    std::string inf = sibling_path("folders.inf");
    ASSERT_TRUE(file_exists(inf)) << inf;
    EXPECT_EQ(run_inf_section("DefaultInstall", inf), 0u);
    EXPECT_TRUE(file_exists(system_path("folders.dll")));
    EXPECT_TRUE(file_exists(installed_inf()));

    RegistrySnapshot added = only_in(snapshot_registry(), *s_before);
    const std::string cls = "HKLM\\Software\\Classes\\" + std::string(kClassKey);
    for (const std::string& key : std::initializer_list<std::string>{cls, cls + "\\InProcServer32", cls + "\\shellex\\IconHandler",
                                   "HKLM\\Software\\Classes\\Folder\\shellex\\PropertySheetHandlers\\"
                                   "{5E676C24-194A-11d1-9FCB-4854E821E610}",
                                   "HKLM\\Software\\Classes\\Directory\\shellex\\PropertySheetHandlers\\"
                                   "{5E676C24-194A-11d1-9FCB-4854E821E610}"})
        EXPECT_EQ(added.count(registry_name(key)), 1u) << key << " missing; added:\n" << lines_of(added);

    char threading[32] = {};
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, (std::string(kClassKey) + "\\InProcServer32").c_str(), 0, KEY_READ,
                            &key), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD data_size = sizeof threading;
    RegQueryValueExA(key, "ThreadingModel", nullptr, &type, reinterpret_cast<BYTE*>(threading), &data_size);
    RegCloseKey(key);
    EXPECT_STREQ(threading, "Apartment");

    char approved[64] = {};
    DWORD approved_size = sizeof approved;
    EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
                           "{5E676C24-194A-11d1-9FCB-4854E821E610}", RRF_RT_REG_SZ, nullptr, approved, &approved_size),
              ERROR_SUCCESS);
}

// What the list of installed programs shows and offers: the library's own
// version, maker and product icon, and removal only.
TEST_F(Setup, TheUninstallEntryDescribesTheLibrary)
{
    const std::string library = system_path("folders.dll");
    ASSERT_TRUE(file_exists(library));

    EXPECT_EQ(entry_text("DisplayName"), "Folder icons");
    EXPECT_EQ(entry_text("DisplayVersion"), version_text(library, "ProductVersion"));
    EXPECT_EQ(entry_text("Publisher"), "Nimbrel");
    EXPECT_EQ(version_text(library, "CompanyName"), "Nimbrel");
    std::string icon = entry_text("DisplayIcon");
    size_t comma = icon.rfind(',');
    ASSERT_NE(comma, std::string::npos) << icon;
    EXPECT_EQ(lstrcmpiA(icon.substr(0, comma).c_str(), library.c_str()), 0) << icon;
    const int product_icon = -137;
    EXPECT_FALSE(icon_bits(library, product_icon).empty());
    EXPECT_EQ(icon_bits(library, std::atoi(icon.c_str() + comma + 1)), icon_bits(library, product_icon)) << icon;
    EXPECT_EQ(entry_number("NoModify"), 1u);
    EXPECT_EQ(entry_number("NoRepair"), 1u);
}

TEST_F(Setup, ShellBindsTheCustomizedFolderThroughTheLibrary)
{
    ASSERT_TRUE(class_registered());
    IShellFolder* desktop = nullptr;
    ASSERT_EQ(SHGetDesktopFolder(&desktop), S_OK);
    std::wstring path = s_folder->wide_path();
    PIDLIST_RELATIVE pidl = nullptr;
    HRESULT hr = desktop->ParseDisplayName(nullptr, nullptr, &path[0], nullptr, &pidl, nullptr);
    ASSERT_EQ(hr, S_OK) << std::hex << hr;
    IShellFolder* folder = nullptr;
    hr = desktop->BindToObject(pidl, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder));
    ASSERT_EQ(hr, S_OK) << std::hex << hr;

    // Only the library's folder declines every icon through IShellIcon.
    IShellIcon* icon_part = nullptr;
    ASSERT_EQ(folder->QueryInterface(IID_IShellIcon, reinterpret_cast<void**>(&icon_part)), S_OK);
    int index = 0;
    EXPECT_EQ(icon_part->GetIconOf(nullptr, 0, &index), E_NOTIMPL) << "not bound through the library";
    icon_part->Release();
    HMODULE library = GetModuleHandleA("folders.dll");
    ASSERT_NE(library, nullptr) << "the library was not loaded";
    char library_path[MAX_PATH];
    GetModuleFileNameA(library, library_path, MAX_PATH);
    EXPECT_EQ(lstrcmpiA(library_path, system_path("folders.dll").c_str()), 0) << library_path;

    std::set<std::string> listed;
    IEnumIDList* items = nullptr;
    hr = folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &items);
    ASSERT_EQ(hr, S_OK) << std::hex << hr;
    PITEMID_CHILD item = nullptr;
    while (items->Next(1, &item, nullptr) == S_OK) {
        listed.insert(name_of(folder, item));
        CoTaskMemFree(item);
    }
    items->Release();
    EXPECT_EQ(listed, directory_listing(s_folder->path()));

    NoticeCounter notices(reinterpret_cast<PCIDLIST_ABSOLUTE>(pidl));
    ASSERT_TRUE(notices.registered());
    HWND owner = CreateWindowA("STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr, nullptr,
                               nullptr);
    IShellView* view = nullptr;
    hr = folder->CreateViewObject(owner, IID_IShellView, reinterpret_cast<void**>(&view));
    EXPECT_EQ(hr, S_OK) << std::hex << hr;
    EXPECT_EQ(notices.updates(1), 1) << "creating a view sends the update notice";
    if (view)
        view->Release();
    folder->Release();
    EXPECT_EQ(notices.updates(2), 2) << "letting the folder go sends the last notice";
    DestroyWindow(owner);
    CoTaskMemFree(pidl);
    desktop->Release();
}

TEST_F(Setup, IconHandlerAnswersThroughCom)
{
    ASSERT_TRUE(class_registered());
    struct { const IID* iid; const char* name; } roles[] = {
        {&IID_IExtractIconA, "IExtractIconA"}, {&IID_IPersistFile, "IPersistFile"}};
    for (const auto& role : roles) {
        IUnknown* object = nullptr;
        HRESULT hr = CoCreateInstance(kFoldersClass, nullptr, CLSCTX_INPROC_SERVER, *role.iid,
                                      reinterpret_cast<void**>(&object));
        ASSERT_EQ(hr, S_OK) << role.name << " " << std::hex << hr;
        IPersistFile* file = nullptr;
        IExtractIconA* icon = nullptr;
        ASSERT_EQ(object->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
        ASSERT_EQ(object->QueryInterface(IID_IExtractIconA, reinterpret_cast<void**>(&icon)), S_OK);
        EXPECT_EQ(file->Load(s_folder->wide_path().c_str(), STGM_READ), S_OK);
        char location[MAX_PATH];
        int index = -1;
        EXPECT_EQ(icon->GetIconLocation(0, location, MAX_PATH, &index, nullptr), S_OK);
        EXPECT_STREQ(location, "C:\\icons\\closed.ico") << role.name;
        EXPECT_EQ(index, 4);
        EXPECT_EQ(icon->GetIconLocation(GIL_OPENICON, location, MAX_PATH, &index, nullptr), S_OK);
        EXPECT_STREQ(location, "C:\\icons\\opened.ico") << role.name;
        EXPECT_EQ(index, 5);
        icon->Release();
        file->Release();
        object->Release();
    }
}

TEST_F(Setup, FolderWindowMakesTheHandlerAnswerTheOpenIcon)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CabinetWClass";
    RegisterClassA(&wc);
    std::string name = s_folder->path().substr(s_folder->path().find_last_of('\\') + 1);
    HWND window = CreateWindowA("CabinetWClass", name.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                nullptr, wc.hInstance, nullptr);
    IPersistFile* file = nullptr;
    ASSERT_EQ(CoCreateInstance(kFoldersClass, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistFile,
                               reinterpret_cast<void**>(&file)), S_OK);
    EXPECT_EQ(file->Load(s_folder->wide_path().c_str(), STGM_READ), S_OK);
    DestroyWindow(window);
    IExtractIconA* icon = nullptr;
    ASSERT_EQ(file->QueryInterface(IID_IExtractIconA, reinterpret_cast<void**>(&icon)), S_OK);
    char location[MAX_PATH];
    int index = -1;
    EXPECT_EQ(icon->GetIconLocation(0, location, MAX_PATH, &index, nullptr), S_OK);
    EXPECT_STREQ(location, "C:\\icons\\opened.ico");
    EXPECT_EQ(index, 5);
    icon->Release();
    file->Release();
}

TEST_F(Setup, UninstallRemovesExactlyWhatInstallAdded)
{
    CoFreeUnusedLibraries();
    EXPECT_EQ(run_inf_section("DefaultUninstall", installed_inf()), 0u);
    RegistrySnapshot after = snapshot_registry();
    EXPECT_TRUE(only_in(after, *s_before).empty()) << "left behind:\n" << lines_of(only_in(after, *s_before));
    EXPECT_TRUE(only_in(*s_before, after).empty()) << "removed too:\n" << lines_of(only_in(*s_before, after));
    EXPECT_FALSE(file_exists(system_path("folders.dll")));
    EXPECT_FALSE(file_exists(installed_inf()));
}

}
