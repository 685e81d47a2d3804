// A whole show run in-process: where it draws, how fast it asks for frames,
// when it rests, how long it lets the closing sound play, and what it gives
// back to the desktop when it ends.
#include "animation/closing_sound.h"
#include "animation/figures.h"
#include "scene/points.h"
#include "scene/scene.h"
#include "shell/frame_pacer.h"
#include "shell/display_power.h"
#include "shell/display_scale.h"
#include "shell/modes.h"
#include "shell/show_loop.h"
#include "shell/window.h"
#include "support/imports.h"
#include "support/programs.h"
#include "support/screen.h"

#include <gtest/gtest.h>

#include <mmsystem.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdio>
#include <cstring>
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
    int waits = 0;
    int peeks = 0;
    DWORD elapsed_ms = 0;
    bool window_found = false;
    RECT window_area = {};
    int sounds_started = 0;
    DWORD burst_began = 0;
    DWORD asked_to_end = 0;
    DWORD show_ended = 0;
    int sound_left_at_end = 0;
    DWORD window_gone = 0;
    int threads_before = 0;
    int threads_after = 0;
};

// The system calls the show makes, watched through the test's own imports;
// the stand-ins call the system's own entry points, found by name.
std::atomic<int> periods_held;
std::atomic<int> display_notices_held;
bool session_display_asked;
std::atomic<int> screen_savers_passed_on;

