#pragma once

#include <cstdint>

// Milliseconds from a fixed, never adjusted start, as a 32-bit count that wraps. Differences of
// two readings are exact to the millisecond (the tick count of the system moves in 10-16 ms
// steps on Windows, too coarse to tell lines apart).
[[nodiscard]] std::uint32_t MonotonicMilliseconds();
