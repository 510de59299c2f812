#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Reads the input as a request to answer and datagrams to match against it, and checks what
// must hold for IsEchoReply:
// - the exact reply (an IPv4 header with or without options, then the request echoed as type 0
//   with its checksum made anew) is accepted;
// - a change to its type, code, identifier, sequence number, source or any other echoed byte
//   is rejected;
// - any datagram is accepted exactly when it is an IPv4 ICMP datagram from the probed address
//   whose message is an echo reply (type 0, code 0) carrying the request's bytes from the
//   identifier on.
// Input layout, missing bytes read as zero:
//   0-3 identifier counter, 4-7 sequence counter, 8-11 stamp (little-endian, as the probe's
//   counters and clock), 12-15 the probed address (a.b.c.d), 16 IP header words beyond five,
//   17 TTL, 18-23 which byte of each field to change, 24-29 how (XOR, 0 taken as 0x80),
//   30 on: a datagram, matched as it is and XORed onto the exact reply.
// Returns what failed, or an empty text when everything holds.
[[nodiscard]] std::string CheckEchoReplyProperties(const std::uint8_t* pData, std::size_t nSize);
