#include "shell/show_loop.h"

#include "animation/closing_sound.h"
#include "animation/frame.h"
#include "shell/display_power.h"
#include "shell/frame_pacer.h"
#include "shell/window.h"

#include <mmsystem.h>

std::atomic<unsigned> frames_drawn;

namespace {

// Answers every message waiting; false once the window has been destroyed.
bool answer_messages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            return false;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

// Blocks until a message arrives or TIMEOUT_MS have passed; false once the
// window has been destroyed.
bool wait_for_messages(DWORD timeout_ms)
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout_ms, QS_ALLINPUT);
    return answer_messages();
}

// Nothing is drawn for nobody: the loop waits for the notice that the
// display is on again, and the fine system timer, which costs power
// everywhere, is given back meanwhile. The show goes on from where it stood,
// not with the frames it missed.
bool rest_while_display_off(FramePacer& pacer)
{
    timeEndPeriod(1);
    bool open = true;
    while (open && display_off)
        open = wait_for_messages(INFINITE);
    timeBeginPeriod(1);
    frame_pacer_start(pacer, frames_per_second);
    return open;
}

// The process ends with the show: the closing sound is heard to its end
// first, while a close from outside is still answered.
void hear_the_sound_out()
{
    for (int left = closing_sound_left_ms(); left > 0; left = closing_sound_left_ms())
        if (!wait_for_messages(static_cast<DWORD>(left)))
            return;
}

}

void run_show_loop()
{
    ShowWindow(main_window, SW_SHOW);
    UpdateWindow(main_window);
    // Sleep is only as fine as the system timer; ask for 1 ms while we run.
    timeBeginPeriod(1);
    FramePacer pacer;
    frame_pacer_start(pacer, frames_per_second);
    bool open = true;
    while (open && !show_finished) {
        open = answer_messages();
        if (!open)
            break;
        if (display_off) {
            open = rest_while_display_off(pacer);
            continue;
        }
        render_frame();
        ++frames_drawn;
        frame_pacer_wait(pacer);
    }
    timeEndPeriod(1);
    if (open)
        hear_the_sound_out();
}
