#!/usr/bin/python3
"""The page's event stream and its bounds, in the real program offscreen with the
stand-in board and a real mosquitto: the stream's first event, an MQTT switching as an
event, the comment line; slow clients, the per-address limit and the header deadline,
while a switching falls due; fifty streams at once.

usage: web_live_linux.py DORVAN FAKE_HIDAPI_LIBRARY
"""
import base64
import os
import shutil
import socket
import sys
import tempfile
import threading
import time
from datetime import datetime, timedelta

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mqtt_linux import BROKER, PASSWORD, PREFIX, Broker, Client, Dorvan, fail, free_port, paho, wait_for  # noqa: E402

AUTH = "Authorization: Basic " + base64.b64encode(b"kim:gizli").decode() + "\r\n"


def connect(port, source="127.0.0.1"):
    s = socket.socket()
    s.bind((source, 0))
    s.connect(("127.0.0.1", port))
    return s


def get(port, path, source="127.0.0.1"):
    """Status and body of one GET, on a connection of its own."""
    s = connect(port, source)
    s.settimeout(5)
    s.sendall(("GET %s HTTP/1.1\r\nHost: x\r\n%sConnection: close\r\n\r\n" % (path, AUTH)).encode())
    data = b""
    while True:
        chunk = s.recv(65536)
        if not chunk:
            break
        data += chunk
    s.close()
    head, _, body = data.partition(b"\r\n\r\n")
    return int(head.split()[1]), body.decode()


class Stream:
    """GET /api/events, read as it comes: its events and comments, each with when it came."""

    def __init__(self, port, source="127.0.0.1"):
        self.sock = connect(port, source)
        self.sock.sendall(("GET /api/events HTTP/1.1\r\nHost: x\r\n%s\r\n" % AUTH).encode())
        self.items, self.buffer = [], b""
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        while True:
            try:
                chunk = self.sock.recv(65536)
            except OSError:
                return
            if not chunk:
                return
            self.buffer += chunk
            while b"\n\n" in self.buffer:
                block, self.buffer = self.buffer.split(b"\n\n", 1)
                self.items.append((time.monotonic(), block.decode()))

    def dump(self):
        return [block[:120] for _, block in self.items]

    def find(self, test):
        return next((t for t, block in list(self.items) if test(block)), None)


def main():
    if paho is None or not os.path.exists(BROKER):
        print("SKIP: mosquitto or python3-paho-mqtt is not installed")
        return 77
    program, shim = os.path.realpath(sys.argv[1]), os.path.realpath(sys.argv[2])
    scratch = tempfile.mkdtemp()
    broker = Broker(scratch, free_port())
    d = None
    try:
        broker.start()
        web = free_port()
        due = datetime.now().replace(microsecond=0) + timedelta(seconds=12)
        d = Dorvan(program, shim, scratch, broker.port, PASSWORD, {2: ("", due, None)}, web, extra="web_parola = gizli\n")
        wait_for("MQTT BAĞLANDI", lambda: "MQTT BAĞLANDI" in d.journal(), 10)

        # The stream: the whole state first, then an MQTT switching as it happens.
        stream = Stream(web)
        wait_for("the first event", lambda: stream.items, 5)
        first = stream.items[0][1]
        if not first.split("\r\n\r\n")[-1].startswith('event: state\ndata: {"board":true') or first.count('"port":') != 10:
            fail("the stream began with %r" % first[-300:])
        sub = Client(broker.port, "nothing")
        sent = time.monotonic()
        sub.publish(PREFIX + "/port/5/set", "ON")
        came = wait_for("port 5's event",
                        lambda: stream.find(lambda b: b.startswith("event: port") and '"port":5,' in b and '"state":"on"' in b), 2)
        print("MQTT set → port event: %.1f ms" % ((came - sent) * 1000))
        if came - sent > 0.1:
            fail("the event came %.0f ms after the set" % ((came - sent) * 1000))

        # 200 slow clients from one address: half a header, then a line every two seconds.
        slow, refused, closed_at = [], [], {}
        started = time.monotonic()
        for _ in range(200):
            s = connect(web, "127.0.0.3")
            s.sendall(b"GET /api/state HTTP/1.1\r\nHost: x\r\n")
            slow.append(s)

        def trickle():
            last = started
            while time.monotonic() - started < 14:
                line = time.monotonic() - last >= 2
                last = time.monotonic() if line else last
                for s in slow:
                    if s in closed_at:
                        continue
                    s.setblocking(False)
                    try:
                        data = s.recv(4096)
                        if not data or b" 503 " in data[:16]:
                            closed_at[s] = time.monotonic() - started
                            (refused if data else []).append(s)
                            continue
                    except BlockingIOError:
                        pass
                    except OSError:
                        closed_at[s] = time.monotonic() - started
                        continue
                    try:
                        if line:
                            s.sendall(b"X-Slow: 1\r\n")
                    except OSError:
                        closed_at[s] = time.monotonic() - started
                time.sleep(0.2)
        trickler = threading.Thread(target=trickle)
        trickler.start()

        # Another address is answered meanwhile.
        time.sleep(1)
        took = []
        for _ in range(20):
            t = time.monotonic()
            status, _ = get(web, "/api/state")
            took.append((time.monotonic() - t) * 1000)
            if status != 200:
                fail("GET /api/state answered %d beside the slow clients" % status)
        took.sort()
        print("GET /api/state beside 200 slow clients: median %.1f ms, worst %.1f ms" % (took[10], took[-1]))
        if took[-1] > 100:
            fail("a request took %.0f ms beside the slow clients" % took[-1])
        # Fifty event streams at once, each from an address of its own, and the API still answers.
        streams = [Stream(web, "127.0.1.%d" % i) for i in range(1, 51)]
        wait_for("fifty first events", lambda: all(s.items for s in streams), 5)
        t = time.monotonic()
        status, _ = get(web, "/api/state")
        print("GET /api/state beside 50 streams: %.1f ms" % ((time.monotonic() - t) * 1000))
        if status != 200 or time.monotonic() - t > 0.1:
            fail("with fifty streams open the API answered %d in %.0f ms" % (status, (time.monotonic() - t) * 1000))
        for s in streams:
            s.sock.close()

        trickler.join()
        if len(refused) != 184 or any(closed_at[s] > 1 for s in refused):
            fail("%d of the 200 were refused at once, not 184" % len([s for s in refused if closed_at[s] <= 1]))
        held = sorted(v for s, v in closed_at.items() if s not in refused)
        print("the 16 held: closed after %.1f … %.1f s" % (held[0], held[-1]) if held else "none held")
        if len(held) != 16 or held[0] < 9.5 or held[-1] > 11.5:
            fail("the trickling headers were closed at %s s, not at 10" % held)
        for s in slow:
            s.close()
        line = "%s PORT 02 AÇIK (çizelge)" % due.strftime("%H:%M:%S")
        wait_for("port 2 in its second", lambda: any(line in l for l in open(os.path.join(d.home, "gunluk.txt"))), 3)

        # A comment line keeps the quiet stream open.
        wait_for("the comment line", lambda: stream.find(lambda b: b.startswith(":")), 20 - (time.monotonic() - sent))
        sub.close()
        if d.end() != 0:
            fail("dorvan ended with %d" % d.process.returncode)
        return 0
    finally:
        if d and d.process.poll() is None:
            d.process.kill()
        broker.stop()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
