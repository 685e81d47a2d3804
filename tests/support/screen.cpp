#include "support/screen.h"

#include <algorithm>

namespace {

bool one_colour_square(const ScreenShot& shot, int left, int top, int size)
{
    if (left + size > shot.width() || top + size > shot.height())
        return false;
    for (int y = top; y < top + size; ++y)
        for (int x = left; x < left + size; ++x)
            if (shot.at(x, y) != shot.at(left, top))
                return false;
    return true;
}

}

ScreenShot capture_virtual_screen()
{
    RECT area;
    area.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    area.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    area.right = area.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    area.bottom = area.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    return capture_screen_area(area);
}

ScreenShot capture_screen_area(const RECT& area)
{
    ScreenShot shot;
    shot.area = area;
    int width = shot.width(), height = shot.height();
    HDC screen = GetDC(nullptr);
    HDC copy = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, width, height, screen, shot.area.left, shot.area.top, SRCCOPY);
    SelectObject(copy, old);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    shot.pixels.resize(static_cast<size_t>(width) * height);
    GetDIBits(copy, bitmap, 0, height, shot.pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(copy);
    ReleaseDC(nullptr, screen);
    return shot;
}

LitPixels count_lit_pixels(const ScreenShot& shot, const RECT& area, int scale)
{
    LitPixels lit;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            if (shot.at(x, y) == 0)
                continue;
            POINT p = {x, y};
            if (!PtInRect(&area, p)) {
                ++lit.outside;
                continue;
            }
            ++lit.inside;
            int square_left = x - (x - area.left) % scale;
            int square_top = y - (y - area.top) % scale;
            if (!one_colour_square(shot, square_left, square_top, scale))
                ++lit.off_grid;
        }
    }
    return lit;
}

LitPixels count_lit_pixels_on_screen(const RECT& area, int scale,
                                     const std::function<void(bool)>& hold, int pictures)
{
    LitPixels sum;
    for (int picture = 0; picture < pictures; ++picture) {
        hold(true);
        LitPixels lit = count_lit_pixels(capture_virtual_screen(), area, scale);
        hold(false);
        sum.inside = picture == 0 ? lit.inside : std::min(sum.inside, lit.inside);
        sum.outside += lit.outside;
        sum.off_grid += lit.off_grid;
        Sleep(50);
    }
    return sum;
}
