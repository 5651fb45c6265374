#!/usr/bin/python3
"""Small servers that misbehave on purpose, for the network client tests.

Usage: scripted_server.py SCENARIO
Prints "PORT n" once listening, then "LOG ..." lines about what it saw."""

import base64
import hashlib
import socket
import sys
import time


def log(*words):
    print("LOG", *words, flush=True)


def listen(rcvbuf=None):
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    if rcvbuf:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, rcvbuf)
    s.bind(("127.0.0.1", 0))
    s.listen(8)
    return s


def accept(server, timeout=10):
    server.settimeout(timeout)
    conn, _ = server.accept()
    conn.settimeout(None)
    return conn


# --- FTP ---------------------------------------------------------------------


class Ftp:
    def __init__(self, conn):
        self.conn = conn
        self.reader = conn.makefile("rb")
        self.data_server = None

    def send(self, line):
        self.conn.sendall(line.encode() + b"\r\n")

    def command(self):
        line = self.reader.readline()
        log("cmd", line.decode(errors="replace").strip())
        return line.decode(errors="replace").strip()

    def pasv(self, named_host="10.255.255.1", rcvbuf=None):
        self.data_server = listen(rcvbuf)
        port = self.data_server.getsockname()[1]
        host = named_host.replace(".", ",")
        self.send("227 Entering Passive Mode (%s,%d,%d)." % (host, port // 256, port % 256))


def ftp_session(ftp, on_stor=None, on_mkd=None, user_reply="331 Password required"):
    """Answers commands until QUIT or the connection ends."""
    while True:
        cmd = ftp.command()
        verb = cmd.split(" ")[0].upper()
        if verb == "":
            return
        if verb == "USER":
            ftp.send(user_reply)
        elif verb == "PASS":
            ftp.send("230 Logged in")
        elif verb == "PASV":
            ftp.pasv()
        elif verb == "STOR" and on_stor:
            on_stor(ftp)
        elif verb == "MKD" and on_mkd:
            if on_mkd(ftp) == "closed":
                return
        elif verb == "QUIT":
            ftp.send("221 Bye")
            return
        else:
            ftp.send("257 \"%s\" done" % cmd)


def receive_file(ftp):
    data = accept(ftp.data_server)
    ftp.send("150 Ok to send data.")
    digest = hashlib.sha256()
    size = 0
    while True:
        chunk = data.recv(65536)
        if not chunk:
            break
        digest.update(chunk)
        size += len(chunk)
    data.close()
    log("stored", size, digest.hexdigest())
    ftp.send("226 Transfer complete.")


def scenario_ftp_greeting3(server):
    conn = accept(server)
    conn.sendall(b"220-Welcome\r\n220-second line\r\n")
    time.sleep(0.3)
    conn.setblocking(False)
    try:
        early = conn.recv(100)
    except BlockingIOError:
        early = b""
    conn.setblocking(True)
    log("early", len(early))
    conn.sendall(b"220 ready\r\n")
    ftp_session(Ftp(conn))


def scenario_ftp_pasv_elsewhere(server):
    ftp = Ftp(accept(server))
    ftp.send("220 ready")
    ftp_session(ftp, on_stor=receive_file)


def scenario_ftp_close(server):
    ftp = Ftp(accept(server))
    ftp.send("220 ready")

    def hang_up(f):
        f.conn.shutdown(socket.SHUT_RDWR)
        f.conn.close()
        return "closed"

    ftp_session(ftp, on_mkd=hang_up)
    log("closed")


def scenario_ftp_stall(server):
    """Reads the upload slowly, so a cancel lands in the middle of it."""
    ftp = Ftp(accept(server))
    ftp.send("220 ready")

    def slow_stor(f):
        data = accept(f.data_server)
        f.send("150 Ok to send data.")
        data.settimeout(10)
        size = 0
        try:
            while True:
                chunk = data.recv(4096)
                if not chunk:
                    break
                size += len(chunk)
                time.sleep(0.02)
        except OSError:
            pass
        data.close()
        log("data closed", size)
        f.send("426 Connection closed; transfer aborted.")

    def pasv_small(f):
        f.pasv(rcvbuf=4096)

    while True:
        cmd = ftp.command()
        verb = cmd.split(" ")[0].upper()
        if verb == "":
            return
        if verb == "USER":
            ftp.send("230 Logged in")
        elif verb == "PASV":
            pasv_small(ftp)
        elif verb == "STOR":
            slow_stor(ftp)
        elif verb == "QUIT":
            ftp.send("221 Bye")
            return
        else:
            ftp.send("257 \"%s\" done" % cmd)


def scenario_ftp_store_refused(server):
    """The first upload is refused after its data, the second cut off."""
    ftp = Ftp(accept(server))
    ftp.send("220 ready")
    stores = []

    def refuse(f):
        data = accept(f.data_server)
        f.send("150 Ok to send data.")
        if not stores:
            while data.recv(65536):
                pass
            data.close()
            f.send("552 Disk quota exceeded.")
        else:
            data.recv(1000)
            data.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\1\0\0\0\0\0\0\0")
            data.close()
            f.send("426 Failure writing network stream.")
        stores.append(True)

    ftp_session(ftp, on_stor=refuse)


# --- HTTP --------------------------------------------------------------------


def read_head(conn):
    head = b""
    while b"\r\n\r\n" not in head:
        chunk = conn.recv(4096)
        if not chunk:
            break
        head += chunk
    log("head", base64.b64encode(head).decode())
    return head


def scenario_http_echo(server):
    while True:
        try:
            conn = accept(server, timeout=5)
        except socket.timeout:
            return
        head = read_head(conn)
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + head)
        conn.close()


def scenario_http_silent(server):
    conn = accept(server)
    read_head(conn)
    time.sleep(3)
    conn.close()


def scenario_http_pause(server):
    conn = accept(server)
    read_head(conn)
    conn.sendall(b"HTTP/1.0 200 OK\r\n\r\nfirst part")
    time.sleep(3)
    conn.close()


def scenario_http_one_byte(server):
    conn = accept(server)
    read_head(conn)
    conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\n")
    time.sleep(0.2)
    conn.sendall(b"x")
    time.sleep(0.2)
    conn.close()


def scenario_http_redirect(server):
    port = server.getsockname()[1]
    conn = accept(server)
    read_head(conn)
    conn.sendall(
        b"HTTP/1.0 302 Found\r\n"
        b"lOcAtIoN: http://127.0.0.1:%d/second.php\r\n"
        b"Set-Cookie: sid=abc123; path=/\r\n\r\nmoved" % port)
    conn.close()
    conn = accept(server)
    read_head(conn)
    conn.sendall(b"HTTP/1.0 200 OK\r\n\r\ndone")
    conn.close()


def scenario_http_loop(server):
    count = 0
    while True:
        try:
            conn = accept(server, timeout=1)
        except socket.timeout:
            break
        read_head(conn)
        count += 1
        conn.sendall(b"HTTP/1.0 301 Moved\r\nLocation: /again.php\r\n\r\n")
        conn.close()
    log("requests", count)


def scenario_http_status(server):
    conn = accept(server)
    read_head(conn)
    conn.sendall(b"HTTP/1.0 404 Not Found\r\n\r\n<p>not here</p>")
    conn.close()


def scenario_http_chunked(server):
    """A chunked body in awkward pieces, with an extension and a trailer."""
    conn = accept(server)
    read_head(conn)
    conn.sendall(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
    body = (b"5\r\nstart\r\n"
            b"1A;name=value\r\n" + b"abcdefghijklmnopqrstuvwxyz" + b"\r\n"
            b"0\r\nX-Trailer: yes\r\n\r\n")
    for i in range(0, len(body), 3):
        conn.sendall(body[i:i + 3])
        time.sleep(0.01)
    conn.close()


def scenario_http_redirect_chunked(server):
    """A redirect with a body, then a chunked answer split at every byte."""
    port = server.getsockname()[1]
    conn = accept(server)
    read_head(conn)
    conn.sendall(b"HTTP/1.0 301 Moved\r\nLocation: http://127.0.0.1:%d/b\r\n\r\n"
                 b"redirect page" % port)
    conn.close()
    conn = accept(server)
    read_head(conn)
    conn.sendall(b"HTTP/1.1 200 OK\r\ntransfer-encoding: Chunked\r\n\r\n")
    for byte in b"3\r\nabc\r\n4\r\ndefg\r\n0\r\n\r\n":
        conn.sendall(bytes([byte]))
    conn.close()


def scenario_http_trickle(server):
    """A body of one byte now and then, for ever."""
    conn = accept(server)
    read_head(conn)
    conn.sendall(b"HTTP/1.0 200 OK\r\n\r\n")
    try:
        while True:
            conn.sendall(b"x")
            time.sleep(0.2)
    except OSError:
        log("client left")


def scenario_http_endless_head(server):
    """Header lines without end, quickly."""
    conn = accept(server)
    read_head(conn)
    conn.sendall(b"HTTP/1.0 200 OK\r\n")
    try:
        n = 0
        while True:
            conn.sendall(b"X-Line-%d: more\r\n" % n)
            n += 1
            if n % 100 == 0:
                time.sleep(0.01)
    except OSError:
        log("client left")


def scenario_http_slow_head(server):
    """Header lines trickling in, each before the read time-out."""
    conn = accept(server)
    read_head(conn)
    conn.sendall(b"HTTP/1.0 200 OK\r\n")
    try:
        while True:
            conn.sendall(b"X-Slow: line\r\n")
            time.sleep(0.2)
    except OSError:
        log("client left")


def serve_fault(conn, kind):
    """One answer of a broken web server."""
    read_head(conn)
    if kind in ("cut-close", "cut-reset"):
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 2000000\r\n\r\n" + b"x" * 100000)
        if kind == "cut-reset":
            conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\1\0\0\0\0\0\0\0")
    elif kind == "status-500":
        conn.sendall(b"HTTP/1.0 500 Internal Server Error\r\n\r\n<h1>It broke</h1>")
    elif kind == "redirect-loop":
        conn.sendall(b"HTTP/1.0 302 Found\r\nLocation: /loop.php\r\n\r\n")
    elif kind == "bad-chunk":
        conn.sendall(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                     b"5\r\nstart\r\nzz\r\nmore\r\n0\r\n\r\n")
    elif kind == "endless-head":
        conn.sendall(b"HTTP/1.0 200 OK\r\n")
        n = 0
        while True:
            conn.sendall(b"X-Line-%d: more\r\n" % n)
            n += 1
    elif kind == "no-http":
        conn.sendall(b"220 ftp.example.org ready\r\n")
        time.sleep(0.5)
    conn.close()


def scenario_http_fault(server):
    """Every request gets the same fault: scripted_server.py http-fault KIND."""
    kind = sys.argv[2]
    while True:
        try:
            conn = accept(server, timeout=30)
        except socket.timeout:
            return
        try:
            serve_fault(conn, kind)
        except OSError:
            log("client left")


def scenario_https_close(server):
    """A body of unknown length ended by close_notify, the TCP connection
    left open a moment, or cut without it: https-close notify|drop CA_DIR"""
    import ssl
    import tempfile
    kind, ca_dir = sys.argv[2], sys.argv[3]
    with tempfile.TemporaryDirectory() as folder:
        cert_file, key_file = make_certificate("self-signed", ca_dir, folder)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert_file, key_file)
    conn = accept(server)
    tls = context.wrap_socket(conn, server_side=True)
    read_head(tls)
    tls.sendall(b"HTTP/1.0 200 OK\r\n\r\n" + b"y" * 50000)
    if kind == "notify":
        raw = tls.unwrap()
        time.sleep(3)
        raw.close()
    else:
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\1\0\0\0\0\0\0\0")
        socket.socket(fileno=tls.detach()).close()
    log("closed", kind)


def scenario_greeting(server):
    """A greeting (scripted_server.py greeting LINE), then silence."""
    conn = accept(server)
    conn.sendall(sys.argv[2].encode() + b"\r\n")
    time.sleep(5)
    conn.close()


def scenario_ftp_wants_tls(server):
    """A server that refuses plain logins: ftp-wants-tls REPLY"""
    ftp = Ftp(accept(server))
    ftp.send("220 ready")
    ftp_session(ftp, user_reply=sys.argv[2])


def scenario_ftp_multiline_refusal(server):
    """A store refused with a reply of three lines, the reason in the second."""
    ftp = Ftp(accept(server))
    ftp.send("220 ready")

    def refuse(f):
        data = accept(f.data_server)
        f.send("150 Ok to send data.")
        while data.recv(65536):
            pass
        data.close()
        f.conn.sendall(b"451-Warning: client is in ASCII mode\r\n"
                       b"451-Error during write to file\r\n"
                       b"451 Transfer aborted\r\n")

    ftp_session(ftp, on_stor=refuse)


def scenario_ftp_endless_greeting(server):
    conn = accept(server)
    try:
        while True:
            conn.sendall(b"220-Welcome, and more welcome\r\n")
            time.sleep(0.05)
    except OSError:
        log("client left")


# --- TLS ---------------------------------------------------------------------


def make_certificate(kind, ca_dir, folder):
    """A server certificate of the kind asked for: expired, wrong-name,
    self-signed; the first two signed by the authority in ca_dir."""
    from OpenSSL import crypto
    key = crypto.PKey()
    key.generate_key(crypto.TYPE_RSA, 2048)
    cert = crypto.X509()
    cert.set_version(2)
    cert.set_serial_number(int(time.time() * 1000))
    name = "wrong.example" if kind == "wrong-name" else "127.0.0.1"
    cert.get_subject().O = "Scripted server"
    cert.get_subject().CN = name
    san = b"DNS:wrong.example" if kind == "wrong-name" else b"IP:127.0.0.1"
    cert.add_extensions([crypto.X509Extension(b"subjectAltName", False, san)])
    if kind == "expired":
        cert.gmtime_adj_notBefore(-30 * 86400)
        cert.gmtime_adj_notAfter(-86400)
    else:
        cert.gmtime_adj_notBefore(-60)
        cert.gmtime_adj_notAfter(86400)
    cert.set_pubkey(key)
    if kind == "self-signed":
        cert.set_issuer(cert.get_subject())
        cert.sign(key, "sha256")
    else:
        pem = crypto.FILETYPE_PEM
        ca_cert = crypto.load_certificate(pem, open(ca_dir + "/ca.pem", "rb").read())
        ca_key = crypto.load_privatekey(pem, open(ca_dir + "/ca.key", "rb").read())
        cert.set_issuer(ca_cert.get_subject())
        cert.sign(ca_key, "sha256")
    cert_file, key_file = folder + "/cert.pem", folder + "/key.pem"
    open(cert_file, "wb").write(crypto.dump_certificate(crypto.FILETYPE_PEM, cert))
    open(key_file, "wb").write(crypto.dump_privatekey(crypto.FILETYPE_PEM, key))
    log("fingerprint", cert.digest("sha256").decode().replace(":", "").lower())
    return cert_file, key_file


def scenario_https_cert(server):
    """HTTPS with a faulty certificate: scripted_server.py https-cert KIND CA_DIR."""
    import ssl
    import tempfile
    kind, ca_dir = sys.argv[2], sys.argv[3]
    with tempfile.TemporaryDirectory() as folder:
        cert_file, key_file = make_certificate(kind, ca_dir, folder)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert_file, key_file)
    while True:
        try:
            conn = accept(server, timeout=5)
        except socket.timeout:
            return
        try:
            tls = context.wrap_socket(conn, server_side=True)
            read_head(tls)
            tls.sendall(b"HTTP/1.0 200 OK\r\n\r\nsecret")
            tls.close()
            log("answered")
        except (ssl.SSLError, OSError) as error:
            log("refused", type(error).__name__)
            conn.close()


def scenario_ftp_no_tls(server):
    """A server without TLS: AUTH TLS is not understood."""
    ftp = Ftp(accept(server))
    ftp.send("220 ready")
    while True:
        cmd = ftp.command()
        verb = cmd.split(" ")[0].upper()
        if verb == "":
            return
        if verb == "AUTH":
            ftp.send("500 Command not understood.")
        elif verb == "USER":
            ftp.send("331 Password required")
        elif verb == "PASS":
            ftp.send("230 Logged in")
        elif verb == "QUIT":
            ftp.send("221 Bye")
            return
        else:
            ftp.send("257 done")


def main():
    scenario = globals()["scenario_" + sys.argv[1].replace("-", "_")]
    server = listen()
    print("PORT", server.getsockname()[1], flush=True)
    try:
        scenario(server)
    except Exception as error:  # reported, so a test failure says why
        log("error", repr(error))
    log("end")


main()
