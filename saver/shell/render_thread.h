#pragma once
// The thread that shows the saver window and asks it for frames at the
// display's rate until the show is finished.
#include <windows.h>

#include <atomic>

// Posted to the saver window for each frame; the main thread draws it.
const UINT frame_request = WM_APP;
// Set while a request waits in the queue: a main thread that falls behind
// gets one frame to draw, never a pile of them.
extern std::atomic<bool> frame_requested;
// The thread, kept so that the end of a show can be waited for.
extern HANDLE render_thread_handle;

DWORD WINAPI render_thread(LPVOID unused);
void start_render_thread();
