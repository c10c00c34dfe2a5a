"""usage: http_server.py DIR PORT COMMAND...: runs COMMAND while an HTTP server listens on 127.0.0.1 at PORT. It
logs each request's target to DIR/requests.log (a proxy's: the whole URL), and answers as DIR/answer.txt says
("KIND FILE K", FILE of DIR): body: the file in K pieces sent apart; nolength: the same without Content-Length;
status C: that status; cut: half of the file, its whole length announced; mismatch: Content-Length of the file,
chunked body of half; redirect: to a host that does not resolve; silent: nothing, ever; trickle: the file a byte
every 3 s; huge: the file, 5 GB announced; stamp: a time-stamping authority's reply to the query in the body, signed
by openssl ts as the config FILE says."""
import os, re, socketserver, subprocess, sys, threading, time

root, port = sys.argv[1], int(sys.argv[2])

class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        request = self.request.recv(65536)
        path = request.split(b" ")[1].decode()
        with open(os.path.join(root, "requests.log"), "a") as log:
            log.write(path + "\n")
        kind, name, k = (open(os.path.join(root, "answer.txt")).read().split() + ["1"])[:3]
        if kind == "silent":
            self.request.settimeout(120)
            return self.request.recv(1)  # until the client goes
        if kind == "stamp":  # the query is the request's body
            body, length = request.partition(b"\r\n\r\n")[2], int(re.search(rb"(?i)content-length: *(\d+)", request)[1])
            while len(body) < length:
                body += self.request.recv(65536)
            data = subprocess.run(["openssl", "ts", "-reply", "-config", os.path.join(root, name), "-queryfile", "/dev/stdin"],
                                  input=body, capture_output=True).stdout
        else:
            data = b"" if kind in ("status", "redirect") else open(os.path.join(root, name), "rb").read()
        n, k = len(data), (len(data) if kind == "trickle" else int(k))
        length = {"nolength": b"", "huge": b"Content-Length: 5000000000\r\n"}.get(kind, b"Content-Length: %d\r\n" % n)
        start = b"HTTP/1.1 200 OK\r\nConnection: close\r\n" + length + b"Content-Type: application/timestamp-reply\r\n" * (kind == "stamp")
        pieces = {"status": [b"HTTP/1.1 %s Nope\r\nContent-Length: 4\r\n\r\nnope" % name.encode()],
                  "redirect": [b"HTTP/1.1 302 Found\r\nLocation: http://vorak-elsewhere.invalid/x\r\nContent-Length: 0\r\n\r\n"],
                  "cut": [start + b"\r\n" + data[:n // 2]],
                  "mismatch": [start + b"Transfer-Encoding: chunked\r\n\r\n%x\r\n" % (n // 2) + data[:n // 2] + b"\r\n0\r\n\r\n"]}
        try:
            for piece in pieces.get(kind, [start + b"\r\n"] + [data[i * n // k:(i + 1) * n // k] for i in range(k)]):
                self.request.sendall(piece)
                time.sleep(3 if kind == "trickle" else 0.25)  # apart, so that each piece is a read cycle of its own
        except OSError:
            pass  # the client went first

socketserver.ThreadingTCPServer.allow_reuse_address = True
server = socketserver.ThreadingTCPServer(("127.0.0.1", port), Handler)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.exit(subprocess.call(sys.argv[3:]))
