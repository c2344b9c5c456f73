"""net_servers.py CERT_FOLDER: prints "ports HTTP HTTPS EXPIRED BANNER SILENT HTTP6 HTTPS6".

HTTP and TLS ports answer GET /r/<percent-encoded reply> with the reply (and a
TLS closing alert), /c/<reply> without the alert, /big with a 2 MiB line, /host
with status 200 and the Host header as reason. HTTPS has valid.pem, or
localhost.pem for the name "localhost"; EXPIRED expired.pem. BANNER speaks
first, as SSH. SILENT never writes: "silent client left" at EOF. The last two
are HTTP and HTTPS on ::1, the others on 127.0.0.1."""
import socket, socketserver, ssl, sys, threading, urllib.parse


def tls(name):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(f"{sys.argv[1]}/{name}.pem")
    context.options |= ssl.OP_IGNORE_UNEXPECTED_EOF
    return context


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        conn, mode, request = self.request, self.server.mode, b""
        if mode == "banner":
            conn.sendall(b"SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n")
        elif mode != "silent":
            conn = mode.wrap_socket(conn, server_side=True) if mode else conn
            while b"\r\n\r\n" not in request:
                data = conn.recv(4096)
                if not data:
                    return
                request += data
            path, host = request.split(b" ")[1].decode(), request.split(b"\r\nHost: ")[1].split(b"\r\n")[0]
            replies = {"/big": b"x" * (2 << 20), "/host": b"HTTP/1.0 200 " + host + b"\r\n\r\n"}
            conn.sendall(replies.get(path) or urllib.parse.unquote_to_bytes(path[3:]))
            if mode and path.startswith("/r/"):
                conn = conn.unwrap()
            conn.shutdown(socket.SHUT_WR)
        while conn.recv(4096):
            pass
        if mode == "silent":
            print("silent client left", file=sys.stderr, flush=True)


class Server6(socketserver.ThreadingTCPServer):
    address_family = socket.AF_INET6


valid, localhost = tls("valid"), tls("localhost")
valid.sni_callback = lambda conn, name, _: setattr(conn, "context", localhost) if name == "localhost" else None
for mode, address in ((None, "127.0.0.1"), (valid, "127.0.0.1"), (tls("expired"), "127.0.0.1"),
                      ("banner", "127.0.0.1"), ("silent", "127.0.0.1"), (None, "::1"), (valid, "::1")):
    server = (Server6 if ":" in address else socketserver.ThreadingTCPServer)((address, 0), Handler)
    server.daemon_threads, server.mode = True, mode
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print("ports" if mode is None and address[0] == "1" else "", server.server_address[1], end="", file=sys.stderr)
print(file=sys.stderr, flush=True)
threading.Event().wait()
