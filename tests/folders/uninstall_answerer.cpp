// Answers Uninstall's question with OK in whichever process asks it, until it
// is ended or its time (the first argument, in seconds) runs out. Tests that
// run the setup file's uninstall section start it beside them: the box comes
// from a RunDLL process that setup starts, out of the test's reach.
#include "folders/box_answer.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    DWORD seconds = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 600;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < seconds * 1000) {
        std::string text;
        if (answer_uninstall_box(&text)) {
            std::printf("answered the Uninstall box: %s\n", text.c_str());
            std::fflush(stdout);
        }
        Sleep(50);
    }
    return 0;
}
