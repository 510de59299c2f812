#include "probe/RawIcmpSocket.h"

#include <cstring>

namespace {

sockaddr_in MakeAddress(std::uint32_t nAddress)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    address.sin_addr.s_addr = htonl(nAddress);
    return address;
}

#ifdef _WIN32

// The event Winsock sets while a datagram waits on hSocket (which this makes non-blocking), or
// WSA_INVALID_EVENT.
WSAEVENT WatchReadable(SocketHandle hSocket)
{
    if (hSocket == kInvalidSocket) {
        return WSA_INVALID_EVENT;
    }
    const WSAEVENT hEvent = WSACreateEvent();
    if (hEvent != WSA_INVALID_EVENT && WSAEventSelect(hSocket, hEvent, FD_READ) != 0) {
        WSACloseEvent(hEvent);
        return WSA_INVALID_EVENT;
    }
    return hEvent;
}

#endif

} // namespace

CRawIcmpSocket::CRawIcmpSocket()
    : m_hSocket(socket(AF_INET, SOCK_RAW, IPPROTO_ICMP))
#ifdef _WIN32
    , m_hReadable(WatchReadable(m_hSocket))
#endif
{
}

CRawIcmpSocket::~CRawIcmpSocket()
{
    if (IsOpen()) {
        CloseSocketHandle(m_hSocket);
    }
#ifdef _WIN32
    if (m_hReadable != WSA_INVALID_EVENT) {
        WSACloseEvent(m_hReadable);
    }
#endif
}

bool CRawIcmpSocket::IsOpen() const
{
    return m_hSocket != kInvalidSocket;
}

void CRawIcmpSocket::SendTo(const std::uint8_t* pData, std::size_t nSize, std::uint32_t nAddress)
{
    const sockaddr_in target = MakeAddress(nAddress);
    sendto(m_hSocket, reinterpret_cast<const char*>(pData), static_cast<int>(nSize), 0,
           reinterpret_cast<const sockaddr*>(&target), sizeof target);
}

namespace {

CRawIcmpSocket::Wait WaitInSelect(SocketHandle hSocket, std::uint32_t nMilliseconds)
{
    fd_set readSet;
    FD_ZERO(&readSet);
    FD_SET(hSocket, &readSet);
    timeval timeout{};
    timeout.tv_sec = static_cast<long>(nMilliseconds / 1000);
    timeout.tv_usec = static_cast<long>(nMilliseconds % 1000 * 1000);
    // The first argument is ignored by Winsock and the highest descriptor plus one elsewhere.
    const int nReady = select(static_cast<int>(hSocket) + 1, &readSet, nullptr, nullptr, &timeout);
    if (nReady > 0) {
        return CRawIcmpSocket::Wait::kReadable;
    }
    return nReady == 0 ? CRawIcmpSocket::Wait::kTimedOut : CRawIcmpSocket::Wait::kFailed;
}

} // namespace

#ifdef _WIN32

CRawIcmpSocket::Wait CRawIcmpSocket::WaitReadable(std::uint32_t nMilliseconds)
{
    if (m_hReadable == WSA_INVALID_EVENT) {
        return WaitInSelect(m_hSocket, nMilliseconds);
    }
    const DWORD nResult = WaitForSingleObject(m_hReadable, nMilliseconds);
    if (nResult == WAIT_TIMEOUT) {
        return Wait::kTimedOut;
    }
    // Resets the event; the next receive sets it again if more datagrams wait.
    WSANETWORKEVENTS events;
    if (nResult != WAIT_OBJECT_0 || WSAEnumNetworkEvents(m_hSocket, m_hReadable, &events) != 0 ||
        (events.lNetworkEvents & FD_READ) == 0 || events.iErrorCode[FD_READ_BIT] != 0) {
        return Wait::kFailed;
    }
    return Wait::kReadable;
}

#else

CRawIcmpSocket::Wait CRawIcmpSocket::WaitReadable(std::uint32_t nMilliseconds)
{
    return WaitInSelect(m_hSocket, nMilliseconds);
}

#endif

int CRawIcmpSocket::Receive(std::uint8_t* pBuffer, std::size_t nCapacity)
{
    sockaddr_in source{};
    SocketLength nSourceSize = sizeof source;
    const auto nReceived =
        recvfrom(m_hSocket, reinterpret_cast<char*>(pBuffer), static_cast<int>(nCapacity), 0,
                 reinterpret_cast<sockaddr*>(&source), &nSourceSize);
    if (nReceived >= 0) {
        return static_cast<int>(nReceived);
    }
    if (ReceiveFilledBuffer()) {
        return static_cast<int>(nCapacity);
    }
    return ReceiveFoundNothing() ? 0 : -1;
}

bool ResolveHostAddress(const char* szHost, std::uint32_t& nAddress)
{
    const hostent* pEntry = gethostbyname(szHost);
    if (pEntry == nullptr || pEntry->h_addrtype != AF_INET || pEntry->h_length != 4 ||
        pEntry->h_addr_list[0] == nullptr) {
        return false;
    }
    in_addr address{};
    std::memcpy(&address, pEntry->h_addr_list[0], sizeof address);
    nAddress = ntohl(address.s_addr);
    return true;
}
