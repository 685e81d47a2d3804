// The setup packages, installed and removed with msiexec as a user and an
// administrator run it, in a fresh drive-isolated prefix made and used by an
// unprivileged account of its own (scripts/run-scan-test.sh, mode package).
// The staged dist/ folder is drive s:, the same packages of the next version
// are drive n:.
#include "library.h"
#include "registry_snapshot.h"
#include "setup_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <msi.h>
#include <msiquery.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

#if defined(__aarch64__)
const char kFoldersPackage[] = "arm64\\folders.msi";
const char kSaverPackage[] = "arm64\\saver.msi";
#elif defined(_WIN64)
const char kFoldersPackage[] = "x64\\folders.msi";
const char kSaverPackage[] = "saver.msi";
#else
const char kFoldersPackage[] = "folders.msi";
const char kSaverPackage[] = "saver.msi";
#endif
const char kFolder[] = "d:\\Holiday";
const char kClassKey[] = "Software\\Classes\\CLSID\\{5E676C24-194A-11d1-9FCB-4854E821E610}";

bool path_exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string known_folder(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string user_programs(const char* product) { return known_folder(CSIDL_LOCAL_APPDATA) + "\\Programs\\" + product; }

std::string registry_text(HKEY root, const std::string& key, const char* name, REGSAM view = 0)
{
    char text[MAX_PATH] = "<missing>";
    DWORD size = sizeof text;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | view, &opened) == ERROR_SUCCESS) {
        RegGetValueA(opened, nullptr, name, RRF_RT_REG_SZ, nullptr, text, &size);
        RegCloseKey(opened);
    }
    return text;
}

// The processor a program or library is built for (its PE header's machine).
WORD machine_of(const std::string& file)
{
    HANDLE opened = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    IMAGE_DOS_HEADER dos = {};
    IMAGE_NT_HEADERS nt = {};
    DWORD read = 0;
    if (opened != INVALID_HANDLE_VALUE) {
        ReadFile(opened, &dos, sizeof dos, &read, nullptr);
        SetFilePointer(opened, dos.e_lfanew, nullptr, FILE_BEGIN);
        ReadFile(opened, &nt, sizeof nt, &read, nullptr);
        CloseHandle(opened);
    }
    return nt.FileHeader.Machine;
}

// The package of this test's width installs binaries of this test's processor.
WORD our_machine()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return machine_of(path);
}

std::string library_path(HKEY root)
{
    return registry_text(root, std::string(kClassKey) + "\\InProcServer32", nullptr);
}

#ifdef _WIN64
// The class as 32-bit programs see it on 64-bit Windows.
std::string library32_path(HKEY root)
{
    return registry_text(root, "Software\\Classes\\Wow6432Node\\CLSID\\{5E676C24-194A-11d1-9FCB-4854E821E610}\\InProcServer32",
                         nullptr, KEY_WOW64_64KEY);
}
#endif

std::string version_text(const std::string& file)
{
    std::vector<char> data(GetFileVersionInfoSizeA(file.c_str(), nullptr));
    char* text = nullptr;
    UINT length = 0;
    if (data.empty() || !GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data()) ||
        !VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\ProductVersion", reinterpret_cast<void**>(&text),
                        &length))
        return "<missing>";
    return text;
}

// The folder's data object, as the shell hands it to a page handler.
IDataObject* shell_selection(const char* folder)
{
    IShellFolder* desktop = nullptr;
    IDataObject* selection = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop)))
        return nullptr;
    std::wstring path(folder, folder + lstrlenA(folder));
    PIDLIST_RELATIVE item = nullptr;
    if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, &path[0], nullptr, &item, nullptr))) {
        IShellFolder* parent = nullptr;
        PCUITEMID_CHILD child = nullptr;
        if (SUCCEEDED(SHBindToParent(reinterpret_cast<PCIDLIST_ABSOLUTE>(item), IID_IShellFolder,
                                     reinterpret_cast<void**>(&parent), &child))) {
            parent->GetUIObjectOf(nullptr, 1, &child, IID_IDataObject, nullptr, reinterpret_cast<void**>(&selection));
            parent->Release();
        }
        CoTaskMemFree(item);
    }
    desktop->Release();
    return selection;
}

BOOL CALLBACK count_page(HPROPSHEETPAGE page, LPARAM count)
{
    DestroyPropertySheetPage(page);
    ++*reinterpret_cast<size_t*>(count);
    return TRUE;
}

