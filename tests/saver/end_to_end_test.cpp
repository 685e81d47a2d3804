// The real saver.scr, full screen, ended by a key press.
#include "support/programs.h"
#include "support/screen.h"

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

// The drawn area's points, counted by hue: red as the collapse leaves them,
// and a third of the way from red to cyan in the burst or more, green and
// blue alike (the points fade with depth long before they are wholly cyan).
struct Hues {
    int lit = 0;
    int red = 0;
    int cyan = 0;
};

Hues hues_of(const ScreenShot& shot)
{
    Hues hues;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            DWORD c = shot.at(x, y);
            int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
            hues.lit += c != 0;
            hues.red += r > 2 * (g + b);
            hues.cyan += g > 8 && 2 * g >= r && g - b <= 8 && b - g <= 8;
        }
    }
    return hues;
}

// The closing sound is read beside the program when the close asks for it,
// and not before: its last access, set far back, moves then. The file system
// keeps the access time of a file read after it was last written.
const FILETIME long_ago = {0x256D4000, 0x01BF53EB};  // 1 January 2000

FILETIME sound_read_at(bool set_long_ago)
{
    std::string path = sibling_path("vorant.wav");
    HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    FILETIME read = {};
    if (set_long_ago)
        SetFileTime(file, nullptr, &long_ago, nullptr);
    GetFileTime(file, nullptr, &read, nullptr);
    CloseHandle(file);
    return read;
}

TEST(FullScreenShow, RunsUntilAKeyPressThenClosesWithExitCodeZero)
{
    FILETIME set = sound_read_at(true);
    ASSERT_EQ(CompareFileTime(&set, &long_ago), 0) << "the sound's access time cannot be set";
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
    FILETIME before_the_close = sound_read_at(false);
    EXPECT_EQ(CompareFileTime(&before_the_close, &long_ago), 0) << "the sound was read at the start";
    press_space();
    DWORD pressed = GetTickCount();
    // The collapse, then the burst, as the screen shows them: each lasts a
    // few tenths of a second, so the pictures are small, and a busy machine
    // may catch a phase on its way rather than at its peak.
    int left = (GetSystemMetrics(SM_CXSCREEN) - 600) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - 400) / 2;
    RECT drawn = {left, top, left + 600, top + 400};
    DWORD red_seen = 0, cyan_seen = 0;
    while (!cyan_seen && !has_exited(saver, 0) && GetTickCount() - pressed < 8000) {
        Hues hues = hues_of(capture_screen_area(drawn));
        if (!red_seen && hues.red >= 20 && hues.red * 4 >= hues.lit * 3)
            red_seen = GetTickCount();
        else if (red_seen && hues.cyan >= 20 && hues.cyan * 2 >= hues.lit)
            cyan_seen = GetTickCount();
    }
    EXPECT_NE(red_seen, 0u) << "no collapse into a red ball was seen";
    EXPECT_NE(cyan_seen, 0u) << "no cyan burst was seen after the collapse";
    // The collapse, the burst and the end of the sound: under two seconds at
    // 60 frames per second.
    DWORD code = wait_for_exit(saver, 8000);
    EXPECT_EQ(code, 0u) << "exit code " << code << " (STILL_ACTIVE: the show did not end)";
    FILETIME after_the_close = sound_read_at(false);
    EXPECT_GT(CompareFileTime(&after_the_close, &long_ago), 0) << "the close never read its sound";
    std::printf("the show ended %lu ms after the key press (red at %lu ms, cyan at %lu ms)\n",
                GetTickCount() - pressed, red_seen - pressed, cyan_seen - pressed);
}

}