// GUID_SESSION_DISPLAY_STATUS and GUID_CONSOLE_DISPLAY_STATE
const GUID session_display = {0x2b84c20e, 0xad23, 0x4ddf,
                              {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};
const GUID console_display = {0x6fe69556, 0x704a, 0x47a0,
                              {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
std::atomic<int> waits_made;
std::atomic<int> peeks_made;

template <typename Entry>
Entry system_entry(const char* dll, const char* name)
{
    return reinterpret_cast<Entry>(
        reinterpret_cast<void (*)()>(GetProcAddress(LoadLibraryA(dll), name)));
}

MMRESULT WINAPI count_period_begun(UINT period)
{
    ++periods_held;
    return system_entry<decltype(&timeBeginPeriod)>("winmm.dll", "timeBeginPeriod")(period);
}

MMRESULT WINAPI count_period_ended(UINT period)
{
    --periods_held;
    return system_entry<decltype(&timeEndPeriod)>("winmm.dll", "timeEndPeriod")(period);
}

HPOWERNOTIFY WINAPI count_notice_asked(HANDLE recipient, LPCGUID setting, DWORD flags)
{
    ++display_notices_held;
    session_display_asked = session_display_asked || IsEqualGUID(*setting, session_display);
    return system_entry<decltype(&RegisterPowerSettingNotification)>(
        "user32.dll", "RegisterPowerSettingNotification")(recipient, setting, flags);
}

BOOL WINAPI count_notice_given_back(HPOWERNOTIFY notice)
{
    --display_notices_held;
    return system_entry<decltype(&UnregisterPowerSettingNotification)>(
        "user32.dll", "UnregisterPowerSettingNotification")(notice);
}

// A watcher holds the show still in its wait, where the system has put its
// last frame on the screen: the show says so through show_held and waits
// until show_let_go is set.
std::atomic<bool> hold_wanted;
HANDLE show_held = CreateEventA(nullptr, FALSE, FALSE, nullptr);
HANDLE show_let_go = CreateEventA(nullptr, TRUE, TRUE, nullptr);

DWORD WINAPI count_wait(DWORD count, const HANDLE* handles, DWORD timeout, DWORD mask, DWORD flags)
{
    ++waits_made;
    DWORD woke = system_entry<decltype(&MsgWaitForMultipleObjectsEx)>(
        "user32.dll", "MsgWaitForMultipleObjectsEx")(count, handles, timeout, mask, flags);
    if (hold_wanted) {
        SetEvent(show_held);
        WaitForSingleObject(show_let_go, INFINITE);
    }
    return woke;
}

// The process the preview's host window is said to belong to, when set: a
// window that stays while its process is gone.
HWND said_host_window;
DWORD said_host_process;

DWORD WINAPI say_window_owner(HWND window, DWORD* process)
{
    DWORD thread = system_entry<decltype(&GetWindowThreadProcessId)>(
        "user32.dll", "GetWindowThreadProcessId")(window, process);
    if (window == said_host_window && said_host_process && process)
        *process = said_host_process;
    return thread;
}

// A show that rests, or has ended, is not waited for long.
void hold_the_show(bool hold)
{
    if (hold) {
        ResetEvent(show_let_go);
        ResetEvent(show_held);
        hold_wanted = true;
        WaitForSingleObject(show_held, route_ms(200));
    } else {
        hold_wanted = false;
        SetEvent(show_let_go);
    }
}

BOOL WINAPI count_peek(MSG* message, HWND window, UINT first, UINT last, UINT flags)
{
    ++peeks_made;
    return system_entry<decltype(&PeekMessageA)>("user32.dll", "PeekMessageA")(message, window,
                                                                               first, last, flags);
}

// The one call the system refuses, as a desktop heap used up or a job's
// limit on windows would: the saver's window, that window's device context,
// the surface's device context or bitmap.
enum Refused { refuse_nothing, refuse_window, refuse_window_dc, refuse_memory_dc, refuse_bitmap };
Refused refused;
// The DPI awareness of the thread that made the saver's window.
DPI_AWARENESS_CONTEXT window_made_in;

HWND WINAPI create_window(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x,
                          int y, int width, int height, HWND parent, HMENU menu,
                          HINSTANCE instance, LPVOID parameter)
{
    if (refused == refuse_window && class_name == saver_class_name) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    DPI_AWARENESS_CONTEXT awareness = GetThreadDpiAwarenessContext();
    HWND window = system_entry<decltype(&CreateWindowExA)>("user32.dll", "CreateWindowExA")(
        ex_style, class_name, title, style, x, y, width, height, parent, menu, instance,
        parameter);
    if (class_name == saver_class_name)
        window_made_in = awareness;
    return window;
}

HDC WINAPI get_dc(HWND window)
{
    if (refused == refuse_window_dc && window && window == main_window)
        return nullptr;
    return system_entry<decltype(&GetDC)>("user32.dll", "GetDC")(window);
}

HDC WINAPI create_compatible_dc(HDC dc)
{
    if (refused == refuse_memory_dc)
        return nullptr;
    return system_entry<decltype(&CreateCompatibleDC)>("gdi32.dll", "CreateCompatibleDC")(dc);
}

HBITMAP WINAPI create_dib_section(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                  HANDLE section, DWORD offset)
{
    if (refused == refuse_bitmap)
        return nullptr;
    return system_entry<decltype(&CreateDIBSection)>("gdi32.dll", "CreateDIBSection")(
        dc, info, usage, bits, section, offset);
}

LRESULT WINAPI default_processing(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_SCREENSAVE) {
        ++screen_savers_passed_on;
        return 0;
    }
    return system_entry<decltype(&DefWindowProcA)>("user32.dll", "DefWindowProcA")(
        window, message, wparam, lparam);
}

void watch_system_calls()
{
    HMODULE test = GetModuleHandleA(nullptr);
    patch_import(test, "user32.dll", "DefWindowProcA", reinterpret_cast<void*>(default_processing));
    patch_import(test, "user32.dll", "CreateWindowExA", reinterpret_cast<void*>(create_window));
    patch_import(test, "user32.dll", "GetDC", reinterpret_cast<void*>(get_dc));
    patch_import(test, "gdi32.dll", "CreateCompatibleDC",
                 reinterpret_cast<void*>(create_compatible_dc));
    patch_import(test, "gdi32.dll", "CreateDIBSection", reinterpret_cast<void*>(create_dib_section));
    patch_import(test, "winmm.dll", "timeBeginPeriod", reinterpret_cast<void*>(count_period_begun));
    patch_import(test, "winmm.dll", "timeEndPeriod", reinterpret_cast<void*>(count_period_ended));
    patch_import(test, "user32.dll", "RegisterPowerSettingNotification",
                 reinterpret_cast<void*>(count_notice_asked));
    patch_import(test, "user32.dll", "UnregisterPowerSettingNotification",
                 reinterpret_cast<void*>(count_notice_given_back));
    patch_import(test, "user32.dll", "MsgWaitForMultipleObjectsEx",
                 reinterpret_cast<void*>(count_wait));
    patch_import(test, "user32.dll", "PeekMessageA", reinterpret_cast<void*>(count_peek));
    patch_import(test, "user32.dll", "GetWindowThreadProcessId",
                 reinterpret_cast<void*>(say_window_owner));
}

// The show's thread, the test's main one.
HANDLE show_thread;

// In milliseconds, on the grain of the system's ticks.
double thread_cpu_ms(HANDLE thread)
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(thread, &created, &exited, &kernel, &user);
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return (k.QuadPart + u.QuadPart) / 10000.0;
}

// The step in which the threads' clock moves (10 ms under Wine, about 15.6
// on Windows), seen by keeping this thread busy until it moves twice.
double thread_clock_tick_ms()
{
    static double tick = 0;
    HANDLE self = GetCurrentThread();
    for (double start = thread_cpu_ms(self), moved = start; tick == 0;) {
        double now = thread_cpu_ms(self);
        if (now == moved)
            continue;
        if (moved != start)
            tick = now - moved;
        moved = now;
    }
    return tick;
}

int thread_count()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 thread = {};
    thread.dwSize = sizeof thread;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread))
        count += thread.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

