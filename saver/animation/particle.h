#pragma once
// A point of the cloud: where it is, and the glide that carries it to its
// next place and colour.
#include "scene/points.h"

struct Particle {
    Point3D pos;
    real view_x, view_y, view_z;
    int screen_x, screen_y;
    Point3D start;
    Point3D target;
    real step_x, step_y, step_z;
    real step_r, step_g, step_b;
    int start_r, start_g, start_b;
    int duration;
    int elapsed;
    int target_color;
    bool arrived;
};

// Colours hold red in the low byte, green in the next, blue in the third.
inline int color_channel(int colour, int shift)
{
    return (colour >> shift) & 0xFF;
}

inline int color_from_channels(int r, int g, int b)
{
    return r + 256 * g + 65536 * b;
}

void particle_move_polar(Particle& p, int dist, int theta, int phi, int duration, int colour);
void particle_move_polar_offset(Particle& p, int dist, int theta, int phi,
                                int ox, int oy, int oz, int duration, int colour);
void particle_move_cartesian(Particle& p, int x, int y, int z, int duration, int colour);
void particle_move_cartesian_offset(Particle& p, int x, int y, int z,
                                    int ox, int oy, int oz, int duration, int colour);
void particle_move_cylindrical(Particle& p, int radius, int angle, int z, int duration,
                               int colour);
void particle_step(Particle& p);