// Creates the class as COM does on Windows, where the user's classes stand
// over the machine's. Wine 8's COM reads only the machine's, so for a class
// registered for the user alone this does COM's part itself: load the server
// that the user's key names and ask its class factory.
HMODULE g_user_server = nullptr;

HRESULT create_registered(HKEY root, REFIID iid, void** object)
{
    if (root == HKEY_LOCAL_MACHINE)
        return CoCreateInstance(kFoldersClass, nullptr, CLSCTX_INPROC_SERVER, iid, object);
    *object = nullptr;
    g_user_server = LoadLibraryA(library_path(HKEY_CURRENT_USER).c_str());
    auto get_class_object = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(g_user_server, "DllGetClassObject")));
    if (!get_class_object)
        return REGDB_E_CLASSNOTREG;
    IClassFactory* factory = nullptr;
    HRESULT hr = get_class_object(kFoldersClass, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr)) {
        hr = factory->CreateInstance(nullptr, iid, object);
        factory->Release();
    }
    return hr;
}

// What the shell does with the class: create it and ask it for the folder's
// pages; one page, the Icon page, must come back.
size_t pages_offered(HKEY root, const char* folder)
{
    CoInitialize(nullptr);
    size_t pages = 0;
    IShellExtInit* init = nullptr;
    HRESULT hr = create_registered(root, IID_IShellExtInit, reinterpret_cast<void**>(&init));
    EXPECT_EQ(hr, S_OK) << std::hex << hr << " (the class is not registered)";
    IDataObject* selection = shell_selection(folder);
    EXPECT_NE(selection, nullptr) << folder;
    if (init && selection) {
        EXPECT_EQ(init->Initialize(nullptr, selection, nullptr), S_OK);
        IShellPropSheetExt* extension = nullptr;
        init->QueryInterface(IID_IShellPropSheetExt, reinterpret_cast<void**>(&extension));
        if (extension) {
            extension->AddPages(count_page, reinterpret_cast<LPARAM>(&pages));
            extension->Release();
        }
    }
    if (selection)
        selection->Release();
    if (init)
        init->Release();
    CoFreeUnusedLibraries();
    CoUninitialize();
    if (g_user_server)
        FreeLibrary(g_user_server);
    g_user_server = nullptr;
    return pages;
}

std::string lines_of(const RegistrySnapshot& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += "  " + line + "\n";
    return text;
}

// The one entry of the list of installed programs, as the package's version
// resource describes it, offering removal only.
void expect_one_entry(const char* name, const std::string& version, const char* maker)
{
    std::vector<InstalledProgram> entries = installed_programs(name);
    ASSERT_EQ(entries.size(), 1u) << name;
    EXPECT_EQ(entries[0].version, version) << name;
    EXPECT_EQ(entries[0].publisher, maker);
    EXPECT_EQ(entries[0].no_modify, 1u);
    EXPECT_EQ(entries[0].no_repair, 1u);
    EXPECT_NE(entries[0].uninstall.find(entries[0].key), std::string::npos) << entries[0].uninstall;
}

// Keys that Windows always has and a fresh Wine prefix lacks: Windows
// Installer's own, and the list of approved extensions, which holds others
// (an emptied key is removed).
void create_windows_keys()
{
    for (const char* path : {"Software\\Classes\\Installer\\Features", "Software\\Classes\\Installer\\Products",
                             "Software\\Classes\\Installer\\UpgradeCodes"}) {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        RegCloseKey(key);
    }
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
                    "{00000000-0000-0000-0000-000000000001}", REG_SZ, "another", 8);
    // Windows' classes for 32-bit programs are never empty (the arm64
    // Wine's are, and its removal would take the empty key along).
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Classes\\Wow6432Node\\CLSID\\{00000000-0000-0000-0000-000000000001}",
                    nullptr, REG_SZ, "another", 8);
}

class Packages : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(scan_prefix_problem(), "") << kScanRefusal;
        ASSERT_TRUE(path_exists(std::string("s:\\") + kFoldersPackage)) << "dist/ is not staged: run make dist";
        write_record(kFolder, "[.ShellClassInfo]\r\nInfoTip=Summer\r\n");
        create_windows_keys();
        m_before = snapshot_registry();
    }
    // Nothing of ours is left: no file, no key, no entry, no customization.
    void expect_all_gone(const std::vector<std::string>& files)
    {
        for (const std::string& file : files)
            EXPECT_FALSE(path_exists(file)) << file;
        RegistrySnapshot after = snapshot_registry();
        EXPECT_TRUE(only_in(after, m_before).empty()) << "left behind:\n" << lines_of(only_in(after, m_before));
        EXPECT_TRUE(only_in(m_before, after).empty()) << "removed too:\n" << lines_of(only_in(m_before, after));
    }

    RegistrySnapshot m_before;
};

