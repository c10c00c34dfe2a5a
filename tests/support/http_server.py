"""Runs a command while an HTTP server serves on 127.0.0.1 at the port in VORAK_TEST_HTTP_PORT (nothing listens
at it on 127.0.0.2). /body/N/K: N bytes in K pieces sent apart; /nolength/N/K: the same without
Content-Length; /status/C; /cut/N: half of N announced bytes; /mismatch/N: Content-Length N, chunked body N/2."""
import os, socketserver, subprocess, sys, threading, time

class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        kind, n, k = (self.request.recv(65536).split(b" ")[1].decode().strip("/").split("/") + ["0"])[:3]
        n, k, data = int(n), int(k), bytes(i % 251 for i in range(int(n)))
        start = b"HTTP/1.1 200 OK\r\nConnection: close\r\n" + (b"" if kind == "nolength" else b"Content-Length: %d\r\n" % n)
        pieces = {"status": [b"HTTP/1.1 %d Nope\r\nContent-Length: 4\r\n\r\nnope" % n],
                  "cut": [start + b"\r\n" + data[:n // 2]],
                  "mismatch": [start + b"Transfer-Encoding: chunked\r\n\r\n%x\r\n" % (n // 2) + data[:n // 2] + b"\r\n0\r\n\r\n"]}
        for piece in pieces.get(kind, [start + b"\r\n"] + [data[i * n // k:(i + 1) * n // k] for i in range(k)]):
            self.request.sendall(piece)
            time.sleep(0.25)  # apart, so that each piece is a read cycle of its own

server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), Handler)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.exit(subprocess.call(sys.argv[1:], env=dict(os.environ, VORAK_TEST_HTTP_PORT=str(server.server_address[1]))))
