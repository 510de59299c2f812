#include "probe/IcmpProbe.h"

#include "probe/MonotonicClock.h"
#include "probe/RawIcmpSocket.h"

namespace {

constexpr std::uint32_t kReplyWaitMs = 1000;

// Process-wide, so that every request of the process is numbered apart from the others.
EchoCounters g_echoCounters; // NOLINT(cppcoreguidelines-avoid-non-const-global-variables): process-wide by design

// Skips every datagram that is not the reply; stray traffic never extends the one second.
std::int32_t AwaitReply(CRawIcmpSocket& socket, const EchoRequest& request,
                        std::uint32_t nStamp, std::uint32_t nAddress)
{
    const std::uint32_t nStart = MonotonicMilliseconds();
    std::uint8_t buffer[kReplyBufferSize];
    for (;;) {
        const std::uint32_t nElapsed = MonotonicMilliseconds() - nStart;
        if (nElapsed >= kReplyWaitMs ||
            socket.WaitReadable(kReplyWaitMs - nElapsed) != CRawIcmpSocket::Wait::kReadable) {
            return CIcmpProbe::kNoReply;
        }
        const int nReceived = socket.Receive(buffer, sizeof buffer);
        const std::uint32_t nNow = MonotonicMilliseconds();
        if (nReceived < 0) {
            return CIcmpProbe::kNoReply;
        }
        if (IsEchoReply(buffer, static_cast<std::size_t>(nReceived), request, nAddress)) {
            return static_cast<std::int32_t>(nNow - nStamp);
        }
    }
}

} // namespace

std::int32_t CIcmpProbe::MeasureRoundTrip(const char* szHost)
{
    CRawIcmpSocket socket;
    if (!socket.IsOpen()) {
        return kSocketRefused;
    }
    std::uint32_t nAddress = 0;
    if (!ResolveHostAddress(szHost, nAddress)) {
        return kHostUnresolved;
    }
    const std::uint32_t nStamp = MonotonicMilliseconds();
    const EchoRequest request = BuildEchoRequest(g_echoCounters, nStamp);
    socket.SendTo(request.data(), request.size(), nAddress);
    return AwaitReply(socket, request, nStamp, nAddress);
}

EchoCounters CIcmpProbe::GetNextNumbers()
{
    return g_echoCounters;
}
