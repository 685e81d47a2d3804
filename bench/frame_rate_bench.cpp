// The full-screen show at the display's rate, beside a reference measured in
// the same run: one thread doing today's method 60 times a second (clear the
// whole area, one SetPixel per point, copy the whole area), and the
// platform's floor (one wait and one point a frame, nothing drawn). Reports
// frames per second, processor time per frame, the share of one core, the
// ratio of the show's time per frame to the reference's, and what the show
// costs above the floor beside its own work a frame (render_frame unpaced),
// at scale 1 and 2. The three loops set the scene up as the show does.
// With --minutes N it runs the show for N minutes instead and reports the
// cost of its first minute beside that of its last.
#include "animation/frame.h"
#include "animation/projection.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "scene/surface.h"
#include "shell/display_scale.h"
#include "shell/frame_pacer.h"
#include "shell/modes.h"
#include "shell/show_loop.h"
#include "shell/window.h"

#include <windows.h>

#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

const DWORD warm_up_ms = 1000;
// Process times tick in 10 ms under Wine (15.6 ms on Windows): over 30 s a
// share of a core is exact to 0.04 %.
const DWORD measured_ms = 30000;
const DWORD minute_ms = 60000;
const double tick_ms = 10.0;

struct Figures {
    int frames;
    double seconds;
    double cpu_ms;

    double per_second() const { return frames / seconds; }
    double cpu_per_frame() const { return frames ? cpu_ms / frames : 0.0; }
    double core_share() const { return 100.0 * cpu_ms / (seconds * 1000.0); }
};

double process_cpu_ms()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return (k.QuadPart + u.QuadPart) / 10000.0;
}

double seconds_now()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / frequency.QuadPart;
}

struct Sample {
    int frames;
    double cpu_ms;
    double seconds;
};

Sample sample(int frames)
{
    return {frames, process_cpu_ms(), seconds_now()};
}

Figures between(const Sample& begin, const Sample& end)
{
    return {end.frames - begin.frames, end.seconds - begin.seconds, end.cpu_ms - begin.cpu_ms};
}

// A window of the screen's size with an off-screen bitmap of the drawn area,
// for the loops measured beside the show.
struct Stage {
    HWND window;
    HDC window_dc;
    HDC memory;
    HBITMAP bitmap;
    HGDIOBJ old_bitmap;
    int scale, width, height, left, top;
};

void open_stage(Stage& stage, int scale)
{
    int screen_width = GetSystemMetrics(SM_CXSCREEN), screen_height = GetSystemMetrics(SM_CYSCREEN);
    stage.scale = scale;
    stage.width = 600 * scale;
    stage.height = 400 * scale;
    stage.left = (screen_width - stage.width) / 2;
    stage.top = (screen_height - stage.height) / 2;
    stage.window = CreateWindowExA(0, "STATIC", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, screen_width,
                                   screen_height, nullptr, nullptr, nullptr, nullptr);
    stage.window_dc = GetDC(stage.window);
    stage.memory = CreateCompatibleDC(stage.window_dc);
    stage.bitmap = CreateCompatibleBitmap(stage.window_dc, stage.width, stage.height);
    stage.old_bitmap = SelectObject(stage.memory, stage.bitmap);
    SelectObject(stage.memory, GetStockObject(BLACK_BRUSH));
    SelectObject(stage.memory, GetStockObject(BLACK_PEN));
}

void close_stage(Stage& stage)
{
    SelectObject(stage.memory, stage.old_bitmap);
    DeleteObject(stage.bitmap);
    DeleteDC(stage.memory);
    ReleaseDC(stage.window, stage.window_dc);
    DestroyWindow(stage.window);
}

// Today's method: clear the whole area, one SetPixel per point, copy the
// whole area; then an empty round trip for messages and a sleep to the
// deadline, as the show was paced before it waited once a frame.
void reference_frame(Stage& stage, FramePacer& pacer)
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
    int k = stage.scale;
    Rectangle(stage.memory, 0, 0, stage.width, stage.height);
    for (auto& row : particles)
        for (const Particle& p : row)
            for (int i = 0; i < k * k; ++i)
                SetPixel(stage.memory, p.screen_x * k + i % k, p.screen_y * k + i / k, p.pos.param);
    BitBlt(stage.window_dc, stage.left, stage.top, stage.width, stage.height, stage.memory, 0, 0,
           SRCCOPY);
    Sleep(frame_pacer_ms_left(pacer));
    frame_pacer_advance(pacer);
}

