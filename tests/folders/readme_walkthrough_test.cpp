// The README's Windows instructions, followed step by step in a fresh prefix
// whose only fixed drives are its own c: and an empty d:. The staged dist/
// folder is drive s:, as a copied folder or a CD would be. Install both
// programs with their setup files, choose and preview the screen saver, give
// a folder its icons on its "Icon" page, then remove both programs and find
// nothing of ours left but the folder's own keys.
#include "folders/box_answer.h"
#include "page/page_ids.h"
#include "page_support.h"
#include "registry_snapshot.h"

#include "support/programs.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace {

const char kFolder[] = "c:\\users\\Public\\Documents\\Holiday";
const char kMissingValue[] = "<missing>";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string windows_path(const char* name)
{
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\" + name;
}

std::string system_path(const char* name)
{
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\" + name;
}

bool exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// What "Uninstall" in the list of installed programs runs.
std::string uninstall_command(const char* product)
{
    char command[1024] = "<none>";
    DWORD size = sizeof command;
    RegGetValueA(HKEY_LOCAL_MACHINE, (std::string(kUninstallKey) + "\\" + product).c_str(), "UninstallString",
                 RRF_RT_REG_SZ, nullptr, command, &size);
    return command;
}

// Presses OK in Uninstall's box, wherever it comes from, while the test waits
// for setup.
class UninstallAnswerer {
public:
    UninstallAnswerer() { m_thread = CreateThread(nullptr, 0, run, this, 0, nullptr); }
    ~UninstallAnswerer()
    {
        InterlockedExchange(&m_stop, 1);
        WaitForSingleObject(m_thread, 5000);
        CloseHandle(m_thread);
    }
    std::string text() const { return m_text; }

private:
    static DWORD WINAPI run(void* self_pointer)
    {
        auto* self = static_cast<UninstallAnswerer*>(self_pointer);
        while (!self->m_stop) {
            std::string text;
            if (answer_uninstall_box(&text))
                self->m_text = text;
            Sleep(50);
        }
        return 0;
    }
    HANDLE m_thread = nullptr;
    volatile LONG m_stop = 0;
    std::string m_text;
};

