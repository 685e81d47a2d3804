// Uninstall in a prefix whose fixed drives are c: (the prefix's own) and d:
// (the tests' playground); e: is a floppy, f: a CD-ROM, g: a network drive.
// scripts/run-scan-test.sh makes that prefix; the tests refuse any other.
#include "folders/setup_support.h"
#include "folders/scratch.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

const DWORD kScanTimeoutMs = 60000;
const char* const kIconKeys[] = {"IconFileClosed", "IndexClosed", "IconFileOpened", "IndexOpened",
                                 "AnimateLarge"};

std::string record_of(const std::string& folder, const char* file_name = "Desktop.ini")
{
    return folder + "\\" + file_name;
}

// Our six keys gone; the section headers stay.
void expect_cleaned(const std::string& folder, const char* file_name = "Desktop.ini")
{
    std::string ini = record_of(folder, file_name);
    EXPECT_EQ(read_key(ini, ".ShellClassInfo", "CLSID"), kMissing) << ini;
    for (const char* key : kIconKeys)
        EXPECT_EQ(read_key(ini, "QXIcons", key), kMissing) << ini << " " << key;
    std::string text = read_file(ini);
    EXPECT_NE(text.find("[.ShellClassInfo]"), std::string::npos) << text;
    EXPECT_NE(text.find("[QXIcons]"), std::string::npos) << text;
}

std::string lower(std::string text)
{
    CharLowerA(&text[0]);
    return text;
}

// A notice for each folder that was cleared, then one that icons changed,
// then one redraw of the whole desktop. Drive letters come as the system
// lists the drives.
void expect_shell_refreshed(const UninstallRun& run, std::vector<std::string> cleared)
{
    ASSERT_EQ(run.notices.size(), cleared.size() + 1);
    std::vector<std::string> told;
    for (size_t i = 0; i < cleared.size(); ++i) {
        EXPECT_EQ(run.notices[i].event, SHCNE_UPDATEITEM) << std::hex << run.notices[i].event;
        EXPECT_EQ(run.notices[i].flags, static_cast<UINT>(SHCNF_PATHW | SHCNF_FLUSHNOWAIT))
            << std::hex << run.notices[i].flags;
        told.push_back(lower(run.notices[i].path));
        cleared[i] = lower(cleared[i]);
    }
    std::sort(told.begin(), told.end());
    std::sort(cleared.begin(), cleared.end());
    EXPECT_EQ(told, cleared);
    EXPECT_EQ(run.notices.back().event, SHCNE_ASSOCCHANGED) << std::hex << run.notices.back().event;
    EXPECT_EQ(run.notices.back().item1, nullptr);
    ASSERT_EQ(run.redraws.size(), 1u);
    EXPECT_EQ(run.redraws[0].window, GetDesktopWindow());
    EXPECT_EQ(run.redraws[0].rect, nullptr);
    EXPECT_EQ(run.redraws[0].region, nullptr);
    EXPECT_EQ(run.redraws[0].flags, 0x387u) << std::hex << run.redraws[0].flags;
}

class UninstallScan : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(scan_prefix_problem(), "") << kScanRefusal;
        entries_ = load_setup_entries();
        library_calls().clear();
        ASSERT_NE(entries_.uninstall, nullptr) << "Uninstall is not exported";
        empty_folder(L"\\\\?\\d:", {L"loops"});
        empty_folder(L"\\\\?\\d:\\loops\\a", {L"up1", L"up2"});
        for (const wchar_t* drive : {L"\\\\?\\e:", L"\\\\?\\f:", L"\\\\?\\g:"})
            empty_folder(drive, {});
        SetFileAttributesA("d:\\", FILE_ATTRIBUTE_NORMAL);
        DeleteFileA("d:\\Desktop.ini");
    }

    UninstallRun uninstall(void (*on_box)(void*) = nullptr, void* context = nullptr)
    {
        return run_uninstall(entries_, on_box, context, kScanTimeoutMs);
    }

    SetupEntries entries_;
};

struct BoxTimeState {
    bool root_customized = false;
    bool nested_customized = false;
};

