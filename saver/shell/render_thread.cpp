#include "shell/render_thread.h"

#include "animation/closing_sound.h"
#include "shell/frame_pacer.h"
#include "shell/window.h"

#include <mmsystem.h>

DWORD WINAPI render_thread(LPVOID)
{
    HWND window = main_window;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    // Sleep is only as fine as the system timer; ask for 1 ms while we run.
    timeBeginPeriod(1);
    FramePacer pacer;
    frame_pacer_start(pacer, frames_per_second);
    // A window closed from outside ends the show without finishing it; there
    // is nothing left to ask frames of.
    do {
        InvalidateRect(window, nullptr, FALSE);
        frame_pacer_wait(pacer);
    } while (!show_finished && IsWindow(window));
    timeEndPeriod(1);

    // The process ends with the window: the closing sound is heard to its end
    // first. Meanwhile the main thread still answers a close from outside.
    Sleep(closing_sound_left_ms());
    PostMessageA(window, WM_DESTROY, 0, 0);
    return 0;
}

void start_render_thread()
{
    HANDLE thread = CreateThread(nullptr, 0, render_thread, nullptr, 0, nullptr);
    if (thread)
        CloseHandle(thread);
}
