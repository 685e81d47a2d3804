#include "shell/show_loop.h"

#include "animation/closing_sound.h"
#include "animation/frame.h"
#include "shell/display_power.h"
#include "shell/frame_pacer.h"
#include "shell/modes.h"
#include "shell/window.h"

#include <mmsystem.h>

std::atomic<unsigned> frames_drawn;

// How often the preview looks whether it can be seen: nothing tells a child
// window that its host was hidden or minimized.
static const DWORD preview_look_ms = 250;
const unsigned preview_look_frames = frames_per_second * preview_look_ms / 1000;

namespace {

enum Wake { wake_due, wake_messages, wake_host_ended };

// The preview's host: a process that is ended takes its windows with it
// without a word to ours.
HANDLE host_process;
bool preview_hidden;
bool fine_timer;

void watch_host()
{
    host_process = nullptr;
    if (!preview_mode)
        return;
    DWORD host = 0;
    GetWindowThreadProcessId(GetParent(main_window), &host);
    if (host != GetCurrentProcessId())
        host_process = OpenProcess(SYNCHRONIZE, FALSE, host);
}

Wake wait_once(DWORD timeout_ms)
{
    DWORD handles = host_process ? 1 : 0;
    DWORD woke = MsgWaitForMultipleObjectsEx(handles, &host_process, timeout_ms, QS_ALLINPUT,
                                             MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0 + handles)
        return wake_messages;
    return handles && woke == WAIT_OBJECT_0 ? wake_host_ended : wake_due;
}

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

// Waits once, and answers what came; false once the show is over from outside.
bool wait_and_answer(DWORD timeout_ms)
{
    switch (wait_once(timeout_ms)) {
    case wake_messages:
        return answer_messages();
    case wake_host_ended:
        return false;
    default:
        return true;
    }
}

// False once the preview's window has gone without a word.
bool look_at_preview()
{
    if (!IsWindow(main_window))
        return false;
    preview_hidden = !IsWindowVisible(main_window) || IsIconic(GetAncestor(main_window, GA_ROOT));
    return true;
}

bool nobody_can_see()
{
    return display_off || (preview_mode && preview_hidden);
}

// The fine system timer costs power everywhere: it is held only while frames
// are drawn.
void hold_fine_timer(bool hold)
{
    if (hold == fine_timer)
        return;
    if (hold)
        timeBeginPeriod(1);
    else
        timeEndPeriod(1);
    fine_timer = hold;
}

// Back from a rest: what the window lost meanwhile is painted again, and the
// show goes on from where it stood, not with the frames it missed (the pacer
// starts afresh after the first).
void wake_from_rest()
{
    hold_fine_timer(true);
    InvalidateRect(main_window, nullptr, FALSE);
}

// Nothing is drawn for nobody: the loop waits for a message (the display's
// notice among them) or, in preview, for the next look.
bool rest()
{
    hold_fine_timer(false);
    if (!wait_and_answer(preview_mode ? preview_look_ms : INFINITE))
        return false;
    if (preview_mode && !look_at_preview())
        return false;
    if (!nobody_can_see())
        wake_from_rest();
    return true;
}

// Waits for the frame's deadline or a message; a frame is drawn once due.
bool run_frame(FramePacer& pacer)
{
    if (!wait_and_answer(frame_pacer_ms_left(pacer)))
        return false;
    if (show_finished || nobody_can_see() || frame_pacer_ms_left(pacer) > 0)
        return true;
    render_frame();
    ++frames_drawn;
    frame_pacer_advance(pacer);
    return !preview_mode || frames_drawn % preview_look_frames != 0 || look_at_preview();
}

// The process ends with the show: the closing sound is heard to its end
// first, while a close from outside is still answered.
void hear_the_sound_out()
{
    for (int left = closing_sound_left_ms(); left > 0; left = closing_sound_left_ms())
        if (!wait_and_answer(static_cast<DWORD>(left)))
            return;
}

}

void run_show_loop()
{
    ShowWindow(main_window, SW_SHOW);
    UpdateWindow(main_window);
    watch_host();
    preview_hidden = false;
    hold_fine_timer(true);
    FramePacer pacer;
    frame_pacer_start(pacer, frames_per_second);
    bool open = true;
    while (open && !show_finished && !(closing_requested && display_off))
        open = nobody_can_see() ? rest() : run_frame(pacer);
    hold_fine_timer(false);
    if (host_process)
        CloseHandle(host_process);
    if (open)
        hear_the_sound_out();
}
