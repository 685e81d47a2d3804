#include "animation/projection.h"

#include "scene/scene.h"
#include "scene/surface.h"

namespace {

// A point almost level with the camera projects to an offset far beyond any
// int; it is off every screen anyway, so it is held at a distance that no
// surface reaches but that still adds safely to a centre.
const real offscreen_limit = 1000000;

int screen_offset(real v, real depth)
{
    real q = v * camera.param / depth;
    if (q > offscreen_limit)
        q = offscreen_limit;
    else if (q < -offscreen_limit)
        q = -offscreen_limit;
    return round_even(q);
}

int faded_channel(int c, real f)
{
    return round_even(c - f * c);
}

int faded_colour(int colour, real depth)
{
    real f = (depth - depth_near) / depth_span;
    return color_from_channels(faded_channel(color_channel(colour, 0), f),
                               faded_channel(color_channel(colour, 8), f),
                               faded_channel(color_channel(colour, 16), f));
}

int depth_colour(const Particle& p)
{
    if (p.view_z <= 0 || p.view_z >= depth_far)
        return 0;
    if (p.view_z > depth_near)
        return faded_colour(p.pos.param, p.view_z);
    return p.pos.param;
}

}

void particle_project(Particle& p)
{
    const real st = camera.sin_theta, ct = camera.cos_theta;
    const real sp = camera.sin_phi, cp = camera.cos_phi;
    const real x = p.pos.x, y = p.pos.y, z = p.pos.z;
    p.view_x = (-x) * st + y * ct;
    p.view_y = ((-x) * ct) * cp - (y * st) * cp + z * sp;
    p.view_z = ((-x) * sp) * ct - (y * st) * sp - z * cp + camera.dist;
    if (p.view_z == 0) {
        p.screen_x = surface.centre_x;
        p.screen_y = surface.centre_y;
        return;
    }
    p.screen_x = screen_offset(p.view_x, p.view_z) + surface.centre_x;
    p.screen_y = surface.centre_y - screen_offset(p.view_y, p.view_z);
}

void particle_plot(const Particle& p)
{
    surface_plot(surface, p.screen_x, p.screen_y, depth_colour(p));
}
