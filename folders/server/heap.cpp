// The library's objects come from the process heap through the non-throwing
// new. Defining the allocation functions here keeps the C++ runtime's
// throwing versions, and the exception machinery they bring, out of the
// library that every shell process maps.
#include <windows.h>

#include <new>

void* operator new(std::size_t cb, const std::nothrow_t&) noexcept
{
    return HeapAlloc(GetProcessHeap(), 0, cb != 0 ? cb : 1);
}

void operator delete(void* pv) noexcept
{
    if (pv != nullptr)
        HeapFree(GetProcessHeap(), 0, pv);
}

void operator delete(void* pv, std::size_t) noexcept
{
    operator delete(pv);
}
