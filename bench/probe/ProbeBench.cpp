// Measures one host COUNT times and prints each result (ms, or a negative failure) on a line.
// Only inside the test network (tests/net/with-testnet.sh): the probe addresses must never see
// a packet from the machine's own network.
#include "probe/IcmpProbe.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#ifdef _WIN32
#include <winsock2.h>
#endif

int main(int argc, char** argv)
{
    char* pEnd = nullptr;
    const long nCount = argc == 3 ? std::strtol(argv[2], &pEnd, 10) : 0;
    if (argc != 3 || pEnd == argv[2] || *pEnd != '\0') {
        (void)std::fprintf(stderr, "usage: probe_bench HOST COUNT\n");
        return 2;
    }
    if (std::getenv("TIROX_NETNS") == nullptr) {
        (void)std::fprintf(stderr, "probe_bench: runs only inside the test network\n");
        return 2;
    }
#ifdef _WIN32
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        (void)std::fprintf(stderr, "probe_bench: no Winsock\n");
        return 1;
    }
#endif
    CIcmpProbe probe;
    for (long i = 0; i < nCount; ++i) {
        std::printf("%d\n", static_cast<int>(probe.MeasureRoundTrip(argv[1])));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
#ifdef _WIN32
    WSACleanup();
#endif
    return 0;
}
