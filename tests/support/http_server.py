"""Loopback HTTP server for the download tests. Writes "PORT REFUSED_PORT" to argv[1];
REFUSED_PORT is bound but never listens, so a connection to it is refused.
  /body/N/K     N bytes in K pieces sent apart, with Content-Length
  /nolength/N/K the same without Content-Length, ended by closing
  /status/C     status C with a short page
  /cut/N        Content-Length N, half of it sent, then closed
  /mismatch/N   Content-Length N, but a whole chunked body of N/2 bytes
With a folder and a port (argv[2], argv[3]) it listens there, logs every path
asked to FOLDER/requests.log, and answers any other path as FOLDER/answer.txt
says: one of the kinds above with a file of FOLDER in place of N ("body signed.exe 4")."""
import os, socket, socketserver, sys, time

root = sys.argv[2] if len(sys.argv) > 3 else None
port = int(sys.argv[3]) if root else 0
KINDS = ("status", "body", "nolength", "cut", "mismatch")

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
        path = head.split(b" ")[1].decode()
        kind, *args = path.strip("/").split("/")
        if root:
            with open(os.path.join(root, "requests.log"), "a") as log:
                log.write(path + "\n")
            if kind not in KINDS:
                with open(os.path.join(root, "answer.txt")) as answer:
                    kind, *args = answer.read().split()
        if kind == "status":
            self.send(b"HTTP/1.1 %d Nope\r\nContent-Length: 4\r\nConnection: close\r\n\r\nnope" % int(args[0]))
            return
        if args[0].isdigit():
            data = body(int(args[0]))
        else:
            with open(os.path.join(root, args[0]), "rb") as f:
                data = f.read()
        n = len(data)
        if kind in ("body", "nolength"):
            k = int(args[1])
            length = b"Content-Length: %d\r\n" % n if kind == "body" else b""
            self.send(b"HTTP/1.1 200 OK\r\n" + length + b"Connection: close\r\n\r\n", 0.1)
            for i in range(k):
                self.send(data[i * n // k:(i + 1) * n // k], 0.25)
        elif kind == "cut":
            self.send(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % n + data[:n // 2], 0.1)
        elif kind == "mismatch":
            self.send(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nTransfer-Encoding: chunked\r\n"
                      b"Connection: close\r\n\r\n%x\r\n" % (n, n // 2) + data[:n // 2] + b"\r\n0\r\n\r\n", 0.1)

socketserver.ThreadingTCPServer.allow_reuse_address = True
server = socketserver.ThreadingTCPServer(("127.0.0.1", port), Handler)
refused = socket.socket()
refused.bind(("127.0.0.1", 0))
with open(sys.argv[1], "w") as out:
    out.write("%d %d\n" % (server.server_address[1], refused.getsockname()[1]))
server.serve_forever()
