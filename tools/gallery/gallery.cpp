// Renders every figure of the show with the show's own code into the
// off-screen surface and saves each frame as a bitmap file, for the contact
// sheet that scripts/gallery.sh assembles.
// Usage: gallery.exe OUTPUT_FOLDER
#include "animation/closing.h"
#include "animation/figures.h"
#include "animation/projection.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "scene/surface.h"

#include <windows.h>

#include <cstdio>

namespace {

const int sheet_width = 600;
const int sheet_height = 400;
// Far enough into the burst to see the disc before it fades out.
const int burst_frames_shown = 6;

unsigned char pixels[sheet_width * sheet_height * 3];

void start_scene(unsigned seed)
{
    random_seed(seed);
    point_set_polar_param(camera, 200, 60, 40, 200);
    scene_start();
}

bool all_arrived()
{
    for (auto& row : particles)
        for (const Particle& p : row)
            if (!p.arrived)
                return false;
    return true;
}

void step_all(int frames)
{
    for (int f = 0; f < frames; ++f)
        for (auto& row : particles)
            for (Particle& p : row)
                particle_step(p);
}

void run_glides_to_end()
{
    while (!all_arrived())
        step_all(1);
}

void draw_scene()
{
    surface_clear(surface);
    for (auto& row : particles) {
        for (Particle& p : row) {
            particle_project(p);
            particle_plot(p);
        }
    }
}

// Copies the surface into a bottom-up 24-bit DIB section and writes it out.
bool save_surface(const char* path)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = sheet_width;
    info.bmiHeader.biHeight = sheet_height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(surface_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC copy_dc = CreateCompatibleDC(surface_dc);
    HGDIOBJ old = SelectObject(copy_dc, copy);
    BitBlt(copy_dc, 0, 0, sheet_width, sheet_height, surface_dc, 0, 0, SRCCOPY);
    GdiFlush();
    CopyMemory(pixels, bits, sizeof pixels);
    SelectObject(copy_dc, old);
    DeleteDC(copy_dc);
    DeleteObject(copy);

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + sizeof pixels;
    FILE* out = std::fopen(path, "wb");
    if (!out)
        return false;
    bool written = std::fwrite(&file, sizeof file, 1, out) == 1
                   && std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1
                   && std::fwrite(pixels, sizeof pixels, 1, out) == 1;
    return std::fclose(out) == 0 && written;
}

bool save_as(const char* folder, const char* name)
{
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%s\\%s.bmp", folder, name);
    draw_scene();
    if (save_surface(path))
        return true;
    std::fprintf(stderr, "cannot write %s\n", path);
    return false;
}

}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: gallery OUTPUT_FOLDER\n");
        return 2;
    }
    const char* folder = argv[1];
    build_trig_tables();
    set_depth_range(150, 350);
    surface_create(surface, GetDC(nullptr), sheet_width, sheet_height, sheet_width / 2,
                   sheet_height / 2, 0);

    bool ok = true;
    for (int n = 0; n < figure_count; ++n) {
        start_scene(1000 + n);
        setup_figure(n);
        run_glides_to_end();
        char name[16];
        std::snprintf(name, sizeof name, "figure-%02d", n);
        ok = save_as(folder, name) && ok;
    }

    start_scene(2000);
    setup_collapse();
    run_glides_to_end();
    ok = save_as(folder, "collapse") && ok;
    setup_burst();
    step_all(burst_frames_shown);
    ok = save_as(folder, "burst") && ok;
    return ok ? 0 : 1;
}
