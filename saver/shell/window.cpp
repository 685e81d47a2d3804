#include "shell/window.h"

#include "animation/frame.h"
#include "scene/scene.h"
#include "scene/surface.h"
#include "shell/display_power.h"
#include "shell/display_scale.h"
#include "shell/modes.h"
#include "shell/virtual_screen.h"

HWND main_window;
bool closing_requested;
bool show_finished;

const char saver_class_name[] = "VorantScreenSaverClass";

namespace {

const char saver_title[] = "VorantSS";

void register_saver_class(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.style = CS_PARENTDC;
    wc.lpfnWndProc = saver_window_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "MAINICON");
    wc.lpszClassName = saver_class_name;
    RegisterClassA(&wc);
}

void on_input()
{
    if (preview_mode)
        return;
    closing_requested = true;
    particles[0][0].arrived = true;
    figure_change_chance = 0.9;
}

// The system asks the foreground window to start the screen saver; while a
// show runs, default processing would start a second one, locked where a
// password is set.
bool refuses_command(WPARAM command)
{
    return (command & 0xFFF0) == SC_SCREENSAVE;
}

// A preview lives inside the display settings, which size it themselves.
void on_display_change()
{
    if (!preview_mode)
        cover_virtual_screen();
}

// A change of the primary monitor's scale while most of the window lies on
// another monitor comes only as a change of settings.
void on_setting_change()
{
    if (!preview_mode && primary_monitor_scale() != surface.scale)
        cover_virtual_screen();
}

// The system asks for a repaint only when the window lost what it showed:
// black around the drawn area, and the last frame whole. Nothing is drawn
// for a display that is off; the show repaints all when it comes back.
void on_paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (display_off) {
        EndPaint(window, &paint);
        return;
    }
    ExcludeClipRect(dc, view_left, view_top, view_left + view_width, view_top + view_height);
    FillRect(dc, &paint.rcPaint, black_brush);
    EndPaint(window, &paint);
    surface_expose(surface);
    surface_present(surface, window_dc, view_left, view_top);
}

}

HWND create_saver_window(int left, int top, int width, int height, HWND parent)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    register_saver_class(instance);
    HWND window;
    if (parent) {
        window = CreateWindowExA(0, saver_class_name, saver_title,
                                 WS_CHILD | WS_VISIBLE | WS_DISABLED,
                                 left, top, width, height, parent, nullptr, instance, nullptr);
    } else {
        window = CreateWindowExA(0, saver_class_name, saver_title, WS_POPUP | WS_VISIBLE,
                                 left, top, width, height, nullptr, nullptr, instance, nullptr);
        if (window)
            SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW);
    }
    main_window = window;
    return window;
}

LRESULT CALLBACK saver_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        on_paint(window);
        return 0;
    case WM_NCCREATE:
        return 1;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        on_input();
        return 0;
    case WM_ACTIVATEAPP:
        // Another program in front, the keys going to it: a black top-most
        // window over every monitor would only be in the way.
        if (!wparam)
            on_input();
        return 0;
    case WM_SYSCOMMAND:
        if (refuses_command(wparam))
            return 0;
        return DefWindowProcA(window, message, wparam, lparam);
    case WM_DISPLAYCHANGE:
    case WM_DPICHANGED:
        on_display_change();
        return 0;
    case WM_SETTINGCHANGE:
        on_setting_change();
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}