void note_state_at_box(void* context)
{
    auto* state = static_cast<BoxTimeState*>(context);
    state->root_customized = is_customized("d:");
    state->nested_customized = is_customized("d:\\projects\\icons");
}

TEST_F(UninstallScan, AsksFirstThenCleansEveryFixedDriveAndRefreshesTheShell)
{
    // The root's own record: the scan starts at "d:", so it lists "d:\*.*".
    write_record("d:", our_record_text());
    write_record("d:\\projects\\icons", our_record_text());
    write_record("c:\\users\\Public\\Documents\\custom", our_record_text());
    // A read-only record is cleaned too (Windows refuses writes to it; the
    // tests' Wine is made to) and keeps its attributes.
    SetFileAttributesA("d:\\projects\\icons\\Desktop.ini", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    DWORD file_attributes = GetFileAttributesA("d:\\projects\\icons\\Desktop.ini");
    DWORD folder_attributes = GetFileAttributesA("d:\\projects\\icons");

    BoxTimeState at_box;
    UninstallRun run = uninstall(note_state_at_box, &at_box);

    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.box_shown);
    EXPECT_EQ(run.box_text, "Uninstal have to search your local drives to clear customization.");
    EXPECT_EQ(run.box_caption, "Uninstall");
    EXPECT_FALSE(run.box_has_icon);
    EXPECT_FALSE(run.box_has_owner);
    EXPECT_TRUE(run.box_has_ok);
    EXPECT_FALSE(run.box_has_cancel);
    EXPECT_TRUE(at_box.root_customized) << "the scan ran before the box was answered";
    EXPECT_TRUE(at_box.nested_customized) << "the scan ran before the box was answered";

    expect_cleaned("d:");
    expect_cleaned("d:\\projects\\icons");
    expect_cleaned("c:\\users\\Public\\Documents\\custom");
    EXPECT_EQ(GetFileAttributesA("d:\\projects\\icons\\Desktop.ini") & ~FILE_ATTRIBUTE_ARCHIVE,
              file_attributes & ~FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(GetFileAttributesA("d:\\projects\\icons"), folder_attributes);
    EXPECT_EQ(run.report_text, "") << "everything was removed";
    expect_shell_refreshed(run, {"d:\\", "d:\\projects\\icons", "c:\\users\\Public\\Documents\\custom"});
}

enum class After { Cleaned, IconKeysGone, Untouched };

struct RecordCase {
    const char* what;
    const char* folder;
    const char* file_name;
    std::string text;
    After after;
    DWORD attributes = FILE_ATTRIBUTE_HIDDEN;
    DWORD listed = 0;   // what the listing adds, as a cloud drive's does (Wine keeps no such bit)
};

std::string record_without_class()
{
    return "[.ShellClassInfo]\r\nInfoTip=kept tip\r\n"
           "[QXIcons]\r\nIconFileClosed=a.dll\r\nIndexClosed=1\r\nIconFileOpened=a.dll\r\n"
           "IndexOpened=2\r\nAnimateLarge=0\r\n"
           "[Other]\r\nKey=kept value\r\n";
}

std::string record_of_class(const char* class_text)
{
    std::string text = our_record_text();
    text.replace(text.find(kOurClass), std::string(kOurClass).size(), class_text);
    return text;
}

// Ours, with the closed icon as the folder's standard icon and another's
// standard icon kept aside.
std::string record_with_standard_icon()
{
    std::string text = our_record_text();
    text.insert(text.find("[QXIcons]"), "IconResource=c:\\windows\\system32\\shell32.dll,3\r\n");
    return text + "PreviousIconResource=C:\\x.ico,0\r\n";
}

std::vector<RecordCase> record_cases()
{
    return {
        {"name in capitals", "d:\\caps", "DESKTOP.INI", our_record_text(), After::Cleaned},
        {"class in lower case", "d:\\lower", "Desktop.ini",
         record_of_class("{5e676c24-194a-11d1-9fcb-4854e821e610}"), After::Cleaned},
        // The profile services take quotes around a value off.
        {"class in quotes", "d:\\quoted", "Desktop.ini",
         record_of_class("\"{5E676C24-194A-11d1-9FCB-4854E821E610}\""), After::Cleaned},
        {"no CLSID key", "d:\\plain", "Desktop.ini", record_without_class(), After::IconKeysGone},
        {"another class", "d:\\foreign", "Desktop.ini",
         record_of_class("{00021400-0000-0000-C000-000000000046}"), After::Untouched},
        {"empty CLSID", "d:\\emptyclass", "Desktop.ini", record_of_class(""), After::Untouched},
        {"under a dot folder", "d:\\.cache\\inner", "Desktop.ini", our_record_text(), After::Untouched},
        {"a dot folder itself", "d:\\work\\.config", "Desktop.ini", our_record_text(), After::Untouched},
        {"hidden deep in a fixed tree", "d:\\work\\a\\b\\c\\d", "Desktop.ini", our_record_text(),
         After::Cleaned},
        {"floppy", "e:\\kept", "Desktop.ini", our_record_text(), After::Untouched},
        {"CD-ROM", "f:\\kept", "Desktop.ini", our_record_text(), After::Untouched},
        {"network drive", "g:\\kept", "Desktop.ini", our_record_text(), After::Untouched},
        {"standard icon kept aside", "d:\\standard", "Desktop.ini", record_with_standard_icon(), After::Cleaned},
        // Its text is still on a cloud drive's server: reading it would fetch it.
        {"ours, not yet fetched", "d:\\cloud", "Desktop.ini", our_record_text(), After::Untouched,
         FILE_ATTRIBUTE_HIDDEN, 0x00400000 /* recall on data access */},
        {"read-only and ours", "d:\\locked", "Desktop.ini", our_record_text(), After::Cleaned,
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
        {"read-only, nothing of ours", "d:\\theirs", "Desktop.ini",
         "[.ShellClassInfo]\r\nInfoTip=theirs\r\n", After::Untouched,
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
    };
}

TEST_F(UninstallScan, CleansOnlyRecordsThatAreOursOnFixedDrives)
{
    ASSERT_EQ(GetDriveTypeA("d:\\"), static_cast<UINT>(DRIVE_FIXED));
    ASSERT_EQ(GetDriveTypeA("e:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
    ASSERT_EQ(GetDriveTypeA("f:\\"), static_cast<UINT>(DRIVE_CDROM));
    ASSERT_EQ(GetDriveTypeA("g:\\"), static_cast<UINT>(DRIVE_REMOTE));
    static std::vector<RecordCase> cases = record_cases();
    for (const RecordCase& c : cases) {
        write_record(c.folder, c.text, c.file_name);
        SetFileAttributesA(record_of(c.folder, c.file_name).c_str(), c.attributes);
    }
    auto list_as_cloud_drives_do = [](void*) {
        for (const RecordCase& c : cases)
            if (c.listed)
                library_calls().listed_attributes.push_back({widen(record_of(c.folder, c.file_name)), c.listed});
    };

    // A customized folder whose path the code page cannot spell, UTF-16
    // record and all.
    const std::wstring parent = L"d:\\\x0444\x043E\x0442\x043E";
    const std::wstring named = parent + L"\\\x03B5\x03B9\x03BA\x03CC\x03BD\x03B1 \x5199\x771F";
    const std::wstring named_ini = named + L"\\Desktop.ini";
    CreateDirectoryW(parent.c_str(), nullptr);
    CreateDirectoryW(named.c_str(), nullptr);
    const std::wstring record_text = L"\xFEFF" + widen(our_record_text());
    HANDLE file = CreateFileW(named_ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, record_text.c_str(), static_cast<DWORD>(record_text.size() * sizeof(WCHAR)), &written, nullptr);
    CloseHandle(file);

    UninstallRun run = uninstall(list_as_cloud_drives_do);
    ASSERT_TRUE(run.finished);

    WCHAR value[MAX_PATH];
    GetPrivateProfileStringW(L".ShellClassInfo", L"CLSID", L"<missing>", value, MAX_PATH, named_ini.c_str());
    EXPECT_STREQ(value, L"<missing>");
    GetPrivateProfileStringW(L"QXIcons", L"IconFileClosed", L"<missing>", value, MAX_PATH, named_ini.c_str());
    EXPECT_STREQ(value, L"<missing>");

    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string ini = record_of(c.folder, c.file_name);
        // Only a read-only record we change is opened for the change; it
        // gets back its attributes and the archive bit the change earned
        // (Wine reports that bit on every file: what the library asked for).
        DWORD last_set = INVALID_FILE_ATTRIBUTES;
        for (const AttributeCall& call : run.attribute_sets)
            if (lstrcmpiA(call.path.c_str(), ini.c_str()) == 0)
                last_set = call.attributes;
        bool reopened = c.after != After::Untouched && (c.attributes & FILE_ATTRIBUTE_READONLY);
        EXPECT_EQ(last_set, reopened ? c.attributes | FILE_ATTRIBUTE_ARCHIVE : INVALID_FILE_ATTRIBUTES)
            << std::hex << last_set;
        EXPECT_EQ(GetFileAttributesA(ini.c_str()) & ~DWORD(FILE_ATTRIBUTE_ARCHIVE), c.attributes);
        switch (c.after) {
        case After::Cleaned:
            expect_cleaned(c.folder, c.file_name);
            EXPECT_EQ(read_key(ini, ".ShellClassInfo", "IconResource"),
                      c.text.find("Previous") != std::string::npos ? "C:\\x.ico,0" : kMissing);
            break;
        case After::IconKeysGone:
            for (const char* key : kIconKeys)
                EXPECT_EQ(read_key(ini, "QXIcons", key), kMissing) << key;
            EXPECT_EQ(read_key(ini, ".ShellClassInfo", "InfoTip"), "kept tip");
            EXPECT_EQ(read_key(ini, "Other", "Key"), "kept value");
            break;
        case After::Untouched:
            EXPECT_EQ(read_file(ini), c.text);
            break;
        }
    }
}

// Listings come back in name order under Wine: the folder after the one that
// cannot be listed shows that the scan went on.
// A folder the account may not list (Windows keeps a few) is passed over,
// and the scan goes on after it.
TEST_F(UninstallScan, PassesOverAFolderItCannotListAndGoesOn)
{
    write_record("d:\\scan\\locked\\inner", our_record_text());
    write_record("d:\\scan\\zafter", our_record_text());
    library_calls().unlistable = L"d:\\scan\\locked";

    ASSERT_TRUE(uninstall().finished);

    EXPECT_TRUE(is_customized("d:\\scan\\locked\\inner"));
    expect_cleaned("d:\\scan\\zafter");
}

std::wstring long_path(const std::string& path)
{
    return L"\\\\?\\" + std::wstring(path.begin(), path.end());
}

void write_record_long(const std::string& folder, const std::string& text)
{
    std::wstring path = long_path(folder);
    for (size_t at = path.find(L'\\', 7); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
    HANDLE file = CreateFileW((path + L"\\Desktop.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string read_file_long(const std::string& path)
{
    HANDLE file = CreateFileW(long_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return kMissing;
    std::string text(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    return text;
}

std::string nested(std::string folder, const char* level, int count)
{
    for (int i = 0; i < count; ++i)
        folder += std::string("\\") + level;
    return folder;
}

TEST_F(UninstallScan, LeavesPathsBeyondTheLimitAloneAndScansOn)
{
    // 250 characters: the folder itself fits, its Desktop.ini path does not.
    const std::string edge = nested("d:\\deep", "abcd", 48) + "\\xx";
    ASSERT_EQ(edge.size(), 250u);
    // Far deeper than any 260-character buffer: 400 levels, 1,600 characters.
    const std::string abyss = nested("d:\\deep", "abc", 400);
    const std::string shallow = nested("d:\\deep", "abcd", 3);
    write_record_long(edge, our_record_text());
    write_record_long(abyss, our_record_text());
    write_record(shallow, our_record_text());
    write_record("d:\\later", our_record_text());

    ASSERT_TRUE(uninstall().finished);

    EXPECT_EQ(read_file_long(edge + "\\Desktop.ini"), our_record_text());
    EXPECT_EQ(read_file_long(abyss + "\\Desktop.ini"), our_record_text());
    expect_cleaned(shallow);
    expect_cleaned("d:\\later");
}

TEST_F(UninstallScan, DoesNotFollowLinksBackToAnAncestor)
{
    // d:\loops\a\up1 -> d:\loops and up2 -> d:\ (made by the prefix script):
    // two ways back up at every level, so following them never ends.
    DWORD link = GetFileAttributesA("d:\\loops\\a\\up1");
    ASSERT_NE(link, INVALID_FILE_ATTRIBUTES) << "the prefix has no link fixture";
    ASSERT_TRUE(link & FILE_ATTRIBUTE_REPARSE_POINT) << std::hex << link;
    write_record("d:\\loops\\a\\inner", our_record_text());

    UninstallRun run = uninstall();

    ASSERT_TRUE(run.finished) << "the scan did not end within " << kScanTimeoutMs << " ms";
    expect_cleaned("d:\\loops\\a\\inner");
}

// Whoever owns a folder can, between the scan's read of its record and the
// write, put another folder in its place: one whose Desktop.ini the scan
// must not write (the public desktop's, under a privileged scan). Whether
// that happens before the scan holds the folder or as it writes the copy,
// that file stays byte for byte, and the scan goes on.
struct Steering {
    std::function<void()> LibraryCalls::*hook;
    bool tried = false, moved = false;
};

void steer(void* context)
{
    auto* steering = static_cast<Steering*>(context);
    library_calls().*steering->hook = [steering] {
        if (!steering->tried)
            steering->moved = MoveFileA("d:\\steer\\a", "d:\\steer\\a-away") &&
                              MoveFileA("d:\\.guarded\\public", "d:\\steer\\a");
        steering->tried = true;
    };
}

TEST_F(UninstallScan, NeverWritesIntoAFolderPutInPlaceOfTheOneItRead)
{
    for (auto hook : {&LibraryCalls::on_folder_open, &LibraryCalls::on_new_file}) {
        const bool at_hold = hook == &LibraryCalls::on_folder_open;
        SCOPED_TRACE(at_hold ? "before the folder is held" : "as the copy is written");
        SetUp();
        const std::string guarded_text = our_record_text() + "[Guard]\r\nKey=kept\r\n";
        write_record("d:\\.guarded\\public", guarded_text);
        write_record("d:\\steer\\a", our_record_text());
        write_record("d:\\steer\\b", our_record_text());
        Steering steering{hook};

        UninstallRun run = uninstall(steer, &steering);

        ASSERT_TRUE(run.finished);
        ASSERT_TRUE(steering.tried);
        EXPECT_TRUE(steering.moved || !at_hold);
        const std::string guarded = steering.moved ? "d:\\steer\\a" : "d:\\.guarded\\public";
        EXPECT_EQ(read_file(guarded + "\\Desktop.ini"), guarded_text) << (steering.moved ? "moved" : "held");
        WIN32_FIND_DATAA found;
        EXPECT_EQ(FindFirstFileA((guarded + "\\~*").c_str(), &found), INVALID_HANDLE_VALUE);
        expect_cleaned("d:\\steer\\b");
    }
}

// An account that may not remove the program, or a record that cannot be
// changed: the rest is cleared, and a last box says what stays.
TEST_F(UninstallScan, SaysWhatTheRemovalCouldNotDo)
{
    write_record("d:\\mine", our_record_text());
    library_calls().unelevated = true;
    UninstallRun unelevated = uninstall();
    EXPECT_FALSE(is_customized("d:\\mine"));
    EXPECT_NE(unelevated.report_text.find("needs an administrator"), std::string::npos) << unelevated.report_text;
    EXPECT_EQ(unelevated.report_text.find("keep their icons"), std::string::npos) << unelevated.report_text;

    write_record("d:\\mine", our_record_text());
    library_calls().unelevated = false;
    library_calls().refuse_swaps = true;
    UninstallRun refused = uninstall();
    EXPECT_TRUE(is_customized("d:\\mine"));
    EXPECT_EQ(refused.report_text.find("1 folders keep their icons"), 0u) << refused.report_text;
    EXPECT_EQ(refused.report_text.find("administrator"), std::string::npos) << refused.report_text;
}

struct InstallerReport {
    int total = -1;   // the bar's steps, as it was reset
    int steps = 0;
    std::wstring log;  // the last line for the log, with its fields
};

InstallerReport installer_report()
{
    InstallerReport report;
    for (const InstallerMessage& message : library_calls().installer_messages) {
        if (message.type == INSTALLMESSAGE_PROGRESS && message.fields[1] == L"0")
            report.total = _wtoi(message.fields[2].c_str());
        if (message.type == INSTALLMESSAGE_PROGRESS && message.fields[1] == L"2")
            report.steps += _wtoi(message.fields[2].c_str());
        if (message.type == INSTALLMESSAGE_INFO)
            report.log = message.fields[0] + L" " + message.fields[1] + L" " + message.fields[2];
    }
    return report;
}

// The package's removal in the installer's dialog: a bar filled step by
// step, the folder being looked at, and Cancel, which stops the search and
// keeps what was cleared. The log tells how many were cleared.
TEST_F(UninstallScan, ThePackagesSearchShowsItsProgressAndStopsOnCancel)
{
    using PackageEntry = UINT(WINAPI*)(MSIHANDLE);
    auto package_uninstall =
        reinterpret_cast<PackageEntry>(reinterpret_cast<void*>(GetProcAddress(entries_.module, "PackageUninstall")));
    ASSERT_NE(package_uninstall, nullptr);
    for (const char* folder : {"d:\\a", "d:\\m\\inner", "d:\\z"})
        write_record(folder, our_record_text());
    LibraryCalls& calls = library_calls();
    calls.installer_messages.clear();
    calls.cancel_at = L"d:\\m";

    EXPECT_EQ(package_uninstall(0), static_cast<UINT>(ERROR_INSTALL_USEREXIT));
    EXPECT_FALSE(is_customized("d:\\a"));
    EXPECT_TRUE(is_customized("d:\\m\\inner"));
    EXPECT_TRUE(is_customized("d:\\z"));
    InstallerReport cancelled = installer_report();
    EXPECT_GT(cancelled.total, cancelled.steps);
    EXPECT_NE(cancelled.log.find(L"cancelled"), std::wstring::npos) << cancelled.log;

    calls.installer_messages.clear();
    calls.cancel_at.clear();
    EXPECT_EQ(package_uninstall(0), static_cast<UINT>(ERROR_SUCCESS));
    EXPECT_FALSE(is_customized("d:\\m\\inner"));
    EXPECT_FALSE(is_customized("d:\\z"));
    InstallerReport finished = installer_report();
    EXPECT_EQ(finished.steps, finished.total);
    EXPECT_EQ(finished.total, cancelled.total);
    EXPECT_EQ(finished.log, L"Folder icons: [1] folders cleared, [2] could not be cleared. 2 0");
}

// Run by scripts/run-scan-test.sh in "none" mode: c: and d: are CD-ROMs.
TEST(NoFixedDrive, StillAsksNotifiesAndRedraws)
{
    ASSERT_EQ(scan_prefix_problem(), "") << kScanRefusal;
    ASSERT_NE(GetDriveTypeA("d:\\"), static_cast<UINT>(DRIVE_FIXED)) << "d: is still a fixed drive";
    ASSERT_NE(GetDriveTypeA("c:\\"), static_cast<UINT>(DRIVE_FIXED)) << "c: is still a fixed drive";
    SetupEntries entries = load_setup_entries();
    ASSERT_NE(entries.uninstall, nullptr);
    library_calls().clear();
    write_record("d:\\nofixed", our_record_text());

    UninstallRun run = run_uninstall(entries, nullptr, nullptr, kScanTimeoutMs);

    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.box_shown);
    EXPECT_EQ(read_file("d:\\nofixed\\Desktop.ini"), our_record_text());
    expect_shell_refreshed(run, {});
    SetFileAttributesA("d:\\nofixed\\Desktop.ini", FILE_ATTRIBUTE_NORMAL);
    DeleteFileA("d:\\nofixed\\Desktop.ini");
    SetFileAttributesA("d:\\nofixed", FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA("d:\\nofixed");
}

}
