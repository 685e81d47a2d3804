// The real saver.scr in its two show modes: the window it makes, what input
// does to it, and how the show ends.
#include "support/programs.h"
#include "support/screen.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

const char saver_class[] = "VorantScreenSaverClass";
const DWORD start_timeout = 10000;
const DWORD end_timeout = 10000;
// The collapse, the longest burst and the closing sound's tail take under two
// seconds at 60 frames per second; twice that leaves room for a slow machine.
const DWORD longest_close = 4000;

class FullScreenShow : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Physical pixels, as the show sees them.
        SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
        saver = start_program("saver.scr", "/s");
        ASSERT_NE(saver.process, nullptr);
        window = wait_for_window(saver, saver_class, start_timeout);
        ASSERT_NE(window, nullptr) << "no saver window appeared";
        // Found right after creation; the show makes itself top-most next.
        wait_until([this] { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; },
                   start_timeout);
    }
    void TearDown() override { kill_program(saver); }

    Program saver;
    HWND window = nullptr;
};

TEST_F(FullScreenShow, TopMostPopUpOverEveryMonitor)
{
    EXPECT_EQ(GetClassLongA(window, GCL_STYLE), static_cast<DWORD>(CS_PARENTDC));
    // The system adds WS_CLIPSIBLINGS to every top-level window.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & ~WS_CLIPSIBLINGS,
              static_cast<DWORD>(WS_POPUP | WS_VISIBLE))
        << std::hex << GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetClassLongPtrA(window, GCLP_HBRBACKGROUND), 0u);
    EXPECT_EQ(GetClassLongPtrA(window, GCLP_HCURSOR), 0u);

    RECT area;
    GetWindowRect(window, &area);
    EXPECT_EQ(area.left, GetSystemMetrics(SM_XVIRTUALSCREEN));
    EXPECT_EQ(area.top, GetSystemMetrics(SM_YVIRTUALSCREEN));
    EXPECT_EQ(area.right - area.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_EQ(area.bottom - area.top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

// At 96 DPI a point is a pixel; at 192 DPI (run so by ctest too) a square of
// 2 x 2 pixels, and the drawn area twice as wide and high.
TEST_F(FullScreenShow, KeepsItsSizeOnAScaledMonitor)
{
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    int scale = (dpi + 48) / 96 > 1 ? (dpi + 48) / 96 : 1;
    pump_messages(1000);
    int width = 600 * scale, height = 400 * scale;
    int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2 - GetSystemMetrics(SM_XVIRTUALSCREEN);
    int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2 - GetSystemMetrics(SM_YVIRTUALSCREEN);
    RECT area = {left, top, left + width, top + height};
    LitPixels lit =
        count_lit_pixels_on_screen(area, scale, [this](bool hold) { hold_program(saver, hold); });
    EXPECT_GT(lit.inside, 100) << "the cloud was not drawn, at " << dpi << " DPI";
    EXPECT_EQ(lit.outside, 0) << "lit outside the drawn area of " << width << " x " << height;
    EXPECT_EQ(lit.off_grid, 0) << "points that are not squares of " << scale << " x " << scale;
    std::printf("at %d DPI, points of %d x %d pixels\n", dpi, scale, scale);
}

TEST_F(FullScreenShow, CreationAnsweredWithoutDefaultProcessing)
{
    // Default processing of WM_NCCREATE is what stores the window text; the
    // window exists, so creation went on, yet its title never arrived.
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(GetWindowTextLengthA(window), 0);
}

TEST_F(FullScreenShow, MouseMovementLeavesTheShowRunning)
{
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_FALSE(has_exited(saver, longest_close));
}

TEST_F(FullScreenShow, ClosingTheWindowEndsTheShow)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(wait_for_exit(saver, end_timeout), 0u);
}

// Alt+Tab, or another program come to the front: the keys go elsewhere.
TEST_F(FullScreenShow, AnotherProgramInFrontEndsTheShow)
{
    HWND other = CreateWindowExA(0, "STATIC", "another program", WS_POPUP | WS_VISIBLE, 0, 0, 50,
                                 50, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(other);
    EXPECT_EQ(wait_for_exit(saver, end_timeout), 0u);
    DestroyWindow(other);
}

struct InputCase {
    const char* name;
    UINT message;
    WPARAM wparam;
};

class InputEndsFullScreen : public FullScreenShow,
                            public ::testing::WithParamInterface<InputCase> {};

TEST_P(InputEndsFullScreen, WithExitCodeZero)
{
    const InputCase& input = GetParam();
    PostMessageA(window, input.message, input.wparam, MAKELPARAM(5, 5));
    EXPECT_EQ(wait_for_exit(saver, end_timeout), 0u) << input.name;
}

INSTANTIATE_TEST_SUITE_P(Saver, InputEndsFullScreen,
                         ::testing::Values(InputCase{"key", WM_KEYDOWN, VK_SPACE},
                                           InputCase{"left click", WM_LBUTTONDOWN, MK_LBUTTON},
                                           InputCase{"right click", WM_RBUTTONDOWN, MK_RBUTTON}),
                         [](const auto& info) {
                             return std::string(info.param.message == WM_KEYDOWN ? "Key"
                                                : info.param.message == WM_LBUTTONDOWN
                                                    ? "LeftClick"
                                                    : "RightClick");
                         });

// Stands in for the display settings' preview box.
HWND make_preview_parent(int width, int height)
{
    return CreateWindowExA(0, "STATIC", "preview", WS_POPUP | WS_VISIBLE, 100, 100, width,
                           height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

class PreviewShow : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent = make_preview_parent(152, 112);
        ASSERT_NE(parent, nullptr);
        std::string arguments = "/p " + std::to_string(reinterpret_cast<INT_PTR>(parent));
        saver = start_program("saver.scr", arguments);
        ASSERT_NE(saver.process, nullptr);
        child = wait_for_child(parent, saver_class, start_timeout);
        ASSERT_NE(child, nullptr) << "no preview window appeared";
    }
    void TearDown() override
    {
        kill_program(saver);
        if (IsWindow(parent))
            DestroyWindow(parent);
    }

    HWND parent = nullptr;
    Program saver;
    HWND child = nullptr;
};

TEST_F(PreviewShow, DisabledChildFillingTheParent)
{
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)),
              static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_DISABLED))
        << std::hex << GetWindowLongA(child, GWL_STYLE);
    RECT area;
    GetClientRect(child, &area);
    EXPECT_EQ(area.right, 152);
    EXPECT_EQ(area.bottom, 112);
    EXPECT_EQ(GetWindowTextLengthA(child), 0);
}

