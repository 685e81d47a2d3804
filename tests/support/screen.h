#pragma once
// What the monitors show, read back pixel by pixel.
#include <windows.h>

#include <functional>
#include <vector>

struct ScreenShot {
    RECT area;  // the virtual screen, in screen coordinates
    std::vector<DWORD> pixels;  // 0x00RRGGBB, top-down rows of the area's width

    int width() const { return area.right - area.left; }
    int height() const { return area.bottom - area.top; }
    // (X, Y) from the area's top-left corner.
    DWORD at(int x, int y) const { return pixels[static_cast<size_t>(y) * width() + x] & 0xFFFFFF; }
};

ScreenShot capture_virtual_screen();
// AREA alone, in screen coordinates: a smaller picture, taken sooner.
ScreenShot capture_screen_area(const RECT& area);

// Lit pixels of SHOT counted inside and outside AREA (the shot's own
// coordinates), and those inside that are not part of a SCALE x SCALE square
// of one colour on the grid that starts at AREA's corner.
struct LitPixels {
    int inside = 0;
    int outside = 0;
    int off_grid = 0;
};

LitPixels count_lit_pixels(const ScreenShot& shot, const RECT& area, int scale);

// The same for pictures of the virtual screen, AREA from its top-left corner:
// the fewest lit inside in any one picture, and the rest added up. Each is of
// one frame: HOLD(true) holds the drawing still while it
// is taken (a picture of a frame on its way shows squares cut in half), and
// HOLD(false) lets a few frames go by before the next. No picture is taken
// again: a frame drawn wrong counts however rarely it comes.
LitPixels count_lit_pixels_on_screen(const RECT& area, int scale,
                                     const std::function<void(bool)>& hold, int pictures = 8);