// Counts the lit pixels of every monitor inside and outside the drawn area;
// the show's window is expected to cover them all.
void count_lit_pixels(Observation& seen)
{
    RECT area = {view_left, view_top, view_left + view_width, view_top + view_height};
    LitPixels lit = count_lit_pixels_on_screen(area, view_width / 600, hold_the_show);
    seen.lit_inside = lit.inside;
    seen.lit_outside = lit.outside;
}

struct DisplayState {
    POWERBROADCAST_SETTING setting;
    DWORD state;
};

void tell_display_state(DWORD state, const GUID& display = console_display)
{
    DisplayState notice = {{display, sizeof(DWORD), {}}, 0};
    std::memcpy(notice.setting.Data, &state, sizeof state);
    SendMessageA(display_power_window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                 reinterpret_cast<LPARAM>(&notice.setting));
}

// Set once the show has returned.
HANDLE show_over;

// Until the show's window, or the preview's, shows: false when none came
// within ten seconds.
bool wait_for_the_window()
{
    DWORD start = GetTickCount();
    while (!(main_window && IsWindowVisible(main_window)) && GetTickCount() - start < 10000)
        Sleep(5);
    return main_window != nullptr;
}

// Runs beside the show: watches it for a second, then ends it with a key
// press or a close.
DWORD WINAPI watch_then_end_show(LPVOID parameter)
{
    auto* seen = static_cast<Observation*>(parameter);
    seen->window_found = wait_for_the_window();
    if (!seen->window_found)
        return 0;
    int first = frames_drawn, waits = waits_made, peeks = peeks_made;
    DWORD counting_since = GetTickCount();
    Sleep(1000);
    seen->frames = frames_drawn - first;
    seen->waits = waits_made - waits;
    seen->peeks = peeks_made - peeks;
    seen->elapsed_ms = GetTickCount() - counting_since;
    if (seen->meanwhile)
        seen->meanwhile(*seen);
    GetWindowRect(main_window, &seen->window_area);
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &seen->saver_running_during, 0);
    count_lit_pixels(*seen);
    seen->asked_to_end = GetTickCount();
    PostMessageA(main_window, seen->ending, seen->ending == WM_KEYDOWN ? VK_SPACE : 0, 0);
    // A show that does not end is ended, so that its test fails rather than hangs.
    if (WaitForSingleObject(show_over, 10000) == WAIT_TIMEOUT) {
        tell_display_state(1);
        PostMessageA(main_window, WM_CLOSE, 0, 0);
    }
    return 0;
}

int cursor_count()
{
    int count = ShowCursor(FALSE) + 1;
    ShowCursor(TRUE);
    return count;
}

std::atomic<int> sounds_started;
DWORD burst_began;

// Stands in for the sound device, which a test machine may lack: the sound
// counts as played, for as long as the file lasts.
bool note_burst(const wchar_t*)
{
    ++sounds_started;
    burst_began = GetTickCount();
    return true;
}

// The show runs on this thread, watched from another.
void prepare_show()
{
    build_trig_tables();
    watch_system_calls();
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &show_thread, 0,
                    FALSE, DUPLICATE_SAME_ACCESS);
    main_window = nullptr;
    show_finished = false;
    closing_sound_player = note_burst;
    sounds_started = 0;
    burst_began = 0;
}

