#pragma once
// Counts the shell's update notices for one folder, as a shell view would
// see them: a window registered for the folder's item.
#include <windows.h>
#include <shlobj.h>

class NoticeCounter {
public:
    explicit NoticeCounter(PCIDLIST_ABSOLUTE folder);
    ~NoticeCounter();
    NoticeCounter(const NoticeCounter&) = delete;
    NoticeCounter& operator=(const NoticeCounter&) = delete;

    bool registered() const { return registration_ != 0; }
    // Update notices seen so far, once EXPECTED have come (or the route's
    // time for them has passed) and any further queued ones with them.
    int updates(int expected);

private:
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    HWND window_ = nullptr;
    ULONG registration_ = 0;
    int updates_ = 0;
};

// Closes the next message box of this process with the given caption from
// another thread, and remembers its text.
class MessageBoxCloser {
public:
    explicit MessageBoxCloser(const char* caption);
    ~MessageBoxCloser();
    MessageBoxCloser(const MessageBoxCloser&) = delete;
    MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;

    // Waits for the closer; true when a box was found and closed.
    bool closed(DWORD timeout_ms);
    const char* text() const { return text_; }

private:
    static DWORD WINAPI watch(LPVOID self);

    const char* caption_;
    HANDLE thread_ = nullptr;
    volatile LONG closed_ = 0;
    volatile LONG stop_ = 0;
    char text_[256] = {};
};
