#!/usr/bin/env python3
"""A small, deliberately ill-behaved HTTP server on 127.0.0.1 for the update-page tests.

It listens on one free port per behaviour and writes "<mode> <port>" lines to DIR/ports
(written whole, then renamed, so a reader never sees half of it):

  body     answers "HTTP/1.0 <DIR/status or 200 OK>" with the bytes of DIR/body (read at each
           request, so a test can change it between requests)
  hang     accepts, reads the request, never answers
  drip     sends the status line and headers, then a body a byte a second (--drip-interval)
  flood    sends the headers, then --flood-mib MiB of body as fast as the client takes it
  garbage  answers with bytes that are not HTTP, then closes
  reset    reads the request, then resets the connection (RST, no answer)
  refuse   a port that was free a moment ago and has nobody listening

Every request head (request line and headers, up to the blank line) is appended to
DIR/requests.log as "=== <mode>" followed by the head's lines, before the server answers,
so a test that got its answer can already read the record of its request.

With --port PORT it also listens on that fixed port (the program's own update page in dev
and test builds), doing what DIR/mode says at each connection (default "site"):

  site     serves the files of --site DIR by request path (404 for anything else)
  body, hang, drip, flood, garbage, reset
           as above
  refuse   the fixed port is closed until the mode changes

The mode file is looked at every 50 ms; once a mode is in force its name is written to
DIR/mode.applied (whole, then renamed), so a test that wrote DIR/mode waits for that.

The server stops by itself after --time-limit seconds, and at once when DIR/stop appears.
Only the Python standard library is used.
"""

import argparse
import os
import socket
import struct
import sys
import threading
import time

MODES = ("body", "hang", "drip", "flood", "garbage", "reset")
FIXED_MODES = ("site", "refuse") + MODES


