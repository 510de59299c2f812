#!/usr/bin/env python3
"""ICMP echo responder of one test host: answers echo requests after a set delay.

Runs inside a server-group namespace whose kernel echo replies are switched off. Every reply
leaves from the address that was asked. With --foreign, every request first draws foreign ICMP:
an echo reply with another identifier, one with another sequence number and a destination
unreachable quoting the request; a silent host keeps sending those for a while but never the
reply. Writes READY_FILE once it listens.
"""
import argparse
import ctypes
import heapq
import os
import select
import socket
import struct
import time

SOL_RAW = 255
ICMP_FILTER = 1
ECHO_REQUEST = 8
ECHO_REPLY = 0
UNREACHABLE = 3
FOREIGN_REPEAT_S = 0.25  # a silent host's stray traffic, spread over more than the probe's wait
FOREIGN_REPEATS = 4


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


def with_checksum(message):
    message = bytearray(message)
    message[2:4] = b"\0\0"
    message[2:4] = struct.pack("!H", checksum(bytes(message)))
    return bytes(message)


def echo_reply(request, identifier=None, sequence=None):
    message = bytearray(request)
    message[0] = ECHO_REPLY
    if identifier is not None:
        message[4:6] = identifier
    if sequence is not None:
        message[6:8] = sequence
    return with_checksum(message)


def foreign_messages(datagram, request):
    identifier = bytes([request[4] ^ 0x80, request[5]])
    sequence = struct.pack("<H", (struct.unpack("<H", request[6:8])[0] - 1) & 0xFFFF)
    unreachable = with_checksum(bytes([UNREACHABLE, 1, 0, 0, 0, 0, 0, 0]) + datagram)
    return [echo_reply(request, identifier=identifier),
            echo_reply(request, sequence=sequence),
            unreachable]


class Responder:
    def __init__(self, delay_ms, silent, foreign):
        self.delay = delay_ms / 1000.0
        self.silent = silent
        self.foreign = foreign
        self.receiver = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
        self.receiver.setsockopt(SOL_RAW, ICMP_FILTER, struct.pack("I", ~(1 << ECHO_REQUEST) & 0xFFFFFFFF))
        self.senders = {}
        self.due = []  # (time, order, source address, destination, message)
        self.order = 0

    def sender(self, address):
        if address not in self.senders:
            sock = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
            sock.setsockopt(SOL_RAW, ICMP_FILTER, struct.pack("I", 0xFFFFFFFF))
            sock.bind((address, 0))
            self.senders[address] = sock
        return self.senders[address]

    def schedule(self, when, source, destination, message):
        self.order += 1
        heapq.heappush(self.due, (when, self.order, source, destination, message))

    def on_request(self, datagram, received):
        header = (datagram[0] & 0x0F) * 4
        request = datagram[header:]
        if len(datagram) < 20 or header < 20 or len(request) < 8 or request[0] != ECHO_REQUEST:
            return
        source = socket.inet_ntoa(datagram[16:20])
        client = socket.inet_ntoa(datagram[12:16])
        if self.foreign:
            repeats = FOREIGN_REPEATS if self.silent else 1
            for n in range(repeats):
                for message in foreign_messages(datagram, request):
                    self.schedule(received + n * FOREIGN_REPEAT_S, source, client, message)
        if not self.silent:
            self.schedule(received + self.delay, source, client, echo_reply(request))

    def run(self, ready_file):
        with open(ready_file, "w") as ready:
            ready.write("ready\n")
        while True:
            timeout = max(0.0, self.due[0][0] - time.monotonic()) if self.due else None
            readable, _, _ = select.select([self.receiver], [], [], timeout)
            if readable:
                datagram = self.receiver.recv(65535)
                self.on_request(datagram, time.monotonic())
            while self.due and self.due[0][0] <= time.monotonic():
                _, _, source, destination, message = heapq.heappop(self.due)
                self.sender(source).sendto(message, (destination, 0))


def end_with_parent(parent):
    """A test network killed outright leaves no responder behind."""
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, 15)
    if os.getppid() != parent:
        raise SystemExit(1)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--delay-ms", type=float, required=True)
    parser.add_argument("--silent", action="store_true")
    parser.add_argument("--foreign", action="store_true")
    parser.add_argument("--ready-file", required=True)
    parser.add_argument("--parent", type=int, help="end when this process (the script) ends")
    parser.add_argument("--address", action="append", default=[],
                        help="a local address replies may leave from (opened before READY)")
    args = parser.parse_args()
    if args.parent:
        end_with_parent(args.parent)
    responder = Responder(args.delay_ms, args.silent, args.foreign)
    for address in args.address:
        responder.sender(address)
    responder.run(args.ready_file)


if __name__ == "__main__":
    main()
