#!/usr/bin/python3
"""A proxy in front of a real FTP or SSH server that breaks one upload once,
for faults a real server cannot be made to show on demand.

Usage: fault_proxy.py FAULT SERVER_PORT AT
  ftp-reset    the data connection of the AT-th STOR is reset after part
               of the file
  ftp-trickle  that file's data goes on one byte a second
  ftp-552, ftp-451
               half of that file arrives, and the server's "226" becomes a
               full-disk reply
  ftp-switch   the control connection is reset at the AT-th RNTO, while the
               sent files are renamed into place
  sftp-reset   the first connection is reset after AT bytes from the client
  pass         nothing breaks

Prints "PORT n" once listening, then "FAULT ..." when the fault happened.
Later connections (a clean-up, a second upload) pass unharmed."""

import socket
import struct
import sys
import threading
import time

HOST = "127.0.0.1"
lock = threading.Lock()
stors = 0
renames = 0
connections = 0


def say(*words):
    with lock:
        print(*words, flush=True)


def listener():
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind((HOST, 0))
    s.listen(16)
    return s


def reset(*socks):
    """Closes with RST: the peer sees a reset, not an orderly end."""
    for s in socks:
        try:
            s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            s.close()
        except OSError:
            pass


def pump(source, sink, limit=None, on_limit=None):
    """Copies bytes until the source ends; after `limit` bytes on_limit runs."""
    moved = 0
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            if limit is not None and moved + len(data) >= limit:
                sink.sendall(data[: max(0, limit - moved)])
                on_limit()
                return
            sink.sendall(data)
            moved += len(data)
    except OSError:
        pass
    try:
        sink.shutdown(socket.SHUT_WR)
    except OSError:
        pass


def relay(client, server, limit=None, on_limit=None):
    threading.Thread(target=pump, args=(server, client), daemon=True).start()
    pump(client, server, limit, on_limit)


# --- FTP ---------------------------------------------------------------------


class Session:
    """One control connection: commands pass, PASV replies are rewritten so
    that the data goes through the proxy, and the chosen STOR is broken."""

    def __init__(self, client, fault, at, server_port):
        self.client = client
        self.server = socket.create_connection((HOST, server_port))
        self.fault = fault
        self.at = at
        self.broken = None  # the fault of the STOR whose data comes next
        self.replace_final = False

    def run(self):
        threading.Thread(target=self.replies, daemon=True).start()
        reader = self.client.makefile("rb")
        global stors, renames
        try:
            for line in reader:
                word = line[:4].upper()
                if word == b"STOR" and self.fault != "ftp-switch":
                    with lock:
                        stors += 1
                        if stors == self.at:
                            self.broken = self.fault
                if word == b"RNTO" and self.fault == "ftp-switch":
                    with lock:
                        renames += 1
                        if renames == self.at:
                            say("FAULT", self.fault)
                            break
                self.server.sendall(line)
        except OSError:
            pass
        reset(self.server, self.client)

    def replies(self):
        reader = self.server.makefile("rb")
        try:
            for line in reader:
                if line.startswith(b"227 "):
                    line = self.passive(line)
                elif self.replace_final and line[:1] in (b"2",):
                    self.replace_final = False
                    code = self.fault[-3:]
                    say("FAULT", self.fault)
                    line = (
                        b"552 Requested file action aborted: exceeded storage allocation.\r\n"
                        if code == "552"
                        else b"451 Requested action aborted: local error (disk full).\r\n"
                    )
                self.client.sendall(line)
        except OSError:
            pass
        reset(self.client)

    def passive(self, line):
        fields = line[line.index(b"(") + 1 : line.index(b")")].split(b",")
        port = int(fields[4]) * 256 + int(fields[5])
        data = listener()
        own = data.getsockname()[1]
        threading.Thread(target=self.data, args=(data, port), daemon=True).start()
        return b"227 Entering Passive Mode (127,0,0,1,%d,%d).\r\n" % (own // 256, own % 256)

    def data(self, data, port):
        data.settimeout(60)
        try:
            client, _ = data.accept()
        except OSError:
            return
        finally:
            data.close()
        server = socket.create_connection((HOST, port))
        # The client sends its bytes only after STOR was answered: by then
        # the command was counted.
        first = client.recv(65536)
        fault, self.broken = self.broken, None
        if not fault:
            server.sendall(first)
            relay(client, server)
            return
        if fault == "ftp-reset":
            server.sendall(first[: len(first) // 2])
            say("FAULT", fault)
            reset(client, server)
        elif fault == "ftp-trickle":
            say("FAULT", fault)
            for byte in first:
                try:
                    server.sendall(bytes([byte]))
                except OSError:
                    break
                time.sleep(1)
            reset(client, server)
        else:
            # Half the file arrives; the server stores it and says 226.
            self.replace_final = True
            server.sendall(first[: len(first) // 2])
            server.close()
            try:
                while client.recv(65536):
                    pass
            except OSError:
                pass
            client.close()


def serve_ftp(fault, server_port, at):
    s = listener()
    say("PORT", s.getsockname()[1])
    while True:
        client, _ = s.accept()
        session = Session(client, fault, at, server_port)
        threading.Thread(target=session.run, daemon=True).start()


# --- SSH ---------------------------------------------------------------------


def serve_tcp(fault, server_port, at):
    s = listener()
    say("PORT", s.getsockname()[1])
    global connections
    while True:
        client, _ = s.accept()
        server = socket.create_connection((HOST, server_port))
        connections += 1
        limit = at if fault == "sftp-reset" and connections == 1 else None

        def broken(client=client, server=server):
            say("FAULT", fault)
            reset(client, server)

        threading.Thread(target=relay, args=(client, server, limit, broken), daemon=True).start()


def main():
    fault, server_port, at = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    if fault.startswith("ftp-") or fault == "pass":
        serve_ftp(fault, server_port, at)
    else:
        serve_tcp(fault, server_port, at)


if __name__ == "__main__":
    main()
