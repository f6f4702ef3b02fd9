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
import sys
import tempfile
import time
from datetime import datetime, timedelta

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net"))
import mqtt_linux as net  # noqa: E402  the broker, the client and the stage file
import mqtt_tls_linux as tls_net  # noqa: E402  the certificates and the TLS listener
from web_live_linux import Stream  # noqa: E402
from wine_program import WineDorvan  # noqa: E402


def main():
    if net.paho is None or not os.path.exists(net.BROKER):
        print("SKIP: mosquitto or python3-paho-mqtt is not installed")
        return 77
    prefix, exe, standin, loader = sys.argv[1:5]
    tls = sys.argv[5:] == ["tls"]
    if tls and not os.path.exists(tls_net.OPENSSL):
        print("SKIP: openssl is not installed")
        return 77
    scratch = tempfile.mkdtemp()
    if tls:
        tls_net.make_certificates(scratch)
        broker = tls_net.TlsBroker(scratch, ["good"])
    else:
        broker = net.Broker(scratch, net.free_port())
    dorvan = None
    try:
        dorvan = WineDorvan(prefix, exe, standin, loader, scratch)
        journal, standin_log = dorvan.journal, dorvan.standin_log
        broker.start()
        since = datetime.now().replace(microsecond=0) - timedelta(hours=1)
        net.stage_file(dorvan.work, {1: ("", since, None), 2: ("Sulama ön", None, None)})
        web = net.free_port()
        dorvan.write("ag.txt", "mqtt = 127.0.0.1:%d\nmqtt_kullanici = %s\nmqtt_parola = %s\nmqtt_konu = dorvan/wine\n"
                     "web = 127.0.0.1:%d\nweb_parola = gizli\n"
                     % (broker.tls_ports["good"] if tls else broker.port, net.USER, net.PASSWORD, web)
                     + ("mqtt_tls = evet\nmqtt_ca = ca.pem\n" if tls else ""))
        if tls:
            shutil.copy(os.path.join(scratch, "ca.pem"), dorvan.work)
        dorvan.start("3")

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
        if dorvan:
            dorvan.end()
        broker.stop()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