// Double-clicked, or msiexec /qn: for the user alone, no administrator
// needed. The next version replaces this one; a folder customized in
// between loses its icons when the program is removed.
TEST_F(Packages, FolderIconsForTheUserUpgradeAndRemove)
{
    ASSERT_EQ(run_msiexec(std::string("/i s:\\") + kFoldersPackage + " /qn"), 0u);
    std::string library = user_programs("Folder icons") + "\\folders.dll";
    ASSERT_TRUE(path_exists(library)) << library;
    EXPECT_EQ(machine_of(library), our_machine());
    EXPECT_EQ(lstrcmpiA(library_path(HKEY_CURRENT_USER).c_str(), library.c_str()), 0) << library_path(HKEY_CURRENT_USER);
    EXPECT_EQ(library_path(HKEY_LOCAL_MACHINE), "<missing>") << "registered for every user";
    EXPECT_EQ(registry_text(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
                            "{5E676C24-194A-11d1-9FCB-4854E821E610}"), "Folder icons");
#ifdef _WIN64
    std::string library32 = user_programs("Folder icons") + "\\x86\\folders.dll";
    EXPECT_EQ(machine_of(library32), IMAGE_FILE_MACHINE_I386) << library32;
    EXPECT_EQ(lstrcmpiA(library32_path(HKEY_CURRENT_USER).c_str(), library32.c_str()), 0)
        << library32_path(HKEY_CURRENT_USER);
#endif
    EXPECT_EQ(pages_offered(HKEY_CURRENT_USER, kFolder), 1u);
    expect_one_entry("Folder icons", version_text(library), "Nimbrel");

    // Windows tells the removal of the older version that it is part of an
    // upgrade, which then leaves the folders alone; Wine 8 does not, so the
    // folder is customized after the upgrade.
    ASSERT_EQ(run_msiexec(std::string("/i n:\\") + kFoldersPackage + " /qn"), 0u);
    expect_one_entry("Folder icons", version_text(library) + ".1", "Nimbrel");
    EXPECT_EQ(pages_offered(HKEY_CURRENT_USER, kFolder), 1u);
    std::string record = our_record_text();
    write_record(kFolder, record.insert(record.find("\r\n") + 2, "InfoTip=Summer\r\n"));

    ASSERT_EQ(run_msiexec(std::string("/x n:\\") + kFoldersPackage + " /qn"), 0u);
    EXPECT_FALSE(is_customized(kFolder));
    EXPECT_EQ(read_key(std::string(kFolder) + "\\Desktop.ini", "QXIcons", "IndexClosed"), kMissing);
    EXPECT_EQ(read_key(std::string(kFolder) + "\\Desktop.ini", ".ShellClassInfo", "InfoTip"), "Summer");
    EXPECT_TRUE(installed_programs("Folder icons").empty());
    expect_all_gone({library, user_programs("Folder icons")});
}

