"""Loopback servers for the network check tests: net_servers.py CERT_FOLDER.

Prints "ports HTTP HTTPS EXPIRED BANNER SILENT" on standard error. HTTP and
the TLS ports answer GET /r/<percent-encoded reply> with the reply, then the
closing alert (TLS); /c/<reply> cuts TLS without it; /big sends a 2 MiB line.
HTTPS serves valid.pem, or localhost.pem to a client naming "localhost";
EXPIRED serves expired.pem. BANNER speaks first, as SSH does. SILENT never
writes and prints "closed" once its client hangs up."""
import socket, socketserver, ssl, sys, threading, urllib.parse


def tls(name):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(f"{sys.argv[1]}/{name}.pem")
    context.options |= ssl.OP_IGNORE_UNEXPECTED_EOF
    return context


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        conn, mode, request = self.request, self.server.mode, b""
        if mode == "silent":
            while conn.recv(4096):
                pass
            return print("closed", file=sys.stderr, flush=True)
        if mode == "banner":
            conn.sendall(b"SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n")
        else:
            conn = mode.wrap_socket(conn, server_side=True) if mode else conn
            while b"\r\n\r\n" not in request:
                data = conn.recv(4096)
                if not data:
                    return
                request += data
            path = request.split(b" ")[1].decode()
            conn.sendall(b"x" * (2 << 20) if path == "/big" else urllib.parse.unquote_to_bytes(path[3:]))
            if mode and path.startswith("/r/"):
                try:
                    conn = conn.unwrap()
                except OSError:  # the client closes without answering the alert
                    return
        conn.shutdown(socket.SHUT_WR)
        while conn.recv(4096):
            pass


valid, localhost = tls("valid"), tls("localhost")
valid.sni_callback = lambda conn, name, _: setattr(conn, "context", localhost) if name == "localhost" else None
ports = []
for mode in (None, valid, tls("expired"), "banner", "silent"):
    server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads, server.mode = True, mode
    threading.Thread(target=server.serve_forever, daemon=True).start()
    ports.append(str(server.server_address[1]))
print("ports", *ports, file=sys.stderr, flush=True)
threading.Event().wait()
