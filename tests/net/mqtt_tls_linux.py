#!/usr/bin/python3
"""DORVAN over TLS on a real mosquitto: a CA and server certificates made here with openssl,
one TLS listener for each certificate. With mqtt_ca the good one connects, publishes and
obeys a set; a certificate for another name, an expired one and one from a CA it does not
know are refused, each journaled once; with the check turned off it connects and says so.

usage: mqtt_tls_linux.py DORVAN FAKE_HIDAPI_LIBRARY
Exits 77 (skipped) when mosquitto, paho-mqtt or openssl is not installed.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import mqtt_linux as net

OPENSSL = "/usr/bin/openssl"


def make_certificates(folder):
    """ca.pem, and a key and certificate it signed for each listener: "good" for 127.0.0.1,
    "other" for another name, "expired" for 127.0.0.1 but a day out of date."""
    def run(*args):
        subprocess.run([OPENSSL, *args], check=True, cwd=folder, capture_output=True)
    ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    run("req", "-x509", *ec, "-keyout", "ca.key", "-out", "ca.pem", "-days", "2", "-subj", "/CN=DORVAN test CA")
    for name, san, days in (("good", "IP:127.0.0.1,DNS:localhost", "2"), ("other", "DNS:baska.example", "2"),
                            ("expired", "IP:127.0.0.1", "-1")):
        with open(os.path.join(folder, name + ".ext"), "w") as f:
            f.write("subjectAltName=%s\n" % san)
        run("req", *ec, "-keyout", name + ".key", "-out", name + ".csr", "-subj", "/CN=" + name)
        run("x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
            "-out", name + ".crt", "-days", days, "-extfile", name + ".ext")


class TlsBroker(net.Broker):
    """The plain listener for the test's own clients, and a TLS listener for each certificate:
    mosquitto opens them all before the plain one is found accepting."""

    def __init__(self, folder, names):
        super().__init__(folder, net.free_port())
        self.tls_ports = {name: net.free_port() for name in names}
        with open(self.config, "a") as f:
            for name, port in self.tls_ports.items():
                f.write("listener %d 127.0.0.1\ncertfile %s/%s.crt\nkeyfile %s/%s.key\n"
                        % (port, folder, name, folder, name))


def main():
    if net.paho is None or not os.path.exists(net.BROKER) or not os.path.exists(OPENSSL):
        print("SKIP: mosquitto, python3-paho-mqtt or openssl is not installed")
        return 77
    program, shim = os.path.realpath(sys.argv[1]), os.path.realpath(sys.argv[2])
    scratch = tempfile.mkdtemp()
    dorvans = []
    broker = None
    try:
        make_certificates(scratch)
        broker = TlsBroker(scratch, ["good", "other", "expired"])
        broker.start()
        ports = broker.tls_ports
        with_ca = "mqtt_tls = evet\nmqtt_ca = ca.pem\n"

        def dorvan(name, port, extra):
            folder = os.path.join(scratch, name)
            os.mkdir(folder)
            # ca.pem beside ag.txt: mqtt_ca names it relative to that folder.
            d = net.Dorvan(program, shim, folder, port, net.PASSWORD, {}, prefix="dorvan/" + name, extra=extra,
                           files=[os.path.join(scratch, "ca.pem")])
            dorvans.append(d)
            return d

        good = dorvan("good", ports["good"], with_ca)
        refused = [
            (dorvan("name", ports["other"], with_ca), ports["other"],
             "sunucunun sertifikası başka bir ad için verilmiş, \"127.0.0.1\" için değil; bağlanılmadı"),
            (dorvan("expired", ports["expired"], with_ca), ports["expired"],
             "sunucunun sertifikasının süresi dolmuş; bağlanılmadı"),
            (dorvan("ca", ports["good"], "mqtt_tls = evet\n"), ports["good"],
             "sunucunun sertifikasını tanınmayan bir yetkili (CA) imzalamış; kendi CA'sı varsa mqtt_ca ile verin; "
             "bağlanılmadı"),
        ]
        unchecked = dorvan("unchecked", ports["other"], "mqtt_tls = evet\nmqtt_tls_dogrulama = hayir\n")

        net.wait_for("MQTT BAĞLANDI over TLS", lambda: "MQTT BAĞLANDI" in good.journal(), 15)
        held = net.retained_state(broker.port, {"dorvan/good/durum": "online"})
        if held.get("dorvan/good/durum") != "online":
            net.fail("DORVAN's state did not reach the broker over TLS: %s" % held)
        sub = net.Client(broker.port, "dorvan/good/#")
        before = len(good.reports())
        sub.publish("dorvan/good/port/5/set", "ON")
        net.wait_for("port 5's report", lambda: net.report(5, True) in good.reports()[before:], 2)
        net.wait_for("port 5's state", lambda: ("dorvan/good/port/5", "ON", False) in sub.messages, 2)
        sub.close()

        # Retried at 1 s, then 2 s: the same outage, told once.
        time.sleep(4)
        for d, port, reason in refused:
            said = [l for l in d.journal() if l.startswith("UYARI: MQTT")]
            if said != ["UYARI: MQTT sunucusu 127.0.0.1:%d: %s" % (port, reason)]:
                d.log.seek(0)
                print(d.log.read(), file=sys.stderr)
                net.fail("a refused certificate was journaled as %s, not once as %r" % (said, reason))
            if "MQTT BAĞLANDI" in d.journal():
                net.fail("connected despite: " + reason)
        net.wait_for("the unchecked connect", lambda: "MQTT BAĞLANDI" in unchecked.journal(), 5)
        lines = unchecked.journal()
        warning = lines[lines.index("MQTT BAĞLANDI") - 1]
        if "sertifikası denetlenmeden bağlanıldı (mqtt_tls_dogrulama = hayir)" not in warning:
            net.fail("no warning before the unchecked connect: %s" % lines)

        for d in dorvans:
            if d.end() != 0:
                net.fail("dorvan ended with %d" % d.process.returncode)
        print("\n".join(refused[0][0].journal()))
        return 0
    finally:
        for d in dorvans:
            if d.process.poll() is None:
                d.process.kill()
        if broker:
            broker.stop()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
