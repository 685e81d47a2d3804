#include "shell/display_power.h"

#include <cstring>

bool display_off;

namespace {

// GUID_CONSOLE_DISPLAY_STATE: the data is 0 (off), 1 (on) or 2 (dimmed).
const GUID console_display_state = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
const DWORD display_state_off = 0;

}

void watch_display_power(HWND window)
{
    RegisterPowerSettingNotification(window, &console_display_state,
                                     DEVICE_NOTIFY_WINDOW_HANDLE);
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
