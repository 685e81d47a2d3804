#pragma once
// On 32-bit x86 a stdcall entry point takes its own arguments off the stack.
// One that pops the wrong number of bytes unbalances every caller that does
// not restore its stack pointer itself, such as the shell.
#include <windows.h>

#ifdef __i386__
// Calls ENTRY with the COUNT arguments and returns how many bytes of them it
// popped.
DWORD call_counting_popped_bytes(const void* entry, const DWORD* arguments, DWORD count);
#endif
