#include "shell/virtual_screen.h"

#include "scene/scene.h"
#include "scene/surface.h"
#include "shell/display_scale.h"
#include "shell/modes.h"
#include "shell/window.h"

RECT virtual_screen()
{
    RECT screen;
    screen.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    screen.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    screen.right = screen.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    screen.bottom = screen.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    return screen;
}

void place_drawn_area(const RECT& screen)
{
    view_left = (GetSystemMetrics(SM_CXSCREEN) - view_width) / 2 - screen.left;
    view_top = (GetSystemMetrics(SM_CYSCREEN) - view_height) / 2 - screen.top;
}

void fit_drawn_area(const RECT& screen)
{
    surface_set_scale(surface, primary_monitor_scale());
    view_width = surface_pixel_width(surface);
    view_height = surface_pixel_height(surface);
    place_drawn_area(screen);
}

void blank_window(const RECT& screen)
{
    // The window's own objects go back in, so that the surface's can be freed.
    HGDIOBJ pen = SelectObject(window_dc, black_pen);
    HGDIOBJ brush = SelectObject(window_dc, black_brush);
    Rectangle(window_dc, 0, 0, screen.right - screen.left, screen.bottom - screen.top);
    SelectObject(window_dc, brush);
    SelectObject(window_dc, pen);
}

void cover_virtual_screen()
{
    RECT screen = virtual_screen();
    SetWindowPos(main_window, nullptr, screen.left, screen.top, screen.right - screen.left,
                 screen.bottom - screen.top, SWP_NOZORDER | SWP_NOACTIVATE);
    fit_drawn_area(screen);
    blank_window(screen);
    surface_expose(surface);
}
