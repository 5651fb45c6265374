#!/usr/bin/python3
"""A proxy in front of a real FTP or SSH server that breaks one upload once.

Usage: fault_proxy.py FAULT SERVER_PORT AT
  ftp-reset     the data of the AT-th STOR is reset half-way
  ftp-trickle   that data goes on one byte a second
  ftp-552, ftp-451  half of it arrives, and "226" becomes a full-disk reply
  ftp-switch    the control connection is reset at the AT-th RNTO
  sftp-reset    the first connection is reset after AT bytes from the client
Prints "PORT n" once listening and "FAULT" when it struck."""

import socket
import struct
import sys
import threading
import time

HOST = "127.0.0.1"
lock = threading.Lock()
counts = {"STOR": 0, "RNTO": 0, "connections": 0}


def count(word):
    with lock:
        counts[word] += 1
        return counts[word]


def listener():
    s = socket.socket()
    s.bind((HOST, 0))
    s.listen(16)
    return s


def reset(*socks):
    """Closes with RST, as a connection that breaks."""
    for s in socks:
        try:
            s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            s.close()
        except OSError:
            pass


def pump(source, sink, limit=None):
    """Copies until the source ends, or resets both after `limit` bytes."""
    moved = 0
    try:
        while data := source.recv(65536):
            if limit is not None and moved + len(data) >= limit:
                sink.sendall(data[: limit - moved])
                print("FAULT", flush=True)
                return reset(source, sink)
            sink.sendall(data)
            moved += len(data)
        sink.shutdown(socket.SHUT_WR)
    except OSError:
        pass


def relay(client, server, limit=None):
    threading.Thread(target=pump, args=(server, client), daemon=True).start()
    pump(client, server, limit)


class Session:
    """One FTP control connection. PASV replies are rewritten so that the
    data passes here too; the chosen STOR or RNTO breaks."""

    def __init__(self, client, fault, at, port):
        self.client, self.fault, self.at = client, fault, at
        self.server = socket.create_connection((HOST, port))
        self.broken = False  # the STOR whose data comes next breaks
        self.full_disk = False  # its "226" is replaced

    def commands(self):
        threading.Thread(target=self.replies, daemon=True).start()
        switching = self.fault == "ftp-switch"
        try:
            for line in self.client.makefile("rb"):
                word = line[:4].upper().decode(errors="replace")
                if word == "STOR" and not switching and count(word) == self.at:
                    self.broken = True
                if word == "RNTO" and switching and count(word) == self.at:
                    print("FAULT", flush=True)
                    break
                self.server.sendall(line)
        except OSError:
            pass
        reset(self.server, self.client)

    def replies(self):
        try:
            for line in self.server.makefile("rb"):
                if line.startswith(b"227 "):
                    line = self.passive(line)
                elif self.full_disk and line.startswith(b"2"):
                    self.full_disk = False
                    print("FAULT", flush=True)
                    line = (b"552 Exceeded storage allocation.\r\n" if self.fault == "ftp-552"
                            else b"451 Local error: disk full.\r\n")
                self.client.sendall(line)
        except OSError:
            pass
        reset(self.client)

    def passive(self, line):
        fields = line[line.index(b"(") + 1 : line.index(b")")].split(b",")
        data = listener()
        port = int(fields[4]) * 256 + int(fields[5])
        threading.Thread(target=self.data, args=(data, port), daemon=True).start()
        own = data.getsockname()[1]
        return b"227 Entering Passive Mode (127,0,0,1,%d,%d).\r\n" % (own // 256, own % 256)

    def data(self, data, port):
        try:
            data.settimeout(60)
            client, _ = data.accept()
            server = socket.create_connection((HOST, port))
            # The client sends only after STOR was answered: it was counted.
            first = client.recv(65536)
            broken, self.broken = self.broken, False
            if not broken:
                server.sendall(first)
                return relay(client, server)
            if self.fault == "ftp-reset":
                server.sendall(first[: len(first) // 2])
                print("FAULT", flush=True)
                return reset(client, server)
            if self.fault == "ftp-trickle":
                print("FAULT", flush=True)
                for byte in first:
                    server.sendall(bytes([byte]))
                    time.sleep(1)
                return
            self.full_disk = True
            server.sendall(first[: len(first) // 2])
            server.close()
            while client.recv(65536):
                pass
            client.close()
        except OSError:
            pass


def main():
    fault, port, at = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    s = listener()
    print("PORT", s.getsockname()[1], flush=True)
    while True:
        client, _ = s.accept()
        if fault.startswith("ftp-"):
            target = Session(client, fault, at, port).commands
        else:
            limit = at if count("connections") == 1 else None
            target = lambda c=client, l=limit: relay(c, socket.create_connection((HOST, port)), l)
        threading.Thread(target=target, daemon=True).start()


if __name__ == "__main__":
    main()
