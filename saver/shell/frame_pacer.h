#pragma once
// Holds the frames to a steady display rate. Deadlines are absolute, so
// the coarse granularity of a timed wait never adds up into drift.
#include <windows.h>

const int frames_per_second = 60;

struct FramePacer {
    LONGLONG ticks_per_frame;
    LONGLONG ticks_per_ms;
    LONGLONG next_deadline;
};

void frame_pacer_start(FramePacer& pacer, int rate);
// Whole milliseconds until the next frame is due; 0 once it is.
DWORD frame_pacer_ms_left(const FramePacer& pacer);
// A frame was drawn: the next one is due a frame later.
void frame_pacer_advance(FramePacer& pacer);
