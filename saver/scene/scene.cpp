#include "scene/scene.h"

#include "scene/random.h"

#include <cstring>

Point3D camera;
Particle particles[particle_rows][particle_columns];
int depth_near = 200;
int depth_far = 400;
int depth_span = 200;
int view_width = 600;
int view_height = 400;
int view_left;
int view_top;
int figure;
char sound_path[MAX_PATH];

namespace {

const char sound_name[] = "vorant.wav";

// A name cut short by the buffer ends in the wrong place: such a program is
// treated as having no directory.
void module_file_name(char (&path)[MAX_PATH])
{
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length >= MAX_PATH)
        length = 0;
    path[length] = '\0';
}

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

void directory_of(const char* path, char* directory, int size)
{
    int end = static_cast<int>(std::strlen(path));
    while (end > 0 && path[end - 1] != '\\')
        --end;
    if (end >= size)
        end = 0;
    std::memcpy(directory, path, end);
    directory[end] = '\0';
}

void program_directory(char* directory, int size)
{
    char path[MAX_PATH];
    module_file_name(path);
    directory_of(path, directory, size);
}

void sound_path_in(const char* directory)
{
    std::size_t length = std::strlen(directory);
    if (length + sizeof sound_name > sizeof sound_path)
        length = 0;
    std::memcpy(sound_path, directory, length);
    std::memcpy(sound_path + length, sound_name, sizeof sound_name);
}

void scene_start()
{
    char directory[MAX_PATH];
    program_directory(directory, sizeof directory);
    sound_path_in(directory);

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
