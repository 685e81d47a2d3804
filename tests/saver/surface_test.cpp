// The off-screen surface: its record, what clearing blanks, points written
// into its bits at every scale and never past them, and the copy of what
// changed to the window.
#include "scene/surface.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

const COLORREF grey = RGB(40, 50, 60);
const COLORREF red = RGB(255, 0, 0);
const COLORREF blue = RGB(0, 0, 255);
const COLORREF marker = RGB(1, 2, 3);

class SurfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen = GetDC(nullptr);
        surface_create(surface, screen, 101, 61, 7, 9, grey);
    }
    void TearDown() override { ReleaseDC(nullptr, screen); }

    // Every pixel of the surface but those of the point (X, Y) is grey.
    void expect_only_point(int x, int y, COLORREF colour)
    {
        int k = surface.scale;
        for (int py = 0; py < surface_pixel_height(surface); ++py) {
            for (int px = 0; px < surface_pixel_width(surface); ++px) {
                bool in_point = px / k == x && py / k == y;
                ASSERT_EQ(GetPixel(surface_dc, px, py), in_point ? colour : grey)
                    << "pixel " << px << ", " << py << " for the point " << x << ", " << y;
            }
        }
    }

    HDC screen = nullptr;
};

TEST_F(SurfaceTest, CentreIsTakenAsGiven)
{
    EXPECT_EQ(surface.width, 101);
    EXPECT_EQ(surface.height, 61);
    EXPECT_EQ(surface.centre_x, 7);
    EXPECT_EQ(surface.centre_y, 9);
    EXPECT_EQ(GetCurrentObject(surface_dc, OBJ_BITMAP), surface_bitmap);
}

// Every show of a process makes its surface anew (the tests run many).
// Wine counts no GDI objects (GetGuiResources answers 0), but it knows a
// freed handle, whose slot a new object takes under a new handle.
TEST_F(SurfaceTest, MadeAgainWithoutLeakingTheLastOne)
{
    for (int round = 0; round < 3; ++round) {
        surface_set_scale(surface, 2);
        const HGDIOBJ made[] = {surface_dc, surface_bitmap, black_pen,
                                back_pen,   black_brush,    back_brush};
        if (round < 2)
            surface_create(surface, screen, 101, 61, 7, 9, grey);
        else
            surface_destroy(surface);
        for (HGDIOBJ object : made)
            EXPECT_EQ(GetObjectType(object), 0u) << object << " lives on, round " << round;
    }
}

TEST_F(SurfaceTest, ClearBlanksWhatTheLastFrameLitAndNothingElse)
{
    surface_plot(surface, 50, 30, RGB(255, 255, 255));
    surface_plot(surface, 60, 40, RGB(255, 255, 255));
    // Between and beside the points: the frames never draw there.
    SetPixel(surface_dc, 55, 35, marker);
    SetPixel(surface_dc, 61, 30, marker);
    surface_clear(surface);
    EXPECT_EQ(GetPixel(surface_dc, 50, 30), grey);
    EXPECT_EQ(GetPixel(surface_dc, 60, 40), grey);
    EXPECT_EQ(GetPixel(surface_dc, 55, 35), marker);
    EXPECT_EQ(GetPixel(surface_dc, 61, 30), marker);

    // More points than the clear keeps the places of: all of them go.
    for (int y = 0; y < 61; ++y)
        for (int x = 0; x < 101; ++x)
            surface_plot(surface, x, y, red);
    surface_clear(surface);
    expect_only_point(-1, -1, grey);
}

