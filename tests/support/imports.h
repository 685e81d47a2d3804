#pragma once
// Tests watch the calls a module makes into the system by pointing its
// imports at stand-ins.
#include <windows.h>

// Points MODULE's import of DLL!NAME at REPLACEMENT.
void patch_import(HMODULE module, const char* dll, const char* name, void* replacement);
