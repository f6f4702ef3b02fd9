#!/usr/bin/python3
"""DORVAN.exe under Wine takes the sun words: a stage's BATIŞ and a DOĞUŞ-15 typed through
the page are unmarked once ag.txt says where DORVAN is, and the seconds they name next
are the very seconds the Linux build works out for the same place and time zone.

usage: sun_wine.py WINEPREFIX DORVAN.exe mcHID.dll LOADER SUN_DAYS
SUN_DAYS is the Linux build's tests/sun/sun_days; without it the test is skipped.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import urllib.request
from datetime import datetime

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net"))
import mqtt_linux as net  # noqa: E402  free ports, waiting, failing
from wine_program import WineDorvan  # noqa: E402

ANKARA = ("39.9334", "32.8597")
ZONE = "Europe/Istanbul"


def linux_next(sun_days, date, time_box, after):
    return subprocess.run([sun_days, "next", *ANKARA, date, time_box, str(after)], capture_output=True, text=True,
                          check=True, env=dict(os.environ, TZ=ZONE)).stdout.strip()


def main():
    prefix, exe, standin, loader, sun_days = sys.argv[1:6]
    if not os.path.exists(sun_days):
        print("SKIP: the Linux build's %s is missing (scripts/test.sh builds the linux preset first)" % sun_days)
        return 77
    scratch = tempfile.mkdtemp()
    dorvan = None
    try:
        dorvan = WineDorvan(prefix, exe, standin, loader, scratch, TZ=ZONE)
        rows = [["Giriş lambası", "HER GÜN", "BATIŞ", "", "+4 SA"]] + [[""] * 5] * 9
        with open(os.path.join(dorvan.work, "kademe3.txt"), "wb") as f:
            f.write("".join(v + "\r\n" for row in rows for v in row).encode("cp1254"))
        port = net.free_port()
        dorvan.write("ag.txt", "konum = %s, %s   # Ankara\nweb = 127.0.0.1:%d\n" % (*ANKARA, port))
        dorvan.start("3")
        base = "http://127.0.0.1:%d" % port

        def state():
            try:
                with urllib.request.urlopen(base + "/api/state", timeout=2) as r:
                    return json.load(r)
            except OSError:
                return None

        net.wait_for("the page", state, 60)
        body = json.dumps({"start": {"date": "HER GÜN", "time": "DOĞUŞ-15"}}).encode()
        request = urllib.request.Request(base + "/api/ports/2", body, {"Content-Type": "application/json"}, method="PUT")
        with urllib.request.urlopen(request, timeout=5) as r:
            typed = json.load(r)
        ports = state()["ports"]
        for got, date, time_box in ((ports[0], "HER GÜN", "BATIŞ"), (typed, "HER GÜN", "DOĞUŞ-15")):
            if got["marks"]:
                net.fail("PORT %02d's %s is marked: %s" % (got["port"], time_box, got["markTips"]))
            # From the seconds the Windows program names, back one day: the Linux build must
            # name the same next second after a moment just before it.
            windows = got["start"].get("next")
            if not windows:
                net.fail("PORT %02d has no computed next second: %s" % (got["port"], got))
            at = datetime.fromisoformat(windows).replace(tzinfo=None)
            after = int((at - datetime(1970, 1, 1)).total_seconds()) - 60
            linux = linux_next(sun_days, date, time_box, after)
            if linux != windows:
                net.fail("%s %s: the Windows program names %s, the Linux build %s" % (date, time_box, windows, linux))
            print("%s %s → %s on both" % (date, time_box, windows))
        return 0
    finally:
        if dorvan:
            dorvan.end()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
