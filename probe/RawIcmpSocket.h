#pragma once

#include "probe/SocketApi.h"

#include <cstddef>
#include <cstdint>

// A raw IPv4 ICMP socket, open for the object's life. IPv4 addresses are a.b.c.d as
// (a << 24) | (b << 16) | (c << 8) | d.
class CRawIcmpSocket {
public:
    enum class Wait { kReadable, kTimedOut, kFailed };

    CRawIcmpSocket();
    ~CRawIcmpSocket();
    CRawIcmpSocket(const CRawIcmpSocket&) = delete;
    CRawIcmpSocket& operator=(const CRawIcmpSocket&) = delete;

    // False when the platform refused the socket (raw sockets need privileges).
    [[nodiscard]] bool IsOpen() const;

    // The outcome is not reported: a request that never left shows as a missing reply.
    void SendTo(const std::uint8_t* pData, std::size_t nSize, std::uint32_t nAddress);

    // Until a datagram waits to be read, at most nMilliseconds.
    [[nodiscard]] Wait WaitReadable(std::uint32_t nMilliseconds);

    // One whole IP datagram, cut to nCapacity; the number of bytes read (0 when none was
    // there after all), or -1.
    [[nodiscard]] int Receive(std::uint8_t* pBuffer, std::size_t nCapacity);

private:
    SocketHandle m_hSocket;
#ifdef _WIN32
    // Set by Winsock while a datagram waits (WSAEventSelect). Waiting on it rather than in
    // select wakes promptly under Wine too, whose server spins on a readable socket until a
    // thread woken from select has collected the result, and so delays that thread by 1-5 ms.
    // WSA_INVALID_EVENT where a Winsock refuses the event: the wait is then done in select.
    WSAEVENT m_hReadable;
#endif
};

// The first IPv4 address of a host name or dotted-decimal text, through gethostbyname.
[[nodiscard]] bool ResolveHostAddress(const char* szHost, std::uint32_t& nAddress);
