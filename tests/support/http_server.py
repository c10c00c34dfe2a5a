"""Loopback HTTP server for the download tests. Writes "PORT REFUSED_PORT" to argv[1];
REFUSED_PORT is bound but never listens, so a connection to it is refused.
  /body/N/K     N bytes in K pieces sent apart, with Content-Length
  /nolength/N/K the same without Content-Length, ended by closing
  /status/C     status C with a short page
  /cut/N        Content-Length N, half of it sent, then closed
  /mismatch/N   Content-Length N, but a whole chunked body of N/2 bytes"""
import socket, socketserver, sys, time

def body(n):
    return bytes(i % 251 for i in range(n))

class Handler(socketserver.BaseRequestHandler):
    def send(self, data, pause=0.0):
        self.request.sendall(data)
        time.sleep(pause)

    def handle(self):
        head = b""
        while b"\r\n\r\n" not in head:
            more = self.request.recv(4096)
            if not more:
                return
            head += more
        kind, *args = head.split(b" ")[1].decode().strip("/").split("/")
        n = int(args[0]) if args else 0
        if kind == "status":
            self.send(b"HTTP/1.1 %d Nope\r\nContent-Length: 4\r\nConnection: close\r\n\r\nnope" % n)
        elif kind in ("body", "nolength"):
            k = int(args[1])
            length = b"Content-Length: %d\r\n" % n if kind == "body" else b""
            self.send(b"HTTP/1.1 200 OK\r\n" + length + b"Connection: close\r\n\r\n", 0.1)
            data = body(n)
            for i in range(k):
                self.send(data[i * n // k:(i + 1) * n // k], 0.25)
        elif kind == "cut":
            self.send(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % n + body(n // 2), 0.1)
        elif kind == "mismatch":
            self.send(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nTransfer-Encoding: chunked\r\n"
                      b"Connection: close\r\n\r\n%x\r\n" % (n, n // 2) + body(n // 2) + b"\r\n0\r\n\r\n", 0.1)

socketserver.ThreadingTCPServer.allow_reuse_address = True
server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), Handler)
refused = socket.socket()
refused.bind(("127.0.0.1", 0))
with open(sys.argv[1], "w") as out:
    out.write("%d %d\n" % (server.server_address[1], refused.getsockname()[1]))
server.serve_forever()
