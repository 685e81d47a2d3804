#include "support/stdcall.h"

#ifdef __i386__
DWORD call_counting_popped_bytes(const void* entry, const DWORD* arguments, DWORD count)
{
    DWORD left = 0;
    // The arguments go on in reverse order; ESI keeps the stack pointer of
    // before the call across it, as every calling convention preserves ESI.
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "movl %[count], %%ecx\n"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl -4(%[arguments],%%ecx,4)\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n"
        "2:\n\t"
        "call *%[entry]\n\t"
        "movl %%esi, %%eax\n\t"
        "subl %%esp, %%eax\n\t"
        "movl %%esi, %%esp\n\t"
        : "=&a"(left)
        : [entry] "b"(entry), [arguments] "D"(arguments), [count] "m"(count)
        : "ecx", "edx", "esi", "memory", "cc");
    return count * sizeof(DWORD) - left;
}
#endif
