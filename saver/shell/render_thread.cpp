#include "shell/render_thread.h"

#include "shell/frame_pacer.h"
#include "shell/window.h"

#include <mmsystem.h>

DWORD WINAPI render_thread(LPVOID)
{
    ShowWindow(main_window, SW_SHOW);
    UpdateWindow(main_window);

    // Sleep is only as fine as the system timer; ask for 1 ms while we run.
    timeBeginPeriod(1);
    FramePacer pacer;
    frame_pacer_start(pacer, frames_per_second);
    do {
        InvalidateRect(main_window, nullptr, FALSE);
        frame_pacer_wait(pacer);
    } while (!show_finished);
    timeEndPeriod(1);

    PostMessageA(main_window, WM_DESTROY, 0, 0);
    return 0;
}

void start_render_thread()
{
    HANDLE thread = CreateThread(nullptr, 0, render_thread, nullptr, 0, nullptr);
    if (thread)
        CloseHandle(thread);
}
