#include "glide_recorder.h"

#include "scene/scene.h"

GlideCall recorded_glides[max_recorded_glides];
int recorded_glide_count;

namespace {

void record(Particle& p, GlideKind kind, const int (&args)[6], const Point3D& target,
            int duration, int colour)
{
    if (recorded_glide_count == max_recorded_glides)
        return;
    GlideCall& call = recorded_glides[recorded_glide_count++];
    call.particle = static_cast<int>(&p - &particles[0][0]);
    call.kind = kind;
    for (int i = 0; i < 6; ++i)
        call.args[i] = args[i];
    call.x = target.x;
    call.y = target.y;
    call.z = target.z;
    call.duration = duration;
    call.colour = colour;
}

}

void clear_recorded_glides()
{
    recorded_glide_count = 0;
}

void particle_move_polar(Particle& p, int dist, int theta, int phi, int duration, int colour)
{
    Point3D target = {};
    point_set_polar(target, dist, theta, phi);
    record(p, glide_polar, {dist, theta, phi, 0, 0, 0}, target, duration, colour);
}

void particle_move_polar_offset(Particle& p, int dist, int theta, int phi,
                                int ox, int oy, int oz, int duration, int colour)
{
    Point3D target = {};
    point_set_polar(target, dist, theta, phi);
    target.x += ox;
    target.y += oy;
    target.z += oz;
    record(p, glide_polar_offset, {dist, theta, phi, ox, oy, oz}, target, duration, colour);
}

void particle_move_cartesian(Particle& p, int x, int y, int z, int duration, int colour)
{
    Point3D target = {};
    point_set_cartesian(target, x, y, z);
    record(p, glide_cartesian, {x, y, z, 0, 0, 0}, target, duration, colour);
}

void particle_move_cartesian_offset(Particle& p, int x, int y, int z,
                                    int ox, int oy, int oz, int duration, int colour)
{
    Point3D target = {};
    point_set_cartesian(target, x, y, z);
    target.x += ox;
    target.y += oy;
    target.z += oz;
    record(p, glide_cartesian_offset, {x, y, z, ox, oy, oz}, target, duration, colour);
}

void particle_move_cylindrical(Particle& p, int radius, int angle, int z, int duration,
                               int colour)
{
    Point3D target = {};
    point_set_cylindrical(target, radius, angle, z);
    record(p, glide_cylindrical, {radius, angle, z, 0, 0, 0}, target, duration, colour);
}
