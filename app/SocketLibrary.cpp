#include "app/SocketLibrary.h"

#include <winsock2.h>

CSocketLibrary::CSocketLibrary() noexcept
{
    WSADATA wsaData{};
    if (WSAStartup(MAKEWORD(1, 1), &wsaData) != 0) return;
    if (LOBYTE(wsaData.wVersion) != 1 || HIBYTE(wsaData.wVersion) != 1) {
        WSACleanup();
        return;
    }
    m_bStarted = true;
}

CSocketLibrary::~CSocketLibrary()
{
    if (m_bStarted) WSACleanup();
}
