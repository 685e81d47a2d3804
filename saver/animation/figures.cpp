#include "animation/figures.h"

#include "animation/particle.h"
#include "scene/random.h"
#include "scene/scene.h"

#include <cmath>
#include <cstdlib>

// Each figure draws its random numbers in a fixed order (once, per row, then
// per particle, left to right within a line): for a given seed that order
// decides what the viewer sees, so every draw is taken into a local before
// it is used, never inside an argument list whose evaluation order is free.

namespace {

// The shapes are computed in the x87's extended precision; only the stored
// radii and heights are narrowed to reals.
typedef long double wide;

const wide pi = 3.141592653589793238462643383279502884L;
const int particle_count = particle_rows * particle_columns;

int round_extended(wide v)
{
    return static_cast<int>(std::nearbyint(v));
}

// The catalogue's colours keep the low 8 bits of each channel.
int rgb(int r, int g, int b)
{
    return color_from_channels(r & 255, g & 255, b & 255);
}

Particle& particle_at(int k)
{
    return particles[k / particle_columns][k % particle_columns];
}

wide column_angle(int j)
{
    return j * pi / 18;
}

void figure_small_ball()
{
    int radius = random_int(40) + 30;
    int r = random_int(56) + 200;
    int g = random_int(56) + 200;
    int b = random_int(56) + 200;
    int colour = rgb(r, g, b);
    for (int k = 0; k < particle_count; ++k) {
        int theta = random_int(360);
        int phi = random_int(180);
        particle_move_polar(particle_at(k), radius, theta, phi, 30, colour);
    }
}

void figure_globe()
{
    int b = random_int(128) + 128;
    for (int i = 0; i < particle_rows; ++i) {
        int v = 28 * std::abs(9 - i) + 3;
        for (int j = 0; j < particle_columns; ++j)
            particle_move_polar(particles[i][j], 100, 10 * j, 10 * i, 300, rgb(v, v, b));
    }
}

void figure_spiral_shell()
{
    int g = random_int(160) + 80;
    int b = random_int(160) + 80;
    for (int i = 0; i < particle_rows; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            particle_move_polar(particles[i][j], 2 * j + 30, (10 * j + 180) % 360, 10 * i, 300,
                                rgb(10 * i + 70, g, b));
        }
    }
}

void figure_flat_spiral()
{
    int r = random_int(256);
    int b = random_int(256);
    for (int i = 0; i < particle_rows; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            particle_move_polar(particles[i][j], 3 * j, (20 * i + 2 * j) % 360, 90, 300,
                                rgb(r, 7 * j, b));
        }
    }
}

void figure_galaxy()
{
    for (int i = 0; i < 12; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            int dist = 3 * j + random_int(5);
            int theta = (60 * (i / 2) + 5 * j + random_int(4)) % 360;
            int phi = random_int(11) + 85;
            particle_move_polar(particles[i][j], dist, theta, phi, 300, rgb(172, 172, 172));
        }
    }
    for (int i = 12; i < particle_rows; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            int dist = random_int(25);
            int theta = random_int(360);
            int phi = random_int(180);
            particle_move_polar(particles[i][j], dist, theta, phi, 300, rgb(222, 222, 222));
        }
    }
}

void figure_funnel()
{
    int colour = random_bright_color();
    for (int i = 0; i < particle_rows; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            particle_move_polar(particles[i][j], 5 * j, (20 * i + 2 * j) % 360, 150 - 2 * j,
                                300, colour);
        }
    }
}

void figure_ring_band()
{
    int colour = random_bright_color();
    for (int k = 0; k < particle_count; ++k) {
        int dist = random_int(10) + 150;
        int theta = random_int(360);
        int phi = random_int(11) + 85;
        particle_move_polar(particle_at(k), dist, theta, phi, 30, colour);
    }
}

void figure_double_cone()
{
    int colour = random_bright_color();
    for (int i = 0; i < particle_rows; ++i) {
        int rho = 72 - 8 * std::abs(i - 9);
        for (int j = 0; j < particle_columns; ++j) {
            particle_move_cartesian(particles[i][j], 10 * (i - 9),
                                    round_extended(rho * std::cos(column_angle(j))),
                                    round_extended(rho * std::sin(column_angle(j))), 300, colour);
        }
    }
}

void figure_flat_disc()
{
    for (int k = 0; k < particle_count; ++k) {
        int t = random_int(120);
        int theta = random_int(360);
        particle_move_polar(particle_at(k), t, theta, 90, 300, rgb(50, 128 - t, 192 - t));
    }
}

