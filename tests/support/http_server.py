"""Runs a command while an HTTP server serves on 127.0.0.1 at the port in VORAK_TEST_HTTP_PORT (nothing listens
at it on 127.0.0.2). /body/N/K: N bytes in K pieces sent apart; /nolength/N/K: the same without
Content-Length; /status/C; /cut/N: half of N announced bytes; /mismatch/N: Content-Length N, chunked body N/2.
"--root DIR PORT" first: it listens at PORT, logs each path asked to DIR/requests.log, and answers any
other path as DIR/answer.txt says, with a file of DIR in place of N ("body signed.exe 4")."""
import os, socketserver, subprocess, sys, threading, time

root, port = (sys.argv[2], int(sys.argv[3])) if sys.argv[1] == "--root" else (None, 0)

class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        path = self.request.recv(65536).split(b" ")[1].decode()
        kind, n, k = (path.strip("/").split("/") + ["0"])[:3]
        if root:
            with open(os.path.join(root, "requests.log"), "a") as log:
                log.write(path + "\n")
            if kind not in ("status", "body", "nolength", "cut", "mismatch"):
                kind, n, k = (open(os.path.join(root, "answer.txt")).read().split() + ["1"])[:3]
        data = bytes(i % 251 for i in range(int(n))) if n.isdigit() else open(os.path.join(root, n), "rb").read()
        n, k = int(n) if n.isdigit() else len(data), int(k)
        start = b"HTTP/1.1 200 OK\r\nConnection: close\r\n" + (b"" if kind == "nolength" else b"Content-Length: %d\r\n" % n)
        pieces = {"status": [b"HTTP/1.1 %d Nope\r\nContent-Length: 4\r\n\r\nnope" % n],
                  "cut": [start + b"\r\n" + data[:n // 2]],
                  "mismatch": [start + b"Transfer-Encoding: chunked\r\n\r\n%x\r\n" % (n // 2) + data[:n // 2] + b"\r\n0\r\n\r\n"]}
        for piece in pieces.get(kind, [start + b"\r\n"] + [data[i * n // k:(i + 1) * n // k] for i in range(k)]):
            self.request.sendall(piece)
            time.sleep(0.25)  # apart, so that each piece is a read cycle of its own

socketserver.ThreadingTCPServer.allow_reuse_address = True
server = socketserver.ThreadingTCPServer(("127.0.0.1", port), Handler)
threading.Thread(target=server.serve_forever, daemon=True).start()
command = sys.argv[4:] if root else sys.argv[1:]
sys.exit(subprocess.call(command, env=dict(os.environ, VORAK_TEST_HTTP_PORT=str(server.server_address[1]))))
