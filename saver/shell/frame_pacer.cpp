#include "shell/frame_pacer.h"

namespace {

LONGLONG ticks_now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

LONGLONG ticks_per_second()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

}

void frame_pacer_start(FramePacer& pacer, int rate)
{
    pacer.ticks_per_frame = ticks_per_second() / rate;
    pacer.next_deadline = ticks_now() + pacer.ticks_per_frame;
}

void frame_pacer_wait(FramePacer& pacer)
{
    LONGLONG now = ticks_now();
    LONGLONG ahead = pacer.next_deadline - now;
    if (ahead > 0) {
        Sleep(static_cast<DWORD>(ahead * 1000 / ticks_per_second()));
        pacer.next_deadline += pacer.ticks_per_frame;
    } else if (-ahead > pacer.ticks_per_frame) {
        // Fell behind by more than a frame (a stall, a busy machine): start
        // afresh rather than rushing to catch up.
        pacer.next_deadline = now + pacer.ticks_per_frame;
    } else {
        pacer.next_deadline += pacer.ticks_per_frame;
    }
}
