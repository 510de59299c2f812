#include "probe/IcmpCodec.h"
#include "probe/MonotonicClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(InternetChecksum, MatchesRfc1071Vectors)
{
    struct Case {
        Bytes data;
        std::uint8_t nHigh;
        std::uint8_t nLow;
    };
    const Case cases[] = {
        {{0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7}, 0x22, 0x0d},
        {{0x01}, 0xfe, 0xff},
        {{0x01, 0x02, 0x03}, 0xfb, 0xfd},
        {{0xff}, 0x00, 0xff},
        {{}, 0xff, 0xff},
        // 0xFFFF + 0xFFFF + 0x0001 = 0x1FFFF: the first fold carries again.
        {{0xff, 0xff, 0xff, 0xff, 0x00, 0x01}, 0xff, 0xfe},
    };
    for (const Case& c : cases) {
        const std::uint16_t nChecksum = InternetChecksum(c.data.data(), c.data.size());
        EXPECT_EQ(nChecksum >> 8, c.nHigh) << "length " << c.data.size();
        EXPECT_EQ(nChecksum & 0xff, c.nLow) << "length " << c.data.size();
    }
}

TEST(BuildEchoRequest, LaysOutTheFirstRequestByteForByte)
{
    EchoCounters counters;
    const EchoRequest request = BuildEchoRequest(counters, 0x12345678);
    const EchoRequest expected = {
        0x08, 0x00, 0x8a, 0x60, 0x01, 0x00, 0x01, 0x00, 0x00, 0x78, 0x56, 0x34, 0x12, 0x20, 0x21,
        0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x2b, 0x2c, 0x2d, 0x2e, 0x2f, 0x30,
        0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x3b, 0x3c, 0x3d, 0x3e, 0x3f,
    };
    EXPECT_EQ(request, expected);
    EXPECT_EQ(InternetChecksum(request.data(), request.size()), 0);
}

TEST(BuildEchoRequest, NumbersRequestsOneTwoThreeAndWrapsAt16Bits)
{
    EchoCounters counters;
    for (std::uint32_t n = 1; n <= 3; ++n) {
        const EchoRequest request = BuildEchoRequest(counters, 7);
        EXPECT_EQ(request[4] | request[5] << 8, static_cast<int>(n));
        EXPECT_EQ(request[6] | request[7] << 8, static_cast<int>(n));
        EXPECT_EQ(InternetChecksum(request.data(), request.size()), 0);
    }
    EXPECT_EQ(counters.nIdentifier, 4u);
    EXPECT_EQ(counters.nSequence, 4u);

    counters = {0xFFFF, 0x1FFFF};
    const EchoRequest last = BuildEchoRequest(counters, 0);
    const EchoRequest wrapped = BuildEchoRequest(counters, 0);
    EXPECT_EQ(last[4] | last[5] << 8, 0xFFFF);
    EXPECT_EQ(last[6] | last[7] << 8, 0xFFFF);
    EXPECT_EQ(wrapped[4] | wrapped[5] << 8, 0);
    EXPECT_EQ(wrapped[6] | wrapped[7] << 8, 0);
}

constexpr std::uint32_t kProbed = 0xC000020A; // 192.0.2.10
constexpr std::uint32_t kClient = 0xC0000201; // 192.0.2.1

// An IP datagram as a raw socket delivers it: header of nHeaderWords words, then message.
Bytes Datagram(std::uint32_t nSource, const Bytes& message, int nHeaderWords = 5)
{
    const std::size_t nHeaderSize = static_cast<std::size_t>(nHeaderWords) * 4;
    Bytes datagram(nHeaderSize + message.size(), 0);
    datagram[0] = static_cast<std::uint8_t>(0x40 | nHeaderWords);
    const std::size_t nTotal = datagram.size();
    datagram[2] = static_cast<std::uint8_t>(nTotal >> 8);
    datagram[3] = static_cast<std::uint8_t>(nTotal);
    datagram[8] = 64;
    datagram[9] = 1;
    for (int i = 0; i < 4; ++i) {
        datagram[12 + i] = static_cast<std::uint8_t>(nSource >> (24 - 8 * i));
        datagram[16 + i] = static_cast<std::uint8_t>(kClient >> (24 - 8 * i));
    }
    std::copy(message.begin(), message.end(), datagram.begin() + static_cast<std::ptrdiff_t>(nHeaderSize));
    return datagram;
}

Bytes ReplyTo(const EchoRequest& request)
{
    Bytes reply(request.begin(), request.end());
    reply[0] = 0;
    return reply;
}