void figure_green_ball()
{
    for (int k = 0; k < particle_count; ++k) {
        int dist = random_int(100);
        int theta = random_int(360);
        int phi = random_int(180);
        int r = random_int(256);
        int b = random_int(256);
        particle_move_polar(particle_at(k), dist, theta, phi, 300, rgb(r, 255, b));
    }
}

void figure_pinched_torus()
{
    int a = random_int(40) + 20;
    int b = a - 20;
    int colour = random_bright_color();
    for (int i = 0; i < particle_rows; ++i) {
        wide u = i * pi / 9;
        real rho = a * std::cos(u) + b;
        for (int j = 0; j < particle_columns; ++j) {
            particle_move_cartesian(particles[i][j], round_extended(rho * std::sin(column_angle(j))),
                                    round_extended(rho * std::cos(column_angle(j))),
                                    round_extended(b * std::sin(u)), 300 - 4 * i, colour);
        }
    }
}

void figure_torus_on_x()
{
    int a = random_int(20) + 60;
    int b = random_int(5) + 15;
    int colour = random_bright_color();
    for (int i = 0; i < particle_rows; ++i) {
        wide u = i * pi / 9;
        real rho = b * std::cos(u) + a;
        for (int j = 0; j < particle_columns; ++j) {
            particle_move_cartesian(particles[i][j], round_extended(b * std::sin(u)),
                                    round_extended(rho * std::sin(column_angle(j))),
                                    round_extended(rho * std::cos(column_angle(j))), 360 - 10 * j,
                                    colour);
        }
    }
}

void figure_sphere_with_disc()
{
    int shell = random_bright_color();
    int core = random_bright_color();
    for (int i = 0; i < particle_rows; ++i) {
        for (int j = 0; j < 18; ++j)
            particle_move_polar(particles[i][j], 100, 20 * j, 10 * i, 300, shell);
        for (int j = 18; j < particle_columns; ++j) {
            int radius = random_int(30);
            particle_move_cylindrical(particles[i][j], radius, 20 * (j - 18), 0, 10, core);
        }
    }
}

void figure_elliptic_tube()
{
    int a = random_int(60) + 30;
    for (int i = 0; i < particle_rows; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            int r = random_int(50) + 50;
            int g = random_int(128) + 128;
            particle_move_cartesian(particles[i][j], round_extended(a * std::cos(column_angle(j))),
                                    round_extended((a / 2) * std::sin(column_angle(j))),
                                    10 * (i - 9), 300, rgb(r, g, 10 * i + 40));
        }
    }
}

// The red-, green- and blue-dominated colours of figures 14 and 16, drawn in
// this order.
void draw_axis_colours(int& c1, int& c2, int& c3)
{
    int c1_g = random_int(256);
    int c1_b = random_int(256);
    c1 = rgb(255, c1_g, c1_b);
    int c2_r = random_int(256);
    int c2_b = random_int(256);
    c2 = rgb(c2_r, 255, c2_b);
    int c3_r = random_int(256);
    int c3_g = random_int(256);
    c3 = rgb(c3_r, c3_g, 255);
}

void figure_three_balls()
{
    int c1, c2, c3;
    draw_axis_colours(c1, c2, c3);
    int radius = random_int(50) + 20;
    for (int i = 0; i < particle_rows; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            Particle& p = particles[i][j];
            int theta = 30 * (j % 12);
            if (j < 12)
                particle_move_polar_offset(p, radius, theta, 10 * i, 0, 0, 50, 300, c1);
            else if (j < 24)
                particle_move_polar_offset(p, radius, theta, 10 * i, 50, 0, 0, 100, c2);
            else
                particle_move_polar_offset(p, radius, theta, 10 * i, 0, 50, 0, 200, c3);
        }
    }
}

void figure_cone()
{
    int colour = random_bright_color();
    int s = random_int(5) + 2;
    for (int i = 0; i < particle_rows; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            particle_move_cartesian(particles[i][j], round_extended(s * i * std::cos(column_angle(j))),
                                    round_extended(s * i * std::sin(column_angle(j))), 8 * (i - 9),
                                    300, colour);
        }
    }
}

void figure_three_rings()
{
    int c1, c2, c3;
    draw_axis_colours(c1, c2, c3);
    for (int i = 0; i < particle_rows; ++i) {
        wide u = i * pi / 9;
        real rho = 12 * std::cos(u) + 30;
        int h = round_extended(12 * std::sin(u));
        for (int j = 0; j < particle_columns; ++j) {
            Particle& p = particles[i][j];
            wide v = (j % 12) * pi / 6;
            int across = round_extended(rho * std::sin(v));
            int along = round_extended(rho * std::cos(v));
            if (j < 12)
                particle_move_cartesian_offset(p, h, across, along, 0, 0, 100, 300, c2);
            else if (j < 24)
                particle_move_cartesian_offset(p, across, h, along, 0, 100, 0, 200, c3);
            else
                particle_move_cartesian_offset(p, across, along, h, 100, 0, 0, 100, c1);
        }
    }
}