Observation run_watched_show(UINT ending = WM_KEYDOWN,
                            void (*meanwhile)(Observation&) = nullptr)
{
    prepare_show();
    Observation seen;
    seen.ending = ending;
    seen.meanwhile = meanwhile;
    seen.threads_before = thread_count();
    show_over = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE watcher = CreateThread(nullptr, 0, watch_then_end_show, &seen, 0, nullptr);
    run_full_screen();
    SetEvent(show_over);
    seen.show_ended = GetTickCount();
    seen.sounds_started = sounds_started;
    seen.burst_began = burst_began;
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    seen.threads_after = thread_count();
    CloseHandle(show_over);
    CloseHandle(show_thread);
    return seen;
}

// The system asks the foreground window to start the screen saver.
void ask_for_the_screen_saver(Observation&)
{
    SendMessageA(main_window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
}

TEST(FullScreenShow, EndsOnceTheSoundIsHeardAndRestoresTheDesktop)
{
    HWND ours = CreateWindowExA(0, "STATIC", "before the show", WS_POPUP | WS_VISIBLE, 0, 0,
                                50, 50, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(ours);
    int cursor_before = cursor_count();

    Observation seen = run_watched_show(WM_KEYDOWN, ask_for_the_screen_saver);

    ASSERT_TRUE(seen.window_found);
    EXPECT_EQ(screen_savers_passed_on, 0) << "a second screen saver was started";
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

// A window of the test's own, white, under where the show would draw and
// over the windows of the shows before, which would end with their process.
HWND white_window()
{
    WNDCLASSA white = {};
    white.lpfnWndProc = DefWindowProcA;
    white.hInstance = GetModuleHandleA(nullptr);
    white.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    white.lpszClassName = "WhiteUnderTheShow";
    RegisterClassA(&white);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, white.lpszClassName, nullptr,
                                  WS_POPUP | WS_VISIBLE, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                  nullptr, nullptr, white.hInstance, nullptr);
    pump_messages(300);
    return window;
}

int pixels_not_white(HWND window)
{
    RECT area;
    GetWindowRect(window, &area);
    ScreenShot shot = capture_virtual_screen();
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            count += shot.at(x - shot.area.left, y - shot.area.top) != 0xFFFFFF;
    return count;
}

// A show that does not end is ended, so that its test fails rather than hangs.
DWORD WINAPI end_a_show_that_hangs(LPVOID)
{
    if (WaitForSingleObject(show_over, 3000) == WAIT_TIMEOUT)
        show_finished = true;
    return 0;
}

// Without its window, or with nothing to draw with, a show ends at once,
// gives back the cursor and the screen saver's state, and draws nothing.
TEST(ShowThatCannotBeSetUp, EndsAtOnceWithAnErrorCode)
{
    const Refused cases[] = {refuse_window, refuse_window_dc, refuse_memory_dc, refuse_bitmap};
    prepare_show();
    HWND white = white_window();
    int cursor_before = cursor_count();
    for (Refused refuse : cases) {
        SCOPED_TRACE(refuse);
        show_finished = false;
        show_over = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE watcher = CreateThread(nullptr, 0, end_a_show_that_hangs, nullptr, 0, nullptr);
        refused = refuse;
        DWORD started = GetTickCount();
        int code = run_full_screen();
        DWORD took = GetTickCount() - started;
        refused = refuse_nothing;
        SetEvent(show_over);
        WaitForSingleObject(watcher, INFINITE);
        CloseHandle(watcher);
        CloseHandle(show_over);
        EXPECT_EQ(code, show_failed);
        EXPECT_LT(took, route_ms(1000)) << "ms before the show gave up";
        EXPECT_EQ(cursor_count(), cursor_before) << "the cursor stayed hidden";
        BOOL running = TRUE;
        SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
        EXPECT_FALSE(running);
        EXPECT_EQ(periods_held, 0) << "the fine timer was held";
        if (refuse == refuse_window) {
            EXPECT_EQ(pixels_not_white(white), 0) << "drawn outside the show's own window";
        }
    }
    DestroyWindow(white);
    EXPECT_EQ(run_preview(nullptr), 0) << "a preview without a host is no failure";
}

// Four seconds of silence: longer than a window takes to go.
void write_long_sound(const wchar_t* path)
{
    const DWORD rate = 8000, samples = 4 * rate;
    DWORD header[] = {mmioFOURCC('R', 'I', 'F', 'F'), 36 + samples, mmioFOURCC('W', 'A', 'V', 'E'),
                      mmioFOURCC('f', 'm', 't', ' '), 16, 1 | (1 << 16), rate, rate, 1 | (8 << 16),
                      mmioFOURCC('d', 'a', 't', 'a'), samples};
    std::vector<char> silence(samples, static_cast<char>(0x80));
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, header, sizeof header, &written, nullptr);
    WriteFile(file, silence.data(), samples, &written, nullptr);
    CloseHandle(file);
}

// A sound end that lies ahead, as one never set may seem to: the show must
// not wait for it once the window is gone. The test starts that sound itself,
// through the stand-in the show would use too.
void close_with_a_sound_unseen(Observation& seen)
{
    GetTempPathW(MAX_PATH, sound_path);
    lstrcatW(sound_path, L"long_sound.wav");
    write_long_sound(sound_path);
    start_closing_sound();
    PostMessageA(main_window, WM_CLOSE, 0, 0);
    while (IsWindow(main_window))
        Sleep(1);
    seen.sound_left_at_end = closing_sound_left_ms();
    seen.window_gone = GetTickCount();
}

TEST(FullScreenShow, ClosingTheWindowSkipsTheClosingSequence)
{
    Observation seen = run_watched_show(WM_NULL, close_with_a_sound_unseen);
    ASSERT_TRUE(seen.window_found);
    EXPECT_FALSE(closing_requested);
    EXPECT_LT(figure, figure_count) << "the collapse or the burst began";
    EXPECT_EQ(seen.sounds_started, 1) << "the show played the sound besides the test's own";
    DeleteFileW(sound_path);
    // Nothing of the show waits for the sound once the window is gone.
    ASSERT_GT(seen.sound_left_at_end, 300);
    // The show may end a tick before the watcher sees the window gone.
    EXPECT_LT(static_cast<int>(seen.show_ended - seen.window_gone), static_cast<int>(route_ms(300)));
    EXPECT_EQ(seen.threads_after, seen.threads_before) << "a thread of the show outlived it";
    EXPECT_EQ(display_notices_held, 0) << "the display notice was not given back";
    EXPECT_EQ(periods_held, 0) << "the fine timer was not given back";
}

// What the show did while nobody could see it, and right after.
struct RestSeen {
    int frames = -1;
    bool moved = true;
    double cpu_ms = -1;
    int periods_held = -1;
    DWORD back_ms = 0;
    int frames_after = 0;
    DWORD after_ms = 0;
};

struct StillPicture {
    Particle particles[particle_rows][particle_columns];
    Point3D camera;
};

// Until the preview's next look, which comes frames after the last: a
// loaded machine draws them slowly. A show that has drawn nothing for a
// while already rests.
void wait_for_the_next_look()
{
    unsigned look = (frames_drawn / preview_look_frames + 1) * preview_look_frames;
    unsigned seen = frames_drawn;
    DWORD last_frame = GetTickCount();
    while (frames_drawn < look && GetTickCount() - last_frame < route_ms(300)) {
        Sleep(5);
        if (frames_drawn != seen) {
            seen = frames_drawn;
            last_frame = GetTickCount();
        }
    }
    Sleep(route_ms(50));  // the look itself
}

// Watches the show rest for MS once MEANWHILE has happened.
void watch_rest(RestSeen& rest, DWORD ms, void (*meanwhile)())
{
    static StillPicture before;
    meanwhile();
    wait_for_the_next_look();
    std::memcpy(before.particles, particles, sizeof particles);
    before.camera = camera;
    int asked = frames_drawn;
    double cpu = thread_cpu_ms(show_thread);
    Sleep(ms);
    rest.cpu_ms = thread_cpu_ms(show_thread) - cpu;
    rest.frames = frames_drawn - asked;
    rest.periods_held = periods_held;
    rest.moved = std::memcmp(before.particles, particles, sizeof particles) != 0
                 || std::memcmp(&before.camera, &camera, sizeof camera) != 0;
}

// Once the show can be seen again: how soon it goes on, and the frames of
// its first tenth of a second, which show no rush of those missed meanwhile.
void watch_the_way_back(RestSeen& rest)
{
    int asked = frames_drawn;
    DWORD seen_again = GetTickCount();
    while (frames_drawn == static_cast<unsigned>(asked) && GetTickCount() - seen_again < 1000)
        Sleep(1);
    rest.back_ms = GetTickCount() - seen_again;
    asked = frames_drawn;
    DWORD back = GetTickCount();
    Sleep(100);
    rest.frames_after = frames_drawn - asked;
    rest.after_ms = GetTickCount() - back;
}

void expect_rested(const RestSeen& rest, const char* why)
{
    SCOPED_TRACE(why);
    EXPECT_EQ(rest.frames, 0) << "frames drawn for nobody";
    EXPECT_FALSE(rest.moved) << "the animation went on";
    // A wake to look at the queue may be charged a whole tick of the clock;
    // a show that drew on, or spun, would use many.
    double allowed = route_ms(2) * thread_clock_tick_ms();
    EXPECT_LE(rest.cpu_ms, allowed) << "ms of the show's thread while it rested";
    EXPECT_EQ(rest.periods_held, 0) << "the fine timer was held";
    EXPECT_LT(rest.back_ms, route_ms(1000)) << "the show did not go on";
    EXPECT_LE(rest.frames_after, frames_per_second * rest.after_ms / 1000 + 2)
        << rest.frames_after << " frames in " << rest.after_ms << " ms";
}

RestSeen display_off_seen;
COLORREF painted_while_off[2];
int frames_while_the_console_is_off;

// This session's display turns off, and the window loses what it showed.
void turn_the_display_off_and_expose()
{
    tell_display_state(0, session_display);
    HDC dc = GetDC(main_window);
    PatBlt(dc, 0, 0, view_left + view_width, view_top + view_height, WHITENESS);
    ReleaseDC(main_window, dc);
    InvalidateRect(main_window, nullptr, FALSE);
}

// The display goes off for two seconds, then comes back dimmed.
void turn_the_display_off_and_on(Observation&)
{
    watch_rest(display_off_seen, 2000, turn_the_display_off_and_expose);
    HDC dc = GetDC(main_window);
    painted_while_off[0] = GetPixel(dc, 0, 0);
    painted_while_off[1] = GetPixel(dc, view_left + view_width / 2, view_top + view_height / 2);
    ReleaseDC(main_window, dc);
    tell_display_state(2, session_display);
    watch_the_way_back(display_off_seen);
    // In a remote session the console's display is off, and says nothing of
    // this one.
    tell_display_state(0, console_display);
    int drawn = frames_drawn;
    Sleep(200);  // what the window lost is painted again
    frames_while_the_console_is_off = frames_drawn - drawn;
}

TEST(FullScreenShow, StandsStillWhileTheDisplayIsOff)
{
    Observation seen = run_watched_show(WM_KEYDOWN, turn_the_display_off_and_on);
    ASSERT_TRUE(seen.window_found);
    EXPECT_TRUE(session_display_asked) << "the session's display is not listened to";
    expect_rested(display_off_seen, "display off");
    EXPECT_GT(frames_while_the_console_is_off, 0) << "the console's display stopped the show";
    EXPECT_EQ(painted_while_off[0], RGB(255, 255, 255)) << "painted around the drawn area";
    EXPECT_EQ(painted_while_off[1], RGB(255, 255, 255)) << "painted in the drawn area";
    EXPECT_EQ(seen.lit_outside, 0) << "what the window lost was not painted again";
}

void turn_the_display_off_and_press_a_key(Observation&)
{
    tell_display_state(0);
    Sleep(100);
}

// Nobody would see the close, and a sound from a dark screen surprises.
TEST(FullScreenShow, InputWhileTheDisplayIsOffEndsAtOnce)
{
    Observation seen = run_watched_show(WM_KEYDOWN, turn_the_display_off_and_press_a_key);
    ASSERT_TRUE(seen.window_found);
    EXPECT_LT(seen.show_ended - seen.asked_to_end, route_ms(1000)) << "ms from the key to the end";
    EXPECT_EQ(seen.sounds_started, 0) << "the closing sound was played";
    EXPECT_LT(figure, figure_count) << "the collapse or the burst began";
    BOOL running_after = TRUE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running_after, 0);
    EXPECT_FALSE(running_after);
}

