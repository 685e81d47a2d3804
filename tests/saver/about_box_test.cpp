// The About box of the real saver.scr: what it shows and how it closes.
#include "support/programs.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char dialog_class[] = "#32770";
const int ok_button = 5;
const int version_line = 4;

std::string text_of(HWND window)
{
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        saver = start_program("saver.scr", "/c:1234");
        ASSERT_NE(saver.process, nullptr);
        box = wait_for_window(saver, dialog_class, 10000);
        ASSERT_NE(box, nullptr) << "no About box appeared";
        ok = GetDlgItem(box, ok_button);
        ASSERT_NE(ok, nullptr);
    }
    void TearDown() override { kill_program(saver); }

    Program saver;
    HWND box = nullptr;
    HWND ok = nullptr;
};

TEST_F(AboutBox, ShowsTheProductWithoutAnOwner)
{
    EXPECT_EQ(text_of(box), "About 3D Vorant");
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    // The system adds WS_CLIPSIBLINGS to top-level windows.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(box, GWL_STYLE)) & 0xFFFF0000u & ~WS_CLIPSIBLINGS,
              static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE))
        << std::hex << GetWindowLongA(box, GWL_STYLE);

    EXPECT_EQ(text_of(ok), "OK");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(ok, GWL_STYLE)), 0x50010001u)
        << std::hex << GetWindowLongA(ok, GWL_STYLE);
    HWND version = GetDlgItem(box, version_line);
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(text_of(version), "3D Vorant version 1.1");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(version, GWL_STYLE)), 0x50021201u)
        << std::hex << GetWindowLongA(version, GWL_STYLE);
}

TEST_F(AboutBox, OkEndsTheProgram)
{
    PostMessageA(ok, BM_CLICK, 0, 0);
    EXPECT_EQ(wait_for_exit(saver, 5000), 0u);
}

TEST_F(AboutBox, EnterEndsTheProgram)
{
    PostMessageA(ok, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(wait_for_exit(saver, 5000), 0u);
}

TEST_F(AboutBox, EscLeavesTheBoxOpen)
{
    PostMessageA(ok, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(has_exited(saver, 1000));
    EXPECT_TRUE(IsWindowVisible(box));
}

TEST_F(AboutBox, ClosingFromTheCaptionEndsTheProgram)
{
    PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(wait_for_exit(saver, 5000), 0u);
}

// The screen-saver settings list a saver by its string 1, which they cut at
// 25 characters; without it they would show the file name, "saver".
TEST(ShippedFile, NamesTheProductForTheSettingsList)
{
    HMODULE file = LoadLibraryExA(sibling_path("saver.scr").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(file, nullptr) << GetLastError();
    char name[64] = "";
    int length = LoadStringA(file, 1, name, sizeof name);
    FreeLibrary(file);
    EXPECT_EQ(std::string(name), "3D Vorant");
    EXPECT_LE(length, 25);
}

// Its coordinates are physical pixels on every monitor, with the older
// kinds of awareness for older Windows.
TEST(ShippedFile, DeclaresPerMonitorDpiAwareness)
{
    HMODULE file = LoadLibraryExA(sibling_path("saver.scr").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(file, nullptr) << GetLastError();
    HRSRC found = FindResourceA(file, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(found, nullptr) << "no application manifest";
    const char* data = static_cast<const char*>(LockResource(LoadResource(file, found)));
    std::string manifest(data, SizeofResource(file, found));
    FreeLibrary(file);
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos) << manifest;
}

TEST(AboutMode, EveryConfigurationFormOpensTheBox)
{
    for (const char* argument : {"/c", "/C", "xc", "C", "-c:99", ""}) {
        Program saver = start_program("saver.scr", argument);
        ASSERT_NE(saver.process, nullptr);
        HWND box = wait_for_window(saver, dialog_class, 10000);
        EXPECT_NE(box, nullptr) << argument;
        if (box)
            PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(wait_for_exit(saver, 5000), 0u) << argument;
    }
}

}
