"""DORVAN.exe as the Wine tests start it: in a scratch folder of its own (app/ with the
program and the stand-in board library, work/ for the stage files and ag.txt), on a
display of its own, in the test's prefix; ended, with all the prefix runs, by end().
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net"))
from mqtt_linux import fail  # noqa: E402


class WineDorvan:
    def __init__(self, prefix, exe, standin, loader, scratch, **environment):
        if not os.path.isdir(os.path.join(prefix, "drive_c")):
            fail("no Wine prefix at %s (the wine.prefix.create test makes it)" % prefix)
        self.loader, self.program = loader, None
        self.app, self.work = os.path.join(scratch, "app"), os.path.join(scratch, "work")
        os.mkdir(self.app)
        os.mkdir(self.work)
        shutil.copy(exe, os.path.join(self.app, "DORVAN.exe"))
        shutil.copy(standin, os.path.join(self.app, "mcHID.dll"))
        self.log = os.path.join(scratch, "standin.log")
        self.env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                        DORVAN_STANDIN_LOG="Z:" + self.log.replace("/", "\\"), **environment)
        if loader != "wine":
            self.env["WINELOADER"] = loader

    def write(self, name, text):
        with open(os.path.join(self.work, name), "w") as f:
            f.write(text)

    def start(self, *args):
        self.program = subprocess.Popen(["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", "timeout", "-k", "5", "90",
                                         self.loader, os.path.join(self.app, "DORVAN.exe"), *args],
                                        cwd=self.work, env=self.env)

    def journal(self):
        """The journal's lines without their time stamps."""
        try:
            with open(os.path.join(self.work, "gunluk.txt"), encoding="utf-8") as f:
                return [line.rstrip("\r\n")[20:] for line in f]
        except FileNotFoundError:
            return []

    def standin_log(self):
        try:
            with open(self.log, encoding="utf-8", errors="replace") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def end(self):
        subprocess.run(["wineserver", "-k"], env=self.env)
        if self.program:
            try:
                self.program.wait(15)
            except subprocess.TimeoutExpired:
                self.program.kill()
