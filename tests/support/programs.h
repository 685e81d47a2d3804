#pragma once
// Starting the programs under test and finding their windows.
#include <windows.h>

#include <functional>
#include <string>

// The full path of a file that the build puts next to the running test.
std::string sibling_path(const char* name);

struct Program {
    HANDLE process = nullptr;
    DWORD id = 0;
};

// Starts NAME (a sibling of the test) with the given arguments.
Program start_program(const char* name, const std::string& arguments);
// Waits for the program to end; returns its exit code, or STILL_ACTIVE after
// the timeout (the program is then killed).
DWORD wait_for_exit(Program& program, DWORD timeout_ms);
bool has_exited(const Program& program, DWORD timeout_ms);
// Runs a command line as the Run box would and waits up to two minutes for
// it: its exit code, or STILL_ACTIVE when it did not end.
DWORD run_command(std::string command);
void kill_program(Program& program);
// Stops every thread of the program, or lets them go again.
void hold_program(const Program& program, bool hold);
// The same for a command line that the code page cannot spell.
DWORD run_command(std::wstring command);
// TEXT, in the code page, as UTF-16.
std::wstring wide(const std::string& text);

// Polls for a visible top-level window of the class, belonging to the process.
HWND wait_for_window(const Program& program, const char* class_name, DWORD timeout_ms);
// Polls for a visible child of PARENT with the class.
HWND wait_for_child(HWND parent, const char* class_name, DWORD timeout_ms);

// Runs messages of this thread for a while (keeps our own windows alive).
void pump_messages(DWORD ms);

// A time limit measured where Wine runs natively, for the route this run
// takes (TEST_TIME_SCALE): an emulated one is up to ten times slower.
DWORD route_ms(DWORD native_ms);

// Polls the condition, running our messages meanwhile; false on timeout.
bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms);
