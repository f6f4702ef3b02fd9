#!/usr/bin/python3
"""GET /api/week in the real program offscreen with the stand-in board, over a journal
written here across both files, near its size limit, and a stage with a daily extra
window: the past from the journal's lines, the plan from the windows, a port switched on
now in both halves, and the week's bounds.

usage: web_week_linux.py DORVAN FAKE_HIDAPI_LIBRARY
"""
import base64
import json
import os
import shutil
import sys
import tempfile
import time
import urllib.error
import urllib.request
from datetime import datetime, timedelta

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mqtt_linux import fail, free_port, stage_file, wait_for  # noqa: E402
from web_https_linux import Dorvan  # noqa: E402


def stamp(t):
    return t.strftime("%d.%m.%Y %H:%M:%S")


def iso(t):
    return t.astimezone().isoformat()


def ask(port, method, path, body=None, auth=True):
    request = urllib.request.Request("http://127.0.0.1:%d%s" % (port, path), method=method,
                                     data=body and json.dumps(body).encode(), headers={"Content-Type": "application/json"})
    if auth:
        request.add_header("Authorization", "Basic " + base64.b64encode(b"kim:gizli").decode())
    try:
        with urllib.request.urlopen(request, timeout=5) as r:
            return r.status, json.loads(r.read())
    except urllib.error.HTTPError as e:
        return e.code, None
    except OSError:
        return 0, None


def switchings(port, t, step, until, size):
    """A port on and off every `step` seconds, ending off, in at most `size` bytes."""
    lines = []
    while t < until and size > 0:
        lines.append("%s PORT %02d %s (çizelge)\n" % (stamp(t), port, "KAPALI" if len(lines) % 2 else "AÇIK"))
        size -= len(lines[-1].encode())
        t += timedelta(seconds=step)
    return lines[:len(lines) // 2 * 2]


def main():
    program, shim = os.path.realpath(sys.argv[1]), os.path.realpath(sys.argv[2])
    scratch = tempfile.mkdtemp()
    home = os.path.join(scratch, "home")
    os.mkdir(home)
    now = datetime.now().replace(microsecond=0)
    today = now.replace(hour=0, minute=0, second=0)
    start, end, d3, d2 = (today + timedelta(days=n) for n in (-7, 8, -3, -2))
    daily = now + timedelta(hours=1)
    stage_file(home, {})
    with open(os.path.join(home, "kademe3.txt"), "ab") as f:
        f.write(("PORT 04;HER GÜN;%s;HER GÜN;%s\r\n" % (daily.strftime("%H:%M:%S"),
                 (daily + timedelta(minutes=30)).strftime("%H:%M:%S"))).encode("cp1254"))
    # Port 3 on since before the week; port 1 on across the files; port 2 ended with the
    # program. Port 7's switchings before the week fill the older file, port 6's every 3 s
    # for most of a day the newer one.
    six = switchings(6, d3 + timedelta(hours=13), 3, d2 + timedelta(hours=7), 1000000)
    with open(os.path.join(home, "gunluk.1.txt"), "w", encoding="utf-8") as f:
        f.write("".join(switchings(7, today - timedelta(days=30), 20, today, 1000000)))
        f.write("%s PORT 03 AÇIK (çizelge)\n%s PORT 01 AÇIK (elle)\n" %
                (stamp(today - timedelta(days=10)), stamp(d3 + timedelta(hours=10))))
    with open(os.path.join(home, "gunluk.txt"), "w", encoding="utf-8") as f:
        f.write("%s PORT 01 KAPALI (elle)\n%s%s PORT 02 AÇIK (mqtt)\n%s DORVAN KAPANDI\n" %
                (stamp(d3 + timedelta(hours=12)), "".join(six), stamp(d2 + timedelta(hours=8)),
                 stamp(d2 + timedelta(hours=9))))
    web = free_port()
    d = Dorvan(program, shim, home, "web = 127.0.0.1:%d\nweb_parola = gizli\n" % web)
    try:
        wait_for("the page", lambda: ask(web, "GET", "/api/state")[0] == 200, 10)
        if ask(web, "GET", "/api/week", auth=False)[0] != 401:
            fail("GET /api/week without the password was answered")
        if ask(web, "POST", "/api/ports/5", {"state": "on"})[0] != 200:
            fail("port 5 was not switched on")
        time.sleep(1.1)
        took = time.monotonic()
        status, week = ask(web, "GET", "/api/week")
        print("GET /api/week over a journal of 2 × 1 MB: %.1f ms" % ((time.monotonic() - took) * 1000))
        if status != 200 or (week["from"], week["to"]) != (iso(start), iso(end)) or len(week["ports"]) != 10:
            fail("the week: %d %s" % (status, week and {k: week[k] for k in ("from", "now", "to")}))
        if not now <= datetime.fromisoformat(week["now"]).replace(tzinfo=None) <= datetime.now():
            fail("now is %s" % week["now"])
        runs = [daily + timedelta(days=n) for n in range(9)]
        half_hour = timedelta(minutes=30)
        want = {
            1: ([[iso(d3 + timedelta(hours=10)), iso(d3 + timedelta(hours=12))]], []),
            2: ([[iso(d2 + timedelta(hours=8)), iso(d2 + timedelta(hours=9))]], []),
            3: ([[iso(start), iso(d2 + timedelta(hours=9))]], []),
            4: ([], [[iso(r), iso(min(r + half_hour, end))] for r in runs if r < end]),
            6: ([[iso(d3 + timedelta(hours=13, seconds=6 * n)), iso(d3 + timedelta(hours=13, seconds=6 * n + 3))]
                 for n in range(len(six) // 2)], []),
            7: ([], []),
        }
        for p in week["ports"]:
            past, planned = want.get(p["port"], ([], []))
            if p["port"] == 5:
                on = p["past"][0][0] if len(p["past"]) == 1 else ""
                past, planned = [[on, week["now"]]], [[week["now"], iso(end)]]
                if datetime.fromisoformat(on or week["from"]).replace(tzinfo=None) < now:
                    fail("port 5 was on since %s" % on)
            if (p["past"], p["planned"]) != (past, planned):
                fail("port %d: %s, not %s" % (p["port"], (p["past"][:3], p["planned"][:3]), (past[:3], planned[:3])))
        d.end()
        return 0 if d.process.returncode == 0 else fail("dorvan ended with %d" % d.process.returncode)
    finally:
        if d.process.poll() is None:
            d.process.kill()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
