#include "shell/display_power.h"

#include <cstring>

bool display_off;
HWND display_power_window;

namespace {

// GUID_CONSOLE_DISPLAY_STATE: the data is 0 (off), 1 (on) or 2 (dimmed).
const GUID console_display_state = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
const DWORD display_state_off = 0;
const char listener_class_name[] = "VorantDisplayPowerClass";

HPOWERNOTIFY display_notice;

LRESULT CALLBACK listener_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message != WM_POWERBROADCAST)
        return DefWindowProcA(window, message, wparam, lparam);
    on_power_notice(wparam, lparam);
    return TRUE;
}

HWND create_listener()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = listener_proc;
    wc.hInstance = instance;
    wc.lpszClassName = listener_class_name;
    RegisterClassA(&wc);
    return CreateWindowExA(0, listener_class_name, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr,
                           nullptr, instance, nullptr);
}

}

void watch_display_power()
{
    display_off = false;
    display_power_window = create_listener();
    display_notice = RegisterPowerSettingNotification(display_power_window, &console_display_state,
                                                      DEVICE_NOTIFY_WINDOW_HANDLE);
}

void stop_watching_display_power()
{
    if (display_notice)
        UnregisterPowerSettingNotification(display_notice);
    display_notice = nullptr;
    if (display_power_window)
        DestroyWindow(display_power_window);
    display_power_window = nullptr;
}

void on_power_notice(WPARAM event, LPARAM data)
{
    if (event != PBT_POWERSETTINGCHANGE || !data)
        return;
    const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(data);
    if (!IsEqualGUID(setting->PowerSetting, console_display_state)
        || setting->DataLength < sizeof(DWORD))
        return;
    DWORD state;
    std::memcpy(&state, setting->Data, sizeof state);
    display_off = state == display_state_off;
}
