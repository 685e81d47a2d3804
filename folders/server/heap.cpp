// Every allocation form of the library comes from the process heap. Defining
// them here keeps the C++ runtime's versions, malloc-based and with the
// exception machinery they bring, out of the library that every shell
// process maps: a form left to the runtime would pair its malloc with our
// HeapFree. The throwing forms are left undefined on purpose: on exhaustion
// they could only raise an exception that nothing in the shell catches, so
// every allocation asks for null instead, and a later plain new links the
// runtime's, which the check of the library's link map refuses.
#include <windows.h>

#include <new>

static void* AllocateOrNull(std::size_t cb) noexcept
{
    return HeapAlloc(GetProcessHeap(), 0, cb != 0 ? cb : 1);
}

static void Free(void* pv) noexcept
{
    if (pv != nullptr)
        HeapFree(GetProcessHeap(), 0, pv);
}

void* operator new(std::size_t cb, const std::nothrow_t&) noexcept
{
    return AllocateOrNull(cb);
}

void* operator new[](std::size_t cb, const std::nothrow_t&) noexcept
{
    return AllocateOrNull(cb);
}

void operator delete(void* pv) noexcept
{
    Free(pv);
}

void operator delete[](void* pv) noexcept
{
    Free(pv);
}

void operator delete(void* pv, std::size_t) noexcept
{
    Free(pv);
}

void operator delete[](void* pv, std::size_t) noexcept
{
    Free(pv);
}

void operator delete(void* pv, const std::nothrow_t&) noexcept
{
    Free(pv);
}

void operator delete[](void* pv, const std::nothrow_t&) noexcept
{
    Free(pv);
}
