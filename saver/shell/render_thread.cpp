#include "shell/render_thread.h"

#include "animation/closing_sound.h"
#include "shell/display_power.h"
#include "shell/frame_pacer.h"
#include "shell/window.h"

#include <mmsystem.h>

std::atomic<bool> frame_requested;
HANDLE render_thread_handle;

namespace {

// Checks now and then that the show has not ended meanwhile.
const DWORD display_check_ms = 250;

void request_frame(HWND window)
{
    if (!frame_requested.exchange(true))
        PostMessageA(window, frame_request, 0, 0);
}

// A fine system timer costs power everywhere, so it is given back while
// nobody watches. The show goes on from where it stood, not with the frames
// it missed.
void rest_while_display_off(FramePacer& pacer)
{
    timeEndPeriod(1);
    wait_for_display(display_check_ms);
    timeBeginPeriod(1);
    frame_pacer_start(pacer, frames_per_second);
}

}

DWORD WINAPI render_thread(LPVOID)
{
    HWND window = main_window;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    // Sleep is only as fine as the system timer; ask for 1 ms while we run.
    timeBeginPeriod(1);
    FramePacer pacer;
    frame_pacer_start(pacer, frames_per_second);
    do {
        if (display_off) {
            rest_while_display_off(pacer);
            continue;
        }
        request_frame(window);
        frame_pacer_wait(pacer);
    } while (!show_finished && IsWindow(window));
    timeEndPeriod(1);

    // A window closed from outside ends the show without its close: there is
    // no sound to wait for and no window left to end.
    if (!IsWindow(window))
        return 0;
    // The process ends with the window: the closing sound is heard to its end
    // first. Meanwhile the main thread still answers a close from outside.
    Sleep(closing_sound_left_ms());
    PostMessageA(window, WM_DESTROY, 0, 0);
    return 0;
}

void start_render_thread()
{
    frame_requested = false;
    render_thread_handle = CreateThread(nullptr, 0, render_thread, nullptr, 0, nullptr);
}
