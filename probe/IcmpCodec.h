#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The echo request and its reply as bytes: building the request, the Internet checksum and
// recognising the one datagram that answers a request. No sockets, no clock.

constexpr std::size_t kEchoRequestSize = 45;
// What one receive reads: the IP header, the echoed message and room to spare.
constexpr std::size_t kReplyBufferSize = 321;

using EchoRequest = std::array<std::uint8_t, kEchoRequestSize>;

// The numbering of requests, process-wide in the probe: the n-th request carries identifier n
// and sequence number n (their low 16 bits).
struct EchoCounters {
    std::uint32_t nIdentifier = 1;
    std::uint32_t nSequence = 1;
};

// RFC 1071 over nSize bytes; an odd last byte is the high-order byte of a final word. The value
// is in network order: its high byte is the first byte on the wire.
[[nodiscard]] std::uint16_t InternetChecksum(const std::uint8_t* pData, std::size_t nSize);

// The next request, stamped with nStamp; both counters advance by one.
[[nodiscard]] EchoRequest BuildEchoRequest(EchoCounters& counters, std::uint32_t nStamp);

// Whether an IP datagram read from a raw socket is the echo reply from nSource (a.b.c.d as
// (a << 24) | ... | d) that echoes request: identifier, sequence number, stamp and fill.
[[nodiscard]] bool IsEchoReply(const std::uint8_t* pDatagram, std::size_t nSize,
                               const EchoRequest& request, std::uint32_t nSource);
