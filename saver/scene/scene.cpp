#include "scene/scene.h"

#include "scene/random.h"

#include <cwchar>
#include <iterator>

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
wchar_t sound_path[MAX_PATH];

namespace {

const wchar_t sound_name[] = L"vorant.wav";

// A name cut short by the buffer ends in the wrong place: such a program is
// treated as having no directory.
void module_file_name(wchar_t (&path)[MAX_PATH])
{
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
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

void directory_of(const wchar_t* path, wchar_t* directory, int size)
{
    int end = static_cast<int>(std::wcslen(path));
    while (end > 0 && path[end - 1] != L'\\')
        --end;
    if (end >= size)
        end = 0;
    std::wmemcpy(directory, path, end);
    directory[end] = L'\0';
}

void program_directory(wchar_t* directory, int size)
{
    wchar_t path[MAX_PATH];
    module_file_name(path);
    directory_of(path, directory, size);
}

void sound_path_in(const wchar_t* directory)
{
    std::size_t length = std::wcslen(directory);
    if (length + std::size(sound_name) > std::size(sound_path))
        length = 0;
    std::wmemcpy(sound_path, directory, length);
    std::wmemcpy(sound_path + length, sound_name, std::size(sound_name));
}

void scene_start()
{
    wchar_t directory[MAX_PATH];
    program_directory(directory, MAX_PATH);
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