void figure_rising_strand()
{
    int colour = random_bright_color();
    for (int k = 0; k < particle_count; ++k)
        particle_move_polar(particle_at(k), k / 5, (3 * k) % 360, 90 - k / 10, 300, colour);
}

void figure_ripple()
{
    int colour = random_bright_color();
    for (int i = 0; i < particle_rows; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            wide d = std::sqrt(static_cast<wide>((i - 9) * (i - 9) + (j - 18) * (j - 18)));
            wide height = std::cos(3 * pi * d * 0.1L) * (50 * std::exp(-pi * d * 0.05L));
            particle_move_cartesian(particles[i][j], 10 * (i - 9), 5 * (j - 18),
                                    round_extended(height), 300, colour);
        }
    }
}

void figure_helix()
{
    int a = random_int(100);
    int r = random_int(256);
    int b = random_int(256);
    int colour = rgb(r, 255, b);
    for (int k = 0; k < particle_count; ++k) {
        particle_move_cartesian(particle_at(k), round_extended(a * std::cos(0.04L * k)),
                                round_extended(a * std::sin(0.04L * k)), k / 5 - 68, 380 - k / 2,
                                colour);
    }
}

void figure_coloured_sheet()
{
    for (int i = 0; i < particle_rows; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            particle_move_cartesian(particles[i][j], 10 * (i - 9), 5 * (j - 18), 0, 300,
                                    rgb(14 * i + 3, 120, 255 - 7 * j));
        }
    }
}

void figure_ringed_planet()
{
    for (int k = 0; k <= 300; ++k) {
        int dist = random_int(15) + 80;
        int theta = random_int(360);
        int phi = random_int(5) + 88;
        particle_move_polar(particle_at(k), dist, theta, phi, 300, rgb(200, 200, 255));
    }
    for (int k = 301; k < particle_count; ++k) {
        int theta = random_int(360);
        int phi = random_int(180);
        particle_move_polar(particle_at(k), 40, theta, phi, 100, rgb(200, 240, 255));
    }
}

void figure_streamers()
{
    for (int i = 0; i < particle_rows; ++i) {
        int theta0 = random_int(360);
        int phi0 = random_int(145);
        int colour = rgb(0, 255, random_int(256));
        for (int j = 0; j < particle_columns; ++j) {
            int theta = (theta0 + random_int(5)) % 360;
            particle_move_polar(particles[i][j], 3 * j, theta, (phi0 + j) % 180, 300, colour);
        }
    }
}

void figure_crossed_tubes()
{
    int a = random_int(20) + 20;
    int p = random_int(256);
    int q = random_int(256);
    for (int i = 0; i < particle_rows; ++i) {
        int e = 20 * std::abs(9 - i);
        for (int j = 0; j < 18; ++j)
            particle_move_cylindrical(particles[i][j], a, 20 * j, 10 * (i - 9), 300,
                                      rgb(p, 255 - e, p));
        for (int j = 18; j < particle_columns; ++j) {
            wide angle = (j - 18) * pi / 9;
            particle_move_cartesian(particles[i][j], round_extended(a * std::cos(angle)), 10 * (i - 9),
                                    round_extended(a * std::sin(angle)), 300,
                                    rgb(255 - e, 255 - e, q));
        }
    }
}

void figure_square_of_waves()
{
    int a = random_int(25) + 5;
    for (int k = 0; k <= 171; ++k) {
        int w = round_extended(a * std::sin(2 * k * pi / 171));
        int dur = 300 - k;
        particle_move_cartesian(particle_at(k), k - 85, 85 + w, 0, dur, rgb(k + 84, 255, k + 84));
        particle_move_cartesian(particle_at(172 + k), 85 + w, 85 - k, 0, dur,
                                rgb(255 - k, 255 - k, 255));
        particle_move_cartesian(particle_at(344 + k), 85 - k, -85 - w, 0, dur,
                                rgb(k + 84, k + 84, 255));
        if (k <= 167)
            particle_move_cartesian(particle_at(516 + k), -85 - w, k - 85, 0, dur,
                                    rgb(255 - k, 255, 255 - k));
    }
}

