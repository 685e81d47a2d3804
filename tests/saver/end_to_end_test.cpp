// The real saver.scr, full screen, ended by a key press.
#include "support/programs.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

void press_space()
{
    INPUT keys[2] = {};
    keys[0].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_SPACE;
    keys[1] = keys[0];
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof keys[0]);
}

TEST(FullScreenShow, RunsUntilAKeyPressThenClosesWithExitCodeZero)
{
    Program saver = start_program("saver.scr", "/s");
    ASSERT_TRUE(saver.process) << "error " << GetLastError();
    HWND window = wait_for_window(saver, "VorantScreenSaverClass", 10000);
    ASSERT_TRUE(window);

    RECT area = {};
    GetWindowRect(window, &area);
    EXPECT_EQ(area.left, GetSystemMetrics(SM_XVIRTUALSCREEN));
    EXPECT_EQ(area.top, GetSystemMetrics(SM_YVIRTUALSCREEN));
    EXPECT_EQ(area.right - area.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_EQ(area.bottom - area.top, GetSystemMetrics(SM_CYVIRTUALSCREEN));

    EXPECT_FALSE(has_exited(saver, 1000)) << "the show ended without input";
    // Made top-most just after creation, so looked at once the show runs.
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST);
    press_space();
    DWORD pressed = GetTickCount();
    // The collapse, the burst and the end of the sound: under two seconds at
    // 60 frames per second.
    DWORD code = wait_for_exit(saver, 8000);
    EXPECT_EQ(code, 0u) << "exit code " << code << " (STILL_ACTIVE: the show did not end)";
    std::printf("the show ended %lu ms after the key press\n", GetTickCount() - pressed);
}

}
