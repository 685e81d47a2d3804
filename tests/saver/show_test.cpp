// A whole full-screen show run in-process: where it draws, how fast it asks
// for frames, how long it lets the closing sound play, and what it gives back
// to the desktop when it ends.
#include "animation/closing_sound.h"
#include "animation/figures.h"
#include "scene/points.h"
#include "scene/scene.h"
#include "shell/frame_pacer.h"
#include "shell/modes.h"
#include "shell/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <vector>

namespace {

struct Observation {
    UINT ending = WM_KEYDOWN;
    // Done to the desk after the first second, before the show is looked at.
    void (*meanwhile)(Observation&) = nullptr;
    LONG layout_change = DISP_CHANGE_FAILED;
    BOOL saver_running_during = FALSE;
    int lit_inside = 0;
    int lit_outside = 0;
    int frames = 0;
    DWORD elapsed_ms = 0;
    bool window_found = false;
    RECT window_area = {};
    DWORD burst_began = 0;
    DWORD show_ended = 0;
};

// Counts the lit pixels of every monitor inside and outside the drawn area;
// the show's window is expected to cover them all.
void count_lit_pixels(Observation& seen)
{
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    HDC screen = GetDC(nullptr);
    HDC copy = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, width, height, screen, left, top, SRCCOPY);
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

// Runs beside the show: watches it for a second, then ends it with a key
// press or a close.
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
    if (seen->meanwhile)
        seen->meanwhile(*seen);
    GetWindowRect(main_window, &seen->window_area);
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &seen->saver_running_during, 0);
    count_lit_pixels(*seen);
    PostMessageA(main_window, seen->ending, seen->ending == WM_KEYDOWN ? VK_SPACE : 0, 0);
    return 0;
}

int cursor_count()
{
    int count = ShowCursor(FALSE) + 1;
    ShowCursor(TRUE);
    return count;
}

DWORD burst_began;

// Stands in for the sound device, which a test machine may lack: the sound
// counts as played, for as long as the file lasts.
bool note_burst(const char*)
{
    burst_began = GetTickCount();
    return true;
}

Observation run_watched_show(UINT ending = WM_KEYDOWN,
                            void (*meanwhile)(Observation&) = nullptr)
{
    build_trig_tables();
    main_window = nullptr;
    show_finished = false;
    closing_sound_player = note_burst;
    burst_began = 0;
    Observation seen;
    seen.ending = ending;
    seen.meanwhile = meanwhile;
    HANDLE watcher = CreateThread(nullptr, 0, watch_then_end_show, &seen, 0, nullptr);
    run_full_screen();
    seen.show_ended = GetTickCount();
    seen.burst_began = burst_began;
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    return seen;
}

TEST(FullScreenShow, EndsOnceTheSoundIsHeardAndRestoresTheDesktop)
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

    // The burst is shorter than the sound, which the end of the process
    // would cut short.
    ASSERT_NE(seen.burst_began, 0u) << "the sound never started";
    DWORD heard = seen.show_ended - seen.burst_began;
    int length = wave_length_ms(sound_path);
    EXPECT_GE(heard, static_cast<DWORD>(length)) << "the sound lasts " << length << " ms";
    // Bounded all the same, with room for a slow machine's longer burst.
    EXPECT_LT(heard, static_cast<DWORD>(length) + 3000) << "the sound lasts " << length << " ms";
    std::printf("the show ended %lu ms after the sound began, which lasts %d ms\n", heard, length);
}

TEST(FullScreenShow, ClosingTheWindowSkipsTheClosingSequence)
{
    Observation seen = run_watched_show(WM_CLOSE);
    ASSERT_TRUE(seen.window_found);
    EXPECT_FALSE(closing_requested);
    EXPECT_LT(figure, figure_count) << "the collapse or the burst began";
    EXPECT_EQ(seen.burst_began, 0u) << "the sound was played";
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
    int monitors;
    RECT virtual_screen;
    int primary_width, primary_height;
    int left, top;
};

const Placement placements[] = {
    {1, {0, 0, 640, 480}, 640, 480, 20, 40},
    {1, {0, 0, 1024, 768}, 1024, 768, 212, 184},
    {1, {0, 0, 500, 400}, 500, 400, -50, 0},
    // A primary of 800 x 600 with a monitor of 1024 x 768 to its left.
    {2, {-1024, 0, 800, 768}, 800, 600, 1124, 100},
};

