#include "support/programs.h"

#include <tlhelp32.h>

#include <cstdlib>

std::string sibling_path(const char* name)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, length);
    dir.erase(dir.find_last_of('\\') + 1);
    return dir + name;
}

Program start_program(const char* name, const std::string& arguments)
{
    std::string command = "\"" + sibling_path(name) + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    Program program;
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
        CloseHandle(info.hThread);
        program.process = info.hProcess;
        program.id = info.dwProcessId;
    }
    return program;
}

bool has_exited(const Program& program, DWORD timeout_ms)
{
    return WaitForSingleObject(program.process, timeout_ms) == WAIT_OBJECT_0;
}

void kill_program(Program& program)
{
    if (!program.process)
        return;
    TerminateProcess(program.process, 99);
    WaitForSingleObject(program.process, 5000);
    CloseHandle(program.process);
    program.process = nullptr;
}

void hold_program(const Program& program, bool hold)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != program.id)
            continue;
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        if (hold)
            SuspendThread(thread);
        else
            ResumeThread(thread);
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
}

DWORD wait_for_exit(Program& program, DWORD timeout_ms)
{
    if (!has_exited(program, timeout_ms)) {
        kill_program(program);
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(program.process, &code);
    CloseHandle(program.process);
    program.process = nullptr;
    return code;
}

namespace {

// A wait bounds how slow the platform may be; an emulated one (the ARM64
// build's Wine, the 32-bit loader under qemu-i386) names how much slower it
// is in TEST_TIME_SCALE.
DWORD scaled(DWORD timeout_ms)
{
    char value[16] = "";
    int scale = GetEnvironmentVariableA("TEST_TIME_SCALE", value, sizeof value) ? atoi(value) : 1;
    return scale > 1 ? timeout_ms * scale : timeout_ms;
}

struct WindowSearch {
    DWORD process_id;
    const char* class_name;
    HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM lparam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lparam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[256];
    if (owner == search->process_id && IsWindowVisible(window)
        && GetClassNameA(window, name, sizeof name)
        && lstrcmpiA(name, search->class_name) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}

HWND wait_for_window(const Program& program, const char* class_name, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    do {
        WindowSearch search = {program.id, class_name, nullptr};
        EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        pump_messages(20);
    } while (GetTickCount() - start < scaled(timeout_ms));
    return nullptr;
}

HWND wait_for_child(HWND parent, const char* class_name, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    do {
        // A child turns visible only when CreateWindowEx returns in its
        // process; until then its styles are not yet its own.
        HWND child = FindWindowExA(parent, nullptr, class_name, nullptr);
        if (child && IsWindowVisible(child))
            return child;
        pump_messages(20);
    } while (GetTickCount() - start < scaled(timeout_ms));
    return nullptr;
}

void pump_messages(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeout_ms)
            return false;
        pump_messages(20);
    }
    return true;
}

DWORD run_command(std::string command)
{
    return run_command(wide(command));
}

DWORD run_command(std::wstring command)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return GetLastError();
    CloseHandle(info.hThread);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(info.hProcess, 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    return code;
}

std::wstring wide(const std::string& text)
{
    std::wstring result(text.size(), L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &result[0],
                                     static_cast<int>(result.size()));
    result.resize(length > 0 ? length : 0);
    return result;
}

DWORD route_ms(DWORD native_ms)
{
    return scaled(native_ms);
}