int pretended_dpi;

int pretend_dpi()
{
    return pretended_dpi;
}

struct DoubledSeen {
    RECT view;
    LitPixels lit;
} doubled_seen;

// The primary monitor moves to 200 % during the show, and back to 100 % while
// most of the window lies on another monitor: only the settings change then.
void double_the_dpi_and_back(Observation&)
{
    pretended_dpi = 192;
    primary_dpi_reader = pretend_dpi;
    RECT suggested = {0, 0, 100, 100};
    SendMessageA(main_window, WM_DPICHANGED, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&suggested));
    Sleep(200);  // a few frames at the new scale
    SetRect(&doubled_seen.view, view_left, view_top, view_left + view_width, view_top + view_height);
    doubled_seen.lit = count_lit_pixels_on_screen(doubled_seen.view, 2, hold_the_show);
    // Squares all over the large area, as a large figure leaves them.
    HDC dc = GetDC(main_window);
    PatBlt(dc, view_left, view_top, view_width, view_height, WHITENESS);
    ReleaseDC(main_window, dc);
    pretended_dpi = 96;
    SendMessageA(main_window, WM_SETTINGCHANGE, 0, 0);
    Sleep(200);
}

TEST(FullScreenShow, ScalesAgainWhenThePrimaryMonitorsDpiChanges)
{
    int (*reader)() = primary_dpi_reader;
    Observation seen = run_watched_show(WM_KEYDOWN, double_the_dpi_and_back);
    primary_dpi_reader = reader;
    ASSERT_TRUE(seen.window_found);
    const RECT& doubled = doubled_seen.view;
    int left = (GetSystemMetrics(SM_CXSCREEN) - 1200) / 2 - GetSystemMetrics(SM_XVIRTUALSCREEN);
    int top = (GetSystemMetrics(SM_CYSCREEN) - 800) / 2 - GetSystemMetrics(SM_YVIRTUALSCREEN);
    EXPECT_TRUE(doubled.left == left && doubled.top == top && doubled.right == left + 1200
                && doubled.bottom == top + 800)
        << "at 200 %: " << doubled.left << ", " << doubled.top << ", " << doubled.right << ", "
        << doubled.bottom;
    EXPECT_GT(doubled_seen.lit.inside, 0) << "the cloud was not drawn at 200 %";
    EXPECT_EQ(doubled_seen.lit.off_grid, 0) << "points that are not 2 x 2 squares";
    EXPECT_EQ(view_width, 600) << "back at 100 %";
    EXPECT_EQ(view_height, 400);
    const RECT& area = seen.window_area;
    EXPECT_EQ(area.right - area.left, GetSystemMetrics(SM_CXVIRTUALSCREEN)) << "the window no longer covers the desk";
    EXPECT_GT(seen.lit_inside, 0) << "the cloud was not drawn";
    EXPECT_EQ(seen.lit_outside, 0) << "squares of 200 % left outside the new area";
}

