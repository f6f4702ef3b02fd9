#!/usr/bin/python3
"""GET /api/week in the real program offscreen with the stand-in board, over a journal
the test writes across both files (padded near its size limit) and a stage with a
daily extra window: the past from the journal's lines, the plan from the windows, a
port switched on now in both halves, and the week's bounds.

usage: web_week_linux.py DORVAN FAKE_HIDAPI_LIBRARY
"""
import base64
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request
from datetime import datetime, timedelta

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mqtt_linux import fail, free_port, stage_file, wait_for  # noqa: E402

AUTH = "Basic " + base64.b64encode(b"kim:gizli").decode()


def stamp(t):
    return t.strftime("%d.%m.%Y %H:%M:%S")


def iso(t):
    return t.astimezone().isoformat()


def ask(port, method, path, body=None, auth=AUTH):
    request = urllib.request.Request("http://127.0.0.1:%d%s" % (port, path), method=method,
                                     data=None if body is None else json.dumps(body).encode())
    if auth:
        request.add_header("Authorization", auth)
    if body is not None:
        request.add_header("Content-Type", "application/json")
    try:
        with urllib.request.urlopen(request, timeout=5) as r:
            return r.status, json.loads(r.read())
    except urllib.error.HTTPError as e:
        return e.code, None


def main():
    program, shim = os.path.realpath(sys.argv[1]), os.path.realpath(sys.argv[2])
    scratch = tempfile.mkdtemp()
    home = os.path.join(scratch, "home")
    os.mkdir(home)
    now = datetime.now().replace(microsecond=0)
    today = now.replace(hour=0, minute=0, second=0)
    start, end = today - timedelta(days=7), today + timedelta(days=8)
    daily = now + timedelta(hours=1)
    stage_file(home, {4: ("Sulama", None, None)})
    with open(os.path.join(home, "kademe3.txt"), "ab") as f:
        f.write(("PORT 04;HER GÜN;%s;HER GÜN;%s\r\n" % (daily.strftime("%H:%M:%S"),
                 (daily + timedelta(minutes=30)).strftime("%H:%M:%S"))).encode("cp1254"))
    d3, d2 = today - timedelta(days=3), today - timedelta(days=2)
    # Port 3 on since before the week; port 1 on across the files' rotation; port 2 ended
    # with the program. Port 7's switchings, older than the week, fill the older file, and
    # port 6's, every few seconds for most of a day, the journal near its limit.
    def filler(port, t, step, until, size):
        lines = []
        while t < until and size > 0:
            lines.append("%s PORT %02d %s (çizelge)\n" % (stamp(t), port, "KAPALI" if len(lines) % 2 else "AÇIK"))
            size -= len(lines[-1].encode())
            t += timedelta(seconds=step)
        return lines[:len(lines) // 2 * 2]  # each port left off
    six = filler(6, d3 + timedelta(hours=13), 3, d2 + timedelta(hours=7), 1000000)
    with open(os.path.join(home, "gunluk.1.txt"), "w", encoding="utf-8") as f:
        f.write("".join(filler(7, today - timedelta(days=30), 20, today, 1000000)))
        f.write("%s PORT 03 AÇIK (çizelge)\n%s PORT 01 AÇIK (elle)\n" %
                (stamp(today - timedelta(days=10)), stamp(d3 + timedelta(hours=10))))
    with open(os.path.join(home, "gunluk.txt"), "w", encoding="utf-8") as f:
        f.write("%s PORT 01 KAPALI (elle)\n" % stamp(d3 + timedelta(hours=12)))
        f.write("".join(six))
        f.write("%s PORT 02 AÇIK (mqtt)\n%s DORVAN KAPANDI\n" %
                (stamp(d2 + timedelta(hours=8)), stamp(d2 + timedelta(hours=9))))
    web = free_port()
    with open(os.path.join(home, "ag.txt"), "w") as f:
        f.write("web = 127.0.0.1:%d\nweb_parola = gizli\n" % web)
    os.chmod(os.path.join(home, "ag.txt"), 0o600)
    board = os.path.join(scratch, "board")
    open(board, "w").close()
    env = dict(os.environ, DORVAN_FAKE_BOARD=board, QT_QPA_PLATFORM="offscreen", LD_PRELOAD=shim)
    log = open(os.path.join(scratch, "stderr"), "w")
    process = subprocess.Popen([program, "3"], cwd=home, env=env, stdout=log, stderr=log)
    try:
        wait_for("the page", lambda: ask(web, "GET", "/api/state")[0] == 200 if _listening(web) else False, 10)
        if ask(web, "GET", "/api/week", auth=None)[0] != 401:
            fail("GET /api/week without the password was answered")
        status, _ = ask(web, "POST", "/api/ports/5", {"state": "on"})
        if status != 200:
            fail("port 5 was not switched on: %d" % status)
        time.sleep(1.1)
        took = time.monotonic()
        status, week = ask(web, "GET", "/api/week")
        took = (time.monotonic() - took) * 1000
        print("GET /api/week over a journal of %d + %d bytes: %.1f ms" %
              (os.path.getsize(os.path.join(home, "gunluk.1.txt")), os.path.getsize(os.path.join(home, "gunluk.txt")),
               took))
        if status != 200:
            fail("GET /api/week answered %d" % status)
        print(json.dumps({k: week[k] for k in ("from", "now", "to")}))
        if (week["from"], week["to"]) != (iso(start), iso(end)) or len(week["ports"]) != 10:
            fail("the week's bounds: %s … %s, %d ports" % (week["from"], week["to"], len(week["ports"])))
        seen = datetime.fromisoformat(week["now"]).replace(tzinfo=None)
        if not now <= seen <= datetime.now():
            fail("now is %s" % week["now"])
        ports = {p["port"]: p for p in week["ports"]}
        runs = sorted(daily + timedelta(days=n) for n in range(9))
        want = {
            1: ("past", [[iso(d3 + timedelta(hours=10)), iso(d3 + timedelta(hours=12))]]),
            2: ("past", [[iso(d2 + timedelta(hours=8)), iso(d2 + timedelta(hours=9))]]),
            3: ("past", [[iso(start), iso(d2 + timedelta(hours=9))]]),
            4: ("planned", [[iso(r), iso(min(r + timedelta(minutes=30), end))] for r in runs if r < end]),
            5: ("planned", [[week["now"], iso(end)]]),
            6: ("past", [[iso(d3 + timedelta(hours=13, seconds=6 * n)), iso(d3 + timedelta(hours=13, seconds=6 * n + 3))]
                         for n in range(len(six) // 2)]),
            7: ("past", []),
        }
        for port, (half, intervals) in want.items():
            if ports[port][half] != intervals:
                fail("port %d's %s: %s, not %s" % (port, half, ports[port][half], intervals))
        five = ports[5]["past"]
        if len(five) != 1 or five[0][1] != week["now"] or datetime.fromisoformat(five[0][0]).replace(tzinfo=None) < now:
            fail("port 5, on now, was %s in the past" % five)
        if any(p["planned"] for n, p in ports.items() if n not in (4, 5, 6)):
            fail("a port with nothing scheduled has a plan")
        process.send_signal(signal.SIGTERM)
        if process.wait(10) != 0:
            fail("dorvan ended with %d" % process.returncode)
        return 0
    finally:
        if process.poll() is None:
            process.kill()
        shutil.rmtree(scratch, ignore_errors=True)


def _listening(port):
    with socket.socket() as s:
        return s.connect_ex(("127.0.0.1", port)) == 0


if __name__ == "__main__":
    sys.exit(main())
