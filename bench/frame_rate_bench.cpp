// Runs the full-screen show for a few seconds and reports how many frames it
// drew per second and what each frame cost the processor.
#include "scene/points.h"
#include "scene/scene.h"
#include "shell/modes.h"
#include "shell/window.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

namespace {

const DWORD measured_ms = 4000;
const DWORD warm_up_ms = 500;

std::atomic<int> paints;
WNDPROC saver_proc;

LRESULT CALLBACK counting_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_PAINT)
        ++paints;
    return CallWindowProcA(saver_proc, window, message, wparam, lparam);
}

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

DWORD WINAPI measure_then_end_show(LPVOID)
{
    while (!(main_window && IsWindowVisible(main_window)))
        Sleep(5);
    saver_proc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        main_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(counting_proc)));
    Sleep(warm_up_ms);

    int frames_before = paints;
    double cpu_before = process_cpu_ms();
    double start = seconds_now();
    Sleep(measured_ms);
    int frames = paints - frames_before;
    double cpu_ms = process_cpu_ms() - cpu_before;
    double seconds = seconds_now() - start;

    std::printf("frames per second:       %.1f\n", frames / seconds);
    std::printf("CPU time per frame:      %.3f ms\n", frames ? cpu_ms / frames : 0.0);
    std::printf("CPU share of one core:   %.1f %%\n", 100.0 * cpu_ms / (seconds * 1000.0));
    std::fflush(stdout);
    PostMessageA(main_window, WM_KEYDOWN, VK_SPACE, 0);
    return 0;
}

}

int main()
{
    build_trig_tables();
    set_depth_range(depth_near, depth_far);
    HANDLE watcher = CreateThread(nullptr, 0, measure_then_end_show, nullptr, 0, nullptr);
    run_full_screen();
    WaitForSingleObject(watcher, INFINITE);
    return 0;
}
