#pragma once

// The few socket names that differ between Winsock and BSD sockets; the calls themselves
// (socket, gethostbyname, sendto, recvfrom) are the same on both. How a wait for a datagram is
// done differs too: see CRawIcmpSocket::WaitReadable.

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#ifdef _WIN32
using SocketHandle = SOCKET;
using SocketLength = int;
constexpr SocketHandle kInvalidSocket = INVALID_SOCKET;

inline void CloseSocketHandle(SocketHandle hSocket) { closesocket(hSocket); }
// Winsock fails a receive whose datagram did not fit, yet fills the buffer.
inline bool ReceiveFilledBuffer() { return WSAGetLastError() == WSAEMSGSIZE; }
// A socket watched by an event is non-blocking: a receive may find nothing after all.
inline bool ReceiveFoundNothing() { return WSAGetLastError() == WSAEWOULDBLOCK; }
#else
using SocketHandle = int;
using SocketLength = socklen_t;
constexpr SocketHandle kInvalidSocket = -1;

inline void CloseSocketHandle(SocketHandle hSocket) { close(hSocket); }
// BSD sockets cut a long datagram to the buffer without failing.
inline bool ReceiveFilledBuffer() { return false; }
inline bool ReceiveFoundNothing() { return errno == EAGAIN || errno == EWOULDBLOCK; }
#endif
