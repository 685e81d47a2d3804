#pragma once
// The thread that shows the saver window and keeps asking it for frames
// until the show is finished.
#include <windows.h>

DWORD WINAPI render_thread(LPVOID unused);
void start_render_thread();