void write_text(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string uninstall_value(const char* product, const char* name)
{
    char value[MAX_PATH] = "<missing>";
    DWORD size = sizeof value;
    RegGetValueA(HKEY_LOCAL_MACHINE, (std::string(kUninstallKey) + "\\" + product).c_str(), name,
                 RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

DWORD uninstall_number(const char* product, const char* name)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    RegGetValueA(HKEY_LOCAL_MACHINE, (std::string(kUninstallKey) + "\\" + product).c_str(), name,
                 RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

std::string version_string(const std::string& file, const char* name)
{
    DWORD unused = 0;
    std::string data(GetFileVersionInfoSizeA(file.c_str(), &unused), '\0');
    if (data.empty() || !GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(data.size()), &data[0]))
        return "<no version resource>";
    char* text = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) || !length)
        return "<missing>";
    return text;
}

// The saver's entry in the list of installed programs tells what the
// installed file says of itself, shows its icon, and offers only removal.
void check_saver_entry()
{
    std::string saver = windows_path("saver.scr");
    EXPECT_EQ(uninstall_value("VorantSaver", "DisplayName"), "3D Vorant screen saver");
    EXPECT_EQ(uninstall_value("VorantSaver", "DisplayVersion"), version_string(saver, "FileVersion"));
    EXPECT_EQ(uninstall_value("VorantSaver", "Publisher"), version_string(saver, "CompanyName"));
    EXPECT_EQ(version_string(saver, "CompanyName"), "Vorant team");
    std::string icon = uninstall_value("VorantSaver", "DisplayIcon");
    EXPECT_EQ(lstrcmpiA(icon.c_str(), (saver + ",0").c_str()), 0) << icon;
    EXPECT_EQ(uninstall_number("VorantSaver", "NoModify"), 1u);
    EXPECT_EQ(uninstall_number("VorantSaver", "NoRepair"), 1u);
}

// Step 3: the screen saver settings list it, preview it in their little
// window, and show its settings (the About box).
void choose_and_preview_saver()
{
    std::string saver = windows_path("saver.scr");
    ASSERT_TRUE(exists(saver)) << saver;
    EXPECT_TRUE(exists(windows_path("vorant.wav"))) << "the sound is not beside the saver";

    HWND preview = CreateWindowA("STATIC", "preview", WS_POPUP | WS_VISIBLE, 0, 0, 152, 112, nullptr, nullptr,
                                 nullptr, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string command = "\"" + saver + "\" /p " + std::to_string(reinterpret_cast<UINT_PTR>(preview));
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    CloseHandle(info.hThread);
    DWORD start = GetTickCount();
    while (!GetWindow(preview, GW_CHILD) && GetTickCount() - start < 10000)
        pump_messages(50);
    EXPECT_NE(GetWindow(preview, GW_CHILD), nullptr) << "no preview in the settings' window";
    TerminateProcess(info.hProcess, 0);
    WaitForSingleObject(info.hProcess, 5000);
    CloseHandle(info.hProcess);
    DestroyWindow(preview);

    Program settings = {};
    startup = {};
    startup.cb = sizeof startup;
    command = "\"" + saver + "\" /c";
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    CloseHandle(info.hThread);
    settings.process = info.hProcess;
    settings.id = info.dwProcessId;
    HWND about = wait_for_window(settings, "#32770", 10000);
    EXPECT_NE(about, nullptr) << "no About box";
    if (about)
        PostMessageA(about, WM_CLOSE, 0, 0);
    EXPECT_EQ(wait_for_exit(settings, 10000), 0u);
}

// Step 4: the folder's Properties, its "Icon" page from the installed
// library, "Animate large icon" switched, OK.
void customize_through_the_page()
{
    CoInitialize(nullptr);
    IShellPropSheetExt* extension = nullptr;
    HRESULT hr = CoCreateInstance(kFoldersClass, nullptr, CLSCTX_INPROC_SERVER, IID_IShellPropSheetExt,
                                  reinterpret_cast<void**>(&extension));
    ASSERT_EQ(hr, S_OK) << std::hex << hr << " (the class is not registered)";
    FakeDataObject selection({kFolder});
    IShellExtInit* init = nullptr;
    ASSERT_EQ(extension->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
    EXPECT_EQ(init->Initialize(nullptr, &selection, nullptr), S_OK);
    init->Release();
    PageCollector collector;
    EXPECT_EQ(extension->AddPages(PageCollector::add, reinterpret_cast<LPARAM>(&collector)), S_OK);
    ASSERT_EQ(collector.pages.size(), 1u) << "no Icon page for the folder";
    {
        Sheet sheet(collector.pages);
        ASSERT_NE(sheet.page(), nullptr);
        SendMessageA(sheet.control(IDC_ANIMATE_LARGE), BM_CLICK, 0, 0);
        sheet.press(PSBTN_OK);
        pump_messages(100);
    }
    extension->Release();
    CoFreeUnusedLibraries();
    CoUninitialize();
}

std::string key_of(const char* section, const char* key)
{
    char value[MAX_PATH];
    GetPrivateProfileStringA(section, key, kMissingValue, value, sizeof value,
                             (std::string(kFolder) + "\\Desktop.ini").c_str());
    return value;
}

TEST(ReadmeWalkthrough, InstallUseAndRemoveBothPrograms)
{
    ASSERT_TRUE(exists("s:\\folders.inf")) << "dist/ is not staged: run make dist";
    CreateDirectoryA(kFolder, nullptr);
    write_text(std::string(kFolder) + "\\Desktop.ini",
               "[.ShellClassInfo]\r\nInfoTip=Pictures of the summer\r\n[Album]\r\nYear=2026\r\n");
    // Windows always has the parents of the page-handler keys; a fresh Wine
    // prefix lacks them, and setup rightly removes only its own subkeys.
    for (const char* path : {"Folder\\shellex\\PropertySheetHandlers", "Directory\\shellex\\PropertySheetHandlers"}) {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        RegCloseKey(key);
    }
    RegistrySnapshot before = snapshot_registry();

    // Steps 1 and 2: install the folder icons, then the screen saver.
    EXPECT_EQ(run_command("rundll32.exe setupapi,InstallHinfSection DefaultInstall 132 s:\\folders.inf"), 0u);
    EXPECT_EQ(run_command("rundll32.exe setupapi,InstallHinfSection DefaultInstall 132 s:\\saver.inf"), 0u);
    ASSERT_TRUE(exists(system_path("folders.dll")));
    check_saver_entry();

    choose_and_preview_saver();
    customize_through_the_page();
    EXPECT_EQ(key_of(".ShellClassInfo", "CLSID"), "{5E676C24-194A-11d1-9FCB-4854E821E610}");
    EXPECT_EQ(key_of("QXIcons", "AnimateLarge"), "0");

    // Step 5: remove both from the list of installed programs.
    {
        UninstallAnswerer answerer;
        EXPECT_EQ(run_command(uninstall_command("FolderIcons")), 0u);
        EXPECT_EQ(answerer.text(), "Uninstal have to search your local drives to clear customization.");
    }
    EXPECT_EQ(run_command(uninstall_command("VorantSaver")), 0u);

    EXPECT_EQ(key_of(".ShellClassInfo", "CLSID"), kMissingValue);
    for (const char* key : {"IconFileClosed", "IndexClosed", "IconFileOpened", "IndexOpened", "AnimateLarge"})
        EXPECT_EQ(key_of("QXIcons", key), kMissingValue) << key;
    EXPECT_EQ(key_of(".ShellClassInfo", "InfoTip"), "Pictures of the summer");
    EXPECT_EQ(key_of("Album", "Year"), "2026");
    for (const std::string& file : {system_path("folders.dll"), windows_path("inf\\folders.inf"),
                                    windows_path("saver.scr"), windows_path("vorant.wav"),
                                    windows_path("inf\\saver.inf")})
        EXPECT_FALSE(exists(file)) << file;
    RegistrySnapshot after = snapshot_registry();
    RegistrySnapshot left = only_in(after, before);
    RegistrySnapshot lost = only_in(before, after);
    std::string text;
    for (const std::string& line : left)
        text += "  + " + line + "\n";
    for (const std::string& line : lost)
        text += "  - " + line + "\n";
    EXPECT_TRUE(left.empty() && lost.empty()) << text;
}

}
