// One frame of the start sphere as the full-screen show draws it, read back
// from the surface: a disc around the centre, darker where it is deeper.
#include "animation/projection.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "scene/surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const int width = 600;
const int height = 400;

std::vector<COLORREF> read_surface()
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<COLORREF> pixels(width * height);
    // The bitmap must not be selected into a DC while it is read.
    HBITMAP other = CreateCompatibleBitmap(surface_dc, 1, 1);
    SelectObject(surface_dc, other);
    int lines = GetDIBits(surface_dc, surface_bitmap, 0, height, pixels.data(), &info,
                          DIB_RGB_COLORS);
    SelectObject(surface_dc, surface_bitmap);
    DeleteObject(other);
    EXPECT_EQ(lines, height);
    return pixels;
}

// DIB pixels are blue in the low byte; this reads any channel of a grey.
int brightness(COLORREF dib_pixel)
{
    return dib_pixel & 0xFF;
}

class Picture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        build_trig_tables();
        HDC screen = GetDC(nullptr);
        surface_create(surface, screen, width, height, width / 2, height / 2, 0);
        ReleaseDC(nullptr, screen);
        point_set_polar_param(camera, 200, 60, 40, 200);
        set_depth_range(150, 350);
        random_seed(4242);
        scene_start();
        surface_clear(surface);
        for (auto& row : particles) {
            for (Particle& p : row) {
                particle_step(p);
                particle_project(p);
                particle_plot(p);
            }
        }
        pixels = read_surface();
    }

    static COLORREF at(int x, int y) { return pixels[y * width + x]; }

    static std::vector<COLORREF> pixels;
};

std::vector<COLORREF> Picture::pixels;

TEST_F(Picture, LitPixelsFormADiscAroundTheCentre)
{
    // A sphere of radius 50 seen from 200 away with scale 200 spans a disc
    // of radius 50 · 200 / √(200² − 50²) ≈ 51.6 pixels.
    const real radius = 51.6;
    int lit = 0;
    long long sum_x = 0, sum_y = 0;
    int quadrants[4] = {};
    real farthest = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (at(x, y) == 0)
                continue;
            ++lit;
            sum_x += x;
            sum_y += y;
            int dx = x - width / 2, dy = y - height / 2;
            farthest = std::max(farthest, std::sqrt(real(dx * dx + dy * dy)));
            quadrants[(dx >= 0) + 2 * (dy >= 0)]++;
        }
    }
    // 684 points, some sharing a pixel, and the back half partly blacked out
    // by hidden points: still hundreds lit.
    EXPECT_GT(lit, 300);
    EXPECT_LE(farthest, radius + 1.5);
    EXPECT_GE(farthest, radius - 6) << "the disc reaches out to its rim";
    EXPECT_NEAR(real(sum_x) / lit, width / 2, 4);
    EXPECT_NEAR(real(sum_y) / lit, height / 2, 4);
    for (int q : quadrants)
        EXPECT_GT(q, lit / 8) << "lit pixels in every quarter around the centre";
}

TEST_F(Picture, GreyDarkensWithDepth)
{
    // Every lit pixel is a grey from full white at depth 150 to half at 250.
    std::vector<std::pair<real, int>> by_depth;
    for (auto& row : particles) {
        for (const Particle& p : row) {
            COLORREF c = at(p.screen_x, p.screen_y);
            ASSERT_EQ((c >> 8) & 0xFF, c & 0xFF) << std::hex << c;
            ASSERT_EQ((c >> 16) & 0xFF, c & 0xFF) << std::hex << c;
            // A pixel shared with a particle plotted later shows that one.
            bool shared = false;
            for (auto& other_row : particles)
                for (const Particle& q : other_row)
                    shared |= &q != &p && q.screen_x == p.screen_x && q.screen_y == p.screen_y;
            if (!shared)
                by_depth.push_back({p.view_z, brightness(c)});
        }
    }
    ASSERT_GT(by_depth.size(), 300u);
    std::sort(by_depth.begin(), by_depth.end());
    EXPECT_NEAR(by_depth.front().first, 150, 2);
    EXPECT_NEAR(by_depth.back().first, 250, 2);
    EXPECT_GE(by_depth.front().second, 250);
    EXPECT_LE(by_depth.back().second, 135);
    EXPECT_GE(by_depth.back().second, 125);
    for (std::size_t i = 1; i < by_depth.size(); ++i) {
        EXPECT_LE(by_depth[i].second, by_depth[i - 1].second)
            << "depth " << by_depth[i - 1].first << " then " << by_depth[i].first;
    }
}

}