TEST(FullScreenShow, DrawsOneFramePerDisplayFrame)
{
    Observation seen = run_watched_show();
    ASSERT_TRUE(seen.window_found);
    // None may draw more than the display rate allows (a little slack for the
    // tick counter's grain). A busy machine, or Wine's loader emulated, may
    // draw fewer, though a frame costs well under a millisecond: a third of
    // the rate is a show that lost its pace.
    double limit = frames_per_second * (seen.elapsed_ms + 50) / 1000.0;
    EXPECT_LE(seen.frames, limit) << seen.frames << " frames in " << seen.elapsed_ms << " ms";
    EXPECT_GE(seen.frames, limit / 3) << seen.frames << " frames in " << seen.elapsed_ms << " ms";
    // One wait a frame for its deadline or a message; a look at the queue
    // only when something came.
    EXPECT_GE(seen.waits, seen.frames) << "waits for " << seen.frames << " frames";
    EXPECT_LE(seen.peeks, seen.frames / 4) << "looks at the queue for " << seen.frames << " frames";
}

HWND preview_host;
bool preview_found;

// The settings' window that hosts the small preview, at its size.
HWND make_settings_host()
{
    return CreateWindowExA(0, "STATIC", "settings", WS_POPUP | WS_VISIBLE, 100, 100, 152, 112, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}
RestSeen preview_hidden_seen, preview_minimized_seen, preview_off_seen;

void hide_the_host()
{
    ShowWindow(preview_host, SW_HIDE);
}

void minimize_the_host()
{
    ShowWindow(preview_host, SW_MINIMIZE);
}

void turn_the_display_off()
{
    tell_display_state(0);
}

DWORD WINAPI watch_the_preview(LPVOID)
{
    preview_found = wait_for_the_window();
    if (preview_found) {
        watch_rest(preview_hidden_seen, 1000, hide_the_host);
        ShowWindow(preview_host, SW_SHOWNOACTIVATE);
        watch_the_way_back(preview_hidden_seen);
        watch_rest(preview_minimized_seen, 1000, minimize_the_host);
        ShowWindow(preview_host, SW_RESTORE);
        watch_the_way_back(preview_minimized_seen);
        watch_rest(preview_off_seen, 1000, turn_the_display_off);
        tell_display_state(1);
        watch_the_way_back(preview_off_seen);
    }
    PostMessageA(preview_host, WM_CLOSE, 0, 0);
    return 0;
}

// The settings' small preview, its host a window of this thread that, unlike
// the show, is not aware of each monitor's DPI.
TEST(PreviewShow, RestsWhileItCannotBeSeen)
{
    prepare_show();
    DPI_AWARENESS_CONTEXT ours = SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_UNAWARE);
    preview_host = make_settings_host();
    DPI_AWARENESS_CONTEXT host_awareness = GetWindowDpiAwarenessContext(preview_host);
    // Per-monitor aware, as the show's own process is.
    ASSERT_TRUE(SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE));
    HANDLE watcher = CreateThread(nullptr, 0, watch_the_preview, nullptr, 0, nullptr);
    run_preview(preview_host);
    SetThreadDpiAwarenessContext(ours);
    EXPECT_TRUE(AreDpiAwarenessContextsEqual(window_made_in, host_awareness))
        << "the preview's window was not made in its host's DPI awareness";
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    CloseHandle(show_thread);
    ASSERT_TRUE(preview_found);
    expect_rested(preview_hidden_seen, "host hidden");
    expect_rested(preview_minimized_seen, "host minimized");
    expect_rested(preview_off_seen, "display off");
    EXPECT_EQ(display_notices_held, 0) << "the display notice was not given back";
    EXPECT_EQ(periods_held, 0) << "the fine timer was not given back";
}

