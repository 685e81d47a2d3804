#include "shell/display_power.h"

#include <cstring>

bool display_off;
HWND display_power_window;

namespace {

// GUID_SESSION_DISPLAY_STATUS (Windows 8 on): the display of the session the
// show runs in, which in a remote session is not the console's.
const GUID session_display_status = {
    0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};
// GUID_CONSOLE_DISPLAY_STATE: the physical console's, for older systems.
const GUID console_display_state = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
// Both say 0 (off), 1 (on) or 2 (dimmed).
const DWORD display_state_off = 0;
const char listener_class_name[] = "VorantDisplayPowerClass";

HPOWERNOTIFY session_notice;
HPOWERNOTIFY console_notice;
// The system tells the session's state as soon as it is asked for; once it
// has, the console's says nothing about what this session shows.
bool session_heard;

HPOWERNOTIFY ask_for_notice(const GUID& setting)
{
    return RegisterPowerSettingNotification(display_power_window, &setting,
                                            DEVICE_NOTIFY_WINDOW_HANDLE);
}

void give_back(HPOWERNOTIFY& notice)
{
    if (notice)
        UnregisterPowerSettingNotification(notice);
    notice = nullptr;
}

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
    session_heard = false;
    display_power_window = create_listener();
    session_notice = ask_for_notice(session_display_status);
    console_notice = ask_for_notice(console_display_state);
}

void stop_watching_display_power()
{
    give_back(session_notice);
    give_back(console_notice);
    if (display_power_window)
        DestroyWindow(display_power_window);
    display_power_window = nullptr;
}

void on_power_notice(WPARAM event, LPARAM data)
{
    if (event != PBT_POWERSETTINGCHANGE || !data)
        return;
    const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(data);
    bool from_session = IsEqualGUID(setting->PowerSetting, session_display_status);
    bool from_console = IsEqualGUID(setting->PowerSetting, console_display_state);
    if (!(from_session || (from_console && !session_heard)) || setting->DataLength < sizeof(DWORD))
        return;
    session_heard = session_heard || from_session;
    DWORD state;
    std::memcpy(&state, setting->Data, sizeof state);
    display_off = state == display_state_off;
}