// msiexec /qn ALLUSERS=1, as an administrator pushes it: where folders.inf
// installs, for every user.
TEST_F(Packages, FolderIconsForEveryUser)
{
    ASSERT_EQ(run_msiexec(std::string("/i s:\\") + kFoldersPackage + " /qn ALLUSERS=1"), 0u);
    std::string library = known_folder(CSIDL_SYSTEM) + "\\folders.dll";
    ASSERT_TRUE(path_exists(library)) << library;
    EXPECT_EQ(machine_of(library), our_machine());
    EXPECT_EQ(lstrcmpiA(library_path(HKEY_LOCAL_MACHINE).c_str(), library.c_str()), 0) << library_path(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(library_path(HKEY_CURRENT_USER), "<missing>") << "registered for the user alone";
    EXPECT_FALSE(path_exists(user_programs("Folder icons")));
#ifdef _WIN64
    std::string library32 = known_folder(CSIDL_SYSTEMX86) + "\\folders.dll";
    EXPECT_EQ(machine_of(library32), IMAGE_FILE_MACHINE_I386) << library32;
    EXPECT_EQ(lstrcmpiA(library32_path(HKEY_LOCAL_MACHINE).c_str(), library32.c_str()), 0)
        << library32_path(HKEY_LOCAL_MACHINE);
#endif
    EXPECT_EQ(pages_offered(HKEY_LOCAL_MACHINE, kFolder), 1u);
    expect_one_entry("Folder icons", version_text(library), "Nimbrel");

    write_record(kFolder, our_record_text());
    ASSERT_EQ(run_msiexec(std::string("/x s:\\") + kFoldersPackage + " /qn ALLUSERS=1"), 0u);
    EXPECT_FALSE(is_customized(kFolder));
    expect_all_gone({library});
}

std::vector<std::string> component_ids(const char* package)
{
    std::vector<std::string> ids;
    MSIHANDLE database = 0, view = 0, record = 0;
    if (MsiOpenDatabaseA(package, MSIDBOPEN_READONLY, &database) != ERROR_SUCCESS)
        return ids;
    if (MsiDatabaseOpenViewA(database, "SELECT `ComponentId` FROM `Component`", &view) == ERROR_SUCCESS &&
        MsiViewExecute(view, 0) == ERROR_SUCCESS) {
        while (MsiViewFetch(view, &record) == ERROR_SUCCESS) {
            char id[64] = "";
            DWORD size = sizeof id;
            MsiRecordGetStringA(record, 1, id, &size);
            ids.push_back(id);
            MsiCloseHandle(record);
        }
    }
    MsiCloseHandle(view);
    MsiCloseHandle(database);
    return ids;
}

// Windows Installer counts a component's installations by its identifier
// alone: the two packages' libraries, at one place, must not share one.
TEST_F(Packages, NoComponentIsSharedByThe32And64BitPackages)
{
    std::vector<std::string> ids32 = component_ids("s:\\folders.msi");
    std::vector<std::string> ids64 = component_ids("s:\\x64\\folders.msi");
    ASSERT_FALSE(ids32.empty());
    ASSERT_FALSE(ids64.empty());
    for (const std::string& id : ids32)
        EXPECT_EQ(std::count(ids64.begin(), ids64.end(), id), 0) << id;
}

std::string chosen_saver()
{
    return registry_text(HKEY_CURRENT_USER, "Control Panel\\Desktop", "SCRNSAVE.EXE");
}

// For the user: the saver and its sound side by side in the user's
// programs, and the saver chosen as the user's. For every user: both in the
// Windows folder, where the settings list them, and no one's choice changed.
TEST_F(Packages, ScreenSaverForTheUserAndForEveryUser)
{
    std::string before = chosen_saver();
    ASSERT_EQ(run_msiexec(std::string("/i s:\\") + kSaverPackage + " /qn"), 0u);
    std::string saver = user_programs("3D Vorant") + "\\saver.scr";
    ASSERT_TRUE(path_exists(saver)) << saver;
#if defined(__aarch64__)
    EXPECT_EQ(machine_of(saver), our_machine());
#endif
    EXPECT_TRUE(path_exists(user_programs("3D Vorant") + "\\vorant.wav"));
    EXPECT_EQ(lstrcmpiA(chosen_saver().c_str(), saver.c_str()), 0) << chosen_saver();
    expect_one_entry("3D Vorant screen saver", version_text(saver), "Vorant team");
    ASSERT_EQ(run_msiexec(std::string("/x s:\\") + kSaverPackage + " /qn"), 0u);
    EXPECT_EQ(chosen_saver(), before);
    expect_all_gone({saver, user_programs("3D Vorant")});

    ASSERT_EQ(run_msiexec(std::string("/i s:\\") + kSaverPackage + " /qn ALLUSERS=1"), 0u);
    std::string windows = known_folder(CSIDL_WINDOWS);
    EXPECT_TRUE(path_exists(windows + "\\saver.scr"));
    EXPECT_TRUE(path_exists(windows + "\\vorant.wav"));
    EXPECT_EQ(chosen_saver(), before);
    expect_one_entry("3D Vorant screen saver", version_text(windows + "\\saver.scr"), "Vorant team");
    ASSERT_EQ(run_msiexec(std::string("/x s:\\") + kSaverPackage + " /qn ALLUSERS=1"), 0u);
    expect_all_gone({windows + "\\saver.scr", windows + "\\vorant.wav"});
}

}
