#include "notices.h"

#include "support/programs.h"

static const UINT kNoticeMessage = WM_APP + 7;
static const char kCounterClass[] = "FoldersNoticeCounter";

LRESULT CALLBACK NoticeCounter::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == kNoticeMessage && static_cast<LONG>(lparam) == SHCNE_UPDATEITEM) {
        auto* self = reinterpret_cast<NoticeCounter*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self)
            ++self->updates_;
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

NoticeCounter::NoticeCounter(PCIDLIST_ABSOLUTE folder)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kCounterClass;
    RegisterClassA(&wc);
    window_ = CreateWindowA(kCounterClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SHChangeNotifyEntry entry = {folder, FALSE};
    registration_ = SHChangeNotifyRegister(window_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel,
                                           SHCNE_UPDATEITEM, kNoticeMessage, 1, &entry);
}

NoticeCounter::~NoticeCounter()
{
    if (registration_)
        SHChangeNotifyDeregister(registration_);
    DestroyWindow(window_);
}

int NoticeCounter::updates(int expected)
{
    wait_until([this, expected] { return updates_ >= expected; }, route_ms(10000));
    pump_messages(20);
    return updates_;
}

MessageBoxCloser::MessageBoxCloser(const char* caption) : caption_(caption)
{
    thread_ = CreateThread(nullptr, 0, watch, this, 0, nullptr);
}

MessageBoxCloser::~MessageBoxCloser()
{
    InterlockedExchange(&stop_, 1);
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
}

// The box's message is the one static control with text.
static BOOL CALLBACK read_static_text(HWND child, LPARAM lparam)
{
    char class_name[16];
    GetClassNameA(child, class_name, sizeof class_name);
    if (lstrcmpiA(class_name, "Static") != 0 || GetWindowTextLengthA(child) == 0)
        return TRUE;
    GetWindowTextA(child, reinterpret_cast<char*>(lparam), 256);
    return FALSE;
}

DWORD WINAPI MessageBoxCloser::watch(LPVOID parameter)
{
    auto* self = static_cast<MessageBoxCloser*>(parameter);
    while (!self->stop_) {
        HWND box = FindWindowA("#32770", self->caption_);
        DWORD owner = 0;
        if (box)
            GetWindowThreadProcessId(box, &owner);
        // Shown only once its text is in place.
        if (box && owner == GetCurrentProcessId() && IsWindowVisible(box)) {
            EnumChildWindows(box, read_static_text, reinterpret_cast<LPARAM>(self->text_));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            InterlockedExchange(&self->closed_, 1);
            return 0;
        }
        Sleep(10);
    }
    return 0;
}

bool MessageBoxCloser::closed(DWORD timeout_ms)
{
    WaitForSingleObject(thread_, timeout_ms);
    return closed_ != 0;
}
