#!/usr/bin/python3
"""Serves one file to every GET, as fast as the system can send it.

Usage: serve.py FILE  (prints "PORT n" once listening)"""

import os
import socket
import sys

path = sys.argv[1]
size = os.path.getsize(path)
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", 0))
server.listen(8)
print("PORT", server.getsockname()[1], flush=True)
while True:
    conn, _ = server.accept()
    head = b""
    while b"\r\n\r\n" not in head:
        chunk = conn.recv(4096)
        if not chunk:
            break
        head += chunk
    conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                 b"Content-Length: %d\r\n\r\n" % size)
    with open(path, "rb") as body:
        conn.sendfile(body)
    conn.close()
