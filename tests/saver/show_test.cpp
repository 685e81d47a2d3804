// A whole full-screen show run in-process: where it draws, how fast it asks
// for frames, and what it gives back to the desktop when it ends.
#include "scene/points.h"
#include "scene/scene.h"
#include "shell/frame_pacer.h"
#include "shell/modes.h"
#include "shell/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

struct Observation {
    BOOL saver_running_during = FALSE;
    int lit_inside = 0;
    int lit_outside = 0;
    int frames = 0;
    DWORD elapsed_ms = 0;
    bool window_found = false;
};

// Counts the lit pixels of the whole screen inside and outside the drawn area.
void count_lit_pixels(Observation& seen)
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC copy = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(copy, old);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    GetDIBits(copy, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if ((pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF) == 0)
                continue;
            bool inside = x >= view_left && x < view_left + view_width && y >= view_top
                          && y < view_top + view_height;
            ++(inside ? seen.lit_inside : seen.lit_outside);
        }
    }
    DeleteObject(bitmap);
    DeleteDC(copy);
    ReleaseDC(nullptr, screen);
}

std::atomic<int> paints;
WNDPROC saver_proc;

LRESULT CALLBACK counting_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_PAINT)
        ++paints;
    return CallWindowProcA(saver_proc, window, message, wparam, lparam);
}

// Runs beside the show: watches it for a second, then presses a key.
DWORD WINAPI watch_then_end_show(LPVOID parameter)
{
    auto* seen = static_cast<Observation*>(parameter);
    DWORD start = GetTickCount();
    while (!(main_window && IsWindowVisible(main_window)) && GetTickCount() - start < 10000)
        Sleep(5);
    seen->window_found = main_window != nullptr;
    if (!seen->window_found)
        return 0;
    saver_proc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        main_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(counting_proc)));
    int first = paints;
    DWORD counting_since = GetTickCount();
    Sleep(1000);
    seen->frames = paints - first;
    seen->elapsed_ms = GetTickCount() - counting_since;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &seen->saver_running_during, 0);
    count_lit_pixels(*seen);
    PostMessageA(main_window, WM_KEYDOWN, VK_SPACE, 0);
    return 0;
}

int cursor_count()
{
    int count = ShowCursor(FALSE) + 1;
    ShowCursor(TRUE);
    return count;
}

Observation run_watched_show()
{
    build_trig_tables();
    main_window = nullptr;
    show_finished = false;
    Observation seen;
    HANDLE watcher = CreateThread(nullptr, 0, watch_then_end_show, &seen, 0, nullptr);
    run_full_screen();
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    return seen;
}

TEST(FullScreenShow, RestoresTheDesktopItFound)
{
    HWND ours = CreateWindowExA(0, "STATIC", "before the show", WS_POPUP | WS_VISIBLE, 0, 0,
                                50, 50, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(ours);
    int cursor_before = cursor_count();

    Observation seen = run_watched_show();

    ASSERT_TRUE(seen.window_found);
    EXPECT_TRUE(seen.saver_running_during);
    BOOL running_after = TRUE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running_after, 0);
    EXPECT_FALSE(running_after);
    EXPECT_EQ(cursor_count(), cursor_before) << "ShowCursor(TRUE) must balance the one hide";
    EXPECT_EQ(GetForegroundWindow(), ours);
    DestroyWindow(ours);
}

TEST(FullScreenShow, AsksForAtMostOneFramePerDisplayFrame)
{
    Observation seen = run_watched_show();
    ASSERT_TRUE(seen.window_found);
    // A slow machine may draw fewer frames; none may draw more than the
    // display rate allows (a little slack for the tick counter's grain).
    double limit = frames_per_second * (seen.elapsed_ms + 50) / 1000.0;
    EXPECT_LE(seen.frames, limit) << seen.frames << " frames in " << seen.elapsed_ms << " ms";
    EXPECT_GT(seen.frames, 0);
}

struct Placement {
    int screen_width, screen_height;
    int left, top;
};

const Placement placements[] = {
    {640, 480, 20, 40},
    {1024, 768, 212, 184},
    {500, 400, -50, 0},
};

// Run by ctest on screens of each size (Wine's virtual desktops).
TEST(ShowPlacement, DrawnAreaCentredOnTheScreen)
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    for (const Placement& p : placements) {
        if (p.screen_width != width || p.screen_height != height)
            continue;
        Observation seen = run_watched_show();
        ASSERT_TRUE(seen.window_found);
        EXPECT_EQ(view_left, p.left);
        EXPECT_EQ(view_top, p.top);
        EXPECT_EQ(view_width, 600);
        EXPECT_EQ(view_height, 400);
        EXPECT_GT(seen.lit_inside, 0) << "the cloud was not drawn";
        EXPECT_EQ(seen.lit_outside, 0) << "the show drew outside its area";
        return;
    }
    GTEST_SKIP() << "no placement known for a screen of " << width << " x " << height;
}

}