// The saddle height of figures 25 and 26 over the sheet's grid point.
real saddle_height(int x, int y)
{
    return 25 * (0.0004L * x * x - 0.0004L * y * y);
}

void figure_half_saddle()
{
    for (int i = 0; i < particle_rows; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            int x = 10 * (i - 9);
            int y = 5 * (j - 18);
            real s = saddle_height(x, y);
            if (s < 0)
                s = 0;
            int w = round_extended(3 * s);
            particle_move_cartesian(particles[i][j], x, y, round_extended(s), 300,
                                    rgb(255 - w, w, 255));
        }
    }
}

void figure_folded_saddle()
{
    int m = random_int(3);
    for (int i = 0; i < particle_rows; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            int x = 10 * (i - 9);
            int y = 5 * (j - 18);
            real s = saddle_height(x, y);
            int v = round_extended(std::fabs(2 * s));
            int colour = m == 0 ? rgb(255, v, v) : m == 1 ? rgb(v, 255, v) : rgb(v, v, 255);
            particle_move_cartesian(particles[i][j], x, y, round_extended(std::fabs(s)), 300, colour);
        }
    }
}

void figure_waisted_tube()
{
    int m = random_int(3);
    for (int i = 0; i < particle_rows; ++i) {
        wide c = std::cos((i - 9) * pi / 18);
        int rho = 70 - round_extended(50 * c * c);
        int e = 3 * rho;
        int colour = m == 0   ? rgb(255, 255, 255 - e)
                     : m == 1 ? rgb(255, 255 - e, 255)
                              : rgb(255 - e, 255, 255);
        for (int j = 0; j < particle_columns; ++j) {
            particle_move_cartesian(particles[i][j], 10 * (i - 9),
                                    round_extended(rho * std::cos(column_angle(j))),
                                    round_extended(rho * std::sin(column_angle(j))), 300, colour);
        }
    }
}

void figure_spindle()
{
    int n = random_int(2) + 1;
    int colour = random_bright_color();
    for (int i = 0; i < particle_rows; ++i) {
        wide s = std::sin(n * i * pi / 18);
        real rho = s * s * (100.0L / n);
        for (int j = 0; j < particle_columns; ++j) {
            particle_move_cartesian(particles[i][j], round_extended(rho * std::cos(column_angle(j))),
                                    round_extended(rho * std::sin(column_angle(j))), 10 * (i - 9),
                                    300, colour);
        }
    }
}

// One edge of the cube: each coordinate is a face at +-84, or runs along the
// edge upward (v) or downward (w).
const int along_up = 1000;
const int along_down = 1001;

struct CubeEdge {
    int x, y, z;
};

const CubeEdge cube_edges[12] = {
    {along_up, -84, 84},   {84, along_up, 84},   {along_down, 84, 84},   {-84, along_down, 84},
    {along_up, -84, -84},  {84, along_up, -84},  {along_down, 84, -84},  {-84, along_down, -84},
    {-84, -84, along_up},  {-84, 84, along_up},  {84, 84, along_up},     {84, -84, along_up},
};

int cube_coordinate(int code, int k)
{
    if (code == along_up)
        return 3 * (k - 28);
    if (code == along_down)
        return 3 * (28 - k);
    return code;
}

void figure_cube()
{
    int top = random_bright_color();
    int bottom = random_bright_color();
    const int edge_length = 57;
    for (int e = 0; e < 12; ++e) {
        int dur = e < 4 ? 300 : e < 8 ? 200 : 50;
        int colour = e < 4 ? top : e < 8 ? bottom : rgb(255, 255, 255);
        const CubeEdge& edge = cube_edges[e];
        for (int k = 0; k < edge_length; ++k) {
            particle_move_cartesian(particle_at(edge_length * e + k), cube_coordinate(edge.x, k),
                                    cube_coordinate(edge.y, k), cube_coordinate(edge.z, k), dur,
                                    colour);
        }
    }
}

int curve_duration(int k)
{
    return (683 - k) / 3 + 73;
}

void figure_wobbling_spiral()
{
    for (int k = 0; k < particle_count; ++k) {
        real rho = 50 * std::sin(7 * k * pi / 683) + 0.125L * k;
        wide angle = 8 * k * pi / 683;
        particle_move_cartesian(particle_at(k), round_extended(rho * std::cos(angle)),
                                round_extended(rho * std::sin(angle)), k / 8, curve_duration(k),
                                rgb(k % 3, 255, 200));
    }
}

