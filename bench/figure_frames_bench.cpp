// Frame cost with every figure: render_frame timed frame by frame while each
// figure glides in and rests; then the CPU share of the whole show (render
// thread paced to its frame rate) while it runs full screen.
#include "animation/figures.h"
#include "animation/frame.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "scene/surface.h"
#include "shell/frame_pacer.h"
#include "shell/modes.h"
#include "shell/window.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace {

// Long enough for the slowest glide (400 frames) and some rest after it.
const int frames_per_figure = 450;
const int show_seconds = 4;

double frame_us[frames_per_figure];

double ticks_to_us(LONGLONG ticks)
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    return ticks * 1e6 / frequency.QuadPart;
}

LONGLONG ticks_now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

void start_show(unsigned seed)
{
    closing_requested = false;
    show_finished = false;
    figure_change_chance = 0;  // the figure under test stays
    random_seed(seed);
    point_set_polar_param(camera, 200, 60, 40, 200);
    set_depth_range(150, 350);
    scene_start();
}

struct FigureCost {
    double setup_us, median_us, worst_us;
};

FigureCost measure_figure(int n)
{
    start_show(100 + n);
    FigureCost cost;
    LONGLONG before = ticks_now();
    setup_figure(n);
    cost.setup_us = ticks_to_us(ticks_now() - before);
    for (double& us : frame_us) {
        LONGLONG start = ticks_now();
        render_frame();
        us = ticks_to_us(ticks_now() - start);
    }
    std::sort(frame_us, frame_us + frames_per_figure);
    cost.median_us = frame_us[frames_per_figure / 2];
    cost.worst_us = frame_us[frames_per_figure - 1];
    return cost;
}

void measure_every_figure()
{
    std::printf("frame cost per figure, %d frames each (microseconds)\n", frames_per_figure);
    std::printf("figure  set-up  median   worst\n");
    double medians[figure_count];
    double worst = 0;
    for (int n = 0; n < figure_count; ++n) {
        FigureCost cost = measure_figure(n);
        std::printf("%6d %7.0f %7.0f %7.0f\n", n, cost.setup_us, cost.median_us, cost.worst_us);
        medians[n] = cost.median_us;
        worst = std::max(worst, cost.worst_us);
    }
    std::sort(medians, medians + figure_count);
    double typical = medians[figure_count / 2];
    std::printf("all figures: median of medians %.0f us, worst frame %.0f us\n", typical, worst);
    std::printf("at %d frames per second that is %.1f%% of one core for the drawing\n",
                frames_per_second, typical * frames_per_second / 1e4);
}

double cpu_seconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return (k.QuadPart + u.QuadPart) / 1e7;
}

// Samples this process's CPU time over a stretch of the running show, then
// presses a key so that the show closes and returns.
DWORD WINAPI watch_show(LPVOID)
{
    Sleep(500);  // past the start-up
    double cpu_before = cpu_seconds();
    LONGLONG before = ticks_now();
    Sleep(show_seconds * 1000);
    double cpu = cpu_seconds() - cpu_before;
    double wall = ticks_to_us(ticks_now() - before) / 1e6;
    std::printf("the full-screen show for %.1f s: %.2f s of CPU, %.1f%% of one core\n", wall, cpu,
                100 * cpu / wall);
    std::fflush(stdout);
    PostMessageA(main_window, WM_KEYDOWN, VK_SPACE, 0);
    return 0;
}

// The show of saver.scr /s run in this process, since the CPU time of another
// process is not reported under Wine.
void measure_real_show()
{
    HANDLE watcher = CreateThread(nullptr, 0, watch_show, nullptr, 0, nullptr);
    random_seed_from_clock();
    run_full_screen();
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
}

}

int main()
{
    build_trig_tables();
    create_saver_window(0, 0, 640, 480, nullptr);
    window_dc = GetDC(main_window);
    view_left = 20;
    view_top = 40;
    surface_create(surface, window_dc, 600, 400, 300, 200, 0);
    measure_every_figure();
    measure_real_show();
    return 0;
}
