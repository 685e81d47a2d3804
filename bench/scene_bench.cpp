// Cost of one frame of the show, in microseconds: the scene work (684 glide
// steps, projections and plots into the surface) and the whole frame (camera
// spin, clear, scene work, copy to a window).
#include "animation/projection.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "scene/surface.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace {

const int frames_per_batch = 2000;
const int batches = 5;

HWND create_target_window()
{
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "SceneBench";
    RegisterClassA(&window_class);
    return CreateWindowA("SceneBench", "scene bench", WS_POPUP | WS_VISIBLE, 0, 0, 600, 400,
                         nullptr, nullptr, window_class.hInstance, nullptr);
}

// Every particle on a long glide of its own, so each step moves and blends.
void start_glides()
{
    for (auto& row : particles) {
        for (Particle& p : row) {
            particle_move_polar(p, 40 + random_int(60), random_int(360), random_int(180),
                                frames_per_batch + 10, random_bright_color());
        }
    }
}

void scene_work()
{
    for (auto& row : particles) {
        for (Particle& p : row) {
            particle_step(p);
            particle_project(p);
            particle_plot(p);
        }
    }
}

// The arithmetic alone, to tell our own cost from the platform's SetPixel.
void steps_and_projections()
{
    for (auto& row : particles) {
        for (Particle& p : row) {
            particle_step(p);
            particle_project(p);
        }
    }
}

void whole_frame(HDC window)
{
    point_rotate_theta(camera, 2);
    point_rotate_phi(camera, -3);
    surface_clear(surface);
    scene_work();
    surface_present(surface, window, 0, 0);
}

struct Cost {
    double wall_us;
    double cpu_us;
};

Cost now()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    ULARGE_INTEGER k{{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u{{user.dwLowDateTime, user.dwHighDateTime}};
    return {count.QuadPart * 1e6 / frequency.QuadPart, (k.QuadPart + u.QuadPart) / 10.0};
}

// The best batch of each clock: the machine is shared, and the quietest run
// is the nearest to the cost of the work itself. The thread's CPU time
// leaves out waiting for the processor but ticks coarsely, hence long batches.
template <typename Frame>
Cost best_per_frame(Frame frame)
{
    Cost best{1e30, 1e30};
    for (int b = 0; b < batches; ++b) {
        start_glides();
        Cost begin = now();
        for (int i = 0; i < frames_per_batch; ++i)
            frame();
        Cost end = now();
        best.wall_us = std::min(best.wall_us, (end.wall_us - begin.wall_us) / frames_per_batch);
        best.cpu_us = std::min(best.cpu_us, (end.cpu_us - begin.cpu_us) / frames_per_batch);
    }
    return best;
}

void report(const char* what, Cost cost)
{
    std::printf("%-44s %7.1f us per frame (CPU %.1f us)\n", what, cost.wall_us, cost.cpu_us);
}

}

int main()
{
    build_trig_tables();
    HWND window = create_target_window();
    HDC window_dc = GetDC(window);
    surface_create(surface, window_dc, 600, 400, 300, 200, 0);
    point_set_polar_param(camera, 200, 60, 40, 200);
    set_depth_range(150, 350);
    random_seed(1);
    scene_start();

    Cost arithmetic = best_per_frame([] { steps_and_projections(); });
    Cost scene = best_per_frame([] { scene_work(); });
    Cost whole = best_per_frame([window_dc] { whole_frame(window_dc); });
    report("steps and projections alone:", arithmetic);
    report("scene work (684 steps, projections, plots):", scene);
    report("whole frame (spin, clear, scene work, copy):", whole);
    std::printf("whole frame's CPU at 60 frames per second: %.1f%% of one core\n",
                whole.cpu_us * 60 / 1e6 * 100);
    DestroyWindow(window);
    return 0;
}