void figure_space_curve()
{
    for (int k = 0; k < particle_count; ++k) {
        int x = round_extended(0.125L * k * std::sin(11 * k * pi / 683));
        int y = round_extended(50 * std::cos(3 * k * pi / 683 + 1.15L) + 10 * std::cos(23 * k * pi / 683));
        int z = round_extended(80 * std::cos(7 * k * pi / 683));
        particle_move_cartesian(particle_at(k), x, y, z, curve_duration(k), rgb(k % 3, 255, 200));
    }
}

void figure_rings_on_pole()
{
    int colours[5];
    for (int& c : colours)
        c = random_bright_color();
    for (int k = 500; k < particle_count; ++k)
        particle_move_cartesian(particle_at(k), 0, k - 591, 0, 100, rgb(255, 255, 255));
    const int heights[5] = {80, 40, 0, -40, -80};
    for (int k = 0; k < 100; ++k) {
        int cx = round_extended(50 * std::cos(0.02L * k * pi));
        int cz = round_extended(50 * std::sin(0.02L * k * pi));
        for (int ring = 0; ring < 5; ++ring)
            particle_move_cartesian(particle_at(100 * ring + k), cx, heights[ring], cz, 400,
                                    colours[ring]);
    }
}

void figure_petal_disc()
{
    int p = random_int(76) + 180;
    int q = random_int(76) + 180;
    int n = random_int(6) + 2;
    for (int i = 0; i < particle_rows; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            wide a = std::fabs(50 * std::sin(n * pi * j / 36));
            particle_move_cylindrical(particles[i][j], 6 * (i + 1), 10 * j,
                                      round_extended(a * std::sin(2.5L * i / 9)), 20 * (19 - i),
                                      rgb(p, q, 255 - 10 * i));
        }
    }
}

void figure_ripple_disc()
{
    int p = random_int(120) + 135;
    int q = random_int(120) + 135;
    int m = random_int(3) + 1;
    for (int i = 0; i < particle_rows; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            particle_move_cylindrical(particles[i][j], 6 * (i + 1), 10 * j,
                                      round_extended((50 - 2 * i) * std::cos(4.0L * m * i / 18)),
                                      10 * (36 - j), rgb(255 - 10 * i, p, q));
        }
    }
}

void figure_petal_disc_second()
{
    int p = random_int(120) + 135;
    int q = random_int(120) + 135;
    int m = random_int(3) + 1;
    int n = 12 + 6 * random_int(2);
    for (int i = 0; i < particle_rows; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            wide a = std::fabs(50 * std::sin(j * pi / n));
            particle_move_cylindrical(particles[i][j], 6 * (i + 1), 10 * j,
                                      round_extended(a * std::sin(2.0L * m * i / 9)), 20 * (19 - i),
                                      rgb(p, 255 - 10 * i, q));
        }
    }
}

void figure_wave_ring()
{
    int p = random_int(120) + 135;
    int q = random_int(120) + 135;
    const int cores[3] = {rgb(p, 0, 0), rgb(0, p, 0), rgb(0, 0, p)};
    const int rings[4] = {rgb(q, 0, q), rgb(q, q, 0), rgb(0, q, q), rgb(q, q, q)};
    int core = cores[random_int(3)];
    int ring = rings[random_int(4)];
    for (int k = 0; k < 360; ++k) {
        int h = round_extended(20 * std::cos(4 * k * pi / 35));
        particle_move_cylindrical(particle_at(k), 80 + h, k, h, 342 - k / 2, ring);
    }
    for (int k = 360; k < particle_count; ++k) {
        int theta = random_int(360);
        int phi = random_int(180);
        particle_move_polar(particle_at(k), 20, theta, phi, 10, core);
    }
}

void (*const catalogue[figure_count])() = {
    figure_small_ball,     figure_globe,           figure_spiral_shell,
    figure_flat_spiral,    figure_galaxy,          figure_funnel,
    figure_ring_band,      figure_double_cone,     figure_flat_disc,
    figure_green_ball,     figure_pinched_torus,   figure_torus_on_x,
    figure_sphere_with_disc, figure_elliptic_tube, figure_three_balls,
    figure_cone,           figure_three_rings,     figure_rising_strand,
    figure_ripple,         figure_helix,           figure_coloured_sheet,
    figure_ringed_planet,  figure_streamers,       figure_crossed_tubes,
    figure_square_of_waves, figure_half_saddle,    figure_folded_saddle,
    figure_waisted_tube,   figure_spindle,         figure_cube,
    figure_wobbling_spiral, figure_space_curve,    figure_rings_on_pole,
    figure_petal_disc,     figure_ripple_disc,     figure_petal_disc_second,
    figure_wave_ring,
};

}

void setup_figure(int n)
{
    if (n >= 0 && n < figure_count)
        catalogue[n]();
}
