#!/usr/bin/python3
"""The page over HTTPS, in the real program offscreen with the stand-in board: the
self-signed pair made at the first start and kept, its fingerprint in the journal as
openssl writes it, the page through curl trusting that certificate, nothing for plain
HTTP or TLS 1.1; a key that is not the certificate's leaves the page off with a line.

usage: web_https_linux.py DORVAN FAKE_HIDAPI_LIBRARY
"""
import os
import shutil
import signal
import socket
import stat
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mqtt_linux import fail, free_port, stage_file, wait_for  # noqa: E402


class Dorvan:
    def __init__(self, program, shim, home, settings):
        self.home = home
        with open(os.path.join(home, "ag.txt"), "w") as f:
            f.write(settings)
        self.board = os.path.join(home, "..", "board")
        open(self.board, "w").close()
        env = dict(os.environ, DORVAN_FAKE_BOARD=self.board, QT_QPA_PLATFORM="offscreen", LD_PRELOAD=shim)
        self.log = open(os.path.join(home, "..", "stderr"), "a")
        self.process = subprocess.Popen([program, "3"], cwd=home, env=env, stdout=self.log, stderr=self.log)

    def journal(self):
        try:
            with open(os.path.join(self.home, "gunluk.txt"), encoding="utf-8") as f:
                return [line.rstrip("\n")[20:] for line in f]
        except FileNotFoundError:
            return []

    def end(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                fail("dorvan did not end on SIGTERM")


def curl(*args):
    return subprocess.run(["curl", "-sS", "--max-time", "5", *args], capture_output=True, text=True)


def fingerprint(certificate):
    return subprocess.run(["openssl", "x509", "-noout", "-fingerprint", "-sha256", "-in", certificate],
                          capture_output=True, text=True, check=True).stdout.strip()


def listening(port):
    with socket.socket() as s:
        return s.connect_ex(("127.0.0.1", port)) == 0


def started_with_fingerprint(dorvan, count):
    return wait_for("the fingerprint in the journal",
                    lambda: len([l for l in dorvan.journal() if "Fingerprint=" in l]) >= count and
                    [l for l in dorvan.journal() if "Fingerprint=" in l], 15)[-1]


def main():
    if not shutil.which("curl") or not shutil.which("openssl"):
        print("SKIP: curl or openssl is not installed")
        return 77
    program, shim = os.path.realpath(sys.argv[1]), os.path.realpath(sys.argv[2])
    scratch = tempfile.mkdtemp()
    home = os.path.join(scratch, "home")
    os.mkdir(home)
    stage_file(home, {})
    port = free_port()
    crt, key = os.path.join(home, "dorvan.crt"), os.path.join(home, "dorvan.key")
    https = "https://127.0.0.1:%d" % port
    dorvan = None
    try:
        # The first start makes the pair, and says its fingerprint as openssl does.
        dorvan = Dorvan(program, shim, home, "web = 127.0.0.1:%d\nweb_https = evet\n" % port)
        line = started_with_fingerprint(dorvan, 1)
        made = fingerprint(crt)
        if made not in line:
            fail("journal %r, openssl %r" % (line, made))
        if stat.S_IMODE(os.stat(key).st_mode) != 0o600:
            fail("dorvan.key has mode %o" % stat.S_IMODE(os.stat(key).st_mode))
        names = subprocess.run(["openssl", "x509", "-noout", "-ext", "subjectAltName", "-enddate", "-in", crt],
                               capture_output=True, text=True).stdout
        for name in ("DNS:localhost", "IP Address:127.0.0.1", "DNS:" + socket.gethostname()):
            if name not in names:
                fail("the certificate does not name %s: %s" % (name, names))

        for url in (https + "/", "https://localhost:%d/api/state" % port):
            r = curl("--cacert", crt, "--resolve", "localhost:%d:127.0.0.1" % port, "-o", "/dev/null",
                     "-w", "%{http_code}", url)
            if r.stdout != "200":
                fail("%s over HTTPS: %r %r" % (url, r.stdout, r.stderr))
        # Plain HTTP and TLS 1.1 get no page on that port, and it still serves after them.
        for args in (["http://127.0.0.1:%d/" % port], ["--cacert", crt, "--tls-max", "1.1", https + "/"]):
            r = curl("-o", "/dev/null", "-w", "%{http_code}", *args)
            if r.returncode == 0 or r.stdout not in ("", "000"):
                fail("served to %s: %r" % (args, r.stdout))
        if curl("--cacert", crt, "-o", "/dev/null", "-w", "%{http_code}", https + "/").stdout != "200":
            fail("no page after the refused ones")
        dorvan.end()

        # The second start keeps the pair; a key others may read is said, and still served with.
        os.chmod(key, 0o644)
        dorvan = Dorvan(program, shim, home, "web = 127.0.0.1:%d\nweb_https = evet\n" % port)
        line = started_with_fingerprint(dorvan, 2)
        if made not in line or fingerprint(crt) != made:
            fail("the pair was made again: %r" % line)
        wait_for("the readable key said", lambda: any(l.startswith('UYARI: "dorvan.key" web sayfasının özel anahtarını')
                                                      for l in dorvan.journal()), 5)
        if curl("--cacert", crt, "-o", "/dev/null", "-w", "%{http_code}", https + "/").stdout != "200":
            fail("no page with a readable key")
        dorvan.end()

        # Another key for that certificate: the page stays off, and says why on the key's line.
        subprocess.run(["openssl", "genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256",
                        "-out", os.path.join(home, "baska.key")], check=True, capture_output=True)
        dorvan = Dorvan(program, shim, home, "web = 127.0.0.1:%d\nweb_https = evet\nweb_sertifika = dorvan.crt\n"
                        "web_anahtar = baska.key\n" % port)
        want = ('UYARI: ag.txt, satır 4: anahtar dosyası "baska.key" ile sertifika dosyası "dorvan.crt" eşleşmiyor '
                '(anahtar başka bir sertifikanın). Web sayfası kapalı kalacak.')
        wait_for("the mismatch in the journal", lambda: want in dorvan.journal(), 15)
        if listening(port):
            fail("the page is served with a mismatched key")
        dorvan.end()
        dorvan = None
    finally:
        if dorvan:
            dorvan.end()
        shutil.rmtree(scratch, ignore_errors=True)
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
