#pragma once

#include <cstdint>

// One timed ICMP echo exchange over a raw IPv4 socket.
class CIcmpProbe {
public:
    // 0 or more: the round trip in ms; -1: no raw socket; -2: host not resolvable;
    // -3: no reply within one second.
    std::int32_t MeasureRoundTrip(const char* szHost);
};