class Server:
    def __init__(self, directory, time_limit, flood_mib, drip_interval, port=None, site=None):
        self.dir = directory
        self.port = port
        self.site = site
        self.fixed = None          # (closing event, accept thread) while the fixed port is open
        self.fixed_mode = "site"
        self.deadline = time.monotonic() + time_limit
        self.flood_bytes = int(flood_mib * 1024 * 1024)
        self.drip_interval = drip_interval
        self.log_lock = threading.Lock()
        self.stopping = threading.Event()

    # -- helpers -------------------------------------------------------------------------

    def path(self, name):
        return os.path.join(self.dir, name)

    def alive(self):
        return not self.stopping.is_set() and time.monotonic() < self.deadline

    def read_head(self, conn):
        """Reads up to the blank line that ends the request head (bounded to 64 KiB)."""
        data = b""
        conn.settimeout(1.0)
        while b"\r\n\r\n" not in data and b"\n\n" not in data and len(data) < 65536:
            if not self.alive():
                return None
            try:
                chunk = conn.recv(4096)
            except socket.timeout:
                continue
            except OSError:
                return None
            if not chunk:
                break
            data += chunk
        for end in (b"\r\n\r\n", b"\n\n"):
            if end in data:
                return data[: data.index(end)]
        return data

    def log(self, mode, head):
        text = head.decode("latin-1")
        with self.log_lock:
            with open(self.path("requests.log"), "a", encoding="latin-1", newline="") as f:
                f.write("=== %s\n" % mode)
                for line in text.split("\r\n"):
                    f.write(line + "\n")
                f.flush()

    def pause(self, seconds):
        """Sleeps in small steps so that a stop is noticed soon."""
        end = time.monotonic() + seconds
        while self.alive() and time.monotonic() < end:
            time.sleep(min(0.05, max(0.0, end - time.monotonic())))

    # -- behaviours ----------------------------------------------------------------------

    def serve(self, mode, conn):
        with conn:
            head = self.read_head(conn)
            if head is None:
                return
            self.log(mode, head)
            try:
                if mode == "site":
                    self.mode_site(conn, head)
                else:
                    getattr(self, "mode_" + mode)(conn)
            except OSError:
                pass

    def mode_site(self, conn, head):
        parts = head.split(b"\r\n", 1)[0].split(b" ")
        path = parts[1].decode("latin-1") if len(parts) >= 2 else ""
        name = path.split("?", 1)[0].lstrip("/")
        body = None
        if name and "/" not in name and not name.startswith("."):
            try:
                with open(os.path.join(self.site, name), "rb") as f:
                    body = f.read()
            except OSError:
                body = None
        if body is None:
            status, body = "404 Not Found", b"<html>404</html>"
        else:
            status = "200 OK"
        head = "HTTP/1.0 %s\r\nContent-Type: text/html\r\nContent-Length: %d\r\n\r\n" % (status, len(body))
        conn.sendall(head.encode("ascii") + body)
        conn.shutdown(socket.SHUT_WR)

    def mode_body(self, conn):
        try:
            with open(self.path("body"), "rb") as f:
                body = f.read()
        except OSError:
            body = b""
        status = "200 OK"
        try:
            with open(self.path("status"), encoding="ascii") as f:
                status = f.read().strip() or status
        except OSError:
            pass
        head = "HTTP/1.0 %s\r\nContent-Type: text/html\r\nContent-Length: %d\r\n\r\n" % (status, len(body))
        conn.sendall(head.encode("ascii") + body)
        conn.shutdown(socket.SHUT_WR)

    def mode_hang(self, conn):
        while self.alive():
            self.pause(0.2)

    def mode_drip(self, conn):
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n")
        # The page would be accepted if it ever arrived whole: only the time bound stops it.
        page = b"jtbb[1.1]" + b"." * 1000000
        for i in range(len(page)):
            if not self.alive():
                return
            conn.sendall(page[i : i + 1])
            self.pause(self.drip_interval)

    def mode_flood(self, conn):
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\njtbb[1.1]")
        block = b"x" * 65536
        sent = 0
        conn.settimeout(5.0)
        while sent < self.flood_bytes and self.alive():
            n = min(len(block), self.flood_bytes - sent)
            conn.sendall(block[:n])
            sent += n
        conn.shutdown(socket.SHUT_WR)

    def mode_garbage(self, conn):
        conn.sendall(b"\x16\x03\x01\x00\xa5\x01\x00\x00\xa1\x03\x03 not an answer \xff\xfe\x00jtbb[1.1]\r\n\r\n")
        conn.shutdown(socket.SHUT_WR)

    def mode_reset(self, conn):
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))

    # -- plumbing ------------------------------------------------------------------------

    def listen(self, mode, port=0, closing=None):
        """Listens on a port (a free one for 0); mode None means the fixed port's mode of the
        moment. The accept loop ends, closing the socket, when `closing` is set."""
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind(("127.0.0.1", port))
        s.listen(16)
        s.settimeout(0.05)
        thread = threading.Thread(target=self.accept_loop, args=(mode, s, closing), daemon=True)
        thread.start()
        return s.getsockname()[1], thread

    def accept_loop(self, mode, s, closing):
        with s:
            while self.alive() and not (closing and closing.is_set()):
                try:
                    conn, _ = s.accept()
                except socket.timeout:
                    continue
                except OSError:
                    return
                m = self.fixed_mode if mode is None else mode
                threading.Thread(target=self.serve, args=(m, conn), daemon=True).start()

    def apply_mode(self):
        """Brings the fixed port in line with DIR/mode; notes the mode in force."""
        try:
            with open(self.path("mode"), encoding="ascii") as f:
                mode = f.read().strip() or "site"
        except OSError:
            mode = "site"
        if mode not in FIXED_MODES:
            mode = "site"
        if mode == "refuse" and self.fixed is not None:
            # Closed for certain before the mode counts as applied.
            closing, thread = self.fixed
            closing.set()
            thread.join()
            self.fixed = None
        self.fixed_mode = mode
        if mode != "refuse" and self.fixed is None:
            closing = threading.Event()
            _, thread = self.listen(None, self.port, closing)
            self.fixed = (closing, thread)
        try:
            with open(self.path("mode.applied"), encoding="ascii") as f:
                if f.read() == mode:
                    return
        except OSError:
            pass
        tmp = self.path("mode.applied.tmp")
        with open(tmp, "w", encoding="ascii") as f:
            f.write(mode)
        os.replace(tmp, self.path("mode.applied"))

    @staticmethod
    def closed_port():
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
        s.close()
        return port

    def run(self):
        ports = [(mode, self.listen(mode)[0]) for mode in MODES]
        ports.append(("refuse", self.closed_port()))
        if self.port is not None:
            self.apply_mode()  # fails here, loudly, when the fixed port is taken
            ports.append(("fixed", self.port))
        tmp = self.path("ports.tmp")
        with open(tmp, "w", encoding="ascii") as f:
            for mode, port in ports:
                f.write("%s %d\n" % (mode, port))
        os.replace(tmp, self.path("ports"))
        while self.alive():
            if os.path.exists(self.path("stop")):
                break
            if self.port is not None:
                try:
                    self.apply_mode()
                except OSError as e:  # the port was taken while closed: try again
                    print("page_server: fixed port %d: %s" % (self.port, e), file=sys.stderr)
            time.sleep(0.05)
        self.stopping.set()


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--dir", required=True, help="folder for ports, body, status, requests.log, stop")
    p.add_argument("--time-limit", type=float, default=110.0, help="seconds before the server stops by itself")
    p.add_argument("--flood-mib", type=float, default=8.0, help="MiB of body the flood mode sends")
    p.add_argument("--drip-interval", type=float, default=1.0, help="seconds between two bytes of the drip mode")
    p.add_argument("--port", type=int, help="also listen on this fixed port, doing what DIR/mode says")
    p.add_argument("--site", help="folder the fixed port's site mode serves")
    a = p.parse_args()
    os.makedirs(a.dir, exist_ok=True)
    if a.port is not None and not a.site:
        p.error("--port needs --site")
    Server(a.dir, a.time_limit, a.flood_mib, a.drip_interval, a.port, a.site).run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
