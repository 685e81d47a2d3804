// Projection through the camera and the depth-faded pixel, read back from the
// surface the plot draws into.
#include "animation/projection.h"
#include "scene/scene.h"
#include "scene/surface.h"

#include <gtest/gtest.h>

namespace {

const int width = 64;
const int height = 48;
const int centre_x = 32;
const int centre_y = 24;
// Anything but black, so that a black plot is told apart from no plot.
const COLORREF background = RGB(0, 90, 0);

class Projection : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        build_trig_tables();
        HDC screen = GetDC(nullptr);
        surface_create(surface, screen, width, height, centre_x, centre_y, background);
        ReleaseDC(nullptr, screen);
    }

    void SetUp() override
    {
        set_depth_range(150, 350);
        // Looking along -x at the origin from (200, 0, 0): a point (x, 0, 0)
        // has the depth 200 - x exactly and lands on the centre.
        point_set_polar_param(camera, 200, 0, 90, 200);
        surface_clear(surface);
    }

    static Particle at(int x, int y, int z, int colour)
    {
        Particle p{};
        point_set_cartesian(p.pos, x, y, z);
        p.pos.param = colour;
        return p;
    }
};

TEST_F(Projection, OriginLandsOnTheCentreAtTheCameraDistance)
{
    point_set_polar_param(camera, 200, 60, 40, 200);
    Particle p = at(0, 0, 0, 0xFFFFFF);
    p.screen_x = p.screen_y = -1;
    particle_project(p);
    EXPECT_EQ(p.view_z, 200.0);
    EXPECT_EQ(p.screen_x, centre_x);
    EXPECT_EQ(p.screen_y, centre_y);
}

struct PlaceCase {
    int x, y, z;
    int screen_x, screen_y;
};

TEST_F(Projection, ScreenRightIsWorldYAndScreenUpIsWorldZ)
{
    const PlaceCase cases[] = {
        {0, 10, 0, centre_x + 10, centre_y},
        {0, 0, 10, centre_x, centre_y - 10},
        {0, -7, -3, centre_x - 7, centre_y + 3},
        // Nearer points spread out: depth 100 doubles the offset.
        {100, 5, 0, centre_x + 10, centre_y},
        // Depth 160 scales by 1.25, which rounds back to 1.
        {40, 1, -1, centre_x + 1, centre_y + 1},
    };
    for (const PlaceCase& c : cases) {
        Particle p = at(c.x, c.y, c.z, 0xFFFFFF);
        particle_project(p);
        EXPECT_EQ(p.screen_x, c.screen_x) << "(" << c.x << ", " << c.y << ", " << c.z << ")";
        EXPECT_EQ(p.screen_y, c.screen_y) << "(" << c.x << ", " << c.y << ", " << c.z << ")";
    }
}

struct FadeCase {
    int depth;
    int colour;
    int expected;
};

TEST_F(Projection, PlotFadesWithDepthAndDrawsHiddenPointsBlack)
{
    const FadeCase cases[] = {
        {100, 0x3080FF, 0x3080FF},   // nearer than the fading
        {150, 0xFFFFFF, 0xFFFFFF},   // exactly near: full colour
        {250, 0xFFFFFF, 0x808080},   // halfway: 127.5 rounds to 128
        {250, 0x0000FF, 0x000080},
        {250, 0x640000, 0x320000},
        {300, 0xFFFFFF, 0x404040},   // a quarter of 255 left: 63.75
        {349, 0xFFFFFF, 0x010101},   // 1.275
        {350, 0xFFFFFF, 0x000000},   // exactly far: black
        {400, 0xFFFFFF, 0x000000},   // beyond far
        {0, 0xFFFFFF, 0x000000},     // level with the camera: black at the centre
        {-50, 0xFFFFFF, 0x000000},   // behind the camera
    };
    for (const FadeCase& c : cases) {
        surface_clear(surface);
        Particle p = at(200 - c.depth, 0, 0, c.colour);
        particle_project(p);
        SCOPED_TRACE(testing::Message() << "depth " << c.depth << " colour " << std::hex
                                        << c.colour);
        ASSERT_EQ(p.view_z, static_cast<real>(c.depth));
        ASSERT_EQ(p.screen_x, centre_x);
        ASSERT_EQ(p.screen_y, centre_y);
        particle_plot(p);
        EXPECT_EQ(GetPixel(surface_dc, centre_x, centre_y), static_cast<COLORREF>(c.expected))
            << std::hex << GetPixel(surface_dc, centre_x, centre_y);
    }
}

TEST_F(Projection, PointAHairFromTheCameraPlaneIsClippedNotWrapped)
{
    // A camera a hair off the x-y plane puts (200, 10, 1) at a depth of about
    // 1e-12: the quotient is near 2e15, far beyond an int.
    const real signs[] = {1, -1};
    for (real sign : signs) {
        camera.cos_phi = -1e-12 * sign;
        surface_clear(surface);
        Particle p = at(200, 10, 1, 0xFFFFFF);
        particle_project(p);
        SCOPED_TRACE(testing::Message() << "depth " << p.view_z);
        ASSERT_NE(p.view_z, 0.0);
        ASSERT_LT(p.view_z * sign, 1e-9);
        ASSERT_GT(p.view_z * sign, 0.0);
        if (sign > 0) {
            EXPECT_GE(p.screen_x, 100000) << "right, far off the surface";
            EXPECT_LE(p.screen_y, -100000) << "above, far off the surface";
        } else {
            EXPECT_LE(p.screen_x, -100000) << "left, far off the surface";
            EXPECT_GE(p.screen_y, 100000) << "below, far off the surface";
        }
        particle_plot(p);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(GetPixel(surface_dc, x, y), background) << x << ", " << y;
    }
}

}
