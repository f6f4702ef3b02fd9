#!/usr/bin/python3
"""DORVAN.exe under Wine serves its page over HTTPS: it makes its self-signed pair beside
ag.txt, journals the certificate's fingerprint as openssl writes it, answers curl
trusting that certificate, and serves nothing to plain HTTP on that port.

usage: web_https_wine.py WINEPREFIX DORVAN.exe mcHID.dll LOADER
Exits 77 (skipped) when curl or openssl is not installed.
"""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net"))
import mqtt_linux as net  # noqa: E402  the stage file and the waiting
from web_https_linux import curl, fingerprint  # noqa: E402
from wine_program import WineDorvan  # noqa: E402


def main():
    if not shutil.which("curl") or not shutil.which("openssl"):
        print("SKIP: curl or openssl is not installed")
        return 77
    prefix, exe, standin, loader = sys.argv[1:5]
    scratch = tempfile.mkdtemp()
    dorvan = None
    try:
        dorvan = WineDorvan(prefix, exe, standin, loader, scratch)
        journal, work = dorvan.journal, dorvan.work
        net.stage_file(work, {2: ("Sulama ön", None, None)})
        port = net.free_port()
        dorvan.write("ag.txt", "web = 127.0.0.1:%d\nweb_parola = gizli\nweb_https = evet\n" % port)
        dorvan.start("3")

        line = net.wait_for("the fingerprint in the journal",
                            lambda: next((l for l in journal() if "Fingerprint=" in l), None), 60)
        crt = os.path.join(work, "dorvan.crt")
        if fingerprint(crt) not in line:
            net.fail("journal %r, openssl %r" % (line, fingerprint(crt)))
        https = "https://127.0.0.1:%d" % port
        r = net.wait_for("the page over HTTPS",
                         lambda: (lambda r: r if r.returncode == 0 else None)(
                             curl("--cacert", crt, "-u", "kim:gizli", https + "/api/ports/2")), 10)
        if '"description":"Sulama ön"' not in r.stdout:
            net.fail("GET /api/ports/2 over HTTPS: %r" % r.stdout[:300])
        r = curl("-o", "/dev/null", "-w", "%{http_code}", "http://127.0.0.1:%d/" % port)
        if r.returncode == 0 or r.stdout not in ("", "000"):
            net.fail("plain HTTP was served: %r" % r.stdout)
        print("\n".join(journal()))
        return 0
    finally:
        if dorvan:
            dorvan.end()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
