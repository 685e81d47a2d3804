#pragma once
// Holds the frames to a steady display rate. Deadlines are absolute, so
// the coarse granularity of Sleep never adds up into drift.
#include <windows.h>

const int frames_per_second = 60;

struct FramePacer {
    LONGLONG ticks_per_frame;
    LONGLONG next_deadline;
};

void frame_pacer_start(FramePacer& pacer, int rate);
void frame_pacer_wait(FramePacer& pacer);