TEST_F(SurfaceTest, PointsAreSquaresOfTheScaleAndNeverWrittenOutside)
{
    for (int scale : {1, 2, 3}) {
        SCOPED_TRACE(testing::Message() << "scale " << scale);
        surface_set_scale(surface, scale);
        ASSERT_EQ(surface_pixel_width(surface), 101 * scale);
        ASSERT_EQ(surface_pixel_height(surface), 61 * scale);
        const POINT inside[] = {{0, 0}, {100, 0}, {0, 60}, {100, 60}, {3, 4}};
        for (POINT p : inside) {
            surface_plot(surface, p.x, p.y, red);
            expect_only_point(p.x, p.y, red);
            surface_clear(surface);
        }
        // Just beyond each edge and at each corner, and far away: a write
        // there would land in the neighbouring row or outside the bits.
        const POINT outside[] = {{-1, 0},  {-1, 30},     {101, 0},     {101, 30},    {101, 60},
                                 {0, -1},  {50, -1},     {0, 61},      {100, 61},    {-1, -1},
                                 {101, 61}, {INT_MIN, 0}, {INT_MAX, 60}, {50, INT_MIN}, {50, INT_MAX}};
        for (POINT p : outside)
            surface_plot(surface, p.x, p.y, red);
        expect_only_point(-1, -1, grey);
        EXPECT_TRUE(IsRectEmpty(&surface.lit));
    }
}

TEST_F(SurfaceTest, PresentCopiesWhatChangedOrTheWholeSurfaceAfterAnExposure)
{
    HDC target = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 100);
    HGDIOBJ old = SelectObject(target, bitmap);
    PatBlt(target, 0, 0, 200, 100, BLACKNESS);

    // The first copy is whole.
    surface_plot(surface, 10, 10, red);
    surface_present(surface, target, 30, 20);
    EXPECT_EQ(GetPixel(target, 40, 30), red);
    EXPECT_EQ(GetPixel(target, 30, 20), grey);
    EXPECT_EQ(GetPixel(target, 130, 80), grey);
    EXPECT_EQ(GetPixel(target, 29, 20), RGB(0, 0, 0)) << "left of the copy";
    EXPECT_EQ(GetPixel(target, 131, 80), RGB(0, 0, 0)) << "right of the copy";
    EXPECT_EQ(GetPixel(target, 30, 81), RGB(0, 0, 0)) << "below the copy";

    // The next frame: the old point's place and the new point's, no more.
    PatBlt(target, 0, 0, 200, 100, WHITENESS);
    surface_clear(surface);
    surface_plot(surface, 20, 15, blue);
    surface_present(surface, target, 30, 20);
    EXPECT_EQ(GetPixel(target, 40, 30), grey) << "the old point stays on the screen";
    EXPECT_EQ(GetPixel(target, 50, 35), blue);
    EXPECT_EQ(GetPixel(target, 45, 32), grey) << "inside both rectangles' union";
    EXPECT_EQ(GetPixel(target, 39, 30), RGB(255, 255, 255)) << "left of the union";
    EXPECT_EQ(GetPixel(target, 51, 35), RGB(255, 255, 255)) << "right of the union";
    EXPECT_EQ(GetPixel(target, 50, 36), RGB(255, 255, 255)) << "below the union";

    // Scaled: each point a square, the copy as many pixels larger.
    surface_set_scale(surface, 2);
    surface_plot(surface, 20, 15, blue);
    surface_present(surface, target, 0, 0);
    PatBlt(target, 0, 0, 200, 100, WHITENESS);
    surface_clear(surface);
    surface_plot(surface, 22, 15, red);
    surface_present(surface, target, 0, 0);
    EXPECT_EQ(GetPixel(target, 41, 31), grey);
    EXPECT_EQ(GetPixel(target, 44, 30), red);
    EXPECT_EQ(GetPixel(target, 45, 31), red);
    EXPECT_EQ(GetPixel(target, 46, 30), RGB(255, 255, 255)) << "right of the union";
    EXPECT_EQ(GetPixel(target, 44, 32), RGB(255, 255, 255)) << "below the union";

    surface_expose(surface);
    surface_present(surface, target, 0, 0);
    EXPECT_EQ(GetPixel(target, 46, 30), grey);
    EXPECT_EQ(GetPixel(target, 199, 99), grey);

    SelectObject(target, old);
    DeleteObject(bitmap);
    DeleteDC(target);
}

}