struct HostEnd {
    HANDLE process;
    DWORD ended;  // as it was asked to end
};

// Ends the host's process once the preview is drawn; a show that does not
// end with it is ended a few seconds later, so that its test fails.
DWORD WINAPI end_the_host(LPVOID parameter)
{
    auto* host = static_cast<HostEnd*>(parameter);
    wait_for_the_window();
    Sleep(300);
    host->ended = GetTickCount();
    TerminateProcess(host->process, 1);
    if (WaitForSingleObject(show_over, route_ms(3000)) == WAIT_TIMEOUT)
        PostMessageA(preview_host, WM_CLOSE, 0, 0);
    return 0;
}

// The host's window stays, and answers every look the preview takes, while
// the process it is said to belong to has ended: only the wait on that
// process ends the show.
TEST(PreviewShow, EndsWithItsHostsProcess)
{
    prepare_show();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info = {};
    char command[] = "notepad.exe";
    ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info));
    CloseHandle(info.hThread);
    preview_host = make_settings_host();
    said_host_window = preview_host;
    said_host_process = info.dwProcessId;
    show_over = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HostEnd host = {info.hProcess, 0};
    HANDLE watcher = CreateThread(nullptr, 0, end_the_host, &host, 0, nullptr);
    run_preview(preview_host);
    DWORD show_ended = GetTickCount();
    SetEvent(show_over);
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    CloseHandle(show_over);
    CloseHandle(show_thread);
    CloseHandle(info.hProcess);
    said_host_process = 0;
    // The preview's window goes with it, and leaves its WM_QUIT behind.
    DestroyWindow(preview_host);
    MSG left;
    while (PeekMessageA(&left, nullptr, 0, 0, PM_REMOVE))
        continue;
    ASSERT_NE(host.ended, 0u) << "no preview was drawn";
    EXPECT_LT(show_ended - host.ended, route_ms(1000)) << "ms the show outlived its host";
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
