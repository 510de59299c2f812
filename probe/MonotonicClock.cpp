#include "probe/MonotonicClock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h> // NOLINT(modernize-deprecated-headers): POSIX declares clock_gettime here, not in <ctime>
#endif

#ifdef _WIN32

namespace {

std::uint64_t CounterFrequency()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<std::uint64_t>(frequency.QuadPart);
}

} // namespace

std::uint32_t MonotonicMilliseconds()
{
    static const std::uint64_t s_nFrequency = CounterFrequency();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    const auto nCount = static_cast<std::uint64_t>(counter.QuadPart);
    // Split so that the multiplication cannot overflow however long the system has run.
    const std::uint64_t nMs =
        nCount / s_nFrequency * 1000 + nCount % s_nFrequency * 1000 / s_nFrequency;
    return static_cast<std::uint32_t>(nMs);
}

#else

std::uint32_t MonotonicMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto nMs = static_cast<std::uint64_t>(now.tv_sec) * 1000 +
                     static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
    return static_cast<std::uint32_t>(nMs);
}

#endif
