#pragma once
// A stand-in for the particle glides that records every glide start a set-up
// makes, with its arguments and the target point the real glide would take.
#include "animation/particle.h"

enum GlideKind { glide_polar, glide_polar_offset, glide_cartesian, glide_cartesian_offset,
                 glide_cylindrical };

struct GlideCall {
    int particle;  // running index, row by row
    GlideKind kind;
    int args[6];   // the geometric arguments as passed, unused ones 0
    int x, y, z;   // the target point
    int duration;
    int colour;
};

const int max_recorded_glides = 4096;

extern GlideCall recorded_glides[max_recorded_glides];
extern int recorded_glide_count;

void clear_recorded_glides();