// What no show on this platform can go below: one wait a frame for the
// deadline or a message, as the show waits, and one point copied to the
// window, which makes the window system flush it to the screen.
void floor_frame(Stage& stage, FramePacer& pacer)
{
    for (DWORD left; (left = frame_pacer_ms_left(pacer)) > 0;) {
        if (MsgWaitForMultipleObjectsEx(0, nullptr, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
            WAIT_OBJECT_0)
            continue;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    // At the centre: at scale 2 the area's corners lie off a small screen,
    // where nothing would be copied or flushed.
    BitBlt(stage.window_dc, stage.left + stage.width / 2, stage.top + stage.height / 2, stage.scale,
           stage.scale, stage.memory, 0, 0, SRCCOPY);
    frame_pacer_advance(pacer);
}

// The scene as the full-screen show sets it up, so that the points project
// around the drawn area's centre, not its corner.
void set_up_as_the_show(const Stage& stage)
{
    surface_create(surface, stage.window_dc, 600, 400, 300, 200, 0);
    point_set_polar_param(camera, 200, 60, 40, 200);
    set_depth_range(150, 350);
    random_seed(7);
    scene_start();
    for (auto& row : particles)
        for (Particle& p : row)
            particle_project(p);
}

// FRAME run at the show's rate on a stage of SCALE, measured after a warm-up.
Figures run_paced(int scale, void (*frame)(Stage&, FramePacer&))
{
    Stage stage;
    open_stage(stage, scale);
    set_up_as_the_show(stage);

    timeBeginPeriod(1);
    FramePacer pacer;
    frame_pacer_start(pacer, frames_per_second);
    int frames = 0;
    Sample begin = {};
    bool measuring = false;
    double start = seconds_now();
    for (;;) {
        double elapsed_ms = (seconds_now() - start) * 1000;
        if (!measuring && elapsed_ms >= warm_up_ms) {
            begin = sample(frames);
            measuring = true;
        }
        if (elapsed_ms >= warm_up_ms + measured_ms)
            break;
        frame(stage, pacer);
        ++frames;
    }
    Figures figures = between(begin, sample(frames));
    timeEndPeriod(1);
    close_stage(stage);
    return figures;
}

// The show's own work a frame, unpaced: render_frame on a stage of SCALE,
// as scene_bench measures its parts.
double own_work_ms(int scale)
{
    const int frames = 2000;
    Stage stage;
    open_stage(stage, scale);
    set_up_as_the_show(stage);
    surface_set_scale(surface, scale);
    window_dc = stage.window_dc;
    view_left = stage.left;
    view_top = stage.top;
    double begin = process_cpu_ms();
    for (int i = 0; i < frames; ++i)
        render_frame();
    double work = (process_cpu_ms() - begin) / frames;
    close_stage(stage);
    return work;
}

struct ShowRun {
    int intervals;
    DWORD interval_ms;
    Figures first;
    Figures last;
};

DWORD WINAPI measure_then_close(LPVOID parameter)
{
    auto* run = static_cast<ShowRun*>(parameter);
    while (!(main_window && IsWindowVisible(main_window)))
        Sleep(5);
    Sleep(warm_up_ms);
    for (int i = 0; i < run->intervals; ++i) {
        Sample begin = sample(frames_drawn);
        Sleep(run->interval_ms);
        Figures figures = between(begin, sample(frames_drawn));
        if (i == 0)
            run->first = figures;
        run->last = figures;
    }
    // A close from outside ends the show at once, without its closing.
    PostMessageA(main_window, WM_CLOSE, 0, 0);
    return 0;
}

int dpi;

int pretend_dpi()
{
    return dpi;
}

void run_show(ShowRun& run, int scale)
{
    dpi = 96 * scale;
    primary_dpi_reader = pretend_dpi;
    main_window = nullptr;
    show_finished = false;
    HANDLE watcher = CreateThread(nullptr, 0, measure_then_close, &run, 0, nullptr);
    run_full_screen();
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
}

void print(const char* what, const Figures& f)
{
    std::printf("%-44s %5.1f frames/s  %6.3f ms CPU per frame  %5.2f %% of a core\n", what,
                f.per_second(), f.cpu_per_frame(), f.core_share());
}

void print_ratio(const Figures& show, const Figures& reference)
{
    std::printf("%-44s %.2f\n", "  ratio show / reference (CPU per frame):",
                show.cpu_per_frame() / reference.cpu_per_frame());
}

void compare_with_reference()
{
    std::printf("each figure measured over %lu s (process times tick in %.0f ms: a share "
                "of a core is exact to %.2f %%)\n",
                measured_ms / 1000, tick_ms, 100.0 * tick_ms / measured_ms);
    for (int scale : {1, 2}) {
        Figures reference = run_paced(scale, reference_frame);
        Figures floor = run_paced(scale, floor_frame);
        ShowRun show = {1, measured_ms, {}, {}};
        run_show(show, scale);
        char what[64];
        std::snprintf(what, sizeof what, "reference at k = %d (today's method):", scale);
        print(what, reference);
        std::snprintf(what, sizeof what, "floor at k = %d (a wait and one point):", scale);
        print(what, floor);
        std::snprintf(what, sizeof what, "show at k = %d:", scale);
        print(what, show.first);
        print_ratio(show.first, reference);
        std::printf("%-44s %.3f ms\n", "  show above the floor (CPU per frame):",
                    show.first.cpu_per_frame() - floor.cpu_per_frame());
        std::printf("%-44s %.3f ms\n", "  show's own work (render_frame, unpaced):",
                    own_work_ms(scale));
        std::fflush(stdout);
    }
}

void long_run(int minutes)
{
    ShowRun show = {minutes, minute_ms, {}, {}};
    run_show(show, 1);
    std::printf("show at k = 1 for %d minutes\n", minutes);
    print("first minute:", show.first);
    print("last minute:", show.last);
    std::printf("%-44s %.2f\n", "  last / first (CPU per frame):",
                show.last.cpu_per_frame() / show.first.cpu_per_frame());
}

}

int main(int argc, char** argv)
{
    build_trig_tables();
    set_depth_range(depth_near, depth_far);
    point_set_polar_param(camera, 200, 60, 40, 200);
    if (argc > 2 && std::strcmp(argv[1], "--minutes") == 0)
        long_run(std::atoi(argv[2]) > 1 ? std::atoi(argv[2]) : 2);
    else
        compare_with_reference();
    return 0;
}