TEST_F(PreviewShow, InputChangesNothing)
{
    PostMessageA(child, WM_KEYDOWN, VK_SPACE, 0);
    PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, 0);
    pump_messages(2000);
    EXPECT_FALSE(has_exited(saver, 0));
    EXPECT_TRUE(IsWindow(child));
}

TEST_F(PreviewShow, EndsWhenTheParentGoesAway)
{
    pump_messages(300);
    DestroyWindow(parent);
    EXPECT_EQ(wait_for_exit(saver, end_timeout), 0u);
}

// The settings' host in a process of its own, ended without a word to the
// show: its windows go, and the show must not outlive them.
TEST(PreviewInAnotherProcess, EndsWithinASecondOfItsHost)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    char command[] = "notepad.exe";
    ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info));
    CloseHandle(info.hThread);
    Program host = {info.hProcess, info.dwProcessId};
    HWND settings = wait_for_window(host, "Notepad", start_timeout);
    ASSERT_NE(settings, nullptr) << "no host window appeared";
    Program saver = start_program(
        "saver.scr", "/p " + std::to_string(reinterpret_cast<INT_PTR>(settings)));
    ASSERT_NE(saver.process, nullptr);
    EXPECT_NE(wait_for_child(settings, saver_class, start_timeout), nullptr);
    pump_messages(300);
    TerminateProcess(host.process, 1);
    ASSERT_TRUE(has_exited(host, end_timeout));
    kill_program(host);
    EXPECT_EQ(wait_for_exit(saver, 1000), 0u) << "the show outlived its host by a second";
}

TEST(PreviewWithoutParent, EndsAtOnceWithoutAWindow)
{
    const char* arguments[] = {"/p", "/p 0", "/p 12345678", "/p abc", "P"};
    for (const char* argument : arguments) {
        Program saver = start_program("saver.scr", argument);
        ASSERT_NE(saver.process, nullptr);
        Program probe = saver;
        EXPECT_EQ(wait_for_exit(saver, end_timeout), 0u) << argument;
        EXPECT_EQ(wait_for_window(probe, saver_class, 0), nullptr) << argument;
    }
}

}