TEST(IsEchoReply, AcceptsOnlyTheReplyToThisRequest)
{
    EchoCounters counters{0x0102, 0x0304};
    const EchoRequest earlier = BuildEchoRequest(counters, 1000);
    const EchoRequest request = BuildEchoRequest(counters, 1010);
    const Bytes reply = ReplyTo(request);

    auto changed = [&](std::size_t nOffset, std::uint8_t nValue) {
        Bytes message = reply;
        message[nOffset] = nValue;
        return message;
    };
    const Bytes quoted = Datagram(kClient, Bytes(request.begin(), request.end()));
    Bytes unreachable(8 + quoted.size(), 0);
    unreachable[0] = 3;
    unreachable[1] = 1;
    std::copy(quoted.begin(), quoted.end(), unreachable.begin() + 8);
    const Bytes good = Datagram(kProbed, reply);
    Bytes withOption = Datagram(kProbed, reply, 6);
    Bytes ipv6 = good;
    ipv6[0] = 0x65;
    Bytes headerTooShort = good;
    headerTooShort[0] = 0x44;
    // An IHL of 4 with a whole reply right after its 16 bytes: only the header length's own
    // check keeps it out.
    Bytes replyAfterShortHeader(good.begin(), good.begin() + 16);
    replyAfterShortHeader.insert(replyAfterShortHeader.end(), reply.begin(), reply.end());
    replyAfterShortHeader[0] = 0x44;
    Bytes longer = reply;
    longer.resize(longer.size() + 200, 0x55);
    Bytes notIcmp = good;
    notIcmp[9] = 17;

    struct Case {
        const char* szName;
        Bytes datagram;
        bool bExpected;
    };
    const Case cases[] = {
        {"echo reply, IHL 5", good, true},
        {"echo reply, IHL 6", withOption, true},
        {"longer than the reply", Datagram(kProbed, longer), true},
        {"our own request (type 8)", Datagram(kProbed, Bytes(request.begin(), request.end())),
         false},
        {"code 1", Datagram(kProbed, changed(1, 1)), false},
        {"another identifier", Datagram(kProbed, changed(4, 0x04)), false},
        {"identifier high byte", Datagram(kProbed, changed(5, 0x00)), false},
        {"stale sequence number", Datagram(kProbed, ReplyTo(earlier)), false},
        {"wrong source", Datagram(kProbed + 1, reply), false},
        {"wrong stamp", Datagram(kProbed, changed(9, reply[9] ^ 0x01)), false},
        {"wrong fill", Datagram(kProbed, changed(44, 0x00)), false},
        {"truncated by one byte", Bytes(good.begin(), good.end() - 1), false},
        {"IP header only", Bytes(good.begin(), good.begin() + 20), false},
        {"nothing", Bytes{}, false},
        {"destination unreachable quoting the request", Datagram(kProbed, unreachable), false},
        {"version 6", ipv6, false},
        {"IHL 4", headerTooShort, false},
        {"IHL 4, a reply after its 16 bytes", replyAfterShortHeader, false},
        {"not ICMP", notIcmp, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsEchoReply(c.datagram.data(), c.datagram.size(), request, kProbed),
                  c.bExpected)
            << c.szName;
    }
    // As in the probe's receive buffer: the whole reply is there, but one byte fewer than its
    // header length needs was received. The byte past them matches, so only the length check
    // against the header's own length keeps the reply out.
    const Bytes longestHeader = Datagram(kProbed, reply, 15);
    for (const Bytes& whole : {withOption, longestHeader}) {
        EXPECT_FALSE(IsEchoReply(whole.data(), whole.size() - 1, request, kProbed))
            << "IHL " << (whole[0] & 0x0F) << ", one byte short";
    }
}

TEST(MonotonicMilliseconds, CountsMillisecondsAsTheSteadyClockDoes)
{
    // A count in another unit (ticks, microseconds, a wrong frequency) drifts from the steady
    // clock by far more than the allowance over a second, in every attempt; over more than a
    // second the whole seconds must count too. A busy machine's pause between two readings
    // spoils one attempt at most now and then.
    double dBestDifference = 1e9;
    for (int nAttempt = 0; nAttempt < 3 && dBestDifference > 20.0; ++nAttempt) {
        const auto start = std::chrono::steady_clock::now();
        const std::uint32_t nStart = MonotonicMilliseconds();
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        const std::uint32_t nElapsed = MonotonicMilliseconds() - nStart;
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        const double dDifference = std::abs(static_cast<double>(nElapsed) - static_cast<double>(elapsed));
        dBestDifference = std::min(dBestDifference, dDifference);
    }
    EXPECT_LE(dBestDifference, 20.0);
}

TEST(MonotonicMilliseconds, StepsByOneMillisecond)
{
    // A 10-16 ms tick would never show a step of one.
    std::uint32_t nPrevious = MonotonicMilliseconds();
    bool bSawSingleStep = false;
    for (int nSteps = 0; nSteps < 200 && !bSawSingleStep;) {
        const std::uint32_t nNow = MonotonicMilliseconds();
        if (nNow != nPrevious) {
            bSawSingleStep = nNow - nPrevious == 1;
            nPrevious = nNow;
            ++nSteps;
        }
    }
    EXPECT_TRUE(bSawSingleStep);
}

} // namespace
