#!/usr/bin/python3
"""Sun words and durations in the real Linux program, offscreen with the stand-in board,
its clock moved to an evening by libfaketime: a BATIŞ start falls due and switches the
board in its second, a +5 SN end switches off five seconds later, and a start with the
stage an hour after sunset resumes BATIŞ → +4 SA as on.

usage: sun_linux.py DORVAN FAKE_HIDAPI_LIBRARY SUN_DAYS
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
from datetime import datetime, timedelta

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net"))
from mqtt_linux import fail, wait_for  # noqa: E402

FAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
ANKARA = ("39.9334", "32.8597")
ZONE = "Europe/Istanbul"
DAY = "21.12.2026"


def sunset(sun_days):
    """DORVAN's own second of the day's sunset, as a naive local datetime."""
    day = datetime.strptime(DAY, "%d.%m.%Y")
    after = int((day - datetime(1970, 1, 1)).total_seconds())
    out = subprocess.run([sun_days, "next", *ANKARA, DAY, "BATIŞ", str(after)], capture_output=True, text=True,
                         check=True, env=dict(os.environ, TZ=ZONE)).stdout.strip()
    return datetime.fromisoformat(out).replace(tzinfo=None)


class Dorvan:
    def __init__(self, program, shim, folder, start):
        self.home, self.board = os.path.join(folder, "home"), os.path.join(folder, "board")
        os.makedirs(self.home, exist_ok=True)
        open(self.board, "w").close()
        env = dict(os.environ, DORVAN_FAKE_BOARD=self.board, QT_QPA_PLATFORM="offscreen", TZ=ZONE,
                   LD_PRELOAD=shim + ":" + FAKETIME, FAKETIME="@" + start.strftime("%Y-%m-%d %H:%M:%S"))
        self.log = open(os.path.join(folder, "stderr"), "a")
        self.process = subprocess.Popen([program, "3"], cwd=self.home, env=env, stdout=self.log, stderr=self.log)

    def journal(self):
        try:
            with open(os.path.join(self.home, "gunluk.txt"), encoding="utf-8") as f:
                return [line.rstrip("\n") for line in f]
        except FileNotFoundError:
            return []

    def reports(self):
        try:
            with open(self.board + ".log") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def end(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            self.process.wait(10)
        os.remove(self.board + ".log") if os.path.exists(self.board + ".log") else None


def main():
    program, shim, sun_days = sys.argv[1:4]
    if not os.path.exists(FAKETIME):
        print("SKIP: libfaketime (Debian's faketime) is not installed")
        return 77
    folder = tempfile.mkdtemp()
    try:
        home = os.path.join(folder, "home")
        os.mkdir(home)
        rows = [["Giriş lambası", "HER GÜN", "BATIŞ", "", "+4 SA"], ["Sulama", "HER GÜN", "BATIŞ", "", "+5 SN"]]
        rows += [[""] * 5] * 8
        with open(os.path.join(home, "kademe3.txt"), "wb") as f:
            f.write("".join(v + "\r\n" for row in rows for v in row).encode("cp1254"))
        with open(os.path.join(home, "ag.txt"), "w") as f:
            f.write("# Ankara\nkonum = %s, %s   # enlem, boylam\n" % ANKARA)
        due = sunset(sun_days)
        stamp = lambda t: t.strftime("%d.%m.%Y %H:%M:%S")  # noqa: E731

        d = Dorvan(program, shim, folder, due - timedelta(seconds=6))
        want = ["%s PORT 01 AÇIK (çizelge)" % stamp(due), "%s PORT 02 AÇIK (çizelge)" % stamp(due),
                "%s PORT 02 KAPALI (çizelge)" % stamp(due + timedelta(seconds=5))]
        try:
            wait_for("the sunset's switchings", lambda: all(w in d.journal() for w in want), 20)
        except SystemExit:
            print("\n".join(d.journal()), file=sys.stderr)
            raise
        reports = d.reports()
        for port, on in ((1, 1), (2, 1), (2, 0)):
            if "00 %02X %02X 00 00 00 00 00 00" % (port, on) not in reports:
                fail("no report for port %d state %d: %s" % (port, on, reports))
        print("\n".join(d.journal()))
        d.end()

        d = Dorvan(program, shim, folder, due + timedelta(hours=1))
        want = ["PORT 01 AÇIK (açılış: %s)" % stamp(due), "PORT 02 KAPALI (açılış: %s)" % stamp(due + timedelta(seconds=5))]
        wait_for("the resumed ports", lambda: all(any(l.endswith(w) for l in d.journal()) for w in want), 10)
        print("\n".join(d.journal()[-4:]))
        d.end()
        return 0
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
