#include "tests/fuzz/EchoReplyProperties.h"

#include "probe/IcmpCodec.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kDatagramOffset = 30;

// Reads bytes and numbers; bytes past the end read as zero.
class CByteReader {
public:
    CByteReader(const std::uint8_t* pData, std::size_t nSize) : m_pData(pData), m_nSize(nSize) {}

    std::uint8_t Byte(std::size_t nOffset) const
    {
        return nOffset < m_nSize ? m_pData[nOffset] : 0;
    }
    std::uint32_t LittleEndian32(std::size_t nOffset) const
    {
        return std::uint32_t{Byte(nOffset)} | std::uint32_t{Byte(nOffset + 1)} << 8
               | std::uint32_t{Byte(nOffset + 2)} << 16 | std::uint32_t{Byte(nOffset + 3)} << 24;
    }
    std::uint32_t BigEndian32(std::size_t nOffset) const
    {
        return std::uint32_t{Byte(nOffset)} << 24 | std::uint32_t{Byte(nOffset + 1)} << 16
               | std::uint32_t{Byte(nOffset + 2)} << 8 | std::uint32_t{Byte(nOffset + 3)};
    }
    Bytes Tail(std::size_t nOffset) const
    {
        return nOffset < m_nSize ? Bytes(m_pData + nOffset, m_pData + m_nSize) : Bytes();
    }

private:
    const std::uint8_t* m_pData;
    std::size_t m_nSize;
};

void StoreChecksum(std::uint8_t* pField, const std::uint8_t* pData, std::size_t nSize)
{
    pField[0] = pField[1] = 0;
    const std::uint16_t nChecksum = InternetChecksum(pData, nSize);
    pField[0] = static_cast<std::uint8_t>(nChecksum >> 8);
    pField[1] = static_cast<std::uint8_t>(nChecksum);
}

// The datagram a host at nSource sends back for request, as a raw socket reads it.
Bytes ExactReply(const EchoRequest& request, std::uint32_t nSource, std::size_t nHeaderWords,
                 std::uint8_t nTtl)
{
    const std::size_t nHeaderSize = nHeaderWords * 4;
    Bytes datagram(nHeaderSize, 0x01); // options: no-operation
    datagram[0] = static_cast<std::uint8_t>(0x40 | nHeaderWords);
    datagram[1] = 0;
    const std::size_t nTotal = nHeaderSize + request.size();
    datagram[2] = static_cast<std::uint8_t>(nTotal >> 8);
    datagram[3] = static_cast<std::uint8_t>(nTotal);
    std::fill(datagram.begin() + 4, datagram.begin() + 20, 0);
    datagram[8] = nTtl;
    datagram[9] = 1;
    for (int i = 0; i < 4; ++i) {
        datagram[12 + i] = static_cast<std::uint8_t>(nSource >> (24 - 8 * i));
        datagram[16 + i] = static_cast<std::uint8_t>(0xC0000201u >> (24 - 8 * i)); // 192.0.2.1
    }
    StoreChecksum(&datagram[10], datagram.data(), nHeaderSize);
    datagram.insert(datagram.end(), request.begin(), request.end());
    std::uint8_t* pMessage = &datagram[nHeaderSize];
    pMessage[0] = 0;
    StoreChecksum(pMessage + 2, pMessage, request.size());
    return datagram;
}

// Whether datagram answers request from nSource, read the way RFC 791 and RFC 792 lay it out.
bool IsMatchingReply(const Bytes& datagram, const EchoRequest& request, std::uint32_t nSource)
{
    if (datagram.size() < 20)
        return false;
    const unsigned nVersion = datagram[0] >> 4;
    const std::size_t nHeaderSize = std::size_t{datagram[0] & 0x0Fu} * 4;
    if (nVersion != 4 || nHeaderSize < 20 || datagram.size() < nHeaderSize + request.size())
        return false;
    const CByteReader header(datagram.data(), nHeaderSize);
    if (datagram[9] != 1 || header.BigEndian32(12) != nSource)
        return false;
    const auto pMessage = datagram.begin() + static_cast<std::ptrdiff_t>(nHeaderSize);
    const Bytes message(pMessage, pMessage + static_cast<std::ptrdiff_t>(request.size()));
    // Type 0, code 0; the checksum is the replier's; the rest is the request's.
    return message[0] == 0 && message[1] == 0
           && std::equal(message.begin() + 4, message.end(), request.begin() + 4);
}

// Where in the exact reply each named field lies: offset and length.
struct Field {
    const char* szName;
    bool bInMessage;
    std::size_t nOffset;
    std::size_t nLength;
};

constexpr Field kFields[] = {
    {"type", true, 0, 1},
    {"code", true, 1, 1},
    {"identifier", true, 4, 2},
    {"sequence number", true, 6, 2},
    {"source", false, 12, 4},
    {"echoed byte", true, 8, kEchoRequestSize - 8},
};

} // namespace

std::string CheckEchoReplyProperties(const std::uint8_t* pData, std::size_t nSize)
{
    const CByteReader input(pData, nSize);
    EchoCounters counters{input.LittleEndian32(0), input.LittleEndian32(4)};
    const EchoRequest request = BuildEchoRequest(counters, input.LittleEndian32(8));
    const std::uint32_t nSource = input.BigEndian32(12);
    const std::size_t nHeaderWords = 5 + input.Byte(16) % 11;
    const std::size_t nHeaderSize = nHeaderWords * 4;

    const Bytes reply = ExactReply(request, nSource, nHeaderWords, input.Byte(17));
    if (!IsEchoReply(reply.data(), reply.size(), request, nSource))
        return "the exact reply is rejected";

    for (std::size_t i = 0; i < std::size(kFields); ++i) {
        const Field& field = kFields[i];
        Bytes changed = reply;
        const std::size_t nAt = (field.bInMessage ? nHeaderSize : 0) + field.nOffset
                                + input.Byte(18 + i) % field.nLength;
        const std::uint8_t nMask = input.Byte(24 + i);
        changed[nAt] ^= nMask != 0 ? nMask : 0x80;
        if (IsEchoReply(changed.data(), changed.size(), request, nSource))
            return std::string("a reply with another ") + field.szName + " is accepted";
    }

    const Bytes raw = input.Tail(kDatagramOffset);
    Bytes patched = raw;
    for (std::size_t i = 0; i < patched.size() && i < reply.size(); ++i)
        patched[i] ^= reply[i];
    for (const Bytes& datagram : {raw, patched}) {
        const bool bAccepted = IsEchoReply(datagram.data(), datagram.size(), request, nSource);
        if (bAccepted != IsMatchingReply(datagram, request, nSource))
            return bAccepted ? "a datagram that is not the reply is accepted"
                             : "a datagram that is the reply is rejected";
    }
    return {};
}
