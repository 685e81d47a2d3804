#include "animation/particle.h"

namespace {

// The step recomputes everything from the start and the frame count, so the
// glide keeps only the start, the per-frame change and the target.
void particle_begin_move(Particle& p)
{
    real duration = p.duration;
    p.step_x = (p.target.x - p.pos.x) / duration;
    p.step_y = (p.target.y - p.pos.y) / duration;
    p.step_z = (p.target.z - p.pos.z) / duration;
    p.elapsed = 0;
    p.arrived = false;
    p.start_r = color_channel(p.pos.param, 0);
    p.start_g = color_channel(p.pos.param, 8);
    p.start_b = color_channel(p.pos.param, 16);
    p.step_r = (color_channel(p.target_color, 0) - p.start_r) / duration;
    p.step_g = (color_channel(p.target_color, 8) - p.start_g) / duration;
    p.step_b = (color_channel(p.target_color, 16) - p.start_b) / duration;
}

void glide_from_here(Particle& p)
{
    point_set_cartesian(p.start, p.pos.x, p.pos.y, p.pos.z);
}

void glide_to(Particle& p, int duration, int colour)
{
    p.duration = duration;
    p.target_color = colour;
    particle_begin_move(p);
}

void offset_target(Particle& p, int ox, int oy, int oz)
{
    p.target.x += ox;
    p.target.y += oy;
    p.target.z += oz;
}

int channel_at(real step, int n, int start)
{
    return static_cast<int>(step * n + start);
}

void land(Particle& p)
{
    p.pos.param = p.target_color;
    p.pos.x = p.target.x;
    p.pos.y = p.target.y;
    p.pos.z = p.target.z;
    p.arrived = true;
}

}

void particle_move_polar(Particle& p, int dist, int theta, int phi, int duration, int colour)
{
    glide_from_here(p);
    point_set_polar(p.target, dist, theta, phi);
    glide_to(p, duration, colour);
}

void particle_move_polar_offset(Particle& p, int dist, int theta, int phi,
                                int ox, int oy, int oz, int duration, int colour)
{
    glide_from_here(p);
    point_set_polar(p.target, dist, theta, phi);
    offset_target(p, ox, oy, oz);
    glide_to(p, duration, colour);
}

void particle_move_cartesian(Particle& p, int x, int y, int z, int duration, int colour)
{
    glide_from_here(p);
    point_set_cartesian(p.target, x, y, z);
    glide_to(p, duration, colour);
}

void particle_move_cartesian_offset(Particle& p, int x, int y, int z,
                                    int ox, int oy, int oz, int duration, int colour)
{
    glide_from_here(p);
    point_set_cartesian(p.target, x, y, z);
    offset_target(p, ox, oy, oz);
    glide_to(p, duration, colour);
}

void particle_move_cylindrical(Particle& p, int radius, int angle, int z, int duration,
                               int colour)
{
    glide_from_here(p);
    point_set_cylindrical(p.target, radius, angle, z);
    glide_to(p, duration, colour);
}

void particle_step(Particle& p)
{
    if (p.arrived)
        return;
    int n = ++p.elapsed;
    p.pos.x = round_even(p.step_x * n + p.start.x);
    p.pos.y = round_even(p.step_y * n + p.start.y);
    p.pos.z = round_even(p.step_z * n + p.start.z);
    int b = channel_at(p.step_b, n, p.start_b);
    int g = channel_at(p.step_g, n, p.start_g);
    int r = channel_at(p.step_r, n, p.start_r);
    p.pos.param = color_from_channels(r, g, b);
    if (n >= p.duration)
        land(p);
}
