// The off-screen surface: its record, what clearing leaves selected, and the
// one copy to the window.
#include "scene/surface.h"

#include <gtest/gtest.h>

namespace {

const COLORREF grey = RGB(40, 50, 60);

class SurfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen = GetDC(nullptr);
        surface_create(surface, screen, 101, 61, 7, 9, grey);
    }
    void TearDown() override { ReleaseDC(nullptr, screen); }

    HDC screen = nullptr;
};

TEST_F(SurfaceTest, CentreIsTakenAsGiven)
{
    EXPECT_EQ(surface.width, 101);
    EXPECT_EQ(surface.height, 61);
    EXPECT_EQ(surface.centre_x, 7);
    EXPECT_EQ(surface.centre_y, 9);
}

TEST_F(SurfaceTest, ClearPaintsTheBackgroundAndLeavesItsPenAndBrushSelected)
{
    SetPixel(surface_dc, 50, 30, RGB(255, 255, 255));
    surface_clear(surface);
    EXPECT_EQ(GetCurrentObject(surface_dc, OBJ_PEN), back_pen);
    EXPECT_EQ(GetCurrentObject(surface_dc, OBJ_BRUSH), back_brush);
    EXPECT_EQ(GetCurrentObject(surface_dc, OBJ_BITMAP), surface_bitmap);
    for (POINT p : {POINT{0, 0}, POINT{50, 30}, POINT{100, 60}, POINT{100, 0}, POINT{0, 60}})
        EXPECT_EQ(GetPixel(surface_dc, p.x, p.y), grey) << p.x << ", " << p.y;
}

TEST_F(SurfaceTest, PresentCopiesTheWholeSurfaceAtTheGivenPlace)
{
    surface_clear(surface);
    SetPixel(surface_dc, 0, 0, RGB(255, 0, 0));
    SetPixel(surface_dc, 100, 60, RGB(0, 0, 255));

    HDC target = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 100);
    HGDIOBJ old = SelectObject(target, bitmap);
    PatBlt(target, 0, 0, 200, 100, BLACKNESS);

    surface_present(surface, target, 30, 20);
    EXPECT_EQ(GetPixel(target, 30, 20), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(target, 130, 80), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(target, 80, 50), grey);
    EXPECT_EQ(GetPixel(target, 29, 20), RGB(0, 0, 0)) << "left of the copy";
    EXPECT_EQ(GetPixel(target, 131, 80), RGB(0, 0, 0)) << "right of the copy";
    EXPECT_EQ(GetPixel(target, 30, 81), RGB(0, 0, 0)) << "below the copy";

    SelectObject(target, old);
    DeleteObject(bitmap);
    DeleteDC(target);
}

}