bool describes_this_desk(const Placement& p)
{
    RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                   GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                   GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    return p.monitors == GetSystemMetrics(SM_CMONITORS) && EqualRect(&p.virtual_screen, &screen)
           && p.primary_width == GetSystemMetrics(SM_CXSCREEN)
           && p.primary_height == GetSystemMetrics(SM_CYSCREEN);
}

// Run by ctest on screens of each size (Wine's virtual desktops) and on a
// desk of two monitors: the window covers them all, the drawn area is
// centred on the primary one.
TEST(ShowPlacement, DrawnAreaCentredOnThePrimaryMonitor)
{
    for (const Placement& p : placements) {
        if (!describes_this_desk(p))
            continue;
        Observation seen = run_watched_show();
        ASSERT_TRUE(seen.window_found);
        const RECT& area = seen.window_area;
        EXPECT_TRUE(EqualRect(&area, &p.virtual_screen))
            << "window " << area.left << ", " << area.top << ", " << area.right << ", "
            << area.bottom;
        EXPECT_EQ(view_left, p.left);
        EXPECT_EQ(view_top, p.top);
        EXPECT_EQ(view_width, 600);
        EXPECT_EQ(view_height, 400);
        EXPECT_GT(seen.lit_inside, 0) << "the cloud was not drawn";
        EXPECT_EQ(seen.lit_outside, 0) << "the show drew outside its area";
        return;
    }
    GTEST_SKIP() << "no placement known for " << GetSystemMetrics(SM_CMONITORS)
                 << " monitors, primary " << GetSystemMetrics(SM_CXSCREEN) << " x "
                 << GetSystemMetrics(SM_CYSCREEN) << ", virtual screen "
                 << GetSystemMetrics(SM_CXVIRTUALSCREEN) << " x "
                 << GetSystemMetrics(SM_CYVIRTUALSCREEN);
}

}

namespace {

bool window_spans(int width, int height)
{
    RECT area;
    GetWindowRect(main_window, &area);
    return area.right - area.left == width && area.bottom - area.top == height;
}

LONG change_desk_to_800_by_600(DWORD flags)
{
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = 800;
    mode.dmPelsHeight = 600;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsA(&mode, flags);
}

// The show's window was made for 1024 x 768; whatever it shows outside the
// drawn area's new place must be painted over.
void shrink_the_desk(Observation& seen)
{
    HDC dc = GetDC(main_window);
    PatBlt(dc, 0, 0, 1024, 768, WHITENESS);
    ReleaseDC(main_window, dc);
    seen.layout_change = change_desk_to_800_by_600(0);
    DWORD start = GetTickCount();
    while (!window_spans(800, 600) && GetTickCount() - start < 5000)
        Sleep(5);
    Sleep(200);  // a few frames at the new place
}

// Run by ctest in a virtual desktop of 1024 x 768, which may be resized.
TEST(DisplayChange, TheShowFollowsTheNewLayout)
{
    if (GetSystemMetrics(SM_CXVIRTUALSCREEN) != 1024 || GetSystemMetrics(SM_CYVIRTUALSCREEN) != 768
        || change_desk_to_800_by_600(CDS_TEST) != DISP_CHANGE_SUCCESSFUL)
        GTEST_SKIP() << "needs a desk of 1024 x 768 that can be made smaller";
    Observation seen = run_watched_show(WM_KEYDOWN, shrink_the_desk);
    ASSERT_TRUE(seen.window_found);
    ASSERT_EQ(seen.layout_change, DISP_CHANGE_SUCCESSFUL);
    const RECT& area = seen.window_area;
    EXPECT_TRUE(area.left == 0 && area.top == 0 && area.right == 800 && area.bottom == 600)
        << "window " << area.left << ", " << area.top << ", " << area.right << ", "
        << area.bottom;
    EXPECT_EQ(view_left, 100);
    EXPECT_EQ(view_top, 100);
    EXPECT_GT(seen.lit_inside, 0) << "the cloud was not drawn";
    EXPECT_EQ(seen.lit_outside, 0) << "what the window showed was left outside the drawn area";
    ChangeDisplaySettingsA(nullptr, 0);  // after the checks: the window still follows
}

}
