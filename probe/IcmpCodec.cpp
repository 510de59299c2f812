#include "probe/IcmpCodec.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kTypeEchoRequest = 8;
constexpr std::uint8_t kTypeEchoReply = 0;
constexpr std::uint8_t kProtocolIcmp = 1;
constexpr std::size_t kIdentifierOffset = 4;
constexpr std::size_t kSequenceOffset = 6;
constexpr std::size_t kStampOffset = 9;
constexpr std::size_t kFillOffset = 13;
constexpr std::size_t kMinIpHeaderSize = 20;

void StoreLittleEndian(std::uint8_t* pTarget, std::uint32_t nValue, std::size_t nBytes)
{
    for (std::size_t i = 0; i < nBytes; ++i) {
        pTarget[i] = static_cast<std::uint8_t>(nValue >> (8 * i));
    }
}

std::uint32_t ReadBigEndian32(const std::uint8_t* pSource)
{
    return (std::uint32_t{pSource[0]} << 24) | (std::uint32_t{pSource[1]} << 16) |
           (std::uint32_t{pSource[2]} << 8) | std::uint32_t{pSource[3]};
}

} // namespace

std::uint16_t InternetChecksum(const std::uint8_t* pData, std::size_t nSize)
{
    std::uint32_t nSum = 0;
    std::size_t i = 0;
    for (; i + 1 < nSize; i += 2) {
        nSum += (std::uint32_t{pData[i]} << 8) | pData[i + 1];
    }
    if (i < nSize) {
        nSum += std::uint32_t{pData[i]} << 8;
    }
    nSum = (nSum >> 16) + (nSum & 0xFFFF);
    nSum += nSum >> 16;
    return static_cast<std::uint16_t>(~nSum);
}

EchoRequest BuildEchoRequest(EchoCounters& counters, std::uint32_t nStamp)
{
    EchoRequest request{};
    StoreLittleEndian(&request[kIdentifierOffset], counters.nIdentifier++, 2);
    StoreLittleEndian(&request[kSequenceOffset], counters.nSequence++, 2);
    request[0] = kTypeEchoRequest;
    for (std::size_t i = kFillOffset; i < kEchoRequestSize; ++i) {
        request[i] = static_cast<std::uint8_t>(0x20 + (i - kFillOffset));
    }
    StoreLittleEndian(&request[kStampOffset], nStamp, 4);
    const std::uint16_t nChecksum = InternetChecksum(request.data(), request.size());
    request[2] = static_cast<std::uint8_t>(nChecksum >> 8);
    request[3] = static_cast<std::uint8_t>(nChecksum);
    return request;
}

bool IsEchoReply(const std::uint8_t* pDatagram, std::size_t nSize, const EchoRequest& request,
                 std::uint32_t nSource)
{
    if (nSize < kMinIpHeaderSize || (pDatagram[0] >> 4) != 4) {
        return false;
    }
    const std::size_t nHeaderSize = std::size_t{pDatagram[0] & 0x0Fu} * 4;
    if (nHeaderSize < kMinIpHeaderSize || nSize < nHeaderSize + kEchoRequestSize) {
        return false;
    }
    if (pDatagram[9] != kProtocolIcmp || ReadBigEndian32(&pDatagram[12]) != nSource) {
        return false;
    }
    const std::uint8_t* pMessage = pDatagram + nHeaderSize;
    return pMessage[0] == kTypeEchoReply && pMessage[1] == 0 &&
           std::equal(request.begin() + kIdentifierOffset, request.end(),
                      pMessage + kIdentifierOffset);
}
