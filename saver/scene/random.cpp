#include "scene/random.h"

#include <windows.h>

#include <cstdint>

namespace {

std::uint32_t random_state;

std::uint32_t random_next()
{
    random_state = random_state * 134775813u + 1u;
    return random_state;
}

}

void random_seed(unsigned seed)
{
    random_state = seed;
}

void random_seed_from_clock()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    random_seed(((now.wHour * 60u + now.wMinute) * 60u + now.wSecond) * 1000u
                + now.wMilliseconds);
}

int random_int(int n)
{
    return static_cast<int>((static_cast<std::uint64_t>(random_next()) * n) >> 32);
}

real random_real()
{
    return random_next() / 4294967296.0;
}
