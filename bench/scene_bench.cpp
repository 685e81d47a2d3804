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

const int frames_per_batch = 500;
const int batches = 7;

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

double now_us()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart * 1e6 / frequency.QuadPart;
}

// The best batch: the machine is shared, and the quietest run is the
// nearest to the cost of the work itself.
template <typename Frame>
double best_us_per_frame(Frame frame)
{
    double best = 1e30;
    for (int b = 0; b < batches; ++b) {
        start_glides();
        double begin = now_us();
        for (int i = 0; i < frames_per_batch; ++i)
            frame();
        best = std::min(best, (now_us() - begin) / frames_per_batch);
    }
    return best;
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

    double arithmetic = best_us_per_frame([] { steps_and_projections(); });
    double scene = best_us_per_frame([] { scene_work(); });
    double whole = best_us_per_frame([window_dc] { whole_frame(window_dc); });
    std::printf("steps and projections alone: %.1f us per frame\n", arithmetic);
    std::printf("scene work (684 steps, projections, plots): %.1f us per frame\n", scene);
    std::printf("whole frame (spin, clear, scene work, copy): %.1f us per frame\n", whole);
    std::printf("whole frame at 60 frames per second: %.1f%% of one core\n",
                whole * 60 / 1e6 * 100);
    DestroyWindow(window);
    return 0;
}
