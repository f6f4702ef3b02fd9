#!/usr/bin/python3
"""DORVAN.exe under Wine on a real mosquitto: it connects, publishes discovery and its
states retained, and a `set` switches its port through the stand-in board library and
is told on the page's event stream, which began with the whole state. With `tls`, DORVAN.exe
connects over TLS, trusting the test's own CA through mqtt_ca.

usage: mqtt_wine.py WINEPREFIX DORVAN.exe mcHID.dll LOADER [tls]
Exits 77 (skipped) when mosquitto or paho-mqtt (or, for tls, openssl) is not installed.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
from datetime import datetime, timedelta

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net"))
import mqtt_linux as net  # noqa: E402  the broker, the client and the stage file
import mqtt_tls_linux as tls_net  # noqa: E402  the certificates and the TLS listener
from web_live_linux import Stream  # noqa: E402


def main():
    if net.paho is None or not os.path.exists(net.BROKER):
        print("SKIP: mosquitto or python3-paho-mqtt is not installed")
        return 77
    prefix, exe, standin, loader = sys.argv[1:5]
    tls = sys.argv[5:] == ["tls"]
    if tls and not os.path.exists(tls_net.OPENSSL):
        print("SKIP: openssl is not installed")
        return 77
    if not os.path.isdir(os.path.join(prefix, "drive_c")):
        net.fail("no Wine prefix at %s (the wine.prefix.create test makes it)" % prefix)
    scratch = tempfile.mkdtemp()
    if tls:
        tls_net.make_certificates(scratch)
        broker = tls_net.TlsBroker(scratch, ["good"])
    else:
        broker = net.Broker(scratch, net.free_port())
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    if loader != "wine":
        env["WINELOADER"] = loader
    program = None
    try:
        broker.start()
        app, work = os.path.join(scratch, "app"), os.path.join(scratch, "work")
        os.mkdir(app)
        os.mkdir(work)
        shutil.copy(exe, os.path.join(app, "DORVAN.exe"))
        shutil.copy(standin, os.path.join(app, "mcHID.dll"))
        since = datetime.now().replace(microsecond=0) - timedelta(hours=1)
        net.stage_file(work, {1: ("", since, None), 2: ("Sulama ön", None, None)})
        web = net.free_port()
        with open(os.path.join(work, "ag.txt"), "w") as f:
            f.write("mqtt = 127.0.0.1:%d\nmqtt_kullanici = %s\nmqtt_parola = %s\nmqtt_konu = dorvan/wine\n"
                    "web = 127.0.0.1:%d\nweb_parola = gizli\n"
                    % (broker.tls_ports["good"] if tls else broker.port, net.USER, net.PASSWORD, web))
            if tls:
                f.write("mqtt_tls = evet\nmqtt_ca = ca.pem\n")
                shutil.copy(os.path.join(scratch, "ca.pem"), work)
        log = os.path.join(scratch, "standin.log")
        env["DORVAN_STANDIN_LOG"] = "Z:" + log.replace("/", "\\")
        program = subprocess.Popen(["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", "timeout", "-k", "5", "90",
                                    loader, os.path.join(app, "DORVAN.exe"), "3"], cwd=work, env=env)

        def journal():
            try:
                with open(os.path.join(work, "gunluk.txt"), encoding="utf-8") as f:
                    return [line.rstrip("\r\n")[20:] for line in f]
            except FileNotFoundError:
                return []

        def standin_log():
            try:
                with open(log, encoding="utf-8", errors="replace") as f:
                    return f.read().splitlines()
            except FileNotFoundError:
                return []

        net.wait_for("MQTT BAĞLANDI", lambda: "MQTT BAĞLANDI" in journal(), 60)
        # Port 1 is resumed once the window shows; a newcomer finds it retained only after that.
        net.wait_for("port 1 resumed", lambda: any(l.startswith("PORT 01 AÇIK") for l in journal()), 10)
        p = "dorvan/wine"
        want = {p + "/durum": "online", p + "/port/1": "ON"}
        held = net.retained_state(broker.port, want)
        sub = net.Client(broker.port)
        for topic, payload in want.items():
            if held.get(topic) != payload:
                net.fail("retained %s is %r, not %r; the journal:\n%s" % (topic, held.get(topic), payload,
                                                                           "\n".join(journal())))
        if len([t for t in held if t.endswith("/config")]) != 22:
            net.fail("discovery configs retained: %s" % sorted(t for t in held if t.endswith("/config")))
        if '"name":"Sulama ön"' not in held.get("homeassistant/switch/dorvan_wine/port_2/config", ""):
            net.fail("port 2's switch is not named after its description")
        stream = Stream(web)
        net.wait_for("the stream's first event", lambda: stream.items, 5)
        if 'event: state\ndata: {"board":' not in stream.items[0][1]:
            net.fail("the stream began with %r" % stream.items[0][1][:300])
        before = len(standin_log())
        sub.publish(p + "/port/5/set", "ON")
        try:
            net.wait_for("port 5's report", lambda: any("data=00 05 01" in w for w in standin_log()[before:]), 2)
        except SystemExit:
            print("\n".join(journal() + standin_log()), file=sys.stderr)
            raise
        net.wait_for("PORT 05 AÇIK (mqtt)", lambda: "PORT 05 AÇIK (mqtt)" in journal(), 2)
        net.wait_for("port 5's state", lambda: (p + "/port/5", "ON", False) in sub.messages, 2)
        net.wait_for("port 5's event", lambda: stream.find(lambda b: b.startswith("event: port") and '"port":5,' in b
                                                           and '"state":"on"' in b), 2)
        stream.sock.close()
        sub.close()
        print("\n".join(journal()))
        return 0
    finally:
        subprocess.run(["wineserver", "-k"], env=env)
        if program:
            try:
                program.wait(15)
            except subprocess.TimeoutExpired:
                program.kill()
        broker.stop()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
