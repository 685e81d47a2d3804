#include "scene/points.h"

#include <cmath>

real sin_table[360];
real cos_table[360];

// lrint rounds in the current mode, which the program never changes from
// the default nearest-even; it also costs a tenth of what nearbyint does here.
int round_even(real v)
{
    return static_cast<int>(std::lrint(v));
}

namespace {

const real pi = 3.14159265358979323846;

int rad_to_deg(real r)
{
    return round_even(r * 57.29577951);
}

void refresh_theta(Point3D& p)
{
    p.sin_theta = sin_table[p.theta];
    p.cos_theta = cos_table[p.theta];
}

void refresh_phi(Point3D& p)
{
    p.sin_phi = sin_table[p.phi];
    p.cos_phi = cos_table[p.phi];
}

int wrap_degrees(int angle)
{
    int a = angle % 360;
    return a < 0 ? a + 360 : a;
}

}

void build_trig_tables()
{
    for (int i = 0; i < 360; ++i) {
        real a = i * pi / 180;
        sin_table[i] = std::sin(a);
        cos_table[i] = std::cos(a);
    }
}

void point_update_polar(Point3D& p)
{
    int s = p.x * p.x + p.y * p.y + p.z * p.z;
    p.dist = round_even(std::sqrt(static_cast<real>(s)));

    if (p.x == 0) {
        p.theta = p.y >= 0 ? 90 : 270;
    } else {
        int t = rad_to_deg(std::atan(static_cast<real>(p.y) / p.x));
        if (p.x < 0)
            t += 180;
        if (t < 0)
            t += 360;
        p.theta = t % 360;
    }

    if (p.z == 0) {
        p.phi = 90;
    } else {
        real rho = std::sqrt(static_cast<real>(p.x * p.x + p.y * p.y));
        int a = rad_to_deg(std::atan(rho / p.z));
        p.phi = p.z > 0 ? a : a + 180;
    }

    refresh_theta(p);
    refresh_phi(p);
}

void point_update_cartesian(Point3D& p)
{
    refresh_theta(p);
    refresh_phi(p);
    real t = p.sin_phi * p.dist;
    p.x = round_even(t * p.cos_theta);
    p.y = round_even(t * p.sin_theta);
    p.z = round_even(p.cos_phi * p.dist);
}

void point_set_cartesian(Point3D& p, int x, int y, int z)
{
    p.x = x;
    p.y = y;
    p.z = z;
    point_update_polar(p);
}

void point_set_polar(Point3D& p, int dist, int theta, int phi)
{
    p.dist = dist;
    p.theta = theta;
    p.phi = phi;
    point_update_cartesian(p);
}

void point_set_polar_param(Point3D& p, int dist, int theta, int phi, int param)
{
    point_set_polar(p, dist, theta, phi);
    p.param = param;
}

void point_set_cylindrical(Point3D& p, int radius, int angle, int z)
{
    p.x = round_even(cos_table[angle] * radius);
    p.y = round_even(sin_table[angle] * radius);
    p.z = z;
    point_update_polar(p);
}

void point_rotate_theta(Point3D& p, int delta)
{
    p.theta = wrap_degrees(p.theta + delta);
    refresh_theta(p);
}

void point_rotate_phi(Point3D& p, int delta)
{
    p.phi = wrap_degrees(p.phi + delta);
    refresh_phi(p);
}

void point_set_theta(Point3D& p, int angle)
{
    p.theta = angle;
    refresh_theta(p);
}

void point_set_phi(Point3D& p, int angle)
{
    p.phi = angle;
    refresh_phi(p);
}
