#pragma once

#include "probe/IcmpCodec.h"

#include <cstdint>

// One timed ICMP echo exchange over a raw IPv4 socket.
class CIcmpProbe {
public:
    static constexpr std::int32_t kSocketRefused = -1;
    static constexpr std::int32_t kHostUnresolved = -2;
    static constexpr std::int32_t kNoReply = -3;

    // 0 or more: the round trip in ms; -1: no raw socket; -2: host not resolvable;
    // -3: no reply within one second.
    [[nodiscard]] std::int32_t MeasureRoundTrip(const char* szHost);

    // The numbers the next request of this process will carry; they advance only when a
    // request is built.
    [[nodiscard]] static EchoCounters GetNextNumbers();
};
