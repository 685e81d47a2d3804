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
    LONGLONG second = ticks_per_second();
    pacer.ticks_per_frame = second / rate;
    pacer.ticks_per_ms = second / 1000 > 0 ? second / 1000 : 1;
    pacer.next_deadline = ticks_now() + pacer.ticks_per_frame;
}

DWORD frame_pacer_ms_left(const FramePacer& pacer)
{
    LONGLONG ahead = pacer.next_deadline - ticks_now();
    return ahead > 0 ? static_cast<DWORD>(ahead / pacer.ticks_per_ms) : 0;
}

void frame_pacer_advance(FramePacer& pacer)
{
    LONGLONG now = ticks_now();
    pacer.next_deadline += pacer.ticks_per_frame;
    // Fell behind by more than a frame (a stall, a busy machine, a rest while
    // nobody could see the show): start afresh rather than rushing to catch up.
    if (now - pacer.next_deadline > pacer.ticks_per_frame)
        pacer.next_deadline = now + pacer.ticks_per_frame;
}
