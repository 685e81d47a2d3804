#include "shell/display_scale.h"

namespace {

const int base_dpi = 96;
// A bogus DPI of thousands would ask for a bitmap of gigabytes.
const int largest_scale = 8;
const int effective_dpi = 0;

typedef HRESULT(WINAPI* DpiForMonitor)(HMONITOR monitor, int kind, UINT* x, UINT* y);
typedef DPI_AWARENESS_CONTEXT(WINAPI* WindowAwareness)(HWND window);
typedef DPI_AWARENESS_CONTEXT(WINAPI* SetThreadAwareness)(DPI_AWARENESS_CONTEXT awareness);

template <typename Entry>
Entry user32_entry(const char* name)
{
    FARPROC found = GetProcAddress(GetModuleHandleA("user32.dll"), name);
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(found));
}

int screen_dpi()
{
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// Each monitor has a DPI of its own only from Windows 8.1 on; before, the
// screen's one DPI is the primary monitor's.
int read_primary_dpi()
{
    HMODULE shcore = LoadLibraryA("shcore.dll");
    FARPROC found = shcore ? GetProcAddress(shcore, "GetDpiForMonitor") : nullptr;
    auto dpi_for_monitor = reinterpret_cast<DpiForMonitor>(reinterpret_cast<void (*)()>(found));
    UINT x = 0, y = 0;
    bool known = dpi_for_monitor
                 && dpi_for_monitor(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY),
                                    effective_dpi, &x, &y) == S_OK;
    if (shcore)
        FreeLibrary(shcore);
    return known ? static_cast<int>(x) : screen_dpi();
}

}

int (*primary_dpi_reader)() = read_primary_dpi;

int scale_for_dpi(int dpi)
{
    if (dpi >= largest_scale * base_dpi)
        return largest_scale;
    int scale = (dpi + base_dpi / 2) / base_dpi;
    return scale > 1 ? scale : 1;
}

int primary_monitor_scale()
{
    return scale_for_dpi(primary_dpi_reader());
}

void take_awareness_of(HWND window)
{
    auto window_awareness = user32_entry<WindowAwareness>("GetWindowDpiAwarenessContext");
    auto set_thread_awareness = user32_entry<SetThreadAwareness>("SetThreadDpiAwarenessContext");
    DPI_AWARENESS_CONTEXT awareness = window_awareness ? window_awareness(window) : nullptr;
    if (awareness && set_thread_awareness)
        set_thread_awareness(awareness);
}
