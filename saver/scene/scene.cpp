#include "scene/scene.h"

#include "scene/random.h"

#include <cstring>

Point3D camera;
Particle particles[particle_rows][particle_columns];
int depth_near = 200;
int depth_far = 400;
int depth_span;
int view_width = 600;
int view_height = 400;
int view_left;
int view_top;
int figure;
char sound_path[MAX_PATH];

namespace {

const char sound_name[] = "vorant.wav";

}

void set_depth_range(int near_depth, int far_depth)
{
    depth_near = near_depth;
    depth_far = far_depth;
    depth_span = far_depth - near_depth;
}

void particle_init(Particle& p, int dist, int theta, int phi, int colour)
{
    point_set_polar_param(p.pos, dist, theta, phi, colour);
    p.arrived = true;
}

void program_directory(char* directory, int size)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        length = 0;
    int end = static_cast<int>(length);
    while (end > 0 && path[end - 1] != '\\')
        --end;
    if (end >= size)
        end = 0;
    std::memcpy(directory, path, end);
    directory[end] = '\0';
}

void scene_start()
{
    char dir[MAX_PATH];
    program_directory(dir, MAX_PATH - (sizeof sound_name - 1));
    std::strcpy(sound_path, dir);
    std::strcat(sound_path, sound_name);

    for (auto& row : particles) {
        for (Particle& p : row) {
            int phi = random_int(180);
            int theta = random_int(360);
            particle_init(p, 50, theta, phi, 0xFFFFFF);
        }
    }
    figure = 0;
}

int random_bright_color()
{
    int r, g, b;
    do {
        r = random_int(256);
        g = random_int(256);
        b = random_int(256);
    } while (r + g + b <= 150);
    return r + 256 * g + 65536 * b;
}
